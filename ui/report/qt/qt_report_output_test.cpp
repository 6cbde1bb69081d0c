// Draws a generated report into PDF, PNG and (where CUPS offers a PDF printer) a printer, and
// checks what a reader of the files would see. The images land in the build directory's
// screenshots/ for a person to look at.
#include "ui/report/qt/qt_report_output.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <cstdio>
#include <filesystem>

#include "platform/codepage.h"
#include "ui/qt/text.h"
#include "ui/report/qt/page_painter.h"
#include "ui/report/report_fonts.h"
#include "ui/report/table_report.h"
#include "ui/report/text_lines.h"

namespace veltrano::ui::report::qt {
namespace {

using platform::ru;

class Offscreen : public testing::Environment {
 public:
  void SetUp() override { reports_ = std::make_unique<OffscreenReports>(); }
  void TearDown() override { reports_.reset(); }

 private:
  std::unique_ptr<OffscreenReports> reports_;
};
testing::Environment* const offscreen = testing::AddGlobalTestEnvironment(new Offscreen);

std::filesystem::path screenshots() {
  const char* build = std::getenv("VELTRANO_BUILD_DIR");
  std::filesystem::path directory = std::filesystem::path(build != nullptr ? build : ".") / "screenshots";
  std::filesystem::create_directories(directory);
  return directory;
}

std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char chunk[4096];
  while (std::size_t got = std::fread(chunk, 1, sizeof chunk, pipe)) out.append(chunk, got);
  pclose(pipe);
  return out;
}

int pagesOf(const std::string& pdfinfo) {
  std::size_t at = pdfinfo.find("Pages:");
  return at == std::string::npos ? -1 : std::atoi(pdfinfo.c_str() + at + 6);
}

// Two pages of a list with a wrapped note, a long surname cut in a fixed-height header, and the
// page footer: what the smoke tests look at.
ReportPages twoPageList(Orientation orientation = Orientation::kPortrait) {
  TableReport table;
  table.name = "VELTR113";
  table.title = {ru("Общий список сотрудников")};
  table.page.orientation = orientation;
  table.columns = {
      {ru("Фамилия И.О."), "fio", "@s40", 5000, Align::kDefault, {}},
      {ru("Дата приема\nна работу"), "hired", "@d6.", 2600, Align::kDefault, {}},
      {ru("Оклад"), "salary", "@n12.2", 2600, Align::kDefault, {}},
      {ru("Категория"), "category", "@s20", 2400, Align::kCenter, ru("Квалификация")},
      {ru("Сертификат"), "certificate", "@d6.", 2400, Align::kDefault, ru("Квалификация")},
  };
  std::string error;
  auto report = CompiledReport::compile(tableReport(table), &error);
  EXPECT_NE(report, nullptr) << platform::utf8From1251(error);
  ReportLayout layout(std::move(report));
  const char* surnames[] = {"Иванова", "Петров", "Сидоренко", "Ёлкина", "Щербаков", "Жуковская"};
  for (int record = 1; record <= 70; ++record) {
    std::string fio = ru(surnames[record % 6]) + ru(" А.Б.");
    if (record == 3) fio = ru("Константинопольская-Рождественская Александра Владимировна");
    layout.print(kTableRow, std::vector<std::string>{fio, std::to_string(80000 + record * 37),
                                                     std::to_string(record * 1234) + ".5",
                                                     record % 3 == 0 ? ru("Высшая") : ru("Первая"),
                                                     std::to_string(81000 + record)});
  }
  return layout.close();
}

TEST(QtReportOutput, PdfKeepsTheTextAndShowsThePagesAsLaidOut) {
  ReportPages report = twoPageList();
  ASSERT_EQ(report.pages.size(), 2u);
  std::filesystem::path pdf = screenshots() / "report_list.pdf";
  ASSERT_EQ(reportOutput().writePdf(report, pdf.string()), std::nullopt);

  std::string text = run("pdftotext -layout '" + pdf.string() + "' - 2>&1");
  for (const char* expected : {"Общий список сотрудников", "Фамилия И.О.", "Константинопольская-",
                               "Ёлкина А.Б.", "Квалификация", "Стр. 1", "Стр. 2", "Всего: 70", "86,380.50"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text.substr(0, 2000);
  }
  std::string hired = runtime::formatPicture("80074", runtime::compilePicture("@d6."));
  EXPECT_NE(text.find(platform::utf8From1251(std::string(trimmed(hired)))), std::string::npos) << hired;
  std::string info = run("pdfinfo '" + pdf.string() + "' 2>&1");
  EXPECT_EQ(pagesOf(info), 2) << info;
  EXPECT_NE(info.find("pts (A4)"), std::string::npos) << info;
  std::string fonts = run("pdffonts '" + pdf.string() + "' 2>&1");
  EXPECT_NE(fonts.find("DejaVuSans"), std::string::npos) << fonts;

  std::filesystem::path pages = screenshots() / "report_list_pdf";
  run("pdftoppm -r 70 -png '" + pdf.string() + "' '" + pages.string() + "'");
  EXPECT_TRUE(std::filesystem::exists(pages.string() + "-1.png"));
  EXPECT_TRUE(std::filesystem::exists(pages.string() + "-2.png"));

  // Only a chosen range.
  ASSERT_EQ(reportOutput().writePdf(report, pdf.string(), 2, 2), std::nullopt);
  EXPECT_EQ(pagesOf(run("pdfinfo '" + pdf.string() + "' 2>&1")), 1);
  EXPECT_NE(run("pdftotext '" + pdf.string() + "' - 2>&1").find("Стр. 2"), std::string::npos);
}

TEST(QtReportOutput, RefusesWhatItCannotDoWithAClearMessage) {
  ReportPages report = twoPageList();
  std::optional<std::string> error = reportOutput().writePdf(report, "/proc/veltrano/list.pdf");
  ASSERT_TRUE(error);
  EXPECT_NE(error->find(ru("Не удалось записать файл /proc/veltrano/list.pdf")), std::string::npos);
  error = reportOutput().writePdf(report, (screenshots() / "range.pdf").string(), 3, 4);
  ASSERT_TRUE(error);
  EXPECT_NE(platform::utf8From1251(*error).find("нет страниц с 3 по 4"), std::string::npos);
  PrintRequest request;
  request.printer = "No Such Printer";
  error = reportOutput().print(report, request);
  ASSERT_TRUE(error);
  std::string message = platform::utf8From1251(*error);
  bool any_printer = !QPrinterInfo::availablePrinterNames().isEmpty();
  EXPECT_NE(message.find(any_printer ? "не найден" : "Не установлен ни один принтер"), std::string::npos)
      << message;
}

TEST(QtReportOutput, QtDrawsTheWidthsTheLayoutMeasured) {
  // The layout measures with the font files' own advances; a face other than the one it
  // measured, or kerning, would push text out of its cells.
  QPdfWriter device(QStringLiteral("/dev/null"));
  device.setResolution(1200);
  std::string sample = ru("Щербакова-Жуковская Ёлкина 1,234.50 Приказ №45");
  for (bool bold : {false, true}) {
    FontSpec spec{"DejaVu Sans", 9, bold};
    std::string error;
    std::optional<MeasuredFont> measured = loadFont(spec, &error);
    ASSERT_TRUE(measured);
    QFont font = reportFont(spec, 1200);
    QFontMetricsF metrics(font, &device);
    double drawn = metrics.horizontalAdvance(ui::qt::toQt(sample));
    EXPECT_NEAR(drawn, measured->width(sample), measured->width(sample) * 0.005) << bold;
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("DejaVu Sans"));
  }
}

TEST(QtReportOutput, PngAndAPrinterWhereCupsOffersOne) {
  ReportPages report = twoPageList(Orientation::kLandscape);
  std::filesystem::path png = screenshots() / "report_list_landscape.png";
  ASSERT_EQ(reportOutput().writePng(*report.pages[0], png.string(), 60), std::nullopt);
  QImage image(QString::fromStdString(png.string()));
  ASSERT_FALSE(image.isNull());
  EXPECT_GT(image.width(), image.height()) << "landscape";

  QString pdf_printer;
  for (const QString& name : QPrinterInfo::availablePrinterNames()) {
    if (name.contains(QStringLiteral("PDF"), Qt::CaseInsensitive)) pdf_printer = name;
  }
  if (pdf_printer.isEmpty()) GTEST_SKIP() << "no CUPS PDF printer is installed: the page was not printed";
  PrintRequest request;
  request.printer = ui::qt::fromQt(pdf_printer);
  request.first_page = 2;
  request.last_page = 2;
  EXPECT_EQ(reportOutput().print(report, request), std::nullopt);
}

}  // namespace
}  // namespace veltrano::ui::report::qt
