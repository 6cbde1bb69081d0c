// A two-page report in the print preview on the Qt engine (offscreen): at page width, as
// tiles, and the progress window of a report over it. Screenshots land in the build
// directory's screenshots/ for a person to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QSpinBox>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "framework/report/page_preview.h"
#include "framework/report/report_runner.h"
#include "framework/report/report_texts.h"
#include "framework/window/window_test_support.h"
#include "platform/codepage.h"
#include "ui/qt/qt_engine.h"
#include "ui/qt/qt_smoke_support.h"
#include "ui/report/qt/page_view_widget.h"
#include "ui/report/qt/qt_report_output.h"
#include "ui/report/table_report.h"

namespace veltrano::framework {
namespace {

using namespace std::chrono_literals;
using platform::ru;
using ui::qt::testing::distinctColours;
using ui::qt::testing::pumpUntil;
using ui::qt::testing::screenshotPath;

// The program's screen, offscreen: the Qt application and engine, the Qt drawing of reports,
// and the report family's Russian texts.
struct QtScreen {
  // Qt keeps the arguments for the application's lifetime; no display is needed.
  static int& offscreenArgc() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int count = 1;
    return count;
  }
  static char** argv() {
    static char program[] = "report_smoke_tests";
    static char* arguments[] = {program, nullptr};
    return arguments;
  }
  QtScreen() : application(offscreenArgc(), argv()) { translator.AddTranslation(reportTextsRussian()); }

  QApplication application;
  ui::qt::QtEngine engine;
  ui::ScopedWindowEngine installed{engine};
  ui::report::qt::QtReportOutput output;
  ui::report::ScopedReportOutput output_installed{output};
  Translator translator;
};

ui::report::ReportPages twoPages() {
  ui::report::TableReport table;
  table.name = "VELTR113";
  table.title = {ru("Общий список сотрудников")};
  table.columns = {{ru("Фамилия И.О."), "fio", "@s30", 5500, ui::report::Align::kDefault, {}},
                   {ru("Должность"), "post", "@s40", 6000, ui::report::Align::kDefault, {}},
                   {ru("Дата приема"), "hired", "@d6.", 2500, ui::report::Align::kDefault, {}}};
  std::string error;
  ui::report::ReportLayout layout(
      ui::report::CompiledReport::compile(ui::report::tableReport(table), &error));
  const char* posts[] = {"Врач-терапевт участковый", "Медицинская сестра палатная", "Санитарка",
                         "Фельдшер-лаборант"};
  for (int record = 1; record <= 75; ++record) {
    layout.print(ui::report::kTableRow,
                 std::vector<std::string>{ru("Сотрудникова Е.") + std::to_string(record),
                                          ru(posts[record % 4]), std::to_string(80000 + record * 11)});
  }
  return layout.close();
}

TEST(ReportPreviewSmoke, TwoPagesAtPageWidthAndTiled) {
  QtScreen screen;
  ui::qt::QtEngine& engine = screen.engine;
  Translator& translator = screen.translator;

  ui::report::ReportPages pages = twoPages();
  ASSERT_EQ(pages.pages.size(), 2u);
  PagePreview preview;
  preview.TRANSLATOR = &translator;
  std::atomic<bool> finished{false};
  std::thread procedure([&] {
    preview.Display(pages);
    finished = true;
  });

  ui::WindowId window = 0;
  ASSERT_TRUE(pumpUntil([&] {
    window = engine.findWindow(kPreviewSection);
    return window != 0 && engine.waitUntilIdle(window, 1ms);
  }));
  ui::report::qt::PageViewWidget* view = nullptr;
  ASSERT_TRUE(pumpUntil([&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      // The page view has no meta-object of its own: found by its name.
      auto* found = widget->findChild<QAbstractScrollArea*>(ui::report::qt::PageViewWidget::kObjectName);
      if (found != nullptr) view = static_cast<ui::report::qt::PageViewWidget*>(found);
    }
    return view != nullptr && !view->view().pages.empty();
  }));
  auto* page_box = view->window()->findChild<QSpinBox*>();
  ASSERT_NE(page_box, nullptr);
  EXPECT_EQ(page_box->toolTip(), QStringLiteral("Введите номер страницы от 1 до 2"));
  EXPECT_EQ(page_box->maximum(), 2);
  EXPECT_EQ(view->layout().pages.size(), 1u);
  view->window()->grab().save(screenshotPath("report_preview_page_width.png"));
  view->grab().save(screenshotPath("report_preview_page_width_pages.png"));
  EXPECT_GT(distinctColours(screenshotPath("report_preview_page_width_pages.png")), 20u);

