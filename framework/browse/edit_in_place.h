// Edit in place: a browse row edited in the list itself. An entry is laid over each editable
// cell of the row, bound to the field the cell shows; the clerk types, Enter moves to the next
// cell, and leaving the row (Enter in its last cell, another row, another control, closing the
// window) writes the record when anything changed and the clerk says so; Escape leaves the row
// as it was:
//
//   EditInPlace edit;
//   edit.Init(window, kList, &karta_guard, &errors);
//   edit.AddColumn(2, bindField(0, ui::ControlKind::kEntry, layout, record, "KAR:FAM"));
//   edit.AddColumn(4, bindField(0, ui::ControlKind::kEntry, layout, record, "KAR:DATA_P", "@d6."));
//   // the browse's Ask without an update form, the row's record in the file buffer:
//   EditOutcome outcome = edit.EditRow(row, kRequestChange);   // kSaved: refill around the record
//
// A changed row asks id 35 ("Do you want to save the changes to this record?", Yes, No and
// Cancel, default Yes): Yes writes the record (a change through the relation guard, an insert
// through the table manager), No drops what was typed, Cancel returns to the row. A value that
// does not fit its picture, or a write that fails, also returns to the row with nothing lost.
// The event that ended the row (another row chosen, a button pressed, the window closing) is
// posted again for the browse once the row is done.
//
// For an insert the browse primes the record and shows it as a row first.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/error_manager.h"
#include "framework/relation_guard.h"
#include "framework/window/field_binding.h"
#include "framework/window/procedure_registry.h"
#include "ui/window_engine.h"

namespace veltrano::framework {

// The edit object of one column.
class EditInPlaceEntry {
 public:
  virtual ~EditInPlaceEntry() = default;
  // Lays the entry over the cell and shows the field's value in it.
  virtual bool CreateControl(ui::WindowId window, int row);
  virtual void Kill(ui::WindowId window);
  // What the clerk left in the entry.
  std::string Text(ui::WindowId window) const;

  ui::ControlId FEQ = 0;  // the entry over the cell while the row is edited; 0 otherwise
  FieldBinding USEVAR;
  ui::ControlId LISTBOXFEQ = 0;
  int COLUMN = 0;     // the list column it covers, 1-based
  std::string SHOWN;  // what the entry showed when it was created
};

enum class EditOutcome : std::uint8_t {
  kUnchanged,  // nothing was typed
  kSaved,      // the record was written
  kDropped,    // the clerk chose not to save
};

class EditInPlace {
 public:
  static constexpr ui::ControlId kFirstEntry = 31001;

  void Init(ui::WindowId window, ui::ControlId list, RelationGuard* primary, ErrorManager* errors);
  void AddColumn(int column, FieldBinding use_var);
  void Kill();

  // Edits row `row` (1-based) of the list for `request` until the clerk leaves it.
  EditOutcome EditRow(int row, std::uint8_t request);

  std::vector<std::unique_ptr<EditInPlaceEntry>> EDITLIST;

 private:
  bool changed(ui::WindowId window) const;
  // Reads every entry into its field; false (the first refused entry selected) when one does
  // not fit its picture.
  bool store();
  Level write(std::uint8_t request);

  ui::WindowId window_ = 0;
  ui::ControlId list_ = 0;
  RelationGuard* primary_ = nullptr;
  ErrorManager* errors_ = nullptr;
};

}  // namespace veltrano::framework
