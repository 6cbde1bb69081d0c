// Finished pages drawn with Qt: PDF files (text kept as text, so that it can be searched and
// copied), PNG images, and the system's printers through Qt's print support (CUPS).
//
// It draws on the calling thread, one output at a time, and needs only a QGuiApplication:
// the program's, or the offscreen one that a run without a screen makes (OffscreenReports).
#pragma once

#include <memory>
#include <mutex>

#include "ui/report/report_output.h"

class QGuiApplication;

namespace veltrano::ui::report::qt {

class QtReportOutput : public ReportOutput {
 public:
  std::optional<std::string> writePdf(const ReportPages& report, const std::string& path, int first_page = 1,
                                      int last_page = 0) override;
  std::optional<std::string> writePng(const Page& page, const std::string& path,
                                      int dots_per_inch = 150) override;
  std::optional<std::string> print(const ReportPages& report, const PrintRequest& request) override;
  std::vector<std::string> printers() override;

  // The PDF file's bytes.
  std::optional<std::string> pdfBytes(const ReportPages& report, int first_page, int last_page,
                                      std::string* bytes);

 private:
  std::mutex mutex_;
};

// What a program without a screen (the report command, a test) needs before it writes a
// report's PDF: a QGuiApplication on the offscreen platform, unless one exists, and the Qt
// output installed for its lifetime.
class OffscreenReports {
 public:
  OffscreenReports();
  ~OffscreenReports();
  OffscreenReports(const OffscreenReports&) = delete;
  OffscreenReports& operator=(const OffscreenReports&) = delete;

 private:
  std::unique_ptr<QGuiApplication> application_;
  QtReportOutput output_;
  ReportOutput* previous_ = nullptr;
};

}  // namespace veltrano::ui::report::qt
