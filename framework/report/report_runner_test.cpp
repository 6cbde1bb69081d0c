// Reports over a staff table on disk, run as the program runs them: the runner on a thread of
// its own, the timer ticks and the clock in the test's hands, the clerk's side through the
// headless engine.
#include "framework/report/report_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>

#include "framework/report/report_command.h"
#include "framework/report/report_texts.h"
#include "framework/window/window_test_support.h"
#include "ui/headless_engine.h"
#include "ui/report/recording_output.h"
#include "ui/report/report_files.h"
#include "ui/report/table_report.h"

namespace veltrano::framework {
namespace {

using platform::ru;
using testing::ProcedureThread;
using testing::StaffTable;

// Each record printed takes four hundredths of a second of the test's clock.
class TimedReport : public ReportRunner {
 public:
  std::atomic<std::int64_t> now{1000};
  TimedReport() {
    CLOCK = [this] { return now.load(); };
  }
  int OnRecord() override {
    now += 4;
    return ReportRunner::OnRecord();
  }
};

class ReportRunnerTest : public testing::WindowTest {
 public:
  void SetUp() override {
    WindowTest::SetUp();
    std::vector<std::pair<std::string, std::string>> cards;
    for (int card = 1; card <= 120; ++card) {
      cards.emplace_back("Фамилия" + std::to_string(1000 + card), card % 2 ? "ТЕР" : "ХИР");
    }
    staff.add(cards);
    translator.AddTranslation(reportTextsRussian());
    process.Init(ViewDefinition{{}, {&staff.file->file()}}, &staff.guard);
    process.RegisterSortOrder(staff.key("STF:FAM_KEY"));
    report.PRIMARY = &staff.guard;
    report.ERRORS = &errors;
    report.TRANSLATOR = &translator;
    report.PROCESS = &process;
    report.PREVIEW = &preview;
    report.TIMESLICE = 100;
    ui::report::TableReport table;
    table.name = "VELTR113";
    table.title = {ru("Список сотрудников")};
    table.columns = {{ru("Фамилия"), "STF:FAM", "@s20", 6000, ui::report::Align::kDefault, {}},
                     {ru("Отделение"), "STF:OTD", "@s10", 3000, ui::report::Align::kDefault, {}}};
    report.REPORT = ui::report::tableReport(table);
  }
  void TearDown() override {
    process.Kill();
    WindowTest::TearDown();
  }
  // Ticks the progress window's timer once and waits for the runner to be done with it.
  void tick(ProcedureThread& procedure, ui::WindowId window) {
    ASSERT_TRUE(engine.timerTick(window));
    procedure.idle(window);
  }

