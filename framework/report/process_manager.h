// The process manager: a view manager that a report reads in batches. It counts the records
// read at the top level, shows how far the report got in the progress window (by the number
// of records, or by the value of a key field through a step object), and reads child views
// depth-first: after each record of one level the next level's view is limited to it again
// (its range re-applied), reset, and read to its end before reading returns to the level above.
//
//   ProcessManager process;
//   process.Init(ViewDefinition{{}, {&karta.file()}}, &karta_guard);
//   process.RegisterSortOrder(karta.key("KAR:FAM_KEY"));
//   process.SetFilter("KAR:data_uvol=''");
//   process.CHILDREN.push_back(&children);          // children.Init over SOSTAV, ranged on numg
//   process.Reset();                                 // counts, and reads from the start
//   while (process.Next() == kLevelBenign) { CHILDREAD says which level the record is of }
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/browse/step_objects.h"
#include "framework/browse/view_manager.h"
#include "framework/translator.h"
#include "ui/window_engine.h"

namespace veltrano::framework {

class ProcessManager : public ViewManager {
 public:
  // Reads the next record: 0 for a record (of level CHILDREAD), 5 at the end of the primary
  // view, 3 after a fatal read.
  Level Next();
  // Puts the reading before the first record and starts the count: RECORDSTOPROCESS (when 0)
  // becomes the primary file's number of records, or a step object that needs limits takes
  // them from VALUEFIELD of the first and the last record of the order.
  void Reset() override;
  // Shows the percentage in the progress window when it differs from the one shown.
  void SetProgress();
  // The percentage now: the step object's for VALUEFIELD, or the records read against the
  // records to read (truncated, at most 100).
  int Percentage();
  // Where the progress is shown: the window, its progress bar and its text control.
  void ShowProgressIn(ui::WindowId window, ui::ControlId bar, ui::ControlId text,
                      const Translator* translator);

  // Fields, after the view manager's.
  std::uint8_t CHILDREAD = 0;          // the level of the record read last, 0 the primary
  std::vector<ViewManager*> CHILDREN;  // the child views, one per level below the primary
  ui::ControlId PERCENTILE = 0;        // the progress bar
  ui::ControlId PTEXT = 0;             // the progress text
  std::int32_t RECORDSPROCESSED = 0;
  std::int32_t RECORDSTOPROCESS = 0;
  StepObject* STEPMGR = nullptr;
  FieldRef VALUEFIELD;  // the key field whose value measures progress

 private:
  std::string valueText() const;

  ui::WindowId window_ = 0;
  const Translator* translator_ = nullptr;
  int shown_ = -1;
  bool descend_ = false;
};

}  // namespace veltrano::framework
