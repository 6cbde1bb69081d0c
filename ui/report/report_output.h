// Where finished pages go: PDF files, PNG images and printers. The program installs the Qt
// output (ui/report/qt); tests install the recording output (recording_output.h); framework
// code sees only this interface, so the report runner and the preview never include Qt.
//
// Every call answers nothing on success and otherwise the message the user sees (code page
// 1251): no printer installed, a printer that is gone, a file that cannot be written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ui/report/page.h"
#include "ui/report/report_layout.h"

namespace veltrano::ui::report {

struct PrintRequest {
  std::string printer;  // as the printer set-up dialog names it; empty: the system's default
  int first_page = 1;   // from 1
  int last_page = 0;    // 0: the last page
  int copies = 1;
  std::string output_file;  // not empty: print into this PDF file instead
};

class ReportOutput {
 public:
  virtual ~ReportOutput() = default;

  // Pages `first_page` to `last_page` (0: to the end), text kept as text.
  virtual std::optional<std::string> writePdf(const ReportPages& report, const std::string& path,
                                              int first_page = 1, int last_page = 0) = 0;
  virtual std::optional<std::string> writePng(const Page& page, const std::string& path,
                                              int dots_per_inch = 150) = 0;
  virtual std::optional<std::string> print(const ReportPages& report, const PrintRequest& request) = 0;
  // The printers the system offers, the default first.
  virtual std::vector<std::string> printers() = 0;
};

// The process's output. Until one is installed every call fails with a message saying that
// the program cannot print here, so that a tool without a screen never crashes.
ReportOutput& reportOutput();
// Installs `output` (nullptr to remove) and returns the one installed before.
// REQUIRES: the output outlives its installation.
ReportOutput* installReportOutput(ReportOutput* output);

class ScopedReportOutput {
 public:
  explicit ScopedReportOutput(ReportOutput& output) : previous_(installReportOutput(&output)) {}
  ~ScopedReportOutput() { installReportOutput(previous_); }
  ScopedReportOutput(const ScopedReportOutput&) = delete;
  ScopedReportOutput& operator=(const ScopedReportOutput&) = delete;

 private:
  ReportOutput* previous_;
};

// The range a request names within a report of `pages` pages, or nothing (and the message in
// *error) when it holds no page of the report.
struct PageRange {
  int first = 1;
  int last = 1;
};
std::optional<PageRange> pageRange(int pages, int first_page, int last_page, std::string* error);

}  // namespace veltrano::ui::report
