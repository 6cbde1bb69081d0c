// The browse manager's side of the window: events and keys on the list, the buttons, the
// toolbar, and the update requests it hands to its form.
#include <algorithm>
#include <charconv>

#include "framework/browse/browse_manager.h"
#include "framework/browse/edit_in_place.h"
#include "framework/browse/popup_menu.h"
#include "framework/browse/query_by_example.h"
#include "runtime/values/field_value.h"

namespace veltrano::framework {
namespace {

constexpr std::int32_t kCtrlEnter = ui::key::kControl + ui::key::kEnter;
constexpr std::int32_t kCtrlE = ui::key::kControl + 'E';
constexpr const char* kExportItem = "Export";

}  // namespace

void BrowseManager::addPopupItems() {
  if (popup_ready_) return;
  if (POPUP == nullptr) {
    own_popup_ = std::make_unique<PopupMenu>();
    POPUP = own_popup_.get();
  }
  popup_ready_ = true;
  POPUP->Init(window());
  if (POPUP->TRANSLATOR == nullptr) POPUP->TRANSLATOR = WINDOW->TRANSLATOR;
  const std::pair<const char*, ui::ControlId> items[] = {
      {"!&Insert", INSERTCONTROL}, {"!&Change", CHANGECONTROL},
      {"!&Delete", DELETECONTROL}, {"!&Print", PRINTCONTROL},
      {"!&Query", QUERYCONTROL},   {"!&Select", SELECTING != 0 ? SELECTCONTROL : 0}};
  for (const auto& [text, control] : items) {
    if (control == 0) continue;
    POPUP->RegisterMimicItem(POPUP->AddItem(text), control);
  }
  POPUP->AddItem("-");
  POPUP->AddItem("&Export...", kExportItem);
  if (TOOLCONTROL != 0) {
    POPUP->AddItem("-");
    POPUP->RegisterMimicItem(POPUP->AddItem("!&Toolbox"), TOOLCONTROL, false);
  }
}

void BrowseManager::ArmAlertKeys() {
  if (window() == 0) return;
  addPopupItems();
  for (const int key : {ui::key::kDoubleClick, ui::key::kRightButtonUp, ui::key::kInsert, kCtrlEnter,
                        ui::key::kDelete, kCtrlE})
    engine().alertControlKey(window(), LISTCONTROL, key);
  for (SortOrder& order : SORT) {
    if (order.LOCATOR != nullptr) order.LOCATOR->ArmAlertKeys(window(), LISTCONTROL);
  }
}

Level BrowseManager::OnEvent(const ui::Event& event) {
  if (killed_ || window() == 0) return kLevelBenign;
  if (POPUP != nullptr && POPUP->TakeEvent(event)) return kLevelBenign;
  // A fill skipped while the list was hidden happens once it shows.
  if (LOADPENDING != 0 && listVisible()) {
    ReloadQueue(kReloadKeepPage);
    RefreshWindow();
  }
  for (const SortTab& tab : sort_tabs_) {
    if (event.code == ui::event::kNewSelection && event.control == tab.sheet) {
      ReloadSort(false);
      RefreshWindow();
      return kLevelBenign;
    }
  }
  if (event.control == LISTCONTROL && event.control != 0) {
    switch (event.code) {
      case ui::event::kNewSelection: OnNewSelection(event); break;
      case ui::event::kScrollUp:
      case ui::event::kScrollDown:
      case ui::event::kPageUp:
      case ui::event::kPageDown:
      case ui::event::kScrollTop:
      case ui::event::kScrollBottom: OnScroll(event.code); break;
      case ui::event::kScrollDrag: positionAtThumb(event.thumb); break;
      case ui::event::kLocate: OnLocate(); break;
      case ui::event::kAlertKey: OnKey(event.key); break;
      case ui::event::kAccepted:
        // Enter on the list: the selection for a browse called to select, else a change.
        OnKey(SELECTING != 0 ? ui::key::kDoubleClick : kCtrlEnter);
        break;
      default: break;
    }
    return kLevelBenign;
  }
  if (event.code != ui::event::kAccepted || event.control == 0) return kLevelBenign;
  const bool rows = !LISTQUEUE.empty();
  if (event.control == INSERTCONTROL) {
    Ask(kRequestInsert);
  } else if (event.control == CHANGECONTROL && rows) {
    Ask(kRequestChange);
  } else if (event.control == DELETECONTROL && rows) {
    Ask(kRequestDelete);
  } else if (event.control == SELECTCONTROL && rows) {
    CopyListToRecord();
    WINDOW->NoteResponse(kResponseCompleted);
  } else if (event.control == QUERYCONTROL) {
    OnLocate();
  } else if (event.control == TOOLCONTROL && POPUP != nullptr) {
    POPUP->Toolbox("Browse Actions");
  } else if (event.control == PRINTCONTROL && rows) {
    CopyListToRecord();
    WINDOW->Run(PRINTPROCEDURE, kRequestNone);
    WINDOW->Reset(true);
  } else if (CURRENT != 0 && CurrentOrder().LOCATOR != nullptr &&
             CurrentOrder().LOCATOR->CONTROL == event.control) {
    OnLocatorAccepted();
  }
  return kLevelBenign;
}

Level BrowseManager::OnKey(int key_code) {
  const bool rows = !LISTQUEUE.empty();
  switch (key_code) {
    case ui::key::kRightButtonUp: {
      std::optional<int> row = engine().pointedRow(window(), LISTCONTROL);
      if (row && *row >= 1 && *row <= static_cast<int>(LISTQUEUE.size())) {
        engine().setValue(window(), LISTCONTROL, std::to_string(*row));
        OnNewSelection(
            ui::Event{ui::event::kNewSelection, LISTCONTROL, window(), ui::key::kRightButtonUp, 0});
      }
      return kLevelBenign;
    }
    case ui::key::kDoubleClick:
      if (SELECTING != 0 && SELECTCONTROL != 0 && rows) {
        engine().postEvent(window(), ui::Event{ui::event::kAccepted, SELECTCONTROL, window(), 0, 0});
        return kLevelBenign;
      }
      [[fallthrough]];
    case kCtrlEnter:
      if (rows && CHANGECONTROL != 0) {
        Ask(kRequestChange);
      } else if (!rows && INSERTCONTROL != 0) {
        Ask(kRequestInsert);
      }
      return kLevelBenign;
    case ui::key::kInsert:
      if (INSERTCONTROL != 0) Ask(kRequestInsert);
      return kLevelBenign;
    case kCtrlE: Export(); return kLevelBenign;
    case ui::key::kDelete:
      if (rows && DELETECONTROL != 0)
        engine().postEvent(window(), ui::Event{ui::event::kAccepted, DELETECONTROL, window(), 0, 0});
      return kLevelBenign;
    default: break;
  }
  StepLocator* locator = CURRENT != 0 ? CurrentOrder().LOCATOR : nullptr;
  if (locator != nullptr && locator->OnKey(key_code) == 1) {
    if (locator->Filters()) {
      StepEnd(ui::event::kScrollTop);
    } else {
      ReloadFromBuffer(false);
    }
    RefreshWindow();
    return kLevelBenign;
  }
  if (!rows && INSERTCONTROL != 0) Ask(kRequestInsert);
  return kLevelBenign;
}

void BrowseManager::OnNewSelection(const ui::Event& event) {
  const std::string shown = engine().value(window(), LISTCONTROL).value_or("0");
  std::int32_t chosen = 0;
  std::from_chars(shown.data(), shown.data() + shown.size(), chosen);
  if (chosen >= 1 && chosen <= static_cast<std::int32_t>(LISTQUEUE.size())) CURRENTCHOICE = chosen;
  LASTCHOICE = CURRENTCHOICE;
  CopyListToRecord();
  updateThumb();
  if (event.key == ui::key::kRightButtonUp && POPUP != nullptr && POPUP->Ask() == kExportItem) Export();
}

void BrowseManager::OnScroll(ui::EventCode event) {
  if (LISTQUEUE.empty()) return;
  switch (event) {
    case ui::event::kScrollUp:
    case ui::event::kScrollDown: StepOne(event); break;
    case ui::event::kPageUp:
    case ui::event::kPageDown: StepPage(event); break;
    default: StepEnd(event); break;
  }
  RefreshWindow();
}

void BrowseManager::OnLocate() {
  if (QUERY == nullptr || !QUERY->Ask()) return;  // cancelled: the previous filter stays
  SetFilter(QUERY->GetFilter(), kQueryFilter);
  StepEnd(ui::event::kScrollTop);
  RefreshWindow();
}

std::uint8_t BrowseManager::editRow(std::uint8_t request) {
  if (EDITLIST == nullptr) return kResponseCancelled;
  if (request == kRequestInsert) {
    // The primed record is shown as a row of its own to be typed into.
    BrowseRow primed;
    for (const FieldBinding& column : FIELDS) primed.cells.push_back(shownText(column));
    const auto at = static_cast<std::size_t>(std::max(CURRENTCHOICE, 1)) - (LISTQUEUE.empty() ? 1 : 0);
    LISTQUEUE.insert(LISTQUEUE.begin() + static_cast<std::ptrdiff_t>(std::min(at, LISTQUEUE.size())),
                     std::move(primed));
    CURRENTCHOICE = static_cast<std::int32_t>(std::min(at, LISTQUEUE.size() - 1) + 1);
    std::vector<std::vector<std::string>> cells;
    for (const BrowseRow& row : LISTQUEUE) cells.push_back(row.cells);
    engine().setRows(window(), LISTCONTROL, cells);
    if (PRIMARY != nullptr && PRIMARY->ME->PrepareRecord(true) != kLevelBenign) return kResponseCancelled;
  }
  const EditOutcome outcome = EDITLIST->EditRow(CURRENTCHOICE, request);
  if (request == kRequestInsert && outcome != EditOutcome::kSaved && PRIMARY != nullptr)
    PRIMARY->ReleaseNumber();
  return outcome == EditOutcome::kSaved ? kResponseCompleted : kResponseCancelled;
}

void BrowseManager::OnLocatorAccepted() {
  StepLocator* locator = CURRENT != 0 ? CurrentOrder().LOCATOR : nullptr;
  if (locator == nullptr || locator->OnAccepted(window()) != 1) return;
  if (locator->Filters()) {
    StepEnd(ui::event::kScrollTop);
  } else {
    ReloadFromBuffer(false);
  }
  RefreshWindow();
  engine().setFocus(window(), LISTCONTROL);
}

void BrowseManager::primeFromRange() {
  storage::FileControlBlock* primary = File(0);
  if (primary == nullptr || primary->layout == nullptr) return;
  if (PRIMARY != nullptr) {
    PRIMARY->ME->ClearRecord();
  } else {
    runtime::clearRecord(*primary->layout, primary->record);
  }
  if (CURRENT == 0) return;
  const SortOrder& order = CurrentOrder();
  const auto& pairs = order.RANGELIST.pairs();
  // A pair range leaves its bounded component to the form: only the equal ones are primed.
  const std::size_t primed =
      order.LIMITTYPE == kLimitPair ? pairs.size() - std::min<std::size_t>(2, pairs.size()) : pairs.size();
  for (std::size_t i = 0; i < primed; ++i) copyField(pairs[i].LEFT, pairs[i].RIGHT);
}

void BrowseManager::navigate(int request) {
  switch (request) {
    case toolbar::kBottom: StepEnd(ui::event::kScrollBottom); break;
    case toolbar::kTop: StepEnd(ui::event::kScrollTop); break;
    case toolbar::kPageDown: StepPage(ui::event::kPageDown); break;
    case toolbar::kPageUp: StepPage(ui::event::kPageUp); break;
    case toolbar::kDown: StepOne(ui::event::kScrollDown); break;
    case toolbar::kUp: StepOne(ui::event::kScrollUp); break;
    default: break;
  }
}

std::uint8_t BrowseManager::Ask(std::uint8_t request) {
  if (WINDOW == nullptr) return kResponseCancelled;
  std::uint8_t response = kResponseCancelled;
  for (;;) {
    int* navigation = WINDOW->VCRREQUEST;
    if (navigation != nullptr) *navigation = 0;
    if (request == kRequestInsert) {
      primeFromRange();
    } else if (LISTQUEUE.empty() || !RefetchViewRecord()) {
      // The record went while it was on the page (another station deleted it).
      engine().beep(window());
      ReloadQueue(kReloadKeepPage);
      RefreshWindow();
      return kResponseCancelled;
    }
    response = ASKPROCEDURE != 0 ? WINDOW->Run(ASKPROCEDURE, request) : editRow(request);
    if (response != kResponseCompleted && request == kRequestInsert && ASKPROCEDURE == 0 &&
        EDITLIST != nullptr) {
      // The row shown for the record that was not added goes with the refill.
      if (CURRENTCHOICE >= 1 && CURRENTCHOICE <= static_cast<std::int32_t>(LISTQUEUE.size()))
        LISTQUEUE.erase(LISTQUEUE.begin() + (CURRENTCHOICE - 1));
      ReloadQueue(kReloadKeepPage);
    } else if (response != kResponseCompleted) {
      ReloadQueue(kReloadKeepPage);
    } else if (request == kRequestDelete) {
      if (CURRENTCHOICE >= 1 && CURRENTCHOICE <= static_cast<std::int32_t>(LISTQUEUE.size()))
        LISTQUEUE.erase(LISTQUEUE.begin() + (CURRENTCHOICE - 1));
      ReloadQueue(kReloadKeepPage);
    } else {
      ReloadFromBuffer(true);
    }
    OnAsked(request, response);
    const int wanted = navigation != nullptr ? *navigation : 0;
    if (wanted == 0) break;
    if (wanted == toolbar::kInsert || (wanted == toolbar::kDown && request == kRequestInsert)) {
      request = kRequestInsert;
    } else {
      navigate(wanted);
      if (LISTQUEUE.empty()) break;
    }
  }
  RefreshWindow();
  engine().setFocus(window(), LISTCONTROL);
  return response;
}

void BrowseManager::RefreshWindow() {
  if (window() == 0) return;
  const bool rows = !LISTQUEUE.empty();
  if (CURRENT != 0 && CurrentOrder().LOCATOR != nullptr) CurrentOrder().LOCATOR->RefreshWindow(window());
  for (const ui::ControlId control : {CHANGECONTROL, DELETECONTROL, PRINTCONTROL}) {
    if (control != 0) engine().setEnabled(window(), control, rows);
  }
  if (SELECTCONTROL != 0) {
    if (SELECTING != 0) {
      engine().setEnabled(window(), SELECTCONTROL, rows && WINDOW->REQUEST == kRequestSelect);
    } else if (HIDESELECT != 0) {
      engine().setEnabled(window(), SELECTCONTROL, false);
      engine().setHidden(window(), SELECTCONTROL, true);
    }
  }
  updateThumb();
  if (TOOLBAR != nullptr) TOOLBAR->DisplayButtons(*WINDOW);
  engine().setValue(window(), LISTCONTROL, std::to_string(CURRENTCHOICE));
}

bool BrowseManager::ToolbarItem::TakeToolbarEvent(ui::ControlId button) {
  if (!Offers(button)) return false;
  switch (button) {
    case toolbar::kInsert: BROWSE->Ask(kRequestInsert); break;
    case toolbar::kChange: BROWSE->Ask(kRequestChange); break;
    case toolbar::kDelete: BROWSE->Ask(kRequestDelete); break;
    case toolbar::kSelect:
      BROWSE->CopyListToRecord();
      BROWSE->WINDOW->NoteResponse(kResponseCompleted);
      break;
    default:
      BROWSE->navigate(button);
      BROWSE->RefreshWindow();
      break;
  }
  return true;
}

bool BrowseManager::ToolbarItem::Offers(ui::ControlId button) const {
  const bool rows = !BROWSE->LISTQUEUE.empty();
  switch (button) {
    case toolbar::kInsert: return INSERTBUTTON != 0;
    case toolbar::kChange: return CHANGEBUTTON != 0 && rows;
    case toolbar::kDelete: return DELETEBUTTON != 0 && rows;
    case toolbar::kSelect: return SELECTBUTTON != 0 && rows && BROWSE->SELECTING != 0;
    case toolbar::kBottom:
    case toolbar::kTop:
    case toolbar::kPageDown:
    case toolbar::kPageUp:
    case toolbar::kDown:
    case toolbar::kUp: return rows;
    default: return false;
  }
}

}  // namespace veltrano::framework