  ui::HeadlessEngine engine;
  ui::ScopedWindowEngine installed{engine};
  ui::report::RecordingOutput output;
  ui::report::ScopedReportOutput output_installed{output};
  Translator translator;
  testing::DiskStorage disk;
  StaffTable staff{disk, errors};
  ProcessManager process;
  PagePreview preview;
  TimedReport report;
};

TEST_F(ReportRunnerTest, ReadsInTimedBatchesShowsProgressAndPreviewsThePages) {
  report.DEFERWINDOW = 1;
  ProcedureThread procedure(engine, [&] { return report.Run(); });
  ui::WindowId window = procedure.window("veltrano$VELTR113");
  ASSERT_NE(window, 0u);
  auto progress = [&] { return *engine.snapshot(window); };
  EXPECT_TRUE(progress().hidden) << "the progress window waits for DEFERWINDOW";
  EXPECT_EQ(progress().caption, ru("Выполнение..."));
  EXPECT_EQ(progress().timer_hundredths, 1);

  // 4, 12, 28 and 60 hundredths after batches of 1, 2, 4 and 8: the tick ends past half the
  // timeslice with 15 records read of 120, and the batch size has doubled to 16.
  tick(procedure, window);
  EXPECT_EQ(report.RECORDSPERCYCLE, 16);
  EXPECT_EQ(process.RECORDSPROCESSED, 15);
  EXPECT_EQ(process.RECORDSTOPROCESS, 120);
  EXPECT_EQ(progress().controls.at(progress::kBar).value, "12");
  EXPECT_EQ(progress().controls.at(progress::kText).text, ru("12% выполнено"));
  tick(procedure, window);
  EXPECT_EQ(report.RECORDSPERCYCLE, 32);
  EXPECT_EQ(process.RECORDSPROCESSED, 31);
  EXPECT_TRUE(progress().hidden) << "the tick began 60 hundredths after the start";
  tick(procedure, window);
  EXPECT_FALSE(progress().hidden) << "this one began after more than a second";
  EXPECT_EQ(report.RECORDSPERCYCLE, 32) << "128 is not past one and a half timeslices";
  EXPECT_EQ(progress().controls.at(progress::kText).text, ru("52% выполнено"));
  while (engine.timerTick(window)) procedure.idle(window);

  ui::WindowId shown = procedure.window(kPreviewSection);
  ASSERT_NE(shown, 0u);
  EXPECT_FALSE(engine.snapshot(window)) << "the progress window is closed";
  const ui::report::ReportPages& pages = report.Pages();
  ASSERT_EQ(pages.pages.size(), 3u);
  EXPECT_EQ(pages.detail_rows.size(), 120u);
  EXPECT_EQ(pages.detail_rows.front()[1], ru("Фамилия1001"));
  EXPECT_EQ(pages.pages.back()->texts.back().text, ru("Стр. 3"));
  bool counted = false;
  for (const auto& text : pages.pages.back()->texts) counted = counted || text.text == ru("Всего: 120");
  EXPECT_TRUE(counted);
  EXPECT_EQ(report.PREVIEWQUEUE.size(), 3u);
  ASSERT_TRUE(engine.userPresses(shown, preview::kExitButton));
  EXPECT_EQ(procedure.response(), kResponseCompleted);
  EXPECT_TRUE(output.printed().empty());
}

struct EndingCase {
  const char* what;
  std::function<void(ReportRunnerTest&)> prepare;
  bool cancel;          // Cancel pressed after the first tick
  const char* message;  // UTF-8, part of the one box shown; empty: none
};

class ReportEndsEarly : public ReportRunnerTest, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(ReportEndsEarly, WithoutPagesPreviewOrPrinting) {
  const EndingCase& c = GetParam();
  c.prepare(*this);
  ProcedureThread procedure(engine, [&] { return report.Run(); });
  ui::WindowId window = procedure.window("veltrano$VELTR113");
  ASSERT_NE(window, 0u);
  tick(procedure, window);
  if (c.cancel) {
    ASSERT_TRUE(engine.userPresses(window, progress::kCancel));
  }
  EXPECT_EQ(procedure.response(), kResponseCancelled);
  EXPECT_EQ(engine.findWindow(kPreviewSection), 0u) << "no preview";
  EXPECT_TRUE(report.Pages().pages.empty());
  EXPECT_TRUE(output.printed().empty());
  auto shown = engine.shownMessageBoxes();
  ASSERT_EQ(shown.size(), std::string_view(c.message).empty() ? 0u : 1u);
  if (!shown.empty()) {
    EXPECT_NE(platform::utf8From1251(shown.back().text).find(c.message), std::string::npos)
        << platform::utf8From1251(shown.back().text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Reports, ReportEndsEarly,
    ::testing::Values(
        EndingCase{"an empty selection",
                   [](ReportRunnerTest& test) { test.process.SetFilter("STF:NUM > 100000"); }, false,
                   "С такими параметрами записей НЕТ."},
        EndingCase{"cancel pressed mid-report", [](ReportRunnerTest&) {}, true, ""},
        EndingCase{"a picture that does not compile",
                   [](ReportRunnerTest& test) { test.report.REPORT.bands[2].items[1].picture = "@q5"; },
                   false, "шаблон \"@q5\" не распознан"},
        EndingCase{"a value no file has",
                   [](ReportRunnerTest& test) { test.report.REPORT.bands[2].items[1].source = "STF:NOPE"; },
                   false, "значения STF:NOPE нет"}),
    [](const ::testing::TestParamInfo<EndingCase>& param) { return std::to_string(param.index); });

// A form counts the records as they are read and prints its rows once all are read.
class CountingReport : public ReportRunner {
 public:
  explicit CountingReport(StaffTable& staff) : staff_(staff) {
    BindValue("department", [this] { return department_; });
    BindValue("cards", [this] { return std::to_string(cards_); });
  }
  int OnRecord() override {
    ++counted_[staff_.get("STF:OTD")];
    return 0;
  }
  int OnEndOfRecords() override {
    ++ends;
    for (const auto& [department, cards] : counted_) {
      department_ = ru(department);
      cards_ = cards;
      if (!PrintBand(ui::report::kTableRow)) return 1;
    }
    return 0;
  }
  int ends = 0;

 private:
  StaffTable& staff_;
  std::map<std::string, int> counted_;
  std::string department_;
  int cards_ = 0;
};

TEST_F(ReportRunnerTest, PrintsWhatTheRecordsAddUpToOnceAllAreRead) {
  CountingReport form(staff);
  form.PRIMARY = &staff.guard;
  form.ERRORS = &errors;
  form.PROCESS = &process;
  ui::report::TableReport table;
  table.name = "VELTR034";
  table.columns = {{ru("Отделение"), "department", "@s10", 3000, ui::report::Align::kDefault, {}},
                   {ru("Всего"), "cards", "@n4", 2000, ui::report::Align::kDefault, {}}};
  form.REPORT = ui::report::tableReport(table);
  EXPECT_TRUE(produceReportFiles([&] { return form.Run(); }, {}).written);
  EXPECT_EQ(form.ends, 1);
  EXPECT_EQ(form.Pages().detail_rows,
            (std::vector<std::vector<std::string>>{{"1", ru("ТЕР"), "60"}, {"2", ru("ХИР"), "60"}}));
  process.SetFilter("STF:NUM > 100000");
  EXPECT_FALSE(produceReportFiles([&] { return form.Run(); }, {}).written);
  EXPECT_EQ(form.ends, 1) << "nothing was read, so nothing adds up";
  process.SetFilter("");
}

TEST_F(ReportRunnerTest, WithoutAScreenWritesThePdfAndTheCsvAndWithoutAPreviewPrints) {
  std::filesystem::path directory =
      std::filesystem::temp_directory_path() / ("veltrano_report_files_" + std::to_string(::getpid()));
  std::filesystem::create_directories(directory);
  ReportCommandResult done = produceReportFiles(
      [&] { return report.Run(); }, {(directory / "list.pdf").string(), (directory / "list.csv").string()});
  EXPECT_TRUE(done.written);
  EXPECT_TRUE(done.messages.empty());
  EXPECT_EQ(output.writtenFiles(), std::vector<std::string>{(directory / "list.pdf").string()});
  auto csv = ui::report::readWholeFile((directory / "list.csv").string());
  ASSERT_TRUE(csv);
  std::string text(csv->begin(), csv->end());
  EXPECT_EQ(text.rfind("\xEF\xBB\xBF№;Фамилия;Отделение\r\n1;Фамилия1001;ТЕР\r\n", 0), 0u)
      << text.substr(0, 80);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 121);
  done =
      produceReportFiles([&] { return report.Run(); }, {{}, (directory / "missing" / "list.csv").string()});
  EXPECT_FALSE(done.written);
  ASSERT_EQ(done.messages.size(), 1u);
  EXPECT_NE(done.messages[0].find(ru("Не удалось записать файл")), std::string::npos);
  process.SetFilter("STF:NUM > 100000");
  done = produceReportFiles([&] { return report.Run(); }, {(directory / "none.pdf").string(), {}});
  EXPECT_EQ(done.messages, std::vector<std::string>{ru("С такими параметрами записей НЕТ.")});
  process.SetFilter("");
  std::filesystem::remove_all(directory);

  // No preview: printed at once on the printer chosen, or the reason shown when none is.
  report.PREVIEW = nullptr;
  ProcedureThread first(engine, [&] { return report.Run(); });
  ui::WindowId window = first.window("veltrano$VELTR113");
  while (engine.timerTick(window)) first.idle(window);
  EXPECT_EQ(first.response(), kResponseCancelled);
  EXPECT_EQ(engine.shownMessageBoxes().back().text, ru("Не установлен ни один принтер."));
  output.setPrinters({"Office"});
  ProcedureThread second(engine, [&] { return report.Run(); });
  window = second.window("veltrano$VELTR113");
  while (engine.timerTick(window)) second.idle(window);
  EXPECT_EQ(second.response(), kResponseCompleted);
  ASSERT_EQ(output.printed().size(), 1u);
  EXPECT_EQ(output.printed()[0].pages, (std::vector<int>{1, 2, 3}));
}

}  // namespace
}  // namespace veltrano::framework
