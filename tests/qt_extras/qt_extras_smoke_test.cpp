// The export's save dialog with its three types and its progress window with "Отмена", and the
// window "Напоминания" over demo data, on the Qt engine offscreen, as the clerk sees them.
// Screenshots go to the build directory's "screenshots" folder for a person to look at.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableWidget>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "app/card/card_procedures.h"
#include "app/demo/demo_data.h"
#include "app/frame/application.h"
#include "app/reminders/reminders_window.h"
#include "framework/export/list_export.h"
#include "framework/window/window_texts.h"
#include "platform/codepage.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/datetime/environment.h"
#include "storage/wendlock_driver.h"
#include "ui/qt/qt_engine.h"
#include "ui/qt/qt_smoke_support.h"
#include "ui/qt/qt_translations.h"
#include "ui/report/qt/qt_report_output.h"
#include "ui/thread_table.h"

namespace veltrano {
namespace {

using namespace std::chrono_literals;
using platform::ru;
using ui::qt::testing::distinctColours;
using ui::qt::testing::pumpUntil;
using ui::qt::testing::screenshotPath;

class QtExtrasSmoke : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char program[] = "qt_extras_tests";
    static char* argv[] = {program, nullptr};
    application = new QApplication(argc, argv);
    ui::qt::installRussianTranslations(*application);
    runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
    directory = std::filesystem::temp_directory_path() / ("veltrano-qt-extras-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    app::DemoOptions options;
    options.directory = platform::cp1251FromUtf8(directory.string());
    options.employees = 2000;
    options.seed = 7;
    ASSERT_EQ(app::generateDemoData(options), "");
  }
  static void TearDownTestSuite() {
    delete application;
    std::filesystem::remove_all(directory);
    runtime::charTables() = runtime::CharTables::defaults();
  }

  void start(std::function<void()> procedure) {
    finished = false;
    worker = std::thread([this, procedure = std::move(procedure)] {
      table.attachFirstThread();
      procedure();
      table.detachFirstThread();
      finished = true;
    });
  }
  void stop() {
    for (ui::WindowId window : engine.openWindows()) engine.userCloses(window);
    pumpUntil([&] { return finished.load(); });
    worker.join();
  }
  ui::WindowId waitForWindow(const char* label) {
    ui::WindowId window = 0;
    pumpUntil([&] { return (window = engine.findWindow(label)) != 0; });
    if (window != 0) {
      pumpUntil([&] { return engine.waitUntilIdle(window, 0ms); });
      pumpUntil([] { return false; }, 150ms);
    }
    return window;
  }
  void shoot(ui::WindowId window, const char* name) {
    const QString path = screenshotPath(name);
    ASSERT_TRUE(engine.saveScreenshot(window, path.toStdString()));
    EXPECT_GT(distinctColours(path), 20u) << name;
  }

  static QApplication* application;
  static std::filesystem::path directory;
  ui::qt::QtEngine engine;
  ui::ScopedWindowEngine installed{engine};
  ui::ThreadTable table;
  std::thread worker;
  std::atomic<bool> finished{false};
};

QApplication* QtExtrasSmoke::application = nullptr;
std::filesystem::path QtExtrasSmoke::directory;

// Rows that stop at the 500th until the test lets them go on, so that the progress window
// stays up to be looked at.
class HeldRows : public framework::ExportSource {
 public:
  explicit HeldRows(std::atomic<bool>& go) : go_(go) {}
  std::string Title() const override { return ru("Список сотрудников"); }
  std::vector<framework::ExportColumn> Columns() const override { return {{ru("Ид.№"), "@n_6", 6}}; }
  std::int64_t Expected() const override { return 2000; }
  bool Start() override { return true; }
  Read Next(std::vector<std::string>& cells) override {
    if (++read_ > 2000) return Read::kEnd;
    if (read_ == 500) {
      while (!go_) std::this_thread::sleep_for(5ms);
    }
    cells = {std::to_string(read_)};
    return Read::kRow;
  }