  ASSERT_TRUE(engine.userPresses(window, preview::kMenuZoom));
  ASSERT_TRUE(
      pumpUntil([&] { return view->view().zoom == ui::kZoomTile && view->layout().pages.size() == 2; }));
  pumpUntil([] { return false; }, 200ms);
  view->window()->grab().save(screenshotPath("report_preview_tiled.png"));
  view->grab().save(screenshotPath("report_preview_tiled_pages.png"));
  EXPECT_GT(distinctColours(screenshotPath("report_preview_tiled_pages.png")), 20u);
  EXPECT_LT(view->layout().pages[0].x, view->layout().pages[1].x) << "the two pages stand side by side";

  ASSERT_TRUE(engine.userPresses(window, preview::kExitButton));
  ASSERT_TRUE(pumpUntil([&] { return finished.load(); }));
  procedure.join();
}

// A report whose records take a while each, so that the progress window has time to be seen.
class SlowReport : public ReportRunner {
 public:
  int OnRecord() override {
    std::this_thread::sleep_for(3ms);
    return ReportRunner::OnRecord();
  }
};

TEST(ReportPreviewSmoke, ProgressWindowThenPreviewOfAStaffReport) {
  QtScreen screen;
  ui::qt::QtEngine& engine = screen.engine;
  Translator& translator = screen.translator;
  ErrorManager errors;
  errors.Init();
  testing::DiskStorage disk;
  testing::StaffTable staff(disk, errors);
  std::vector<std::pair<std::string, std::string>> cards;
  for (int card = 1; card <= 150; ++card) cards.emplace_back("Сотрудник" + std::to_string(card), "ТЕР");
  staff.add(cards);

  ProcessManager process;
  process.Init(ViewDefinition{{}, {&staff.file->file()}}, &staff.guard);
  process.RegisterSortOrder(staff.key("STF:NUM_KEY"));
  PagePreview preview;
  SlowReport report;
  report.PRIMARY = &staff.guard;
  report.ERRORS = &errors;
  report.TRANSLATOR = &translator;
  report.PROCESS = &process;
  report.PREVIEW = &preview;
  report.TIMESLICE = 10;
  ui::report::TableReport table;
  table.name = "VELTR113";
  table.title = {ru("Список сотрудников")};
  table.columns = {{ru("Фамилия"), "STF:FAM", "@s20", 6000, ui::report::Align::kDefault, {}}};
  report.REPORT = ui::report::tableReport(table);
  std::atomic<bool> finished{false};
  std::thread procedure([&] {
    report.Run();
    finished = true;
  });

  QProgressBar* bar = nullptr;
  ASSERT_TRUE(pumpUntil([&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* found = widget->findChild<QProgressBar*>(); found != nullptr && found->value() > 0)
        bar = found;
    }
    return bar != nullptr;
  }));
  QWidget* progress = bar->window();
  EXPECT_EQ(progress->windowTitle(), QStringLiteral("Выполнение..."));
  EXPECT_TRUE(progress->findChild<QLabel*>()->text().endsWith(QStringLiteral("% выполнено")));
  progress->grab().save(screenshotPath("report_progress.png"));

  ui::WindowId shown = 0;
  ASSERT_TRUE(pumpUntil([&] {
    shown = engine.findWindow(kPreviewSection);
    return shown != 0 && engine.waitUntilIdle(shown, 1ms);
  }));
  EXPECT_EQ(report.Pages().pages.size(), 3u);
  ASSERT_TRUE(engine.userPresses(shown, preview::kExitButton));
  ASSERT_TRUE(pumpUntil([&] { return finished.load(); }));
  procedure.join();
  process.Kill();
  staff.manager.Close();
  errors.Kill();
}

}  // namespace
}  // namespace veltrano::framework
