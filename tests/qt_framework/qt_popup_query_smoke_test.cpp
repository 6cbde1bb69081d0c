// The popup menu and its toolbox, the "Example values" window and the "Choose items and order"
// dialog on the Qt engine, offscreen, in Russian as the clerk reads them; screenshots are saved
// for a person to look at.
#include <gtest/gtest.h>

#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <atomic>
#include <thread>

#include "framework/browse/choose_items_dialog.h"
#include "framework/browse/popup_menu.h"
#include "framework/browse/popup_texts.h"
#include "framework/browse/query_by_example.h"
#include "platform/codepage.h"
#include "runtime/datetime/environment.h"
#include "ui/qt/qt_engine.h"
#include "ui/qt/qt_smoke_support.h"
#include "ui/qt/qt_translations.h"
#include "ui/thread_table.h"

namespace veltrano {
namespace {

using platform::ru;
using ui::qt::testing::distinctColours;
using ui::qt::testing::pumpUntil;
using ui::qt::testing::screenshotPath;

enum : ui::ControlId { kList = 1, kInsert, kChange, kDelete, kToolbox };

ui::WindowDescription browseWindow() {
  ui::WindowDescription window;
  window.kind = ui::WindowKind::kDialog;
  window.label = "Karta";
  window.caption = ru("Сотрудники");
  window.at = {40, 40, 520, 300};
  ui::ControlDescription list;
  list.id = kList;
  list.kind = ui::ControlKind::kList;
  list.at = {8, 8, 400, 280};
  list.format = ru("60R(2)|M~Таб. №~C(0)@n_6@140L(2)|M~Фамилия~@s20@");
  window.controls.push_back(list);
  const char* captions[] = {"&Добавить", "&Изменить", "&Удалить", "&Панель"};
  for (ui::ControlId id = kInsert; id <= kToolbox; ++id) {
    ui::ControlDescription button;
    button.id = id;
    button.kind = ui::ControlKind::kButton;
    button.at = {416, 8 + (id - kInsert) * 34, 96, 28};
    button.text = ru(captions[id - kInsert]);
    button.disabled = id == kDelete;
    window.controls.push_back(button);
  }
  return window;
}

template <typename Widget>
Widget* shownWithTitle(const QString& title) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* found = qobject_cast<Widget*>(widget);
    if (found != nullptr && found->isVisible() && found->windowTitle() == title) return found;
  }
  return nullptr;
}

QPushButton* button(QWidget* window, const QString& text) {
  for (QPushButton* candidate : window->findChildren<QPushButton*>()) {
    if (candidate->text() == text) return candidate;
  }
  return nullptr;
}

// Keys as the clerk presses them, Russian letters included.
void typeInto(QWidget* widget, const QString& text) {
  widget->setFocus();
  for (QChar letter : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(letter));
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(letter));
    QCoreApplication::sendEvent(widget, &release);
  }
}

