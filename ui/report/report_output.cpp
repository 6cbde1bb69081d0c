#include "ui/report/report_output.h"

#include <atomic>

#include "platform/codepage.h"

namespace veltrano::ui::report {
namespace {

class NoOutput final : public ReportOutput {
 public:
  std::optional<std::string> writePdf(const ReportPages&, const std::string&, int, int) override {
    return unavailable();
  }
  std::optional<std::string> writePng(const Page&, const std::string&, int) override { return unavailable(); }
  std::optional<std::string> print(const ReportPages&, const PrintRequest&) override { return unavailable(); }
  std::vector<std::string> printers() override { return {}; }

 private:
  static std::string unavailable() { return platform::ru("Программа запущена без вывода отчётов."); }
};

NoOutput no_output;
std::atomic<ReportOutput*> installed{nullptr};

}  // namespace

ReportOutput& reportOutput() {
  ReportOutput* output = installed.load(std::memory_order_acquire);
  return output != nullptr ? *output : no_output;
}

ReportOutput* installReportOutput(ReportOutput* output) {
  return installed.exchange(output, std::memory_order_acq_rel);
}

std::optional<PageRange> pageRange(int pages, int first_page, int last_page, std::string* error) {
  PageRange range{first_page < 1 ? 1 : first_page, last_page <= 0 || last_page > pages ? pages : last_page};
  if (pages < 1 || range.first > range.last) {
    if (error != nullptr) {
      *error = platform::ru("В отчёте нет страниц с ") + std::to_string(first_page) + platform::ru(" по ") +
               std::to_string(last_page <= 0 ? pages : last_page) + platform::ru(" (всего страниц: ") +
               std::to_string(pages) + ").";
    }
    return std::nullopt;
  }
  return range;
}

}  // namespace veltrano::ui::report
