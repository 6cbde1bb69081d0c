#include "framework/report/report_command.h"

#include "ui/headless_engine.h"

namespace veltrano::framework {

ReportCommandResult produceReportFiles(const std::function<std::uint8_t()>& procedure,
                                       const ReportFiles& files) {
  ui::HeadlessEngine windows;
  ui::ScopedWindowEngine installed(windows);
  ScopedReportFiles into(files);
  ReportCommandResult result;
  result.written = procedure() == kResponseCompleted;
  for (const ui::MessageBoxRequest& box : windows.shownMessageBoxes()) result.messages.push_back(box.text);
  return result;
}

}  // namespace veltrano::framework
