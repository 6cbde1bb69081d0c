#include "ui/memory_engine.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "ui/list_format.h"
#include "ui/run_lock.h"

namespace veltrano::ui {
namespace {

constexpr int kListHeaderHeight = 22;
constexpr int kListRowHeight = 18;
constexpr int kDefaultListRows = 10;
constexpr int kMostStatusZones = 32;

bool fail(std::string* error, std::string reason) {
  if (error != nullptr) *error = std::move(reason);
  return false;
}

std::optional<int> parseInt(const std::string& text) {
  int number = 0;
  const char* end = text.data() + text.size();
  auto [at, problem] = std::from_chars(text.data(), end, number);
  if (problem != std::errc() || at != end) return std::nullopt;
  return number;
}

bool takesFocus(ControlKind kind) {
  switch (kind) {
    case ControlKind::kEntry:
    case ControlKind::kText:
    case ControlKind::kButton:
    case ControlKind::kCheck:
    case ControlKind::kRadio:
    case ControlKind::kList:
    case ControlKind::kCombo:
    case ControlKind::kSpin:
    case ControlKind::kPageView: return true;
    default: return false;
  }
}

bool takesText(ControlKind kind) {
  return kind == ControlKind::kEntry || kind == ControlKind::kText || kind == ControlKind::kCombo ||
         kind == ControlKind::kSpin;
}

std::string spinValue(const ControlDescription& spin, const std::string& typed) {
  std::optional<int> number = parseInt(typed);
  return std::to_string(std::clamp(number.value_or(spin.low), spin.low, std::max(spin.low, spin.high)));
}

void collectMenuItems(const std::vector<MenuItem>& items, std::vector<const MenuItem*>& out) {
  for (const MenuItem& item : items) {
    if (item.id != 0) out.push_back(&item);
    collectMenuItems(item.items, out);
  }
}

int tabCount(const WindowSnapshot& window, ControlId sheet) {
  int count = 0;
  for (const auto& [id, control] : window.controls) {
    if (control.description.kind == ControlKind::kTab && control.description.parent == sheet) ++count;
  }
  return count;
}

bool validate(const WindowDescription& description, std::string* error) {
  std::map<ControlId, ControlKind> kinds;
  for (const ControlDescription& control : description.controls) {
    if (control.id == 0) return fail(error, "a control has the number 0");
    if (!kinds.emplace(control.id, control.kind).second) {
      return fail(error, "control number " + std::to_string(control.id) + " is used twice");
    }
    if (control.parent != 0) {
      auto parent = kinds.find(control.parent);
      if (parent == kinds.end() || parent->first == control.id) {
        return fail(error,
                    "control " + std::to_string(control.id) + " names a parent not described before it");
      }
      ControlKind parent_kind = parent->second;
      bool fits = control.kind == ControlKind::kTab ? parent_kind == ControlKind::kSheet
                  : control.kind == ControlKind::kRadio
                      ? parent_kind == ControlKind::kOptionGroup
                      : parent_kind == ControlKind::kTab || parent_kind == ControlKind::kGroup ||
                            parent_kind == ControlKind::kOptionGroup;
      if (!fits) return fail(error, "control " + std::to_string(control.id) + " cannot sit in its parent");
    } else if (control.kind == ControlKind::kTab) {
      return fail(error, "tab " + std::to_string(control.id) + " is not in a sheet");
    } else if (control.kind == ControlKind::kRadio) {
      return fail(error, "radio " + std::to_string(control.id) + " is not in an option group");
    }
    if (control.kind == ControlKind::kList || control.kind == ControlKind::kCombo) {
      std::string reason;
      if (!control.format.empty() && !parseListFormat(control.format, &reason)) {
        return fail(error, "list " + std::to_string(control.id) + ": " + reason);
      }
    }
  }
  std::vector<const MenuItem*> items;
  collectMenuItems(description.menu, items);
  for (const MenuItem* item : items) {
    if (!kinds.emplace(item->id, ControlKind::kButton).second) {
      return fail(error, "menu item " + std::to_string(item->id) + " reuses a control number");
    }
  }
  return true;
}

ControlSnapshot initialControl(const ControlDescription& description) {
  ControlSnapshot control;
  control.description = description;
  control.text = description.text;
  control.value = description.value;
  control.enabled = !description.disabled;
  control.hidden = description.hidden;
  control.read_only = description.read_only;
  switch (description.kind) {
    case ControlKind::kCheck:
      if (control.value != "1") control.value = "0";
      break;
    case ControlKind::kList:
      control.value = "0";
      control.visible_rows = description.at.height > 0
                                 ? std::max(1, (description.at.height - kListHeaderHeight) / kListRowHeight)
                                 : kDefaultListRows;
      break;
    case ControlKind::kCombo: control.visible_rows = kDefaultListRows; break;
    case ControlKind::kProgress:
      if (!parseInt(control.value)) control.value = "0";
      break;
    case ControlKind::kSpin: control.value = spinValue(description, control.value); break;
    default: break;
  }
  return control;
}

}  // namespace

MemoryEngine::Window* MemoryEngine::find(WindowId window) {
  auto found = windows_.find(window);
  return found == windows_.end() ? nullptr : &found->second;
}

const MemoryEngine::Window* MemoryEngine::find(WindowId window) const {
  auto found = windows_.find(window);
  return found == windows_.end() ? nullptr : &found->second;
}

ControlSnapshot* MemoryEngine::findControl(WindowId window, ControlId control) {
  Window* found = find(window);
  if (found == nullptr) return nullptr;
  auto it = found->state.controls.find(control);
  return it == found->state.controls.end() ? nullptr : &it->second;
}

void MemoryEngine::queue(Window& window, Event event) {
  event.window = window.state.id;
  Window* target = &window;
  if (Window* owner = find(window.state.owner_window); owner != nullptr) target = owner;
  target->events.push_back(event);
  changed_.notify_all();
}

bool MemoryEngine::usable(const Window& window, const ControlSnapshot& control) const {
  if (!control.enabled || control.hidden) return false;
  // A control on a tab that is not shown cannot be reached by the user.
  ControlId parent = control.description.parent;
  while (parent != 0) {
    auto it = window.state.controls.find(parent);
    if (it == window.state.controls.end()) break;
    const ControlSnapshot& holder = it->second;
    if (!holder.enabled || holder.hidden) return false;
    if (holder.description.kind == ControlKind::kTab) {
      auto sheet = window.state.controls.find(holder.description.parent);
      if (sheet != window.state.controls.end()) {
        int shown = parseInt(sheet->second.value).value_or(1);
        int number = 0;
        for (ControlId id : window.state.control_order) {
          const ControlSnapshot& other = window.state.controls.at(id);
          if (other.description.kind == ControlKind::kTab && other.description.parent == sheet->first) {
            ++number;
            if (id == parent) break;
          }
        }
        if (number != shown) return false;
      }
    }
    parent = holder.description.parent;
  }
  return true;
}

template <typename Change>
bool MemoryEngine::changeControl(WindowId window, ControlId control, Change change) {
  bool changed = false;
  {
    std::lock_guard lock(mutex_);
    Window* found = find(window);
    if (found == nullptr) return false;
    auto it = found->state.controls.find(control);
    if (it == found->state.controls.end()) return false;
    changed = change(*found, it->second);
    if (changed) changed_.notify_all();
  }
  if (changed) windowChanged(window, control);
  return changed;
}

template <typename Change>
bool MemoryEngine::changeWindow(WindowId window, Change change) {
  bool changed = false;
  {
    std::lock_guard lock(mutex_);
    Window* found = find(window);
    if (found == nullptr) return false;
    changed = change(*found);
    if (changed) changed_.notify_all();
  }
  if (changed) windowChanged(window, 0);
  return changed;
}

WindowId MemoryEngine::openWindow(const WindowDescription& description, std::string* error) {
  if (!validate(description, error)) return 0;
  WindowId id = 0;
  {
    std::lock_guard lock(mutex_);
    if (description.owner != 0 && find(description.owner) == nullptr) {
      fail(error, "the owner window is not open");
      return 0;
    }
    if (description.kind == WindowKind::kFrame) {
      for (const auto& [other_id, other] : windows_) {
        if (other.state.kind == WindowKind::kFrame) {
          fail(error, "the frame is already open");
          return 0;
        }
      }
    }
    id = next_id_++;
    Window& window = windows_[id];
    WindowSnapshot& state = window.state;
    state.id = id;
    state.kind = description.kind;
    state.name = description.name;
    state.label = description.label;
    state.caption = description.caption;
    state.placement = Placement{description.at, description.maximized};
    state.resizable = description.resizable;
    state.hidden = description.hidden;
    state.menu = description.menu;
    state.status_texts.resize(description.status_widths.size());
    state.owner = std::this_thread::get_id();
    state.owner_window = description.owner;
    for (const ControlDescription& control : description.controls) {
      state.control_order.push_back(control.id);
      state.controls.emplace(control.id, initialControl(control));
    }
    for (const ControlDescription& control : description.controls) {
      if (control.kind == ControlKind::kSheet && tabCount(state, control.id) > 0) {
        ControlSnapshot& sheet = state.controls.at(control.id);
        std::optional<int> shown = parseInt(sheet.value);
        if (!shown || *shown < 1 || *shown > tabCount(state, control.id)) sheet.value = "1";
      }
    }
    std::vector<const MenuItem*> items;
    collectMenuItems(description.menu, items);
    for (const MenuItem* item : items) {
      state.menu_items.emplace(item->id, MenuItemSnapshot{item->id, item->text, !item->disabled, false});
    }
    // The window opens on its first control the clerk can type into or press; a read-only
    // field (a card's number) only where nothing else can take the focus.
    ControlId first_read_only = 0;
    for (ControlId control : state.control_order) {
      const ControlSnapshot& candidate = state.controls.at(control);
      if (!takesFocus(candidate.description.kind) || candidate.description.keeps_focus ||
          !usable(window, candidate))
        continue;
      if (!candidate.read_only) {
        state.focus = control;
        break;
      }
      if (first_read_only == 0) first_read_only = control;
    }
    if (state.focus == 0) state.focus = first_read_only;
    if (description.kind != WindowKind::kFrame || active_ == 0) active_ = id;
    queue(window, Event{event::kOpenWindow, 0, id, 0, 0});
  }
  windowOpened(id);
  return id;
}

bool MemoryEngine::closeWindow(WindowId window) {
  {
    std::lock_guard lock(mutex_);
    if (windows_.erase(window) == 0) return false;
    arrangements_.erase(window);
    if (active_ == window) active_ = 0;
    changed_.notify_all();
  }
  windowClosed(window);
  return true;
}

bool MemoryEngine::setCaption(WindowId window, const std::string& caption) {
  return changeWindow(window, [&](Window& found) {
    found.state.caption = caption;
    return true;
  });
}

std::optional<Placement> MemoryEngine::placement(WindowId window) {
  std::lock_guard lock(mutex_);
  const Window* found = find(window);
  if (found == nullptr) return std::nullopt;
  return found->state.placement;
}

bool MemoryEngine::setPlacement(WindowId window, const Placement& placement) {
  if (placement.at.width < 0 || placement.at.height < 0) return false;
  return changeWindow(window, [&](Window& found) {
    found.state.placement = placement;
    return true;
  });
}

Event MemoryEngine::waitEvent(WindowId window) {
  // The run lock is given up for the wait and taken back before the event is handed over, so
  // other procedures run while this one waits; the engine's own mutex is never held while the
  // run lock is being taken.
  RunLockReleasedForWait released;
  std::unique_lock lock(mutex_);
  Window* found = find(window);
  if (found == nullptr) return Event{event::kCloseDown, 0, window, 0, 0};
  ++found->waiters;
  changed_.notify_all();
  changed_.wait(lock, [&] {
    found = find(window);
    return found == nullptr || !found->events.empty();
  });
  if (found == nullptr) return Event{event::kCloseDown, 0, window, 0, 0};
  --found->waiters;
  Event next = found->events.front();
  found->events.pop_front();
  changed_.notify_all();
  return next;
}

std::optional<Event> MemoryEngine::pollEvent(WindowId window) {
  std::lock_guard lock(mutex_);
  Window* found = find(window);
  if (found == nullptr || found->events.empty()) return std::nullopt;
  Event next = found->events.front();
  found->events.pop_front();
  changed_.notify_all();
  return next;
}

bool MemoryEngine::postEvent(WindowId window, const Event& event) {
  std::lock_guard lock(mutex_);
  Window* found = find(window);
  if (found == nullptr) return false;
  if (event.control != 0 && !found->state.controls.contains(event.control) &&
      !found->state.menu_items.contains(event.control)) {
    return false;
  }
  queue(*found, event);
  return true;
}

bool MemoryEngine::setValue(WindowId window, ControlId control, const std::string& value) {
  return changeControl(window, control, [&](Window& found, ControlSnapshot& target) {
    switch (target.description.kind) {
      case ControlKind::kList: {
        std::optional<int> row = parseInt(value);
        if (!row || *row < 0 || *row > static_cast<int>(target.rows.size())) return false;
        target.value = std::to_string(*row);
        return true;
      }
      case ControlKind::kSheet: {
        std::optional<int> tab = parseInt(value);
        if (!tab || *tab < 1 || *tab > tabCount(found.state, control)) return false;
        target.value = std::to_string(*tab);
        return true;
      }
      case ControlKind::kCheck: target.value = value == "0" || value.empty() ? "0" : "1"; return true;
      case ControlKind::kProgress: {
        std::optional<int> percent = parseInt(value);
        if (!percent) return false;
        target.value = std::to_string(std::clamp(*percent, 0, 100));
        return true;
      }
      case ControlKind::kSpin:
        if (!parseInt(value)) return false;
        target.value = spinValue(target.description, value);
        return true;
      default:
        target.value = value;
        target.selection = TextSelection{static_cast<int>(value.size()), 0};
        return true;
    }
  });
}

std::optional<std::string> MemoryEngine::value(WindowId window, ControlId control) {
  std::lock_guard lock(mutex_);
  ControlSnapshot* found = findControl(window, control);
  if (found == nullptr) return std::nullopt;
  return found->value;
}

bool MemoryEngine::setText(WindowId window, ControlId control, const std::string& text) {
  if (control == 0) return setCaption(window, text);
  bool changed = false;
  {
    std::lock_guard lock(mutex_);
    Window* found = find(window);
    if (found == nullptr) return false;
    if (auto item = found->state.menu_items.find(control); item != found->state.menu_items.end()) {
      item->second.text = text;
      changed = true;
    } else if (auto it = found->state.controls.find(control); it != found->state.controls.end()) {
      it->second.text = text;
      changed = true;
    }
  }
  if (changed) windowChanged(window, control);
  return changed;
}

bool MemoryEngine::setEnabled(WindowId window, ControlId control, bool enabled) {
  bool changed = false;
  {
    std::lock_guard lock(mutex_);
    Window* found = find(window);
    if (found == nullptr) return false;
    if (auto item = found->state.menu_items.find(control); item != found->state.menu_items.end()) {
      item->second.enabled = enabled;
      changed = true;
    } else if (auto it = found->state.controls.find(control); it != found->state.controls.end()) {
      it->second.enabled = enabled;
      changed = true;
    }
  }
  if (changed) windowChanged(window, control);
  return changed;
}

bool MemoryEngine::setHidden(WindowId window, ControlId control, bool hidden) {
  bool changed = false;
  {
    std::lock_guard lock(mutex_);
    Window* found = find(window);
    if (found == nullptr) return false;
    if (control == 0) {
      found->state.hidden = hidden;
      changed = true;
    } else if (auto item = found->state.menu_items.find(control); item != found->state.menu_items.end()) {
      item->second.hidden = hidden;
      changed = true;
    } else if (auto it = found->state.controls.find(control); it != found->state.controls.end()) {
      it->second.hidden = hidden;
      if (hidden && found->state.focus == control) found->state.focus = 0;
      changed = true;
    }
  }
  if (changed) windowChanged(window, control);
  return changed;
}

bool MemoryEngine::setReadOnly(WindowId window, ControlId control, bool read_only) {
  return changeControl(window, control, [&](Window&, ControlSnapshot& target) {
    target.read_only = read_only;
    return true;
  });
}

std::optional<ControlId> MemoryEngine::focus(WindowId window) {
  std::lock_guard lock(mutex_);
  const Window* found = find(window);
  if (found == nullptr) return std::nullopt;
  return found->state.focus;
}

bool MemoryEngine::setFocus(WindowId window, ControlId control) {
  return changeControl(window, control, [&](Window& found, ControlSnapshot& target) {
    if (!takesFocus(target.description.kind) || !usable(found, target)) return false;
    found.state.focus = control;
    return true;
  });
}

bool MemoryEngine::setRows(WindowId window, ControlId control,
                           const std::vector<std::vector<std::string>>& rows) {
  return changeControl(window, control, [&](Window&, ControlSnapshot& target) {
    ControlKind kind = target.description.kind;
    if (kind != ControlKind::kList && kind != ControlKind::kCombo) return false;
    target.rows = rows;
    if (kind == ControlKind::kList) {
      int selected = parseInt(target.value).value_or(0);
      target.value = std::to_string(std::min(selected, static_cast<int>(rows.size())));
    } else {
      target.combo_row = std::min(target.combo_row, static_cast<int>(rows.size()));
    }
    return true;
  });
}

std::optional<int> MemoryEngine::visibleRows(WindowId window, ControlId control) {
  std::lock_guard lock(mutex_);
  ControlSnapshot* found = findControl(window, control);
  if (found == nullptr || found->visible_rows == 0) return std::nullopt;
  return found->visible_rows;
}

bool MemoryEngine::setThumb(WindowId window, ControlId control, int thumb) {
  return changeControl(window, control, [&](Window&, ControlSnapshot& target) {
    if (target.description.kind != ControlKind::kList) return false;
    target.thumb = std::clamp(thumb, 0, 100);
    return true;
  });
}

std::optional<int> MemoryEngine::thumb(WindowId window, ControlId control) {
  std::lock_guard lock(mutex_);
  ControlSnapshot* found = findControl(window, control);
  if (found == nullptr || found->description.kind != ControlKind::kList) return std::nullopt;
  return found->thumb;
}

bool MemoryEngine::alertKey(WindowId window, int key_code) {
  return changeWindow(window, [&](Window& found) {
    found.state.alert_keys.insert(key_code);
    return true;
  });
}

bool MemoryEngine::clearAlertKeys(WindowId window) {
  return changeWindow(window, [&](Window& found) {
    found.state.alert_keys.clear();
    for (auto& [id, control] : found.state.controls) control.alert_keys.clear();
    return true;
  });
}

bool MemoryEngine::alertControlKey(WindowId window, ControlId control, int key_code) {
  std::lock_guard lock(mutex_);
  ControlSnapshot* found = findControl(window, control);
  if (found == nullptr) return false;
  found->alert_keys.insert(key_code);
  return true;
}

bool MemoryEngine::setTimer(WindowId window, int hundredths) {
  if (hundredths < 0) return false;
  return changeWindow(window, [&](Window& found) {
    found.state.timer_hundredths = hundredths;
    return true;
  });
}

bool MemoryEngine::setPosition(WindowId window, ControlId control, const Rect& at) {
  if (at.width < 0 || at.height < 0) return false;
  return changeControl(window, control, [&](Window&, ControlSnapshot& target) {
    target.description.at = at;
    if (target.description.kind == ControlKind::kList && at.height > 0)
      target.visible_rows = std::max(1, (at.height - kListHeaderHeight) / kListRowHeight);
    return true;
  });
}

bool MemoryEngine::minimized(WindowId window) {
  std::lock_guard lock(mutex_);
  const Window* found = find(window);
  return found != nullptr && found->state.minimized;
}

std::optional<int> MemoryEngine::pointedRow(WindowId window, ControlId list) {
  std::lock_guard lock(mutex_);
  ControlSnapshot* found = findControl(window, list);
  if (found == nullptr || found->pointed_row == 0) return std::nullopt;
  return found->pointed_row;
}

void MemoryEngine::beep(WindowId window) {
  changeWindow(window, [](Window& found) {
    ++found.state.beeps;
    return true;
  });
}

bool MemoryEngine::setWaitCursor(WindowId window, bool waiting) {
  return changeWindow(window, [&](Window& found) {
    found.state.wait_cursor = waiting;
    return true;
  });
}

bool MemoryEngine::setStatusText(WindowId window, int zone, const std::string& text) {
  if (zone < 0 || zone >= kMostStatusZones) return false;
  return changeWindow(window, [&](Window& found) {
    auto index = static_cast<std::size_t>(zone);
    if (found.state.status_texts.size() <= index) found.state.status_texts.resize(index + 1);
    found.state.status_texts[index] = text;
    return true;
  });
}

bool MemoryEngine::arrange(WindowId frame, FrameArrangement how) {
  {
    std::lock_guard lock(mutex_);
    Window* found = find(frame);
    if (found == nullptr || found->state.kind != WindowKind::kFrame) return false;
    arrangements_[frame] = how;
  }
  frameArranged(frame, how);
  return true;
}

bool MemoryEngine::tile(WindowId frame) {
  return arrange(frame, FrameArrangement::kTile);
}
bool MemoryEngine::cascade(WindowId frame) {
  return arrange(frame, FrameArrangement::kCascade);
}
bool MemoryEngine::arrangeIcons(WindowId frame) {
  return arrange(frame, FrameArrangement::kArrangeIcons);
}

std::optional<FrameArrangement> MemoryEngine::lastArrangement(WindowId frame) const {
  std::lock_guard lock(mutex_);
  auto found = arrangements_.find(frame);
  if (found == arrangements_.end()) return std::nullopt;
  return found->second;
}

std::optional<WindowSnapshot> MemoryEngine::snapshot(WindowId window) const {
  std::lock_guard lock(mutex_);
  const Window* found = find(window);
  if (found == nullptr) return std::nullopt;
  return found->state;
}

std::vector<WindowId> MemoryEngine::openWindows() const {
  std::lock_guard lock(mutex_);
  std::vector<WindowId> ids;
  for (const auto& [id, window] : windows_) ids.push_back(id);
  return ids;
}

std::vector<WindowEngine::ChildWindow> MemoryEngine::childWindows() {
  std::lock_guard lock(mutex_);
  std::vector<ChildWindow> children;
  std::set<std::thread::id> waiting_threads;
  for (const auto& [id, window] : windows_) {
    if (window.waiters > 0 && window.events.empty()) waiting_threads.insert(window.state.owner);
  }
  // Window numbers grow as windows open, so the map's order is the order opened.
  for (const auto& [id, window] : windows_) {
    if (window.state.kind == WindowKind::kFrame || window.state.owner_window != 0) continue;
    children.push_back(ChildWindow{id, window.waiters > 0 && window.events.empty(),
                                   waiting_threads.contains(window.state.owner)});
  }
  return children;
}

WindowId MemoryEngine::findWindow(const std::string& label_or_name) const {
  std::lock_guard lock(mutex_);
  for (const auto& [id, window] : windows_) {
    if (window.state.label == label_or_name || window.state.name == label_or_name) return id;
  }
  return 0;
}

WindowId MemoryEngine::waitForWindow(const std::string& label_or_name,
                                     std::chrono::milliseconds limit) const {
  std::unique_lock lock(mutex_);
  WindowId result = 0;
  changed_.wait_for(lock, limit, [&] {
    for (const auto& [id, window] : windows_) {
      if (window.state.label == label_or_name || window.state.name == label_or_name) {
        result = id;
        return true;
      }
    }
    return false;
  });
  return result;
}

bool MemoryEngine::waitUntilIdle(WindowId window, std::chrono::milliseconds limit) const {
  std::unique_lock lock(mutex_);
  bool idle = changed_.wait_for(lock, limit, [&] {
    const Window* found = find(window);
    return found == nullptr || (found->waiters > 0 && found->events.empty());
  });
  return idle && find(window) != nullptr;
}

std::size_t MemoryEngine::queuedEvents(WindowId window) const {
  std::lock_guard lock(mutex_);
  const Window* found = find(window);
  return found == nullptr ? 0 : found->events.size();
}

// The user's side.

bool MemoryEngine::userEdits(WindowId window, ControlId control, const std::string& value) {
  return changeControl(window, control, [&](Window& found, ControlSnapshot& target) {
    if (!takesText(target.description.kind) || target.read_only || !usable(found, target)) return false;
    target.value = value;
    target.selection = TextSelection{static_cast<int>(value.size()), 0};
    return true;
  });
}

bool MemoryEngine::userTypes(WindowId window, ControlId control, const std::string& value) {
  return changeControl(window, control, [&](Window& found, ControlSnapshot& target) {
    if (!takesText(target.description.kind) || target.read_only || !usable(found, target)) return false;
    target.value =
        target.description.kind == ControlKind::kSpin ? spinValue(target.description, value) : value;
    target.selection = TextSelection{static_cast<int>(target.value.size()), 0};
    queue(found, Event{event::kAccepted, control, window, 0, 0});
    return true;
  });
}

bool MemoryEngine::userPresses(WindowId window, ControlId control) {
  {
    std::lock_guard lock(mutex_);
    Window* found = find(window);
    if (found == nullptr) return false;
    if (auto item = found->state.menu_items.find(control); item != found->state.menu_items.end()) {
      if (!item->second.enabled || item->second.hidden) return false;
      queue(*found, Event{event::kAccepted, control, window, 0, 0});
      return true;
    }
  }
  return changeControl(window, control, [&](Window& found, ControlSnapshot& target) {
    if (!usable(found, target)) return false;
    switch (target.description.kind) {
      case ControlKind::kButton: break;
      case ControlKind::kCheck: target.value = target.value == "1" ? "0" : "1"; break;
      case ControlKind::kRadio: {
        ControlSnapshot& group = found.state.controls.at(target.description.parent);
        group.value = target.description.value_text.empty() ? target.text : target.description.value_text;
        queue(found, Event{event::kAccepted, target.description.parent, window, 0, 0});
        return true;
      }
      default: return false;
    }
    queue(found, Event{event::kAccepted, control, window, 0, 0});
    return true;
  });
}

bool MemoryEngine::userSelectsRow(WindowId window, ControlId list, int row) {
  return changeControl(window, list, [&](Window& found, ControlSnapshot& target) {
    ControlKind kind = target.description.kind;
    if ((kind != ControlKind::kList && kind != ControlKind::kCombo) || !usable(found, target)) return false;
    if (row < 1 || row > static_cast<int>(target.rows.size())) return false;
    const auto& chosen = target.rows[static_cast<std::size_t>(row - 1)];
    if (kind == ControlKind::kList) {
      target.value = std::to_string(row);
    } else {
      target.value = chosen.empty() ? std::string() : chosen.front();
      target.combo_row = row;
      target.selection = TextSelection{static_cast<int>(target.value.size()), 0};
    }
    queue(found, Event{event::kNewSelection, list, window, 0, 0});
    return true;
  });
}

bool MemoryEngine::userChoosesTab(WindowId window, ControlId sheet, int tab) {
  return changeControl(window, sheet, [&](Window& found, ControlSnapshot& target) {
    if (target.description.kind != ControlKind::kSheet || !usable(found, target)) return false;
    if (tab < 1 || tab > tabCount(found.state, sheet)) return false;
    queue(found, Event{event::kTabChanging, sheet, window, 0, 0});
    target.value = std::to_string(tab);
    queue(found, Event{event::kNewSelection, sheet, window, 0, 0});
    return true;
  });
}

bool MemoryEngine::userScrolls(WindowId window, ControlId list, EventCode scroll) {
  if (scroll < event::kScrollUp || scroll > event::kScrollBottom) return false;
  return changeControl(window, list, [&](Window& found, ControlSnapshot& target) {
    ControlKind kind = target.description.kind;
    if ((kind != ControlKind::kList && kind != ControlKind::kPageView) || !usable(found, target))
      return false;
    queue(found, Event{scroll, list, window, 0, 0});
    return true;
  });
}

bool MemoryEngine::userChoosesPage(WindowId window, ControlId view, int page, bool open) {
  return changeControl(window, view, [&](Window& found, ControlSnapshot& target) {
    if (target.description.kind != ControlKind::kPageView || !usable(found, target) || page < 1) return false;
    target.value = std::to_string(page);
    queue(found, Event{open ? event::kAccepted : event::kNewSelection, view, window, 0, 0});
    return true;
  });
}

bool MemoryEngine::setPages(WindowId window, ControlId control, const PageView& view) {
  return changeControl(window, control, [&](Window&, ControlSnapshot& target) {
    if (target.description.kind != ControlKind::kPageView) return false;
    target.pages = view;
    return true;
  });
}

bool MemoryEngine::userDragsThumb(WindowId window, ControlId list, int thumb) {
  return changeControl(window, list, [&](Window& found, ControlSnapshot& target) {
    if (target.description.kind != ControlKind::kList || !usable(found, target)) return false;
    target.thumb = std::clamp(thumb, 0, 100);
    queue(found, Event{event::kScrollDrag, list, window, 0, target.thumb});
    return true;
  });
}

bool MemoryEngine::userDropsDown(WindowId window, ControlId combo) {
  return changeControl(window, combo, [&](Window& found, ControlSnapshot& target) {
    if (target.description.kind != ControlKind::kCombo || !usable(found, target)) return false;
    queue(found, Event{event::kDroppingDown, combo, window, 0, 0});
    queue(found, Event{event::kDroppedDown, combo, window, 0, 0});
    return true;
  });
}

bool MemoryEngine::userFocuses(WindowId window, ControlId control) {
  return changeControl(window, control, [&](Window& found, ControlSnapshot& target) {
    if (!takesFocus(target.description.kind) || !usable(found, target)) return false;
    found.state.focus = control;
    queue(found, Event{event::kSelected, control, window, 0, 0});
    return true;
  });
}

bool MemoryEngine::userKey(WindowId window, int key_code) {
  std::lock_guard lock(mutex_);
  Window* found = find(window);
  if (found == nullptr) return false;
  auto focused = found->state.controls.find(found->state.focus);
  const bool for_control =
      focused != found->state.controls.end() && focused->second.alert_keys.contains(key_code);
  if (!for_control && !found->state.alert_keys.contains(key_code)) return false;
  queue(*found, Event{event::kAlertKey, found->state.focus, window, key_code, 0});
  return true;
}

namespace {

// A click that lands on a row of a usable list: the list takes the focus and the row is the one
// under the mouse.
bool pointAtRow(ControlSnapshot& list, WindowSnapshot& window, int row, bool usable) {
  if (list.description.kind != ControlKind::kList || !usable) return false;
  if (row < 1 || row > static_cast<int>(list.rows.size())) return false;
  window.focus = list.description.id;
  list.pointed_row = row;
  return true;
}

bool alerted(const WindowSnapshot& window, const ControlSnapshot& control, int key_code) {
  return window.alert_keys.contains(key_code) || control.alert_keys.contains(key_code);
}

}  // namespace

bool MemoryEngine::userDoubleClicks(WindowId window, ControlId list, int row) {
  return changeControl(window, list, [&](Window& found, ControlSnapshot& target) {
    if (!pointAtRow(target, found.state, row, usable(found, target))) return false;
    if (target.value != std::to_string(row)) {
      target.value = std::to_string(row);
      queue(found, Event{event::kNewSelection, list, window, 0, 0});
    }
    if (alerted(found.state, target, key::kDoubleClick)) {
      queue(found, Event{event::kAlertKey, list, window, key::kDoubleClick, 0});
    } else {
      queue(found, Event{event::kAccepted, list, window, 0, 0});
    }
    return true;
  });
}

bool MemoryEngine::userRightClicks(WindowId window, ControlId list, int row) {
  return changeControl(window, list, [&](Window& found, ControlSnapshot& target) {
    if (!pointAtRow(target, found.state, row, usable(found, target))) return false;
    if (alerted(found.state, target, key::kRightButtonUp))
      queue(found, Event{event::kAlertKey, list, window, key::kRightButtonUp, 0});
    return true;
  });
}

bool MemoryEngine::userActivates(WindowId window) {
  std::lock_guard lock(mutex_);
  Window* found = find(window);
  if (found == nullptr) return false;
  if (active_ == window) return true;
  if (Window* previous = find(active_); previous != nullptr) {
    queue(*previous, Event{event::kLoseFocus, 0, active_, 0, 0});
  }
  active_ = window;
  queue(*found, Event{event::kGainFocus, 0, window, 0, 0});
  return true;
}

bool MemoryEngine::userCloses(WindowId window) {
  std::lock_guard lock(mutex_);
  Window* found = find(window);
  if (found == nullptr) return false;
  queue(*found, Event{event::kCloseWindow, 0, window, 0, 0});
  return true;
}

bool MemoryEngine::userPlaces(WindowId window, const Placement& placement) {
  if (placement.at.width < 0 || placement.at.height < 0) return false;
  return changeWindow(window, [&](Window& found) {
    Placement& now = found.state.placement;
    bool moved = now.at.x != placement.at.x || now.at.y != placement.at.y;
    bool sized = found.state.resizable &&
                 (now.at.width != placement.at.width || now.at.height != placement.at.height ||
                  now.maximized != placement.maximized);
    now.at.x = placement.at.x;
    now.at.y = placement.at.y;
    if (sized) {
      now.at.width = placement.at.width;
      now.at.height = placement.at.height;
      now.maximized = placement.maximized;
    }
    if (moved) queue(found, Event{event::kMoved, 0, found.state.id, 0, 0});
    if (sized) queue(found, Event{event::kSized, 0, found.state.id, 0, 0});
    return moved || sized;
  });
}

bool MemoryEngine::userMinimizes(WindowId window, bool minimized) {
  return changeWindow(window, [&](Window& found) {
    if (found.state.minimized == minimized) return false;
    found.state.minimized = minimized;
    queue(found, Event{minimized ? event::kIconized : event::kRestored, 0, found.state.id, 0, 0});
    return true;
  });
}

bool MemoryEngine::timerTick(WindowId window) {
  std::lock_guard lock(mutex_);
  Window* found = find(window);
  if (found == nullptr || found->state.timer_hundredths == 0) return false;
  // Ticks do not pile up behind a busy procedure: one waiting tick is enough.
  for (const Event& waiting : found->events) {
    if (waiting.code == event::kTimer) return true;
  }
  queue(*found, Event{event::kTimer, 0, window, 0, 0});
  return true;
}

bool MemoryEngine::setVisibleRows(WindowId window, ControlId list, int rows) {
  if (rows < 1) return false;
  return changeControl(window, list, [&](Window&, ControlSnapshot& target) {
    ControlKind kind = target.description.kind;
    if (kind != ControlKind::kList && kind != ControlKind::kCombo) return false;
    target.visible_rows = rows;
    return true;
  });
}

std::optional<ControlState> MemoryEngine::controlState(WindowId window, ControlId control) {
  std::lock_guard lock(mutex_);
  const Window* found = find(window);
  if (found == nullptr) return std::nullopt;
  if (auto item = found->state.menu_items.find(control); item != found->state.menu_items.end()) {
    return ControlState{item->second.enabled, item->second.hidden};
  }
  auto it = found->state.controls.find(control);
  if (it == found->state.controls.end()) return std::nullopt;
  return ControlState{it->second.enabled, it->second.hidden};
}

bool MemoryEngine::setComboRow(WindowId window, ControlId combo, int row) {
  return changeControl(window, combo, [&](Window&, ControlSnapshot& target) {
    if (target.description.kind != ControlKind::kCombo) return false;
    if (row < 0 || row > static_cast<int>(target.rows.size())) return false;
    target.combo_row = row;
    return true;
  });
}

std::optional<int> MemoryEngine::comboRow(WindowId window, ControlId combo) {
  std::lock_guard lock(mutex_);
  ControlSnapshot* found = findControl(window, combo);
  if (found == nullptr || found->description.kind != ControlKind::kCombo) return std::nullopt;
  return found->combo_row;
}

bool MemoryEngine::setTextSelection(WindowId window, ControlId control, const TextSelection& selection) {
  return changeControl(window, control, [&](Window&, ControlSnapshot& target) {
    if (!takesText(target.description.kind)) return false;
    int size = static_cast<int>(target.value.size());
    int start = std::clamp(selection.start, 0, size);
    target.selection = TextSelection{start, std::clamp(selection.length, 0, size - start)};
    return true;
  });
}

std::optional<TextSelection> MemoryEngine::textSelection(WindowId window, ControlId control) {
  std::lock_guard lock(mutex_);
  ControlSnapshot* found = findControl(window, control);
  if (found == nullptr || !takesText(found->description.kind)) return std::nullopt;
  return found->selection;
}

bool MemoryEngine::reportKeystrokes(WindowId window, ControlId control, bool on) {
  return changeControl(window, control, [&](Window&, ControlSnapshot& target) {
    if (!takesText(target.description.kind)) return false;
    target.reports_keystrokes = on;
    return true;
  });
}

bool MemoryEngine::addControl(WindowId window, const ControlDescription& control) {
  return changeWindow(window, [&](Window& found) {
    auto& controls = found.state.controls;
    if (control.id == 0 || controls.contains(control.id) || found.state.menu_items.contains(control.id)) {
      return false;
    }
    if (control.parent != 0 && !controls.contains(control.parent)) return false;
    if (control.over.list != 0) {
      auto list = controls.find(control.over.list);
      if (list == controls.end() || list->second.description.kind != ControlKind::kList) return false;
    }
    found.state.control_order.push_back(control.id);
    controls.emplace(control.id, initialControl(control));
    return true;
  });
}

bool MemoryEngine::removeControl(WindowId window, ControlId control) {
  return changeWindow(window, [&](Window& found) {
    auto& controls = found.state.controls;
    if (!controls.contains(control)) return false;
    // Whatever sits inside the control goes with it.
    std::set<ControlId> going{control};
    for (ControlId id : found.state.control_order) {
      if (going.contains(controls.at(id).description.parent)) going.insert(id);
    }
    std::erase_if(found.state.control_order, [&](ControlId id) { return going.contains(id); });
    for (ControlId id : going) controls.erase(id);
    if (going.contains(found.state.focus)) found.state.focus = 0;
    return true;
  });
}

bool MemoryEngine::userKeystroke(WindowId window, ControlId control, int key_code) {
  return changeControl(window, control, [&](Window& found, ControlSnapshot& target) {
    if (!takesText(target.description.kind) || target.read_only || !usable(found, target)) return false;
    std::string& text = target.value;
    TextSelection& at = target.selection;
    int size = static_cast<int>(text.size());
    at.start = std::clamp(at.start, 0, size);
    at.length = std::clamp(at.length, 0, size - at.start);
    auto start = static_cast<std::size_t>(at.start);
    if (key_code == key::kBackspace) {
      if (at.length > 0) {
        text.erase(start, static_cast<std::size_t>(at.length));
      } else if (at.start > 0) {
        text.erase(start - 1, 1);
        --at.start;
      } else {
        return false;
      }
    } else if (key_code >= 0x20 && key_code <= 0xFF) {
      text.replace(start, static_cast<std::size_t>(at.length), 1, static_cast<char>(key_code));
      ++at.start;
    } else {
      return false;
    }
    at.length = 0;
    if (target.reports_keystrokes) queue(found, Event{event::kNewSelection, control, window, key_code, 0});
    return true;
  });
}

bool MemoryEngine::userKeystrokeApplied(WindowId window, ControlId control, const std::string& value,
                                        const TextSelection& at, int key_code) {
  return changeControl(window, control, [&](Window& found, ControlSnapshot& target) {
    if (!takesText(target.description.kind) || target.read_only || !usable(found, target)) return false;
    target.value = value;
    int size = static_cast<int>(value.size());
    int start = std::clamp(at.start, 0, size);
    target.selection = TextSelection{start, std::clamp(at.length, 0, size - start)};
    if (target.reports_keystrokes) queue(found, Event{event::kNewSelection, control, window, key_code, 0});
    return true;
  });
}

}  // namespace veltrano::ui
