// Every report and form written into a PDF file as the clerk gets it: its title is there for
// pdftotext to read (Cyrillic text, not pictures of letters), and its first page is kept as a
// PNG in the build directory's screenshots/reports/ for a person to look at.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "app/reports/report_command.h"
#include "app/reports/reports_test_support.h"
#include "app/reports/training_plan_build.h"
#include "ui/report/qt/qt_report_output.h"

namespace veltrano::app::reports {
namespace {

class Offscreen : public ::testing::Environment {
 public:
  void SetUp() override { reports_ = std::make_unique<ui::report::qt::OffscreenReports>(); }
  void TearDown() override { reports_.reset(); }

 private:
  std::unique_ptr<ui::report::qt::OffscreenReports> reports_;
};
::testing::Environment* const offscreen = ::testing::AddGlobalTestEnvironment(new Offscreen);

std::filesystem::path screenshots() {
  const char* build = std::getenv("VELTRANO_BUILD_DIR");
  std::filesystem::path directory =
      std::filesystem::path(build != nullptr ? build : ".") / "screenshots" / "reports";
  std::filesystem::create_directories(directory);
  return directory;
}

std::string shell(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char chunk[4096];
  while (std::size_t got = std::fread(chunk, 1, sizeof chunk, pipe)) out.append(chunk, got);
  pclose(pipe);
  return out;
}

// Runs of spaces and line ends read as one space: pdftotext breaks a long title where it wraps.
std::string words(const std::string& text) {
  std::string joined;
  for (const char c : text) {
    const bool space = c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f';
    if (!space) {
      joined += c;
    } else if (!joined.empty() && joined.back() != ' ') {
      joined += ' ';
    }
  }
  return joined;
}

struct TitleCase {
  std::uint16_t report;
  std::vector<std::pair<std::string, std::string>> set;  // the globals, as typed (UTF-8)
  std::string title;                                     // UTF-8
};

class ReportsPdfTest : public testing::ReportsTest {
 protected:
  void SetUp() override {
    ReportsTest::SetUp();
    const std::int64_t averina = card("Аверина", [&](RecordAccess& c) {
      c.setText("KAR:NOM", ru("Анна"));
      c.setText("KAR:PER", ru("Петровна"));
      c.setInteger("KAR:STR", 10);
      c.setText("KAR:POST", ru("Врач-терапевт"));
      c.setText("KAR:PROFF", ru("Врач-терапевт"));
      c.setText("KAR:OTDELENIE", ru("Терапия"));
      c.setText("KAR:KATEGOR", ru("Высшая"));
      c.setInteger("KAR:DATAS", today() - 100);
      c.setInteger("KAR:DATR", date(1949, 5, 12));
      c.setInteger("KAR:DATA_ZAP", date(1979, 8, 1));
      c.setText("KAR:PRIBYL", ru("самостоятельно"));
    });
    card("Борисов", [&](RecordAccess& c) {
      c.setInteger("KAR:STR", 25);
      c.setInteger("KAR:POL", 1);
      c.setInteger("KAR:SOVMESTITEL", 1);
    });
    card("Дьячков", [&](RecordAccess& c) { c.setInteger("KAR:STR", 60); });
    const std::int64_t vasilieva = card("Васильева", [&](RecordAccess& c) { c.setInteger("KAR:STR", 115); });
    card("Григорьева", [&](RecordAccess& c) {
      c.setInteger("KAR:STR", 140);
      c.setText("KAR:POST", ru("Санитарка палатная"));
    });
    card("Егорова", [&](RecordAccess& c) {
      c.setInteger("KAR:STR", 10);
      c.setInteger("KAR:DATA_UVOL", date(2004, 3, 1));
      c.setText("KAR:PRICHINA_UVOL", ru("по собственному желанию"));
    });
    addRecord("SOSTAV", [&](RecordAccess& r) {
      r.setInteger("SOS:NUM", averina);
      r.setInteger("SOS:NUMS", 1);
      r.setText("SOS:IGDIVEN", ru("дочь"));
      r.setInteger("SOS:DATR", date(1995, 3, 12));
    });
    addRecord("OTPUSK", [&](RecordAccess& r) {
      r.setInteger("OTP:NUM", vasilieva);
      r.setText("OTP:VID", ru("Декретный"));
      r.setInteger("OTP:DATAN", date(2004, 3, 1));
    });
    dictionary.manager("UCHEBA").Close();
    const PlanBuilt built = buildTrainingPlan(dictionary, PlanSlots{}, today());
    ASSERT_TRUE(built.built) << platform::utf8From1251(built.failure);
  }
};

TEST_F(ReportsPdfTest, EachReportsPdfCarriesItsTitle) {
  const TitleCase cases[] = {
      {113, {}, "Общий список сотрудников"},
      {115, {}, "Расширенный список сотрудников"},
      {112, {}, "Cписок сотрудников дети которых родились после 6.10.1992г."},
      {118, {}, "Какой ВУЗ окончил"},  // printed without a title: its first column's
      {119, {}, "врачей Ярвинской dizerirud averadav №2 по состоянию на 01.01.2004 г."},
      {122, {}, "среднего медицинского персонала"},
      {123, {}, "Список сотрудниц в декретном отпуске"},
      {124, {}, "Список сотрудников МУЗ Doridaduz uvivavoz №2"},
      {108, {{"datag", "01.07.1984"}}, "Список сотрудников имеющих стаж более 20 лет."},
      {111, {{"datag", "01.07.1949"}}, "Список сотрудников имеющих возраст 55 лет."},
      {107, {{"otdelenieg", "Терапия"}}, "Список сотрудников Терапия"},
      {96, {{"datan", "2004"}}, "Список выхода на пенсию по возрасту в 2004 году"},
      {97, {{"st1", "4"}, {"st2", "82"}, {"katg", "Высшая"}}, "Врачи Высшая категория"},
      {98, {}, "Список совместителей"},
      {99,
       {{"st1", "4"}, {"st2", "82"}, {"profg", "Врач-терапевт"}, {"postg", "Врач-терапевт"}},
       "Должность - Врач-терапевт Профессия - Врач-терапевт"},
      {105, {{"otborg", "Санитары"}}, "Отбор сотрудников по должностям Санитары"},
      {77, {}, "СВЕДЕНИЯ О МЕДИЦИНСКИХ И ФАРМАЦЕВТИЧЕСКИХ КАДРАХ"},
      {34, {}, "Медицинские кадры 1. Врачи"},
      {75, {}, "Медицинские кадры"},
      {76, {}, "3. Средний медицинский персонал"},
      {79, {}, "СВЕДЕНИЯ О ТРУДОУСТРОЙСТВЕ ВЫПУСКНИКОВ ВЫСШИХ И СРЕДНИХ"},
      {78, {{"datanp", "01.01.2004"}, {"datakp", "30.06.2004"}}, "СВЕДЕНИЯ О ВЫСВОБОЖДЕНИИ И ПЕРЕПОДГОТОВКЕ"},
      {84, {}, "План учёбы и аттестации врачей"},
  };
  const std::filesystem::path directory = screenshots();
  ui::report::qt::QtReportOutput pdf;
  for (const TitleCase& c : cases) {
    const std::string name = procedureName(c.report);
    SCOPED_TRACE(name);
    const std::optional<HeadlessReport> report = headlessReport(c.report);
    ASSERT_TRUE(report.has_value());
    for (const auto& [global, typed] : c.set) ASSERT_FALSE(bindReportGlobal(global, typed).has_value());
    const testing::ReportRun done = ReportsTest::run([&] { return report->run(application, c.report); });
    ASSERT_TRUE(done.written) << (done.messages.empty() ? "" : done.messages.front());
    const std::filesystem::path file = directory / (name + ".pdf");
    ASSERT_EQ(pdf.writePdf(done.pages, file.string()), std::nullopt);
    EXPECT_NE(words(shell("pdftotext -l 1 '" + file.string() + "' - 2>&1")).find(words(c.title)),
              std::string::npos);
    shell("pdftoppm -r 60 -png -singlefile -f 1 -l 1 '" + file.string() + "' '" +
          (directory / name).string() + "'");
    EXPECT_TRUE(std::filesystem::exists(directory / (name + ".png")));
  }
}

}  // namespace
}  // namespace veltrano::app::reports
