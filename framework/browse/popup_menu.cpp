#include "framework/browse/popup_menu.h"

#include <algorithm>

#include "framework/thread_number.h"
#include "ui/popup_text.h"

namespace veltrano::framework {
namespace {

constexpr std::string_view kSeparatorName = "Separator";
// A name made of no Latin letter or digit (a Russian text) still names its item.
constexpr std::string_view kUnnamed = "Item";
constexpr char kMimicMark = '!';

std::string_view withoutMark(std::string_view text) {
  return !text.empty() && text.front() == kMimicMark ? text.substr(1) : text;
}

bool isSeparator(const PopupItem& item) {
  return withoutMark(item.TEXT) == "-";
}

// The index just past `at`'s submenu (the items deeper than it that follow it).
std::size_t pastSubmenu(const std::vector<PopupItem>& items, std::size_t at) {
  std::size_t next = at + 1;
  while (next < items.size() && items[next].DEPTH > items[at].DEPTH) ++next;
  return next;
}

// The item with this name, for the const and the changing look-up alike; null when none has it.
template <typename Items>
auto* itemNamed(Items& items, std::string_view name) {
  for (auto& item : items) {
    if (item.NAME == name) return &item;
  }
  return static_cast<decltype(&items.front())>(nullptr);
}

}  // namespace

std::string popupItemName(std::string_view text) {
  text = withoutMark(text);
  if (text == "-") return std::string(kSeparatorName);
  std::string name;
  for (char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') name += c;
  }
  return name;
}

void PopupMenu::Init(ui::WindowId window) {
  PARENTWINDOW = window;
  MYTHREAD = currentThreadNumber();
  INTOOLBOX = 0;
  THISWINDOW = 0;
  LASTSELECTION.clear();
  POPUPITEMS.clear();
}

void PopupMenu::Kill() {
  closeToolbox();
  POPUPITEMS.clear();
}

PopupItem* PopupMenu::find(std::string_view name) {
  return itemNamed(POPUPITEMS, name);
}

const PopupItem* PopupMenu::find(std::string_view name) const {
  return itemNamed(POPUPITEMS, name);
}

std::string PopupMenu::uniqueName(std::string_view text, std::string_view wanted) const {
  std::string base = wanted.empty() ? popupItemName(text) : std::string(wanted);
  if (base.empty()) base = kUnnamed;
  if (find(base) == nullptr) return base;
  for (int number = 1;; ++number) {
    std::string candidate = base + std::to_string(number);
    if (find(candidate) == nullptr) return candidate;
  }
}

std::string PopupMenu::addItem(std::string_view text, std::string_view name, std::string_view submenu) {
  PopupItem item;
  item.TEXT = std::string(text);
  item.NAME = uniqueName(text, name);
  item.MIMICMODE = !text.empty() && text.front() == kMimicMark ? 1 : 0;
  auto at = POPUPITEMS.end();
  if (!submenu.empty()) {
    for (std::size_t index = 0; index < POPUPITEMS.size(); ++index) {
      if (POPUPITEMS[index].NAME != submenu) continue;
      item.DEPTH = static_cast<std::uint16_t>(POPUPITEMS[index].DEPTH + 1);
      at = POPUPITEMS.begin() + static_cast<std::ptrdiff_t>(pastSubmenu(POPUPITEMS, index));
      break;
    }
  }
  std::string taken = item.NAME;
  POPUPITEMS.insert(at, std::move(item));
  return taken;
}

std::string PopupMenu::AddItem(std::string_view text, std::string_view name, std::string_view submenu) {
  return addItem(text, name, submenu);
}

std::string PopupMenu::AddSubMenu(std::string_view text, std::string_view name, std::string_view submenu) {
  return addItem(text, name, submenu);
}

bool PopupMenu::RegisterMimicItem(std::string_view name, ui::ControlId control, bool on_toolbox) {
  PopupItem* item = find(name);
  if (item == nullptr) return false;
  item->CONTROLID = static_cast<std::int16_t>(control);
  item->ONTOOLBOX = on_toolbox ? 1 : 0;
  return true;
}

bool PopupMenu::SetItemEvent(std::string_view name, ui::EventCode event) {
  PopupItem* item = find(name);
  if (item == nullptr) return false;
  item->EVENT = event;
  return true;
}

bool PopupMenu::SetItemIcon(std::string_view name, std::string_view icon) {
  PopupItem* item = find(name);
  if (item == nullptr) return false;
  item->ICON = std::string(icon);
  return true;
}

bool PopupMenu::EnableItem(std::string_view name, bool enabled) {
  PopupItem* item = find(name);
  if (item == nullptr) return false;
  item->DISABLED = enabled ? 0 : 1;
  return true;
}

bool PopupMenu::CheckItem(std::string_view name, bool checked) {
  PopupItem* item = find(name);
  if (item == nullptr) return false;
  item->CHECK = checked ? 1 : 0;
  return true;
}

bool PopupMenu::enabledNow(const PopupItem& item) const {
  if (item.DISABLED != 0) return false;
  if (item.MIMICMODE == 0 || item.CONTROLID == 0) return true;
  std::optional<ui::ControlState> state = ui::windowEngine().controlState(PARENTWINDOW, item.CONTROLID);
  return state && state->enabled && !state->hidden;
}

bool PopupMenu::hiddenNow(const PopupItem& item) const {
  if (item.MIMICMODE == 0 || item.CONTROLID == 0) return false;
  std::optional<ui::ControlState> state = ui::windowEngine().controlState(PARENTWINDOW, item.CONTROLID);
  return !state || state->hidden;
}

std::optional<bool> PopupMenu::ItemEnabled(std::string_view name) const {
  const PopupItem* item = find(name);
  if (item == nullptr) return std::nullopt;
  return enabledNow(*item);
}

std::string PopupMenu::shown(std::string_view text) const {
  text = withoutMark(text);
  return TRANSLATOR != nullptr ? TRANSLATOR->TranslateString(text) : std::string(text);
}

std::string PopupMenu::Ask() {
  // The menu as the items stand now: hidden mimic items are left out with their submenus, a
  // submenu with nothing left in it goes, and no separator stays at an edge or beside another.
  const std::size_t count = POPUPITEMS.size();
  std::vector<bool> shows(count, false);
  for (std::size_t index = 0; index < count; ++index) {
    if (hiddenNow(POPUPITEMS[index])) {
      index = pastSubmenu(POPUPITEMS, index) - 1;
      continue;
    }
    shows[index] = true;
  }
  for (std::size_t index = count; index-- > 0;) {
    std::size_t end = pastSubmenu(POPUPITEMS, index);
    if (end == index + 1 || !shows[index]) continue;
    bool any = false;
    for (std::size_t inner = index + 1; inner < end; ++inner) {
      any = any || (shows[inner] && !isSeparator(POPUPITEMS[inner]));
    }
    shows[index] = any;
  }

  std::vector<ui::PopupEntry> top;
  std::vector<std::vector<ui::PopupEntry>*> levels{&top};
  std::vector<std::size_t> by_number;  // the item of each choice, in the order they are numbered
  for (std::size_t index = 0; index < count; ++index) {
    const PopupItem& item = POPUPITEMS[index];
    if (!shows[index]) continue;
    std::size_t depth = std::min<std::size_t>(item.DEPTH, levels.size() - 1);
    levels.resize(depth + 1);
    std::vector<ui::PopupEntry>& into = *levels[depth];
    ui::PopupEntry entry;
    if (isSeparator(item)) {
      if (into.empty() || into.back().separator) continue;
      entry.separator = true;
      into.push_back(std::move(entry));
      continue;
    }
    entry.text = shown(item.TEXT);
    entry.icon = item.ICON;
    entry.disabled = !enabledNow(item);
    entry.checked = item.CHECK != 0;
    into.push_back(std::move(entry));
    if (pastSubmenu(POPUPITEMS, index) > index + 1) {
      levels.push_back(&into.back().items);
    } else {
      by_number.push_back(index);
    }
  }
  auto trim = [](auto& self, std::vector<ui::PopupEntry>& entries) -> void {
    while (!entries.empty() && entries.back().separator) entries.pop_back();
    for (ui::PopupEntry& entry : entries) self(self, entry.items);
  };
  trim(trim, top);

  int number = ui::windowEngine().popupMenu(PARENTWINDOW, ui::popupText(top));
  if (number < 1 || number > static_cast<int>(by_number.size())) return {};
  const PopupItem& item = POPUPITEMS[by_number[static_cast<std::size_t>(number - 1)]];
  if (!enabledNow(item)) return {};
  LASTSELECTION = item.NAME;
  perform(item);
  return item.NAME;
}

void PopupMenu::perform(const PopupItem& item) {
  ui::WindowEngine& engine = ui::windowEngine();
  if (item.CONTROLID != 0) {
    engine.postEvent(PARENTWINDOW, ui::Event{ui::event::kAccepted, item.CONTROLID, PARENTWINDOW, 0, 0});
  } else if (item.EVENT != 0) {
    engine.postEvent(PARENTWINDOW, ui::Event{item.EVENT, 0, PARENTWINDOW, 0, 0});
  }
}

}  // namespace veltrano::framework
