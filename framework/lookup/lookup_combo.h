// A drop-down combo over a reference file: the list part is a LookupDrop, the entry part edits a
// form field, and what the clerk types completes itself from the list.
//
//   LookupCombo position;
//   position.Init(kPositionCombo, *form.bindingOf(kPositionCombo), ViewDefinition{{}, {&dolgnost.file()}},
//                 &list_queue, &dolgnost_guard, &form);
//   position.RegisterSortOrder(dolgnost.key("DOL:NOM_KEY"));
//   position.AddField(field(DOL:NAME), field(list_queue, 1));
//   position.RegisterUpdateField(field(DOL:KOD), field(KAR:DOL_KOD));
//   position.ENTRYCOMPLETION = 1;
//   position.ASKPROCEDURE = 41;   // the position form adds a position typed that is not listed
//   form.AddItem(&position);
//
// The parts: the entry is the combo's own number (ENTRYFIELD), the drop-down list is numbered
// one thousand above it (LISTFIELD) and the drop button two thousand above (BUTTONFIELD); the
// window engine shows all three as one combo control, so the engine calls name ENTRYFIELD.
//
// Completion: with ENTRYCOMPLETION, each keystroke in the entry takes the text typed so far
// (the characters before the cursor; after BackSpace the whole text less its last character)
// and finds the first row that begins with it (letter case ignored unless CASESENSITIVEFLAG):
// the entry then shows the whole row with the part not typed selected, the row is chosen, and
// its values fill the form fields (with SYNCRONIZEVIEWFLAG its record also comes into the
// reference file's buffer). When no row begins with the text, completion stops (ECON 0) until
// the clerk next chooses a row from the list.
//
// A value that is not in the list, once accepted: with ASKPROCEDURE the reference record is
// primed with it and that update form inserts it; else with AUTOADDFLAG id 5 asks ("Record
// match not found, do you wish to add a new one?", Yes and No, default Yes) and Yes inserts the
// primed record through the reference file's table manager; either way the list is refilled and
// the new row chosen. With PROMPTTEXT set, that question (under PROMPTCAPTION) is asked instead
// of id 5, in the list's own words ("Добавить новую должность?"). Otherwise, or when the insert
// fails (the table manager has said why), the field keeps the value as typed.
#pragma once

#include <cstdint>
#include <string>

#include "framework/error_manager.h"
#include "framework/lookup/lookup_drop.h"
#include "framework/window/field_binding.h"

namespace veltrano::framework {

class LookupCombo : public LookupDrop {
 public:
  static constexpr ui::ControlId kListPart = 1000;
  static constexpr ui::ControlId kButtonPart = 2000;

  // `use_field` binds the combo's control to the form field it edits.
  void Init(ui::ControlId combo, FieldBinding use_field, ViewDefinition view, runtime::Queue* list_queue,
            RelationGuard* primary, WindowController* window);

  Level OnEvent(const ui::Event& event) override;
  // The clerk chose a row from the list.
  virtual Level OnNewSelection();
  // The entry's text was accepted.
  virtual Level OnAccepted();

  // Fields, in their defined order.
  std::uint16_t ASKPROCEDURE = 0;
  FieldBinding USEFIELD;
  ui::ControlId LISTFIELD = 0;
  ui::ControlId BUTTONFIELD = 0;
  ui::ControlId ENTRYFIELD = 0;
  std::uint8_t ENTRYCOMPLETION = 1;
  ErrorManager* ERRMGR = nullptr;
  std::uint8_t AUTOADDFLAG = 0;
  std::uint8_t CASESENSITIVEFLAG = 0;
  std::uint8_t SYNCRONIZEVIEWFLAG = 0;
  std::string PROMPTCAPTION;  // at most 32 characters
  std::string PROMPTTEXT;     // at most 33 characters
  std::uint8_t ECON = 0;
  runtime::Queue* Q = nullptr;  // the list queue, whose buffer holds the chosen row

 protected:
  void ShowSelection(int row) override;
  void SelectInitialRow() override;

 private:
  Level complete(int key);
  // The first row beginning with `typed` (0 when none does).
  int rowBeginningWith(const std::string& typed) const;
  int rowEqualTo(const std::string& value) const;
  // The typed value added to the reference file (through the update form or at once); true
  // when a row for it is now chosen.
  bool addValue(const std::string& value);
  void keepTyped(const std::string& value);

  std::string last_completed_;
};

}  // namespace veltrano::framework
