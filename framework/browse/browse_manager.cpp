// The browse manager's page: filling it from the view, stepping through the view a row, a page
// or to either end, and the thumb.
#include "framework/browse/browse_manager.h"

#include <algorithm>
#include <limits>

#include "framework/browse/popup_menu.h"
#include "framework/driver_calls.h"
#include "runtime/values/field_value.h"
#include "ui/list_format.h"

namespace veltrano::framework {
namespace {

constexpr std::size_t kPositionWidth = 512;

}  // namespace

BrowseManager::BrowseManager() = default;

BrowseManager::~BrowseManager() {
  if (!killed_ && WINDOW != nullptr) Kill();
}

void BrowseManager::Init(ui::ControlId list, ViewDefinition view, RelationGuard* primary,
                         WindowController* window) {
  ViewManager::Init(std::move(view), primary, &SORT);
  killed_ = false;
  LISTCONTROL = list;
  WINDOW = window;
  LISTQUEUE.clear();
  CURRENTCHOICE = 0;
  LOADED = 0;
  TOOLBARITEM.CONTROL = list;
  if (WINDOW == nullptr) return;
  if (WINDOW->VCRREQUEST == nullptr) WINDOW->VCRREQUEST = &navigation_;
  if (WINDOW->FIRSTFIELD == 0) WINDOW->FIRSTFIELD = list;  // a list window opens on its list
  for (const ui::ControlDescription& control : WINDOW->definition().window.controls) {
    if (control.id == list) HASTHUMB = control.has_scroll_bar ? 1 : 0;
  }
  WINDOW->AddItem(static_cast<RegisteredBrowse*>(this));
}

void BrowseManager::Kill() {
  if (killed_) return;
  killed_ = true;
  if (TOOLBAR != nullptr) TOOLBAR->RemoveTarget(&TOOLBARITEM);
  for (SortOrder& order : SORT) {
    if (order.LOCATOR != nullptr) order.LOCATOR->Kill();
    if (order.THUMB != nullptr) order.THUMB->Kill();
  }
  LISTQUEUE.clear();
  Q = nullptr;
  if (own_popup_ != nullptr) own_popup_->Kill();
  ViewManager::Kill();
}

std::size_t BrowseManager::RegisterSortOrder(StepObject* thumb, const storage::KeyDescriptor* key) {
  const std::size_t order = ViewManager::RegisterSortOrder(key);
  CurrentOrder().THUMB = thumb;
  return order;
}

void BrowseManager::RegisterLocator(StepLocator* locator, ui::ControlId control) {
  if (CURRENT == 0 || locator == nullptr) return;
  SortOrder& order = CurrentOrder();
  const bool nocase = order.MAINKEY != nullptr && (order.MAINKEY->attributes & storage::kKeyNocase) != 0;
  locator->Init(control != 0 ? control : locator->CONTROL, order.FREEELEMENT, nocase, this);
  order.LOCATOR = locator;
}

void BrowseManager::RegisterResetField(FieldRef field) {
  if (CURRENT == 0 || !field.valid()) return;
  CurrentOrder().RESETS.push_back(ResetField{field, FieldCopy(field)});
}

void BrowseManager::RegisterSortTab(ui::ControlId sheet, int tab, std::size_t order) {
  sort_tabs_.push_back(SortTab{sheet, tab, order});
}

void BrowseManager::AddField(FieldRef view_field, std::string_view picture) {
  FieldBinding column;
  column.kind = ui::ControlKind::kEntry;
  if (view_field.valid()) {
    column.value.field = view_field.field;
    column.value.record = view_field.record;
  }
  column.picture = std::string(picture);
  if (column.picture.empty() && WINDOW != nullptr) {
    for (const ui::ControlDescription& control : WINDOW->definition().window.controls) {
      if (control.id != LISTCONTROL) continue;
      std::optional<ui::ListFormat> format = ui::parseListFormat(control.format);
      if (format && FIELDS.size() < format->columns.size())
        column.picture = format->columns[FIELDS.size()].picture;
    }
  }
  if (column.picture.empty() && view_field.valid()) column.picture = view_field.field->picture;
  column.compiled = runtime::compilePicture(column.picture);
  FIELDS.push_back(std::move(column));
}

void BrowseManager::RegisterToolbarTarget(Toolbar* toolbar) {
  TOOLBAR = toolbar;
  if (toolbar == nullptr) return;
  TOOLBARITEM.INSERTBUTTON = INSERTCONTROL;
  TOOLBARITEM.CHANGEBUTTON = CHANGECONTROL;
  TOOLBARITEM.DELETEBUTTON = DELETECONTROL;
  TOOLBARITEM.SELECTBUTTON = SELECTCONTROL;
  toolbar->AddTarget(&TOOLBARITEM, LISTCONTROL);
}

bool BrowseManager::listVisible() {
  std::optional<ui::ControlState> state = engine().controlState(window(), LISTCONTROL);
  return state && !state->hidden;
}

int BrowseManager::visibleRows() {
  return std::max(1, engine().visibleRows(window(), LISTCONTROL).value_or(PAGESIZE));
}

BrowseRow BrowseManager::makeRow() {
  BrowseRow row;
  row.position = VIEW->position().substr(0, kPositionWidth);
  if (storage::FileControlBlock* primary = File(0); primary != nullptr) {
    row.pointer =
        static_cast<std::uint32_t>(storage::fileStatement(storage::Operation::PointerFile, *primary));
  }
  row.cells.reserve(FIELDS.size());
  for (const FieldBinding& column : FIELDS) row.cells.push_back(shownText(column));
  for (storage::FileControlBlock* file : definition_.files)
    row.records.emplace_back(file->record.begin(), file->record.end());
  return row;
}

int BrowseManager::Fetch(std::uint8_t direction) {
  return fetch(direction, static_cast<std::size_t>(std::max(LASTITEMS, 1)));
}

int BrowseManager::fetch(std::uint8_t direction, std::size_t most) {
  const bool forward = direction == kFetchForward;
  std::string edge;
  if (!LISTQUEUE.empty()) {
    edge = forward ? LISTQUEUE.back().position : LISTQUEUE.front().position;
    VIEW->resetTo(edge);
  }
  const bool quick = QUICKSCAN != 0 && ITEMSTOFILL >= 2 && PRIMARY != nullptr;
  if (quick) PRIMARY->EnableQuickScan(true, 1);
  int read = 0;
  bool first = !edge.empty();
  while (ITEMSTOFILL > 0) {
    const Level level = forward ? Next() : Previous();
    if (level == kLevelNotify) {
      (forward ? at_bottom_ : at_top_) = true;
      break;
    }
    if (level != kLevelBenign) break;
    BrowseRow row = makeRow();
    // Reading resumes at the edge row itself, which is on the page already.
    if (first && row.position == edge) {
      first = false;
      continue;
    }
    first = false;
    if (LISTQUEUE.size() >= most) {
      if (forward) {
        LISTQUEUE.pop_front();
        at_top_ = false;
      } else {
        LISTQUEUE.pop_back();
        at_bottom_ = false;
      }
    }
    if (forward) {
      LISTQUEUE.push_back(std::move(row));
    } else {
      LISTQUEUE.push_front(std::move(row));
    }
    --ITEMSTOFILL;
    ++read;
  }
  if (quick) PRIMARY->EnableQuickScan(false, 1);
  return read;
}

std::int32_t BrowseManager::findRow(const std::string& position) const {
  if (position.empty()) return 0;
  for (std::size_t i = 0; i < LISTQUEUE.size(); ++i) {
    if (LISTQUEUE[i].position == position) return static_cast<std::int32_t>(i + 1);
  }
  return 0;
}

void BrowseManager::ReloadQueue(std::uint8_t mode) {
  if (!listVisible() && ACTIVEINVISIBLE == 0) {
    LOADPENDING = 1;
    return;
  }
  LOADED = 1;
  LOADPENDING = 0;
  if (CURRENTCHOICE == 0) CURRENTCHOICE = 1;
  // A browse with FILELOADED holds every record of the view; the list scrolls through them itself.
  LASTITEMS = FILELOADED != 0 ? std::numeric_limits<std::int32_t>::max() / 2 : visibleRows();
  if (Open() != kLevelBenign) {
    LISTQUEUE.clear();
    finishFill();
    return;
  }
  const std::int32_t distance = RETAINROW != 0 ? CURRENTCHOICE - 1 : 0;
  std::string saved;
  if (mode == kReloadKeepPage) {
    if (!LISTQUEUE.empty()) {
      CURRENTCHOICE = std::clamp<std::int32_t>(CURRENTCHOICE, 1, static_cast<std::int32_t>(LISTQUEUE.size()));
      saved = LISTQUEUE[static_cast<std::size_t>(CURRENTCHOICE - 1)].position;
      VIEWPOSITION = saved;
      if (FILELOADED != 0) {
        Reset();
      } else {
        VIEW->resetTo(LISTQUEUE.front().position);
      }
    } else {
      VIEW->resetToRecord();
    }
  }
  LISTQUEUE.clear();
  at_top_ = at_bottom_ = false;
  fill(distance, saved);
  OnRefilled();
  finishFill();
}

void BrowseManager::fill(std::int32_t distance, std::string selected) {
  const auto page = static_cast<std::size_t>(std::max(LASTITEMS, 1));
  ITEMSTOFILL = LASTITEMS;
  fetch(kFetchForward, page);
  // Without a row to keep, the first record read (the one positioned at) is the selection.
  if (selected.empty() && !LISTQUEUE.empty()) selected = LISTQUEUE.front().position;
  auto rows = [&] { return static_cast<std::int32_t>(LISTQUEUE.size()); };
  // A kept row that is gone (another station deleted it) leaves the selection in its place.
  const std::int32_t found = findRow(selected);
  CURRENTCHOICE = found != 0 ? found : std::min(std::max(CURRENTCHOICE, 1), rows());
  if (ALLOWUNFILLED == 0 && rows() > 0) {
    // A short page is filled from above, and the kept distance is made up above the selection.
    const std::int32_t want = std::max(LASTITEMS - rows(), distance - (CURRENTCHOICE - 1));
    if (want > 0) {
      ITEMSTOFILL = want;
      CURRENTCHOICE += fetch(kFetchBackward, page + static_cast<std::size_t>(std::max(distance, 0)));
    }
  } else if (ALLOWUNFILLED == 0) {
    // Nothing at or after the position (past the last record): the last page, from the bottom.
    ITEMSTOFILL = LASTITEMS;
    fetch(kFetchBackward, page);
    CURRENTCHOICE = rows();
  }
  if (const std::int32_t again = findRow(selected); again != 0) CURRENTCHOICE = again;
  while (LISTQUEUE.size() > page) {
    if (CURRENTCHOICE - 1 > distance) {
      LISTQUEUE.pop_front();
      at_top_ = false;
      --CURRENTCHOICE;
    } else {
      LISTQUEUE.pop_back();
      at_bottom_ = false;
    }
  }
}

void BrowseManager::finishFill() {
  const auto rows = static_cast<std::int32_t>(LISTQUEUE.size());
  CURRENTCHOICE = rows == 0 ? 0 : std::clamp<std::int32_t>(CURRENTCHOICE, 1, rows);
  std::vector<std::vector<std::string>> cells;
  cells.reserve(LISTQUEUE.size());
  for (const BrowseRow& row : LISTQUEUE) cells.push_back(row.cells);
  engine().setRows(window(), LISTCONTROL, cells);
  engine().setValue(window(), LISTCONTROL, std::to_string(CURRENTCHOICE));
  CopyListToRecord();
  updateThumb();
}

void BrowseManager::ReloadFromBuffer(bool keep_row) {
  if (Open() != kLevelBenign) return;
  const std::int32_t distance = keep_row && RETAINROW != 0 && CURRENTCHOICE > 0 ? CURRENTCHOICE - 1 : 0;
  VIEW->resetToRecord();
  LISTQUEUE.clear();
  CURRENTCHOICE = distance + 1;
  ReloadQueue(kReloadPositioned);
}

void BrowseManager::ReloadFromView() {
  ReloadQueue(kReloadKeepPage);
}

void BrowseManager::StepOne(ui::EventCode event) {
  CURRENTEVENT = event;
  const auto rows = static_cast<std::int32_t>(LISTQUEUE.size());
  if (event == ui::event::kScrollUp && CURRENTCHOICE >= 2) {
    --CURRENTCHOICE;
  } else if (event == ui::event::kScrollDown && CURRENTCHOICE < rows) {
    ++CURRENTCHOICE;
  } else if (FILELOADED == 0) {
    ITEMSTOFILL = 1;
    Fetch(event == ui::event::kScrollUp ? kFetchBackward : kFetchForward);
  }
  finishFill();
}

void BrowseManager::StepPage(ui::EventCode event) {
  CURRENTEVENT = event;
  const int page = visibleRows();
  ITEMSTOFILL = page;
  if (FILELOADED == 0) Fetch(event == ui::event::kPageUp ? kFetchBackward : kFetchForward);
  // What could not be read moves the selection: at the end of the data it lands on the edge.
  const auto rows = static_cast<std::int32_t>(LISTQUEUE.size());
  if (event == ui::event::kPageDown) {
    CURRENTCHOICE = std::min(CURRENTCHOICE + ITEMSTOFILL, rows);
  } else {
    CURRENTCHOICE = std::max(CURRENTCHOICE - ITEMSTOFILL, 1);
  }
  finishFill();
}

void BrowseManager::StepEnd(ui::EventCode event) {
  CURRENTEVENT = event;
  if (FILELOADED == 0) {
    LISTQUEUE.clear();
    LASTITEMS = visibleRows();
    Reset();
    ITEMSTOFILL = LASTITEMS;
    at_top_ = at_bottom_ = false;
    if (event == ui::event::kScrollTop) {
      fetch(kFetchForward, static_cast<std::size_t>(LASTITEMS));
      at_top_ = true;
    } else {
      fetch(kFetchBackward, static_cast<std::size_t>(LASTITEMS));
      at_bottom_ = true;
    }
    OnRefilled();
  }
  CURRENTCHOICE = event == ui::event::kScrollTop ? 1 : static_cast<std::int32_t>(LISTQUEUE.size());
  LOADED = 1;
  finishFill();
}

void BrowseManager::CopyListToRecord() {
  if (CURRENTCHOICE < 1 || LISTQUEUE.empty()) {
    Q = nullptr;
    if (storage::FileControlBlock* primary = File(0); primary != nullptr && primary->layout != nullptr)
      runtime::clearRecord(*primary->layout, primary->record);
    return;
  }
  Q = &LISTQUEUE[static_cast<std::size_t>(CURRENTCHOICE - 1)];
  for (std::size_t i = 0; i < definition_.files.size() && i < Q->records.size(); ++i) {
    std::span<std::uint8_t> buffer = definition_.files[i]->record;
    if (buffer.size() == Q->records[i].size())
      std::copy(Q->records[i].begin(), Q->records[i].end(), buffer.begin());
  }
}

bool BrowseManager::RefetchViewRecord() {
  CopyListToRecord();
  storage::FileControlBlock* primary = File(0);
  if (Q == nullptr || primary == nullptr) return false;
  fileCall(storage::Operation::Watch, *primary);
  storage::OperationArguments get;
  get.pointer = Q->pointer;
  return fileCall(storage::Operation::GetFilePtr, *primary, get) == 0;
}

void BrowseManager::prepareThumbLimits() {
  if (CURRENT == 0) return;
  SortOrder& order = CurrentOrder();
  if (order.THUMB == nullptr || !order.THUMB->NeedLimits() || !order.FREEELEMENT.FIELD.valid()) return;
  const std::string filter = FilterText();
  if (std::find(limits_set_for_.begin(), limits_set_for_.end(), CURRENT) != limits_set_for_.end() &&
      filter == limits_filter_)
    return;
  if (filter != limits_filter_) limits_set_for_.clear();
  limits_filter_ = filter;
  limits_set_for_.push_back(CURRENT);
  // The first and the last value of the order bound the thumb; the buffer is put back after.
  storage::FileControlBlock* primary = File(0);
  const std::vector<std::uint8_t> kept(primary->record.begin(), primary->record.end());
  const FieldRef free = order.FREEELEMENT.FIELD;
  std::string low;
  std::string high;
  Reset();
  if (Next() == kLevelBenign) low = runtime::loadText(*free.field, free.record);
  Reset();
  if (Previous() == kLevelBenign) high = runtime::loadText(*free.field, free.record);
  order.THUMB->SetLimit(low, high);
  std::copy(kept.begin(), kept.end(), primary->record.begin());
}

void BrowseManager::updateThumb() {
  if (HASTHUMB == 0 || window() == 0) return;
  int thumb = 50;
  const auto rows = static_cast<std::int32_t>(LISTQUEUE.size());
  StepObject* step = CURRENT != 0 ? CurrentOrder().THUMB : nullptr;
  if (rows == 0) {
    thumb = 0;
  } else if (step != nullptr && CurrentOrder().FREEELEMENT.FIELD.valid()) {
    const FieldRef free = CurrentOrder().FREEELEMENT.FIELD;
    thumb = step->PercentileOf(runtime::loadText(*free.field, free.record));
  } else if (at_top_ && CURRENTCHOICE == 1) {
    thumb = 0;
  } else if (at_bottom_ && CURRENTCHOICE == rows) {
    thumb = 100;
  }
  engine().setThumb(window(), LISTCONTROL, thumb);
}

void BrowseManager::positionAtThumb(int thumb) {
  CURRENTEVENT = ui::event::kScrollDrag;
  if (thumb <= 1) {
    engine().postEvent(window(), ui::Event{ui::event::kScrollTop, LISTCONTROL, window(), 0, 0});
    return;
  }
  if (thumb >= 100) {
    engine().postEvent(window(), ui::Event{ui::event::kScrollBottom, LISTCONTROL, window(), 0, 0});
    return;
  }
  StepObject* step = CURRENT != 0 ? CurrentOrder().THUMB : nullptr;
  if (step != nullptr && CurrentOrder().FREEELEMENT.FIELD.valid()) {
    prepareThumbLimits();
    SetFreeElement(step->GetValue(thumb));
    ReloadFromBuffer(false);
    RefreshWindow();
    return;
  }
  if (FILELOADED != 0) {
    CURRENTCHOICE = std::max(1, thumb * static_cast<int>(LISTQUEUE.size()) / 100);
    finishFill();
    return;
  }
  if (thumb >= 49 && thumb <= 51) return;
  engine().postEvent(window(), ui::Event{thumb < 49 ? ui::event::kPageUp : ui::event::kPageDown, LISTCONTROL,
                                         window(), 0, 0});
}

bool BrowseManager::resetFieldsChanged() {
  if (CURRENT == 0) return false;
  for (ResetField& reset : CurrentOrder().RESETS) {
    if (!sameValue(reset.FIELD, reset.VALUE.ref())) return true;
  }
  return false;
}

void BrowseManager::takeResetValues() {
  if (CURRENT == 0) return;
  for (ResetField& reset : CurrentOrder().RESETS) copyField(reset.VALUE.ref(), reset.FIELD);
}

std::size_t BrowseManager::chosenSort() {
  for (const SortTab& tab : sort_tabs_) {
    std::optional<std::string> shown = engine().value(window(), tab.sheet);
    if (shown && *shown == std::to_string(tab.tab)) return tab.order;
  }
  return CURRENT;
}

bool BrowseManager::ReloadSort(bool force) {
  if (CURRENT == 0 || window() == 0) return false;
  const bool changed = SetSort(chosenSort());
  if (changed) {
    // The new order's locator starts afresh; its filter belongs to it alone.
    if (StepLocator* locator = CurrentOrder().LOCATOR; locator != nullptr) locator->Reset();
  }
  const bool rows_changed = FILELOADED == 0 && visibleRows() != LASTITEMS;
  const bool range_moved = UseRange();
  const bool reset_changed = resetFieldsChanged();
  if (!(force || changed || rows_changed || range_moved || reset_changed || LOADPENDING != 0 || LOADED == 0))
    return false;
  prepareThumbLimits();
  if (FILELOADED != 0 && (LOADED == 0 || range_moved || changed || reset_changed)) {
    Reset();
    LISTQUEUE.clear();
    ReloadQueue(kReloadPositioned);
  } else if ((LOADED == 0 && STARTATCURRENT == 0) || range_moved) {
    StepEnd(ui::event::kScrollTop);
  } else if (changed || reset_changed || LOADED == 0) {
    ReloadFromBuffer(!changed);
  } else {
    ReloadQueue(kReloadKeepPage);
  }
  takeResetValues();
  return true;
}

bool BrowseManager::ApplyRange() {
  if (!UseRange()) return false;
  StepEnd(ui::event::kScrollTop);
  return true;
}

}  // namespace veltrano::framework
