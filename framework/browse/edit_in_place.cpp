#include "framework/browse/edit_in_place.h"

#include <deque>

namespace veltrano::framework {
namespace {

constexpr MessageId kSaveRecord = 35;

}  // namespace

bool EditInPlaceEntry::CreateControl(ui::WindowId window, int row) {
  ui::ControlDescription entry;
  entry.id = FEQ;
  entry.kind = ui::ControlKind::kEntry;
  entry.picture = USEVAR.picture;
  entry.over = ui::ListCell{LISTBOXFEQ, row, COLUMN};
  ui::WindowEngine& engine = ui::windowEngine();
  if (!engine.addControl(window, entry)) return false;
  SHOWN = shownText(USEVAR);
  engine.setValue(window, FEQ, SHOWN);
  return true;
}

void EditInPlaceEntry::Kill(ui::WindowId window) {
  if (FEQ != 0) ui::windowEngine().removeControl(window, FEQ);
  FEQ = 0;
}

std::string EditInPlaceEntry::Text(ui::WindowId window) const {
  return ui::windowEngine().value(window, FEQ).value_or(SHOWN);
}

void EditInPlace::Init(ui::WindowId window, ui::ControlId list, RelationGuard* primary,
                       ErrorManager* errors) {
  window_ = window;
  list_ = list;
  primary_ = primary;
  errors_ = errors;
  EDITLIST.clear();
}

void EditInPlace::AddColumn(int column, FieldBinding use_var) {
  auto entry = std::make_unique<EditInPlaceEntry>();
  entry->COLUMN = column;
  entry->USEVAR = std::move(use_var);
  entry->LISTBOXFEQ = list_;
  EDITLIST.push_back(std::move(entry));
}

void EditInPlace::Kill() {
  for (auto& entry : EDITLIST) entry->Kill(window_);
  EDITLIST.clear();
}

bool EditInPlace::changed(ui::WindowId window) const {
  for (const auto& entry : EDITLIST) {
    if (entry->Text(window) != entry->SHOWN) return true;
  }
  return false;
}

bool EditInPlace::store() {
  for (const auto& entry : EDITLIST) {
    if (!storeShownText(entry->USEVAR, entry->Text(window_))) {
      ui::windowEngine().setFocus(window_, entry->FEQ);
      return false;
    }
  }
  return true;
}

Level EditInPlace::write(std::uint8_t request) {
  if (primary_ == nullptr || primary_->ME == nullptr) return kLevelNotify;
  return request == kRequestInsert ? primary_->ME->Insert() : primary_->Update(1);
}

EditOutcome EditInPlace::EditRow(int row, std::uint8_t request) {
  ui::WindowEngine& engine = ui::windowEngine();
  for (std::size_t index = 0; index < EDITLIST.size(); ++index) {
    EditInPlaceEntry& entry = *EDITLIST[index];
    entry.FEQ = kFirstEntry + static_cast<ui::ControlId>(index);
    entry.LISTBOXFEQ = list_;
    if (!entry.CreateControl(window_, row)) entry.FEQ = 0;
  }
  auto entryAt = [&](ui::ControlId control) -> std::ptrdiff_t {
    for (std::size_t index = 0; index < EDITLIST.size(); ++index) {
      if (control != 0 && EDITLIST[index]->FEQ == control) return static_cast<std::ptrdiff_t>(index);
    }
    return -1;
  };
  auto backToTheRow = [&] { engine.setValue(window_, list_, std::to_string(row)); };
  backToTheRow();
  if (!EDITLIST.empty()) engine.setFocus(window_, EDITLIST.front()->FEQ);

  // Events that are not the row's wait until the row is done, and then reach the browse in
  // the order they came.
  std::deque<ui::Event> deferred;
  EditOutcome outcome = EditOutcome::kUnchanged;
  const std::int32_t original =
      primary_ != nullptr && primary_->ME != nullptr ? primary_->ME->SnapshotRecord() : 0;
  for (;;) {
    ui::Event event = engine.waitEvent(window_);
    std::ptrdiff_t at = entryAt(event.control);
    bool leaves = false;
    if (event.code == ui::event::kAlertKey && event.key == ui::key::kEscape) {
      // Escape leaves the row as it was, without asking.
      if (changed(window_)) outcome = EditOutcome::kDropped;
      break;
    }
    if (at >= 0) {
      if (event.code != ui::event::kAccepted) continue;
      if (static_cast<std::size_t>(at) + 1 < EDITLIST.size()) {
        engine.setFocus(window_, EDITLIST[static_cast<std::size_t>(at) + 1]->FEQ);
        continue;
      }
      leaves = true;
    } else {
      leaves = event.code == ui::event::kCloseWindow || event.code == ui::event::kCloseDown ||
               (event.code == ui::event::kNewSelection && event.control == list_) ||
               (event.code == ui::event::kAccepted && event.control != 0);
      deferred.push_back(event);
    }
    if (!leaves) continue;
    if (!changed(window_)) break;
    unsigned answer = errors_ != nullptr
                          ? errors_->Message(kSaveRecord, ui::kButtonYes | ui::kButtonNo | ui::kButtonCancel,
                                             ui::kButtonYes)
                          : ui::kButtonNo;
    if (answer == ui::kButtonNo) {
      outcome = EditOutcome::kDropped;
      break;
    }
    if (answer == ui::kButtonYes) {
      if (store() && write(request) == kLevelBenign) {
        outcome = EditOutcome::kSaved;
        break;
      }
      // Refused or not written: the record is as it was, the entries keep what was typed.
      if (original != 0) primary_->ME->RestoreSnapshot(original, false);
    }
    // Back to the row: what ended it does not happen.
    if (at < 0) deferred.pop_back();
    backToTheRow();
  }
  // The record now holds what was written, or what it held before: the image has served.
  if (original != 0) {
    std::erase_if(primary_->ME->BUFFERS, [&](const SavedBuffer& saved) { return saved.ID == original; });
  }
  for (auto& entry : EDITLIST) entry->Kill(window_);
  for (const ui::Event& event : deferred) engine.postEvent(window_, event);
  return outcome;
}

}  // namespace veltrano::framework
