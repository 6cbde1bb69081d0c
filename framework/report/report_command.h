// A report without a screen, as `veltrano --report` runs one: the report procedure runs with
// windows kept in memory, its pages go into a PDF file and its detail lines into a CSV file,
// and whatever it would have told the clerk comes back as messages.
//
//   ui::report::qt::OffscreenReports drawing;   // main(): the Qt output for the PDF file
//   ReportCommandResult done = produceReportFiles([&] { return runVeltr113(); }, {"list.pdf", "list.csv"});
//   for (const std::string& message : done.messages) print(message);
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/report/report_runner.h"

namespace veltrano::framework {

struct ReportCommandResult {
  bool written = false;               // the procedure completed and its files were written
  std::vector<std::string> messages;  // the boxes it showed, in order (code page 1251)
};

// REQUIRES: no window engine is in use by another thread meanwhile (the command's own run).
ReportCommandResult produceReportFiles(const std::function<std::uint8_t()>& procedure,
                                       const ReportFiles& files);

}  // namespace veltrano::framework
