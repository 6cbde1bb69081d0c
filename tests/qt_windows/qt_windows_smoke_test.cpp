// The employee list over a few thousand demo cards and the personnel card, on the Qt engine
// offscreen, as the clerk sees them: scrolled, located and filtered; the card's tabs, a
// drop-down list open and a question in Russian. Screenshots go to the build directory's
// "screenshots" folder for a person to look at.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QTabWidget>
#include <QTableWidget>
#include <atomic>
#include <filesystem>
#include <thread>

#include "app/demo/demo_data.h"
#include "framework/browse/popup_texts.h"
#include "framework/window/window_texts.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/datetime/environment.h"
#include "storage/wendlock_driver.h"
#include "tests/windows/karta_windows.h"
#include "ui/qt/qt_engine.h"
#include "ui/qt/qt_smoke_support.h"
#include "ui/qt/qt_translations.h"
#include "ui/thread_table.h"

namespace veltrano {
namespace {

using namespace std::chrono_literals;
using platform::ru;
using ui::qt::testing::distinctColours;
using ui::qt::testing::pumpUntil;
using ui::qt::testing::screenshotPath;

constexpr int kEmployees = 3000;

class QtWindowsSmoke : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char program[] = "qt_windows_tests";
    static char* argv[] = {program, nullptr};
    application = new QApplication(argc, argv);
    ui::qt::installRussianTranslations(*application);
    runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
    directory =
        std::filesystem::temp_directory_path() / ("veltrano-qt-windows-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    app::DemoOptions options;
    options.directory = platform::cp1251FromUtf8(directory.string());
    options.employees = kEmployees;
    options.seed = 7;
    ASSERT_EQ(app::generateDemoData(options), "");
  }
  static void TearDownTestSuite() {
    delete application;
    std::filesystem::remove_all(directory);
    runtime::charTables() = runtime::CharTables::defaults();
  }
  void SetUp() override {
    errors.Init();
    translator.AddTranslation(framework::errorTextsRussian());
    translator.AddTranslation(framework::windowTextsRussian());
    translator.AddTranslation(framework::popupTextsRussian());
    errors.setTranslator(&translator);
    dictionary = std::make_unique<app::Dictionary>(storage::wendlockDriver(),
                                                   platform::cp1251FromUtf8(directory.string()));
    dictionary->Init(errors);
  }
  void TearDown() override {
    dictionary->Kill();
    dictionary.reset();
    errors.Kill();
  }

  // Runs `procedure` on a procedure thread, as the menu starts one, while this thread runs Qt.
  void startProcedure(std::function<void()> procedure) {
    finished = false;
    worker = std::thread([this, procedure = std::move(procedure)] {
      table.attachFirstThread();
      procedure();
      table.detachFirstThread();
      finished = true;
    });
  }
  void stopProcedure() {
    for (ui::WindowId window : engine.openWindows()) engine.userCloses(window);
    pumpUntil([&] { return finished.load(); });
    worker.join();
  }
  ui::WindowId waitForWindow(const char* label) {
    ui::WindowId window = 0;
    pumpUntil([&] { return (window = engine.findWindow(label)) != 0; });
    settle(window);
    return window;
  }
  // The procedure has dealt with everything and the widgets show it.
  void settle(ui::WindowId window) {
    pumpUntil([&] { return engine.waitUntilIdle(window, 0ms); });
    pumpUntil([] { return false; }, 150ms);
  }
  void shoot(ui::WindowId window, const char* name) {
    const QString path = screenshotPath(name);
    ASSERT_TRUE(engine.saveScreenshot(window, path.toStdString()));
    EXPECT_GT(distinctColours(path), 20u) << name;
  }
  template <typename Widget>
  Widget* widget() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (!top->isVisible()) continue;
      if (auto* found = top->findChild<Widget*>(); found != nullptr) return found;
    }
    return nullptr;
  }
  static QStringList column(QTableWidget* list, int column) {
    QStringList texts;
    for (int row = 0; row < list->rowCount(); ++row) texts << list->item(row, column)->text();
    return texts;
  }
  void typeKeys(QWidget* target, const QString& text) {
    target->setFocus();
    for (QChar letter : text) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(letter));
      QCoreApplication::sendEvent(target, &press);
    }
  }

  static QApplication* application;
  static std::filesystem::path directory;
  ui::qt::QtEngine engine;
  ui::ScopedWindowEngine installed{engine};
  ui::ThreadTable table;
  framework::ErrorManager errors;
  framework::Translator translator;
  std::unique_ptr<app::Dictionary> dictionary;
  std::thread worker;
  std::atomic<bool> finished{false};
};

QApplication* QtWindowsSmoke::application = nullptr;
std::filesystem::path QtWindowsSmoke::directory;

