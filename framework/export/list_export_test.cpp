#include "framework/export/list_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "framework/export/xlsx_read_back.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"
#include "runtime/picture/picture.h"
#include "ui/headless_engine.h"

namespace veltrano::framework {
namespace {

using platform::ru;
namespace fs = std::filesystem;

std::string printed(std::string_view value, const char* picture) {
  std::string text = runtime::formatPicture(value, runtime::compilePicture(picture));
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string()
                                    : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string fileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory = fs::temp_directory_path() / ("veltrano_export_" + std::to_string(::getpid()));
    fs::remove_all(directory);
    fs::create_directories(directory);
    const std::string born = std::to_string(runtime::dateFromParts(5, 12, 1948));
    table.title = ru("Сотрудники");
    table.columns = {{ru("Фамилия"), "@s20", 20},
                     {ru("Таб. №"), "@n_6", 6},
                     {ru("Оклад"), "@n-12.2", 12},
                     {ru("Дата рожд."), "@d6.", 10}};
    table.rows = {{ru("Иванов; мл."), "12", printed("1234.5", "@n-12.2"), printed(born, "@d6.")},
                  {"=1+1", "7", printed("-0.25", "@n-12.2"), ""}};
  }
  void TearDown() override {
    if (!getenv("KEEP")) fs::remove_all(directory);
  }
  std::vector<std::string> names() const {
    std::vector<std::string> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory))
      found.push_back(entry.path().filename().string());
    return found;
  }

  fs::path directory;
  ExportTable table;
};

TEST_F(ExportTest, CsvAndWorkbookHoldThePrintedTextsAndTheTypedValues) {
  const fs::path csv = directory / "list.csv";
  ASSERT_EQ(writeExport(table, ExportFormat::kCsv, csv.string()), std::nullopt);
  EXPECT_EQ(fileText(csv),
            "\xEF\xBB\xBF"
            "Фамилия;Таб. №;Оклад;Дата рожд.\r\n"
            "\"Иванов; мл.\";12;" +
                platform::utf8From1251(table.rows[0][2]) +
                ";12.05.1948\r\n"
                "'=1+1;7;" +
                platform::utf8From1251(table.rows[1][2]) + ";\r\n");

  const fs::path xlsx = directory / "LIST.XLSX";
  ASSERT_EQ(exportFormatOf(xlsx.string()), ExportFormat::kXlsx);
  ASSERT_EQ(writeExport(table, ExportFormat::kXlsx, xlsx.string()), std::nullopt);
  const std::vector<std::string> expected{
      "frozen=A2",
      "widths=22.7109,7.28516,13.8555,11.7109",  // as the reader counts the padding
      "s:Фамилия;s:Таб. №;s:Оклад;s:Дата рожд.",
      "s:Иванов; мл.;n:12;n:1234.5;d:1948-05-12",
      "s:=1+1;n:7;n:-0.25;",
  };
  EXPECT_EQ(testing::readXlsxBack(xlsx.string()), expected);
  EXPECT_EQ(names().size(), 2u) << "no temporary file is left";
}

TEST_F(ExportTest, ATargetThatCannotBeWrittenIsToldAndLeavesNothing) {
  fs::create_directories(directory / "folder.csv");
  for (const ExportFormat format : {ExportFormat::kCsv, ExportFormat::kXlsx, ExportFormat::kPdf}) {
    for (const fs::path& target : {directory / "missing" / "list.csv", directory / "folder.csv"}) {
      SCOPED_TRACE(target.string());
      const std::optional<std::string> failure = writeExport(table, format, target.string());
      ASSERT_TRUE(failure.has_value());
      EXPECT_EQ(failure->rfind(ru("Не удалось записать файл ") + target.string(), 0), 0u) << *failure;
      EXPECT_EQ(names(), std::vector<std::string>{"folder.csv"});
    }
  }
}

// A list of `rows` rows whose reading fails at row `fail_at` (0: never).
class NumberedRows : public ExportSource {
 public:
  NumberedRows(int rows, int fail_at) : rows_(rows), fail_at_(fail_at) {}
  std::string Title() const override { return "Rows"; }
  std::vector<ExportColumn> Columns() const override { return {{"N", "@n_6", 6}}; }
  std::int64_t Expected() const override { return rows_; }
  bool Start() override { return true; }
  Read Next(std::vector<std::string>& cells) override {
    if (++read_ == fail_at_) return Read::kFailed;
    if (read_ > rows_) return Read::kEnd;
    cells = {std::to_string(read_)};
    return Read::kRow;
  }
  void Finish() override { finished_ = true; }
  bool finished_ = false;

 private:
  int rows_ = 0;
  int fail_at_ = 0;
  int read_ = 0;
};

// The clerk presses "Отмена" as soon as the progress window shows.
class CancellingEngine : public ui::HeadlessEngine {
 public:
  ui::WindowId openWindow(const ui::WindowDescription& description, std::string* error) override {
    const ui::WindowId window = HeadlessEngine::openWindow(description, error);
    if (description.caption == ru("Экспорт списка") && cancel_)
      postEvent(window, ui::Event{ui::event::kAccepted, export_progress::kCancel, window, 0, 0});
    return window;
  }
  bool cancel_ = true;
};

TEST_F(ExportTest, ACancelledOrFailedExportKeepsTheFileThatWasThere) {
  const fs::path target = directory / "list.csv";
  struct Case {
    const char* what;
    bool cancel;
    int fail_at;
    ExportOutcome outcome;
  };
  for (const Case& c : {Case{"cancelled", true, 0, ExportOutcome::kCancelled},
                        Case{"read failure", false, 500, ExportOutcome::kFailed}}) {
    SCOPED_TRACE(c.what);
    std::ofstream(target) << "old";
    CancellingEngine engine;
    engine.cancel_ = c.cancel;
    ui::ScopedWindowEngine installed(engine);
    engine.queueFileDialogAnswer(target.string());
    NumberedRows rows(2000, c.fail_at);
    EXPECT_EQ(exportList(rows, ExportOptions{std::chrono::milliseconds(0)}), c.outcome);
    EXPECT_TRUE(rows.finished_);
    EXPECT_EQ(fileText(target), "old");
    EXPECT_EQ(names(), std::vector<std::string>{"list.csv"});
  }
  // Without a cancel the same rows replace it, all of them.
  CancellingEngine engine;
  engine.cancel_ = false;
  ui::ScopedWindowEngine installed(engine);
  NumberedRows rows(2000, 0);
  EXPECT_EQ(exportListTo(rows, ExportTarget{target.string(), ExportFormat::kCsv},
                         ExportOptions{std::chrono::milliseconds(0)}),
            ExportOutcome::kWritten);
  const std::string text = fileText(target);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2001);
  EXPECT_NE(text.find("\r\n2000\r\n"), std::string::npos);
}

}  // namespace
}  // namespace veltrano::framework
