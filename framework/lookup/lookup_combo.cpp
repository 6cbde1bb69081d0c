#include "framework/lookup/lookup_combo.h"

#include "framework/window/window_controller.h"
#include "runtime/values/field_value.h"
#include "runtime/values/text_compare.h"
#include "ui/message_box.h"

namespace veltrano::framework {
namespace {

constexpr MessageId kAddNewRecord = 5;

std::string clipped(std::string text) {
  std::size_t end = text.find_last_not_of(' ');
  text.erase(end == std::string::npos ? 0 : end + 1);
  return text;
}

}  // namespace

void LookupCombo::Init(ui::ControlId combo, FieldBinding use_field, ViewDefinition view,
                       runtime::Queue* list_queue, RelationGuard* primary, WindowController* window) {
  LookupDrop::Init(combo, std::move(view), list_queue, primary, window);
  USEFIELD = std::move(use_field);
  ENTRYFIELD = combo;
  LISTFIELD = combo + kListPart;
  BUTTONFIELD = combo + kButtonPart;
  Q = list_queue;
  if (ERRMGR == nullptr && window != nullptr) ERRMGR = window->ERRORS;
  ECON = 1;
}

int LookupCombo::rowBeginningWith(const std::string& typed) const {
  const std::string wanted = CASESENSITIVEFLAG != 0 ? typed : runtime::upperText(typed);
  for (int row = 1; row <= rows(); ++row) {
    std::string_view text = RowText(row);
    if (text.size() < wanted.size()) continue;
    std::string start(text.substr(0, wanted.size()));
    if ((CASESENSITIVEFLAG != 0 ? start : runtime::upperText(start)) == wanted) return row;
  }
  return 0;
}

int LookupCombo::rowEqualTo(const std::string& value) const {
  for (int row = 1; row <= rows(); ++row) {
    const std::string& text = RowText(row);
    bool same = CASESENSITIVEFLAG != 0 ? text == value : runtime::compareTextNoCase(text, value) == 0;
    if (same && text.size() == value.size()) return row;
  }
  return 0;
}

void LookupCombo::ShowSelection(int row) {
  ui::WindowEngine& engine = ui::windowEngine();
  engine.setComboRow(window(), ENTRYFIELD, row);
  if (row > 0) engine.setValue(window(), ENTRYFIELD, RowText(row));
}

void LookupCombo::SelectInitialRow() {
  ECON = 1;
  last_completed_.clear();
  int row = USEFIELD.value.valid() ? rowEqualTo(clipped(shownText(USEFIELD))) : 0;
  if (row == 0 && DEFAULTFILL != 0 && rows() > 0) {
    row = 1;
    TakeRow(row, INITSYNCPAIR != 0);
    storeShownText(USEFIELD, RowText(row));
  } else if (row != 0 && INITSYNCPAIR != 0) {
    TakeRow(row, true);
  }
  ShowSelection(row);
}

Level LookupCombo::complete(int key) {
  ui::WindowEngine& engine = ui::windowEngine();
  const std::string text = engine.value(window(), ENTRYFIELD).value_or("");
  std::string typed;
  if (key == ui::key::kBackspace) {
    typed = text.empty() ? text : text.substr(0, text.size() - 1);
  } else {
    const ui::TextSelection at = engine.textSelection(window(), ENTRYFIELD).value_or(ui::TextSelection{});
    typed = text.substr(0, std::min(static_cast<std::size_t>(std::max(at.start, 0)), text.size()));
  }
  if (typed.empty() || typed == last_completed_) return kLevelBenign;
  const int row = rowBeginningWith(typed);
  if (row == 0) {
    ECON = 0;
    return kLevelBenign;
  }
  last_completed_ = typed;
  const std::string& whole = RowText(row);
  engine.setValue(window(), ENTRYFIELD, whole);
  engine.setTextSelection(
      window(), ENTRYFIELD,
      ui::TextSelection{static_cast<int>(typed.size()), static_cast<int>(whole.size() - typed.size())});
  engine.setComboRow(window(), ENTRYFIELD, row);
  TakeRow(row, SYNCRONIZEVIEWFLAG != 0);
  storeShownText(USEFIELD, whole);
  return kLevelBenign;
}

Level LookupCombo::OnNewSelection() {
  ECON = 1;
  last_completed_.clear();
  const int row = ui::windowEngine().comboRow(window(), ENTRYFIELD).value_or(0);
  if (row < 1 || row > rows()) return kLevelBenign;
  TakeRow(row, SYNCRONIZEVIEWFLAG != 0);
  storeShownText(USEFIELD, RowText(row));
  ShowSelection(row);
  return kLevelBenign;
}

void LookupCombo::keepTyped(const std::string& value) {
  storeShownText(USEFIELD, value);
  ui::windowEngine().setComboRow(window(), ENTRYFIELD, 0);
}

bool LookupCombo::addValue(const std::string& value) {
  TableManager* file = PRIMARY != nullptr ? PRIMARY->ME : nullptr;
  if (file == nullptr || DISPLAYFIELDS.empty()) return false;
  const FieldRef shown = DISPLAYFIELDS.pairs().front().LEFT;
  auto prime = [&] {
    if (file->PrepareRecord() != kLevelBenign) return false;
    runtime::storeText(*shown.field, shown.record, value);
    return true;
  };
  if (ASKPROCEDURE != 0) {
    if (WINDOW == nullptr || !prime()) return false;
    if (WINDOW->Run(ASKPROCEDURE, kRequestInsert) != kResponseCompleted) return false;
  } else if (AUTOADDFLAG != 0) {
    unsigned answer = ui::kButtonNo;
    if (!PROMPTTEXT.empty()) {
      // The application's own question for this list.
      answer = ui::messageBox(ui::MessageBoxRequest{PROMPTTEXT, PROMPTCAPTION, ui::kIconQuestion,
                                                    ui::kButtonYes | ui::kButtonNo, ui::kButtonYes});
    } else if (ERRMGR != nullptr) {
      answer = ERRMGR->Message(kAddNewRecord, ui::kButtonYes | ui::kButtonNo, ui::kButtonYes);
    }
    if (answer != ui::kButtonYes || !prime()) return false;
    if (file->Insert() != kLevelBenign) {
      file->ReleaseNumber(PRIMARY);
      return false;
    }
  } else {
    return false;
  }
  // The new record is in the buffer: its row is chosen once the list has it.
  std::vector<std::uint8_t> added(file->BUFFER.begin(), file->BUFFER.end());
  ReloadQueue();
  std::copy(added.begin(), added.end(), file->BUFFER.begin());
  int row = rowOfBuffer();
  if (row == 0) row = rowEqualTo(value);
  if (row == 0) return false;
  TakeRow(row, SYNCRONIZEVIEWFLAG != 0);
  storeShownText(USEFIELD, RowText(row));
  ShowSelection(row);
  return true;
}

Level LookupCombo::OnAccepted() {
  const std::string value = clipped(ui::windowEngine().value(window(), ENTRYFIELD).value_or(""));
  if (value.empty()) {
    keepTyped(value);
    return kLevelBenign;
  }
  if (const int row = rowEqualTo(value); row != 0) {
    TakeRow(row, SYNCRONIZEVIEWFLAG != 0);
    storeShownText(USEFIELD, RowText(row));
    ShowSelection(row);
    return kLevelBenign;
  }
  if (!addValue(value)) keepTyped(value);
  return kLevelBenign;
}

Level LookupCombo::OnEvent(const ui::Event& event) {
  if (event.window != window()) return kLevelBenign;
  if (event.code == ui::event::kOpenWindow) {
    // The list itself is filled by the controller's Reset, which the opening runs first.
    if (ENTRYCOMPLETION != 0) ui::windowEngine().reportKeystrokes(window(), ENTRYFIELD, true);
    return kLevelBenign;
  }
  if (event.control != ENTRYFIELD) return kLevelBenign;
  switch (event.code) {
    case ui::event::kNewSelection:
      if (event.key == 0) return OnNewSelection();
      if (ENTRYCOMPLETION != 0 && ECON != 0) return complete(event.key);
      break;
    case ui::event::kAccepted: return OnAccepted();
    case ui::event::kDroppingDown:
      if (LOADED == 0) ReloadQueue();
      break;
    default: break;
  }
  return kLevelBenign;
}

}  // namespace veltrano::framework