TEST(QtFrameworkSmoke, PopupQueryAndChooserInRussian) {
  int argc = 1;
  char program[] = "qt_framework_tests";
  char* argv[] = {program, nullptr};
  QApplication application(argc, argv);
  runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");  // Russian letters' cases
  ASSERT_TRUE(ui::qt::installRussianTranslations(application));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
  ui::qt::QtEngine engine;
  ui::ScopedWindowEngine installed(engine);
  ui::ThreadTable table;
  framework::Translator translator;
  translator.AddTranslation(framework::popupTextsRussian());

  std::atomic<bool> finished{false};
  std::string chosen_item, filter;
  std::optional<std::vector<std::string>> columns;
  std::thread procedure([&] {
    table.attachFirstThread();
    ui::WindowEngine& windows = ui::windowEngine();
    ui::WindowId window = windows.openWindow(browseWindow());
    windows.setRows(window, kList, {{"1001", ru("Иванов")}, {"1002", ru("Петров")}, {"1003", ru("Сидоров")}});
    framework::PopupMenu popup;
    popup.Init(window);
    popup.TRANSLATOR = &translator;
    for (auto [text, control] :
         {std::pair{"!&Insert", kInsert}, {"!&Change", kChange}, {"!&Delete", kDelete}}) {
      popup.RegisterMimicItem(popup.AddItem(text), control);
    }
    popup.AddItem("-");
    popup.RegisterMimicItem(popup.AddItem("!&Toolbox"), kToolbox, false);
    chosen_item = popup.Ask();
    popup.Toolbox("Browse Actions");

    framework::QueryByExample query;
    query.TRANSLATOR = &translator;
    query.AddItem("UPPER(KAR:FAM)", ru("Фамилия"), "@s20");
    query.AddItem("KAR:NUM", ru("Таб. №"), "@n6");
    query.AddItem("KAR:DATA_P", ru("Дата приёма"), "@d6.");
    if (query.Ask()) filter = query.GetFilter();

    framework::ChooseItemsDialog chooser;
    chooser.TRANSLATOR = &translator;
    std::vector<std::string> all{ru("Таб. №"), ru("Фамилия"), ru("Имя"), ru("Отчество"), ru("Дата приёма")};
    std::vector<std::string> shown{all[1], all[0]};
    columns = chooser.Ask(all, shown);
    popup.Kill();
    windows.closeWindow(window);
    table.detachFirstThread();
    finished = true;
  });

  // The right-click menu: Russian items, the one whose button is disabled disabled too.
  QMenu* menu = nullptr;
  ASSERT_TRUE(
      pumpUntil([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr; }));
  QStringList texts;
  for (QAction* action : menu->actions()) texts << action->text();
  EXPECT_EQ(texts, (QStringList{QStringLiteral("&Добавить"), QStringLiteral("&Изменить"),
                                QStringLiteral("&Удалить"), QString(), QStringLiteral("&Панель действий")}));
  EXPECT_FALSE(menu->actions()[2]->isEnabled());
  QString menu_path = screenshotPath("qt_popup_menu.png");
  ASSERT_TRUE(menu->grab().save(menu_path));
  menu->actions()[1]->trigger();
  menu->hide();

  // The toolbox: a button for each action, the disabled one disabled, the toolbox's own left out.
  QDialog* toolbox = nullptr;
  ASSERT_TRUE(pumpUntil(
      [&] { return (toolbox = shownWithTitle<QDialog>(QStringLiteral("Действия со списком"))) != nullptr; }));
  QCoreApplication::processEvents();
  ASSERT_EQ(toolbox->findChildren<QPushButton*>().size(), 3);
  EXPECT_FALSE(button(toolbox, QStringLiteral("&Удалить"))->isEnabled());
  QString toolbox_path = screenshotPath("qt_toolbox.png");
  ASSERT_TRUE(toolbox->grab().save(toolbox_path));

  // The "Example values" window: the clerk asks for surnames beginning with "ив".
  QDialog* query = nullptr;
  ASSERT_TRUE(pumpUntil(
      [&] { return (query = shownWithTitle<QDialog>(QStringLiteral("Образец для поиска"))) != nullptr; }));
  QCoreApplication::processEvents();
  QList<QLineEdit*> entries;
  for (QLineEdit* entry : query->findChildren<QLineEdit*>()) {
    if (entry->width() == 180) entries << entry;  // the value column
  }
  ASSERT_EQ(entries.size(), 3);
  typeInto(entries[0], QStringLiteral("ив*"));
  QString query_path = screenshotPath("qt_query_window.png");
  ASSERT_TRUE(query->grab().save(query_path));
  QPushButton* ok = button(query, QStringLiteral("ОК"));
  ASSERT_NE(ok, nullptr);
  EXPECT_NE(button(query, QStringLiteral("Отмена")), nullptr);
  ok->click();

  QDialog* chooser = nullptr;
  ASSERT_TRUE(pumpUntil([&] {
    return (chooser = shownWithTitle<QDialog>(QStringLiteral("Выбор и порядок элементов"))) != nullptr;
  }));
  QCoreApplication::processEvents();
  QString chooser_path = screenshotPath("qt_choose_items.png");
  ASSERT_TRUE(chooser->grab().save(chooser_path));
  EXPECT_NE(button(chooser, QStringLiteral("&Готово")), nullptr);
  // Escape cancels the dialog, as the clerk expects of any dialog.
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QCoreApplication::sendEvent(chooser, &escape);

  ASSERT_TRUE(pumpUntil([&] { return finished.load(); }));
  procedure.join();
  EXPECT_EQ(chosen_item, "Change");
  EXPECT_EQ(filter, ru("SUB(UPPER(KAR:FAM),1,2)='ИВ'"));
  EXPECT_FALSE(columns);
  for (const QString& path : {menu_path, toolbox_path, query_path, chooser_path}) {
    EXPECT_GT(distinctColours(path), 20u) << path.toStdString();
  }
}

}  // namespace
}  // namespace veltrano
