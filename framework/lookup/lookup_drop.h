// A drop-down list filled from a file: a view manager over a reference file whose records fill
// a combo's list, the whole view at once. A row chosen copies its record's values into the form
// fields registered for it. The window controller hands the drop every event (OnEvent) and asks
// it to reset with the window (Reset); LookupCombo adds the combo's entry part.
//
//   LookupDrop positions;                                    // the list of positions
//   positions.Init(kPositionCombo, ViewDefinition{{}, {&dolgnost.file()}}, &list_queue, &dolgnost_guard,
//   &form); positions.RegisterSortOrder(dolgnost.key("DOL:NOM_KEY"));  // the list's order
//   positions.AddField(field(DOL:NAME), field(list_queue, 1));        // the column shown
//   positions.RegisterUpdateField(field(DOL:KOD), field(KAR:DOL_KOD)); // filled on a choice
//   form.AddItem(&positions);                                // the controller's FILEDROPS
//
// The list is filled on first use (the window opening, or the clerk dropping it down) and
// refilled when the window resets it with force.
//
// The initial row when the form opens: the row whose shown value equals the form field's
// (DEFAULTFILL 0, the default); with DEFAULTFILL set and no such row, the first row is chosen and
// its values fill the form fields, as a new record's default. With INITSYNCPAIR the initial row's
// record is also taken into the reference file's buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/browse/view_manager.h"
#include "framework/field_pairs.h"
#include "framework/window/window_parts.h"
#include "runtime/queue/queue.h"
#include "ui/window_engine.h"

namespace veltrano::framework {

class WindowController;

class LookupDrop : public ViewManager, public RegisteredFileDrop {
 public:
  LookupDrop() = default;
  ~LookupDrop() override = default;

  // REQUIRES: the view's files, the queue, the relation guard and the controller outlive the
  // drop; the view's primary file is the guard's. The list's order is registered after Init
  // (RegisterSortOrder); the reference file is opened through the guard when the list first fills.
  void Init(ui::ControlId list_control, ViewDefinition view, runtime::Queue* list_queue,
            RelationGuard* primary, WindowController* window);
  // A column of the list: the view's field copied into the list queue's field. The first column
  // is the one a combo's entry shows and completes from.
  void AddField(FieldRef view_field, FieldRef list_field);
  // A form field filled from the view's field when a row is chosen.
  void RegisterUpdateField(FieldRef view_field, FieldRef form_field);
  // Fills the whole list from the view; false after a read error (the rows read so far stay).
  virtual bool ReloadQueue();

  Level OnEvent(const ui::Event& event) override;
  void Reset(bool force) override;
  void Kill() override;
  using ViewManager::Reset;

  // The row (1-based) chosen in the list: its values go into the form fields, and with `sync`
  // its record into the reference file's buffer.
  virtual void TakeRow(int row, bool sync);
  int rows() const { return static_cast<int>(images_.size()); }
  // The text the list shows in column `column` (1-based) of `row`.
  const std::string& RowText(int row, int column = 1) const;

  // Fields, in their defined order.
  FieldPairList DISPLAYFIELDS;
  FieldPairList UPDATEFIELDS;
  WindowController* WINDOW = nullptr;
  std::uint8_t DEFAULTFILL = 0;
  std::uint8_t INITSYNCPAIR = 0;
  ui::ControlId LISTCONTROL = 0;
  runtime::Queue* LISTQUEUE = nullptr;
  std::uint8_t LOADED = 0;
  std::string VIEWPOSITION;  // the position of the record last taken into the reference file's buffer

 protected:
  ui::WindowId window() const;
  // The row whose record image equals the reference file's buffer; 0 when none does.
  int rowOfBuffer() const;
  // The initial row when the window opens: see the header comment.
  virtual void SelectInitialRow();
  virtual void ShowSelection(int row);

 private:
  std::vector<std::vector<std::uint8_t>> images_;  // each row's record
  std::vector<std::vector<std::string>> texts_;    // each row's columns as shown
  std::vector<std::uint32_t> pointers_;            // each row's record in the reference file
  bool guard_opened_ = false;                      // the reference file opened for the list
};

}  // namespace veltrano::framework
