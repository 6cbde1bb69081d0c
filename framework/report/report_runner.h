// The report runner: the window controller of every report. It opens the report (its
// description compiled and its values bound), reads the process manager's records in timed
// batches on the window's timer while the "Progress..." window shows how far it got, prints
// each record through OnRecord, and at the end hands the pages to the preview, or to the
// printer, or (for a run without a screen) into PDF and CSV files.
//
//   ReportRunner report;
//   report.ERRORS = &errors;
//   report.TRANSLATOR = &translator;
//   report.PROCESS = &process;                   // the view over KARTA with its filter
//   report.REPORT = tableReport(list);           // bands named by field labels or bound names
//   report.BindValue("fio", [&] { return shortName(); });
//   report.PREVIEW = &preview;
//   report.TIMESLICE = 25;
//   report.Run();
//
// A value a band shows is a label of one of the process manager's files ("KAR:FAM") or a name
// bound with BindValue; a name that is neither, or a description that cannot be printed, is
// a clear message when the report opens, and the report ends without pages.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/report/page_preview.h"
#include "framework/report/process_manager.h"
#include "framework/report/timed_batches.h"
#include "framework/window/window_controller.h"
#include "ui/report/report_layout.h"

namespace veltrano::framework {

namespace progress {
enum : ui::ControlId { kBar = 1, kText = 2, kCancel = 3 };
}  // namespace progress

// Where reports go in a run without a screen: every report run while one is in place writes
// its pages into `pdf` and its detail lines into `csv` (either may be empty) instead of
// showing a progress window and a preview.
struct ReportFiles {
  std::string pdf;
  std::string csv;
};
class ScopedReportFiles {
 public:
  explicit ScopedReportFiles(ReportFiles files);
  ~ScopedReportFiles();
  ScopedReportFiles(const ScopedReportFiles&) = delete;
  ScopedReportFiles& operator=(const ScopedReportFiles&) = delete;
};

class ReportRunner : public WindowController {
 public:
  ReportRunner();

  // The operations added to the window controller's.
  // Compiles REPORT and binds its values; false (OPENFAILED, the reason shown) when it cannot.
  virtual bool OpenReport();
  // Prints the current record; non-zero stops the report. Prints the first detail band.
  virtual int OnRecord();
  // The first read found nothing: id 22, and the report ends without preview.
  virtual void OnNoRecords();
  // Every record has been read (the report was neither cancelled nor stopped): prints what
  // follows them, such as the rows of a form counted over the records. Non-zero ends the
  // report without pages. Prints nothing by default.
  virtual int OnEndOfRecords();
  // Shows the pages in PREVIEW; true when they were printed there.
  virtual bool RunPreview();

  std::uint8_t Run() override;
  using WindowController::Run;
  Level Init() override;
  Level Kill() override;
  Level OnWindowEvent(const ui::Event& event) override;

  // A value the bands show, computed for each record (code page 1251, as the picture takes
  // it: digits for numbers, serials for dates).
  void BindValue(std::string name, std::function<std::string()> value);
  // Prints a detail band of the report with the current values.
  bool PrintBand(std::string_view band);
  // One timer tick's work (what EVENT:Timer does), for a run without a window as well.
  TickResult Tick();
  // The finished pages, once the report has ended (empty before, or when it failed).
  const ui::report::ReportPages& Pages() const { return pages_; }
  // The clock the batches are timed with (hundredths of a second); tests put a fake one in.
  HundredthsClock CLOCK = hundredthsNow;

  // Fields, after the window controller's.
  std::uint8_t DEFEROPENREPORT = 0;
  std::uint16_t DEFERWINDOW = 0;
  std::uint8_t OPENFAILED = 0;
  PagePreview* PREVIEW = nullptr;
  std::vector<ui::report::PagePointer> PREVIEWQUEUE;
  ProcessManager* PROCESS = nullptr;
  std::int32_t RECORDSPERCYCLE = 1;
  ui::report::ReportDescription REPORT;
  std::uint8_t SKIPPREVIEW = 0;
  std::int64_t STARTTIME = 0;
  std::uint16_t TIMESLICE = 25;
  std::int16_t ZOOM = 0;  // the preview's first zoom; 0 for its own default

 private:
  enum class Ending : std::uint8_t { kRunning, kFinished, kFailed, kCancelled };

  void describeProgressWindow();
  void finish(Ending ending);
  void deliver();
  bool writeFiles(const ReportFiles& files);
  void fillValues();
  void tell(std::string message) const;

  std::unique_ptr<ui::report::ReportLayout> layout_;
  std::vector<std::function<std::string()>> value_of_;  // by the report's value index
  std::vector<std::string> values_;
  std::vector<std::pair<std::string, std::function<std::string()>>> bound_;
  ui::report::ReportPages pages_;
  Ending ending_ = Ending::kRunning;
  bool opened_ = false;
  bool any_record_ = false;
};

}  // namespace veltrano::framework
