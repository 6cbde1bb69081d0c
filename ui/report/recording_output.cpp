#include "ui/report/recording_output.h"

#include <algorithm>

#include "platform/codepage.h"

namespace veltrano::ui::report {

std::optional<std::string> RecordingOutput::writePdf(const ReportPages& report, const std::string& path,
                                                     int first_page, int last_page) {
  std::lock_guard lock(mutex_);
  if (failure_) return failure_;
  std::string error;
  if (!pageRange(static_cast<int>(report.pages.size()), first_page, last_page, &error)) return error;
  written_files_.push_back(path);
  return std::nullopt;
}

std::optional<std::string> RecordingOutput::writePng(const Page&, const std::string& path, int) {
  std::lock_guard lock(mutex_);
  if (failure_) return failure_;
  written_files_.push_back(path);
  return std::nullopt;
}

std::optional<std::string> RecordingOutput::print(const ReportPages& report, const PrintRequest& request) {
  std::lock_guard lock(mutex_);
  if (failure_) return failure_;
  if (request.output_file.empty()) {
    if (printers_.empty()) return platform::ru("Не установлен ни один принтер.");
    if (!request.printer.empty() &&
        std::find(printers_.begin(), printers_.end(), request.printer) == printers_.end()) {
      return platform::ru("Принтер ") + request.printer + platform::ru(" не найден.");
    }
  }
  std::string error;
  std::optional<PageRange> range =
      pageRange(static_cast<int>(report.pages.size()), request.first_page, request.last_page, &error);
  if (!range) return error;
  Printed printed{request, {}};
  for (int page = range->first; page <= range->last; ++page) printed.pages.push_back(page);
  printed_.push_back(std::move(printed));
  return std::nullopt;
}

std::vector<std::string> RecordingOutput::printers() {
  std::lock_guard lock(mutex_);
  return printers_;
}

void RecordingOutput::setPrinters(std::vector<std::string> printers) {
  std::lock_guard lock(mutex_);
  printers_ = std::move(printers);
}

void RecordingOutput::setFailure(std::optional<std::string> message) {
  std::lock_guard lock(mutex_);
  failure_ = std::move(message);
}

std::vector<RecordingOutput::Printed> RecordingOutput::printed() const {
  std::lock_guard lock(mutex_);
  return printed_;
}

std::vector<std::string> RecordingOutput::writtenFiles() const {
  std::lock_guard lock(mutex_);
  return written_files_;
}

}  // namespace veltrano::ui::report
