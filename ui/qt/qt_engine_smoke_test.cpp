// Runs the Qt engine offscreen with procedures on threads, as the program does, and saves
// screenshots for a person to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <atomic>
#include <chrono>
#include <functional>
#include <set>
#include <thread>

#include "platform/codepage.h"
#include "ui/qt/qt_engine.h"
#include "ui/qt/qt_smoke_support.h"
#include "ui/qt/qt_window.h"
#include "ui/thread_table.h"

namespace veltrano::ui::qt {
namespace {

using namespace std::chrono_literals;
using platform::ru;
using testing::distinctColours;
using testing::pumpUntil;
using testing::screenshotPath;

enum : ControlId {
  kMenuEmployees = 100,
  kMenuExit,
  kMenuTile,
  kList = 1,
  kSheet,
  kTabMain,
  kTabPassport,
  kSurnamePrompt,
  kSurname,
  kNamePrompt,
  kName,
  kSeriesPrompt,
  kSeries,
  kDelete
};

ControlDescription control(ControlId id, ControlKind kind, ControlId parent, Rect at,
                           const char* utf8_text = "") {
  ControlDescription described;
  described.id = id;
  described.kind = kind;
  described.parent = parent;
  described.at = at;
  described.text = ru(utf8_text);
  return described;
}

WindowDescription frameWindow() {
  WindowDescription frame;
  frame.kind = WindowKind::kFrame;
  frame.name = "veltrano$VELTR001";
  frame.label = "Main";
  frame.caption = ru("Отдел кадров");
  frame.at = {0, 0, 960, 720};
  frame.status_widths = {300, 300};
  frame.menu = {
      MenuItem{0, ru("&Файл"), {MenuItem{kMenuExit, ru("&Выход"), {}, false, false}}, false, false},
      MenuItem{0,
               ru("&Картотека"),
               {MenuItem{kMenuEmployees, ru("&Сотрудники"), {}, false, false},
                MenuItem{0, "", {}, true, false}, MenuItem{kMenuTile, ru("&Мозаика"), {}, false, false}},
               false,
               false}};
  return frame;
}

WindowDescription employeeWindow() {
  WindowDescription child;
  child.name = "veltrano$VELTR002";
  child.label = "Karta";
  child.caption = ru("Сотрудники");
  child.at = {10, 10, 900, 600};
  ControlDescription list = control(kList, ControlKind::kList, 0, {8, 8, 520, 22 + 18 * 20 + 4});
  list.format =
      ru("60R(2)|M~Таб. №~C(0)@n_6@140L(2)|M~Фамилия~@s20@120L(2)|M~Имя~@s20@80L(2)|~Дата приёма~@d6@");
  child.controls = {list,
                    control(kSheet, ControlKind::kSheet, 0, {540, 8, 340, 200}),
                    control(kTabMain, ControlKind::kTab, kSheet, {}, "Основные"),
                    control(kSurnamePrompt, ControlKind::kPrompt, kTabMain, {10, 14, 80, 20}, "Фамилия:"),
                    control(kSurname, ControlKind::kEntry, kTabMain, {100, 12, 200, 22}),
                    control(kNamePrompt, ControlKind::kPrompt, kTabMain, {10, 44, 80, 20}, "Имя:"),
                    control(kName, ControlKind::kEntry, kTabMain, {100, 42, 200, 22}),
                    control(kTabPassport, ControlKind::kTab, kSheet, {}, "Паспорт"),
                    control(kSeriesPrompt, ControlKind::kPrompt, kTabPassport, {10, 14, 80, 20}, "Серия:"),
                    control(kSeries, ControlKind::kEntry, kTabPassport, {100, 12, 120, 22}),
                    control(kDelete, ControlKind::kButton, 0, {540, 220, 100, 28}, "&Удалить")};
  child.status_widths = {200};
  return child;
}

const char* kSurnames[] = {"Иванов",  "Петров",   "Сидоров", "Смирнов", "Кузнецов", "Попов",   "Васильев",
                           "Соколов", "Михайлов", "Новиков", "Фёдоров", "Морозов",  "Волков",  "Алексеев",
                           "Лебедев", "Семёнов",  "Егоров",  "Павлов",  "Козлов",   "Степанов"};
const char* kNames[] = {"Иван", "Пётр", "Сергей", "Анна", "Мария", "Ольга", "Елена"};

// The employee list procedure: fill a page, ask before deleting, report the answer.
void employeeList(std::atomic<unsigned>& answer) {
  WindowEngine& windows = windowEngine();
  WindowId window = windows.openWindow(employeeWindow());
  std::vector<std::vector<std::string>> rows;
  for (int row = 0; row < 20; ++row) {
    rows.push_back({std::to_string(1001 + row), ru(kSurnames[row]), ru(kNames[row % 7]),
                    std::to_string(10 + row) + ".03.1998"});
  }
  windows.setRows(window, kList, rows);
  windows.setValue(window, kList, "3");
  windows.setThumb(window, kList, 15);
  windows.setValue(window, kSurname, ru(kSurnames[2]));
  windows.setValue(window, kName, ru(kNames[2]));
  windows.setValue(window, kSeries, "45 06");
  windows.setStatusText(window, 0, ru("Записей: 20"));
  for (;;) {
    Event next = windows.waitEvent(window);
    if (next.code == event::kCloseWindow || next.code == event::kCloseDown) break;
    if (next.code == event::kAccepted && next.control == kDelete) {
      MessageBoxRequest request;
      request.caption = ru("Подтверждение");
      request.text = ru("Удалить запись «Сидоров Сергей»?");
      request.icon = kIconQuestion;
      request.buttons = kButtonYes | kButtonNo;
      request.default_button = kButtonNo;
      answer = messageBox(request);
      windows.setStatusText(window, 0, ru(answer == kButtonYes ? "Удалено" : "Оставлено"));
    }
  }
  windows.closeWindow(window);
}

QMessageBox* shownMessageBox() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) return box;
  }
  return nullptr;
}