 private:
  std::atomic<bool>& go_;
  int read_ = 0;
};

TEST_F(QtExtrasSmoke, TheSaveDialogOffersTheThreeTypesAndTheProgressWindowCancels) {
  std::atomic<bool> go{false};
  std::atomic<int> outcome{-1};
  start([&] {
    HeldRows rows(go);
    outcome = static_cast<int>(framework::exportList(rows, framework::ExportOptions{0ms}));
  });
  QFileDialog* dialog = nullptr;
  ASSERT_TRUE(pumpUntil([&] {
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* found = qobject_cast<QFileDialog*>(top); found != nullptr && found->isVisible())
        dialog = found;
    return dialog != nullptr;
  }));
  pumpUntil([] { return false; }, 300ms);
  EXPECT_EQ(dialog->nameFilters().size(), 3);
  EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
  ASSERT_TRUE(dialog->grab().save(screenshotPath("export_save_dialog.png")));
  // A name without an extension takes the chosen type's.
  const QString target = QString::fromStdString((directory / "spisok").string());
  auto* name = dialog->findChild<QLineEdit*>();
  ASSERT_NE(name, nullptr);
  name->setText(target);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(name, &enter);

  // The export reads on without waiting for events: the window is there once it is shown.
  ui::WindowId progress = 0;
  pumpUntil([&] { return (progress = engine.findWindow("Export")) != 0; });
  ASSERT_NE(progress, 0u);
  pumpUntil([] { return false; }, 300ms);
  shoot(progress, "export_progress.png");
  engine.userPresses(progress, framework::export_progress::kCancel);
  pumpUntil([] { return false; }, 150ms);
  go = true;
  ASSERT_TRUE(pumpUntil([&] { return finished.load(); }));
  worker.join();
  EXPECT_EQ(outcome, static_cast<int>(framework::ExportOutcome::kCancelled));
  EXPECT_FALSE(std::filesystem::exists(directory / "spisok.xlsx")) << "a cancelled export leaves no file";
}

TEST_F(QtExtrasSmoke, TheRemindersWindowOverDemoData) {
  framework::ErrorManager errors;
  errors.Init();
  framework::Translator translator;
  translator.AddTranslation(framework::windowTextsRussian());
  framework::SettingsFile settings;
  settings.Init((directory / "veltrano.INI").string());
  framework::ProcedureRegistry procedures;
  app::Dictionary dictionary(storage::wendlockDriver(), platform::cp1251FromUtf8(directory.string()));
  dictionary.Init(errors);
  app::Application program{errors, settings, translator, dictionary, procedures};
  app::card::registerCardProcedures(program);
  app::reminders::registerReminderProcedures(program);
  start([&] { program.call(app::reminders::kRemindersProcedure, framework::kRequestNone); });
  const ui::WindowId window = waitForWindow("Reminders");
  ASSERT_NE(window, 0u);
  QTableWidget* list = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (auto* found = top->findChild<QTableWidget*>(); found != nullptr && top->isVisible()) list = found;
  ASSERT_NE(list, nullptr);
  EXPECT_GT(list->rowCount(), 5);
  shoot(window, "reminders.png");
  engine.userScrolls(window, app::reminders::reminders_window::kList, ui::event::kPageDown);
  pumpUntil([&] { return engine.waitUntilIdle(window, 0ms); });
  pumpUntil([] { return false; }, 150ms);
  shoot(window, "reminders_paged.png");
  stop();
  dictionary.Kill();
  errors.Kill();
}

// The PDF of a list, drawn by the program's report output and read back by the system's PDF
// reader: the titles and the printed texts, one line per row.
TEST_F(QtExtrasSmoke, AListWrittenAsPdfHoldsItsTitlesAndRows) {
  ui::report::qt::QtReportOutput output;
  ui::report::ScopedReportOutput installed_output(output);
  framework::ExportTable list{
      ru("Сотрудники"), {{ru("Фамилия"), "@s20", 20}, {ru("Дата рожд."), "@d6.", 10}}, {}};
  for (int row = 1; row <= 120; ++row)
    list.rows.push_back({ru("Иванов ") + std::to_string(row), "12.05.1948"});
  const std::string path = (directory / "list.pdf").string();
  ASSERT_EQ(framework::writeExport(list, framework::ExportFormat::kPdf, path), std::nullopt);
  std::string text;
  if (FILE* reader = ::popen(("pdftotext -layout '" + path + "' -").c_str(), "r")) {
    for (int c = std::fgetc(reader); c != EOF; c = std::fgetc(reader)) text += static_cast<char>(c);
    ::pclose(reader);
  }
  for (const char* expected :
       {"Сотрудники", "Фамилия", "рожд.", "Иванов 1 ", "Иванов 120", "12.05.1948"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected;
  std::system(("pdftoppm -png -r 60 -f 1 -l 1 '" + path + "' '" +
               screenshotPath("export_list_pdf").toStdString() + "'")
                  .c_str());
}

}  // namespace
}  // namespace veltrano
