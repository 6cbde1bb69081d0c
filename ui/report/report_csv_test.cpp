#include "ui/report/report_csv.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/codepage.h"
#include "ui/report/report_files.h"

namespace veltrano::ui::report {
namespace {

using platform::ru;

TEST(ReportCsv, WritesTitlesAndCellsAsPrintedForASpreadsheet) {
  ReportPages report;
  report.column_titles = {ru("№"), ru("Фамилия И.О."), ru("Оклад")};
  report.detail_rows = {
      {"1", ru("Иванов И.И."), "1,000.50"},
      {"2", ru("Петров; \"младший\""), "-5.00"},
      {"3", ru("=СУММ(A1:A2)"), ru("-не работает")},
      {"4", ru(" с пробелом"), "+7"},
  };
  std::string text = csvText(report);
  EXPECT_EQ(text,
            "\xEF\xBB\xBF"
            "№;Фамилия И.О.;Оклад\r\n"
            "1;Иванов И.И.;1,000.50\r\n"
            "2;\"Петров; \"\"младший\"\"\";-5.00\r\n"
            "3;'=СУММ(A1:A2);'-не работает\r\n"
            "4;\" с пробелом\";+7\r\n");

  std::filesystem::path directory = std::filesystem::temp_directory_path() / "veltrano_report_csv";
  std::filesystem::create_directories(directory);
  EXPECT_EQ(writeCsv(report, (directory / "list.csv").string()), std::nullopt);
  auto written = readWholeFile((directory / "list.csv").string());
  ASSERT_TRUE(written);
  EXPECT_EQ(std::string(written->begin(), written->end()), text);
  // A path that cannot be written gives the user a message naming it, and no file.
  std::optional<std::string> error = writeCsv(report, (directory / "missing" / "list.csv").string());
  ASSERT_TRUE(error);
  EXPECT_NE(error->find(ru("Не удалось записать файл ")), std::string::npos);
  EXPECT_TRUE(writeCsv(report, directory.string()));
  std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace veltrano::ui::report