TEST_F(QtWindowsSmoke, TheEmployeeListScrolledLocatedAndFiltered) {
  startProcedure([this] {
    framework::WindowController window;
    window.Describe(testing::employeeListWindow());
    window.ERRORS = &errors;
    window.TRANSLATOR = &translator;
    window.PRIMARY = &dictionary->guard("KARTA");
    testing::EmployeeBrowse employees;
    employees.Init(window, *dictionary);
    window.Run();
  });
  const ui::WindowId window = waitForWindow("Karta");
  ASSERT_NE(window, 0u);
  auto* list = widget<QTableWidget>();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->rowCount(), 20) << "the page the list shows, never the whole file";
  shoot(window, "employee_list.png");
  const QStringList first = column(list, 1);

  for (int page = 0; page < 40; ++page)
    engine.userScrolls(window, testing::kEmployeeList, ui::event::kPageDown);
  settle(window);
  EXPECT_NE(column(list, 1), first);
  EXPECT_EQ(list->rowCount(), 20);
  shoot(window, "employee_list_paged.png");

  typeKeys(list, QStringLiteral("Ку"));
  settle(window);
  EXPECT_TRUE(list->item(list->currentRow(), 1)->text().startsWith(QStringLiteral("Ку"), Qt::CaseInsensitive))
      << list->item(list->currentRow(), 1)->text().toStdString();
  EXPECT_EQ(*engine.value(window, testing::kFirstLocator), ru("Ку"));
  shoot(window, "employee_list_located.png");

  // The fifth tab orders by profession, and what is typed there filters: the professions that
  // have it anywhere in their name.
  auto* sheet = widget<QTabWidget>();
  ASSERT_NE(sheet, nullptr);
  sheet->setCurrentIndex(4);
  settle(window);
  typeKeys(list, QStringLiteral("хирург"));
  settle(window);
  ASSERT_GT(list->rowCount(), 0);
  for (const QString& profession : column(list, 8)) {
    EXPECT_TRUE(profession.contains(QStringLiteral("хирург"), Qt::CaseInsensitive))
        << profession.toStdString();
  }
  shoot(window, "employee_list_filtered.png");
  stopProcedure();
}

TEST_F(QtWindowsSmoke, TheCardFormWithItsTabsADropDownAndARussianQuestion) {
  std::atomic<std::uint8_t> response{0};
  startProcedure([this, &response] {
    storage::DeclaredFile& karta = dictionary->file("KARTA");
    framework::TableManager& cards = dictionary->manager("KARTA");
    cards.Open();
    storage::fileStatement(storage::Operation::SetFile, karta.file());
    cards.Next();  // the first card, as the list would hand it to its form
    testing::CardForm made = testing::cardForm(*dictionary);
    framework::WindowController form;
    form.Describe(std::move(made.definition));
    form.ERRORS = &errors;
    form.TRANSLATOR = &translator;
    form.PRIMARY = &dictionary->guard("KARTA");
    form.ORIGINALREQUEST = framework::kRequestChange;
    form.CANCELACTION = framework::kCancelConfirm;
    testing::CardCombos combos;
    combos.Init(form, *dictionary, made.combos);
    response = form.Run();
    cards.Close();
    (void)karta;
  });
  const ui::WindowId window = waitForWindow("KartaUp");
  ASSERT_NE(window, 0u);
  shoot(window, "card_form.png");
  auto* sheet = widget<QTabWidget>();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->count(), 6);
  EXPECT_EQ(sheet->tabText(0), QStringLiteral("Главная"));
  sheet->setCurrentIndex(1);
  settle(window);
  shoot(window, "card_form_education.png");

  QComboBox* combo = nullptr;
  for (QComboBox* candidate : sheet->widget(1)->findChildren<QComboBox*>()) {
    if (combo == nullptr && candidate->count() > 3) combo = candidate;
  }
  ASSERT_NE(combo, nullptr) << "a drop-down filled from its reference file";
  combo->showPopup();
  pumpUntil([] { return false; }, 300ms);
  QWidget* dropped = combo->view()->window();
  ASSERT_TRUE(dropped->isVisible());
  // The list drawn where it drops, over the form (offscreen, each window is grabbed alone).
  QWidget* form = sheet->window();
  QPixmap picture = form->grab();
  QPainter painter(&picture);
  painter.drawPixmap(form->mapFromGlobal(dropped->mapToGlobal(QPoint(0, 0))), dropped->grab());
  painter.end();
  EXPECT_TRUE(picture.save(screenshotPath("card_form_combo_dropped.png")));
  combo->hidePopup();

  sheet->setCurrentIndex(0);
  settle(window);
  // Something typed, then Cancel: the form asks whether the changes may be lost.
  engine.userTypes(window, 111, ru("Изменённая"));
  settle(window);
  engine.userPresses(window, testing::kCardCancel);
  QMessageBox* question = nullptr;
  pumpUntil([&] {
    return (question = widget<QMessageBox>()) != nullptr ||
           qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  });
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(top); box != nullptr && box->isVisible()) question = box;
  }
  if (question == nullptr) question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  ASSERT_NE(question, nullptr);
  pumpUntil([] { return false; }, 200ms);
  EXPECT_EQ(question->text(), QStringLiteral("Вы действительно хотите отказаться от изменений?"));
  EXPECT_TRUE(question->grab().save(screenshotPath("card_form_question.png")));
  EXPECT_TRUE(sheet->window()->grab().save(screenshotPath("card_form_with_question.png")));
  question->button(QMessageBox::Yes)->click();
  pumpUntil([&] { return finished.load(); });
  worker.join();
  EXPECT_EQ(response.load(), framework::kResponseCancelled);
}

}  // namespace
}  // namespace veltrano
