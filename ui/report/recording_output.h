// The report output without a screen or printer, for tests: it keeps what was asked of it and
// answers as the test tells it to. CSV files need no toolkit and are written for real
// elsewhere (report_csv.h); PDF and PNG requests are recorded, not drawn.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ui/report/report_output.h"

namespace veltrano::ui::report {

class RecordingOutput : public ReportOutput {
 public:
  struct Printed {
    PrintRequest request;
    std::vector<int> pages;  // the numbers of the pages sent
  };

  std::optional<std::string> writePdf(const ReportPages& report, const std::string& path, int first_page,
                                      int last_page) override;
  std::optional<std::string> writePng(const Page& page, const std::string& path, int dots_per_inch) override;
  std::optional<std::string> print(const ReportPages& report, const PrintRequest& request) override;
  std::vector<std::string> printers() override;

  // The system's printers as the test makes them; none at first.
  void setPrinters(std::vector<std::string> printers);
  // Every later call fails with this message (nothing: they succeed again).
  void setFailure(std::optional<std::string> message);

  std::vector<Printed> printed() const;
  // The PDF and PNG files asked for, in order.
  std::vector<std::string> writtenFiles() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> printers_;
  std::optional<std::string> failure_;
  std::vector<Printed> printed_;
  std::vector<std::string> written_files_;
};

}  // namespace veltrano::ui::report