TEST(QtEngineSmoke, FrameChildListSheetAndMessageBox) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char program[] = "ui_qt_tests";
  char* argv[] = {program, nullptr};
  QApplication application(argc, argv);
  QtEngine engine;
  ScopedWindowEngine installed(engine);
  ThreadTable table;
  std::atomic<unsigned> answer{0};
  std::atomic<bool> finished{false};
  std::atomic<WindowId> frame{0};

  // The program's first thread: the frame procedure, which starts the list from its menu.
  std::thread first([&] {
    table.attachFirstThread();
    WindowEngine& windows = windowEngine();
    frame = windows.openWindow(frameWindow());
    windows.setStatusText(frame, 0, ru("Готово"));
    for (;;) {
      Event next = windows.waitEvent(frame);
      if (next.code == event::kCloseWindow || next.code == event::kCloseDown) break;
      if (next.code == event::kAccepted && next.control == kMenuEmployees) {
        table.start([&](std::uintptr_t) { employeeList(answer); }, 0, 25000);
      }
      if (next.code == event::kAccepted && next.control == kMenuTile) windows.tile(frame);
    }
    table.waitForAllThreads();
    windows.closeWindow(frame);
    table.detachFirstThread();
    finished = true;
  });

  ASSERT_TRUE(pumpUntil([&] { return frame != 0 && engine.waitUntilIdle(frame, 1ms); }));
  QMainWindow* main_window = nullptr;
  ASSERT_TRUE(pumpUntil([&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* found = qobject_cast<QMainWindow*>(widget); found != nullptr && found->isVisible())
        main_window = found;
    }
    return main_window != nullptr;
  }));
  // The clerk chooses "Сотрудники" in the Russian menu.
  QStringList titles;
  for (QAction* action : main_window->menuBar()->actions()) titles << action->text();
  EXPECT_EQ(titles, (QStringList{QStringLiteral("&Файл"), QStringLiteral("&Картотека")}));
  QAction* employees = nullptr;
  for (QAction* action : main_window->menuBar()->actions()[1]->menu()->actions()) {
    if (action->text() == QStringLiteral("&Сотрудники")) employees = action;
  }
  ASSERT_NE(employees, nullptr);
  employees->trigger();

  WindowId child = 0;
  ASSERT_TRUE(pumpUntil([&] {
    child = engine.findWindow("Karta");
    return child != 0 && engine.waitUntilIdle(child, 1ms) &&
           main_window->findChild<QMdiArea*>()->subWindowList().size() == 1;
  }));
  auto* list = main_window->findChild<QTableWidget*>();
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(pumpUntil([&] { return list->rowCount() == 20; }));
  EXPECT_EQ(list->horizontalHeaderItem(1)->text(), QStringLiteral("Фамилия"));
  EXPECT_EQ(list->item(10, 1)->text(), QStringLiteral("Фёдоров"));
  EXPECT_EQ(list->currentRow(), 2);
  auto* surname = main_window->findChild<QTabWidget*>()->widget(0)->findChildren<QLineEdit*>().value(0);
  ASSERT_NE(surname, nullptr);
  EXPECT_EQ(surname->text(), QStringLiteral("Сидоров"));

  // The user picks another row and types into the form: the procedure sees both.
  list->setCurrentCell(5, 0);
  ASSERT_TRUE(pumpUntil([&] { return engine.value(child, kList) == "6"; }));
  ASSERT_TRUE(pumpUntil([&] { return engine.waitUntilIdle(child, 1ms); }));
  QString before = screenshotPath("qt_frame_with_list.png");
  ASSERT_TRUE(engine.saveScreenshot(frame, before.toStdString()));

  // The clerk turns the sheet's pages from the keyboard, inside the sheet; the focus goes along.
  auto* sheet = main_window->findChild<QTabWidget*>();
  surname->setFocus();
  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* page;
  } turns[] = {{Qt::Key_PageDown, Qt::ControlModifier, "2"},
               {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, "1"},
               {Qt::Key_Tab, Qt::ControlModifier, "2"},
               {Qt::Key_PageUp, Qt::ControlModifier, "1"},
               {Qt::Key_PageUp, Qt::ControlModifier, "2"}};
  for (const auto& turn : turns) {
    QTest::keyClick(QApplication::focusWidget(), turn.key, turn.modifiers);
    ASSERT_TRUE(pumpUntil([&] { return engine.value(child, kSheet) == turn.page; })) << turn.page;
    EXPECT_TRUE(sheet->currentWidget()->isAncestorOf(QApplication::focusWidget())) << turn.page;
  }
  EXPECT_EQ(main_window->findChild<QMdiArea*>()->activeSubWindow()->widget()->findChild<QTabWidget*>(),
            sheet);
  QCoreApplication::processEvents();
  QString passport = screenshotPath("qt_passport_tab.png");
  ASSERT_TRUE(engine.saveScreenshot(frame, passport.toStdString()));

  // "Удалить" asks; the box shows in Russian and is answered "Да".
  QPushButton* remove = nullptr;
  for (QPushButton* button : main_window->findChildren<QPushButton*>()) {
    if (button->text() == QStringLiteral("&Удалить")) remove = button;
  }
  ASSERT_NE(remove, nullptr);
  remove->click();
  QMessageBox* box = nullptr;
  ASSERT_TRUE(pumpUntil([&] { return (box = shownMessageBox()) != nullptr; }));
  EXPECT_EQ(box->text(), QStringLiteral("Удалить запись «Сидоров Сергей»?"));
  EXPECT_EQ(box->windowTitle(), QStringLiteral("Подтверждение"));
  EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
  QString box_path = screenshotPath("qt_message_box.png");
  ASSERT_TRUE(box->grab().save(box_path));
  box->button(QMessageBox::Yes)->click();
  ASSERT_TRUE(pumpUntil([&] { return answer.load() != 0; }));
  EXPECT_EQ(answer.load(), kButtonYes);
  ASSERT_TRUE(pumpUntil([&] {
    auto shown = engine.snapshot(child);
    return shown && shown->status_texts[0] == ru("Удалено");
  }));

  // Placement can be read and set, for the INI file.
  ASSERT_TRUE(engine.setPlacement(child, Placement{{30, 40, 880, 560}, false}));
  ASSERT_TRUE(pumpUntil([&] {
    QRect at = main_window->findChild<QMdiArea*>()->subWindowList()[0]->geometry();
    return at == QRect(30, 40, 880, 560);
  }));

  // Closing the frame by hand: the frame procedure waits for the list to end first.
  engine.userCloses(child);
  main_window->close();
  ASSERT_TRUE(pumpUntil([&] { return finished.load(); }));
  first.join();
  ASSERT_TRUE(pumpUntil([&] { return shownMessageBox() == nullptr && engine.openWindows().empty(); }));

  for (const QString& path : {before, passport, box_path}) {
    EXPECT_GT(distinctColours(path), 20u) << path.toStdString();
  }
}

TEST(QtKeys, KeysAreNumberedAsTheEngineAlertsThem) {
  EXPECT_EQ(engineKeyCode(Qt::Key_F2, Qt::NoModifier, {}), key::kF1 + 1);
  EXPECT_EQ(engineKeyCode(Qt::Key_Return, Qt::ControlModifier, {}), key::kEnter + key::kControl);
  EXPECT_EQ(engineKeyCode(Qt::Key_Delete, Qt::ShiftModifier, {}), key::kDelete + key::kShift);
  EXPECT_EQ(engineKeyCode(0, Qt::NoModifier, QStringLiteral("Ж")), 0xC6);
  EXPECT_EQ(engineKeyCode(0, Qt::ShiftModifier, QStringLiteral("A")), 'A');
  EXPECT_EQ(engineKeyCode(Qt::Key_Shift, Qt::ShiftModifier, {}), 0);
  EXPECT_EQ(engineKeyCode(Qt::Key_E, Qt::ControlModifier, QString(QChar(5))), 'E' + key::kControl);
}

}  // namespace
}  // namespace veltrano::ui::qt
