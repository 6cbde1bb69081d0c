#include "ui/report/qt/qt_report_output.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>
#include <cstdlib>

#include "platform/codepage.h"
#include "ui/qt/text.h"
#include "ui/report/qt/page_painter.h"
#include "ui/report/report_files.h"

namespace veltrano::ui::report::qt {
namespace {

using platform::ru;
using ui::qt::toQt;

constexpr int kPdfResolution = 1200;

QPageLayout layoutOf(const PageSetup& page) {
  QPageSize size(page.paper == PaperSize::kA3 ? QPageSize::A3 : QPageSize::A4);
  return QPageLayout(
      size, page.orientation == Orientation::kLandscape ? QPageLayout::Landscape : QPageLayout::Portrait,
      QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

std::span<const std::uint8_t> bytesOf(const QByteArray& data) {
  return {reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::size_t>(data.size())};
}

// Draws pages `range` onto a device that is one sheet of the report's paper per page.
template <typename Device>
std::optional<std::string> paintPages(Device& device, const ReportPages& report, PageRange range) {
  QPainter painter;
  if (!painter.begin(&device)) return ru("Не удалось начать печать отчёта ") + report.name + ".";
  QRectF sheet(0, 0, device.width(), device.height());
  for (int number = range.first; number <= range.last; ++number) {
    if (number > range.first && !device.newPage()) {
      painter.end();
      return ru("Печать отчёта ") + report.name + ru(" прервана на странице ") + std::to_string(number) + ".";
    }
    paintPage(painter, *report.pages[static_cast<std::size_t>(number - 1)], sheet);
  }
  if (!painter.end()) return ru("Не удалось завершить печать отчёта ") + report.name + ".";
  return std::nullopt;
}

}  // namespace

std::optional<std::string> QtReportOutput::pdfBytes(const ReportPages& report, int first_page, int last_page,
                                                    std::string* bytes) {
  std::string error;
  std::optional<PageRange> range =
      pageRange(static_cast<int>(report.pages.size()), first_page, last_page, &error);
  if (!range) return error;
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(kPdfResolution);
    writer.setPageLayout(layoutOf(report.page));
    writer.setTitle(toQt(report.title.empty() ? report.name : report.title));
    writer.setCreator(QStringLiteral("Veltrano"));
    if (std::optional<std::string> failed = paintPages(writer, report, *range)) return failed;
  }
  bytes->assign(buffer.data().constData(), static_cast<std::size_t>(buffer.data().size()));
  return std::nullopt;
}

std::optional<std::string> QtReportOutput::writePdf(const ReportPages& report, const std::string& path,
                                                    int first_page, int last_page) {
  std::lock_guard lock(mutex_);
  std::string bytes;
  if (std::optional<std::string> failed = pdfBytes(report, first_page, last_page, &bytes)) return failed;
  return writeWholeFile(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::optional<std::string> QtReportOutput::writePng(const Page& page, const std::string& path,
                                                    int dots_per_inch) {
  std::lock_guard lock(mutex_);
  double scale = dots_per_inch / 2540.0;
  QImage image(static_cast<int>(std::lround(page.width * scale)),
               static_cast<int>(std::lround(page.height * scale)), QImage::Format_RGB32);
  if (image.isNull())
    return ru("Не хватает памяти для изображения страницы ") + std::to_string(page.number) + ".";
  int dots_per_metre = static_cast<int>(std::lround(dots_per_inch / 0.0254));
  image.setDotsPerMeterX(dots_per_metre);
  image.setDotsPerMeterY(dots_per_metre);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    paintPage(painter, page, QRectF(0, 0, image.width(), image.height()));
  }
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG"))
    return ru("Не удалось записать изображение страницы ") + std::to_string(page.number);
  return writeWholeFile(path, bytesOf(data));
}

std::optional<std::string> QtReportOutput::print(const ReportPages& report, const PrintRequest& request) {
  if (!request.output_file.empty())
    return writePdf(report, request.output_file, request.first_page, request.last_page);
  std::lock_guard lock(mutex_);
  std::string error;
  std::optional<PageRange> range =
      pageRange(static_cast<int>(report.pages.size()), request.first_page, request.last_page, &error);
  if (!range) return error;
  QStringList names = QPrinterInfo::availablePrinterNames();
  if (names.isEmpty()) {
    return ru(
        "Не установлен ни один принтер. Установите принтер в системе, затем выберите его в настройке "
        "принтера.");
  }
  QString name = request.printer.empty() ? QPrinterInfo::defaultPrinterName() : toQt(request.printer);
  if (name.isEmpty()) name = names.front();
  if (!names.contains(name))
    return ru("Принтер ") + request.printer + ru(" не найден. Выберите другой принтер.");
  QPrinter printer(QPrinterInfo::printerInfo(name), QPrinter::HighResolution);
  printer.setFullPage(true);
  printer.setPageLayout(layoutOf(report.page));
  printer.setCopyCount(std::max(request.copies, 1));
  printer.setDocName(toQt(report.title.empty() ? report.name : report.title));
  if (!printer.isValid()) return ru("Принтер ") + ui::qt::fromQt(name) + ru(" недоступен.");
  return paintPages(printer, report, *range);
}

std::vector<std::string> QtReportOutput::printers() {
  std::vector<std::string> names;
  QString preferred = QPrinterInfo::defaultPrinterName();
  if (!preferred.isEmpty()) names.push_back(ui::qt::fromQt(preferred));
  for (const QString& name : QPrinterInfo::availablePrinterNames()) {
    if (name != preferred) names.push_back(ui::qt::fromQt(name));
  }
  return names;
}

OffscreenReports::OffscreenReports() {
  if (QGuiApplication::instance() == nullptr) {
    // No screen is needed to draw into files; the offscreen platform needs no display.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "veltrano";
    static char* argv[] = {name, nullptr};
    application_ = std::make_unique<QGuiApplication>(argc, argv);
  }
  previous_ = installReportOutput(&output_);
}

OffscreenReports::~OffscreenReports() {
  installReportOutput(previous_);
}

}  // namespace veltrano::ui::report::qt
