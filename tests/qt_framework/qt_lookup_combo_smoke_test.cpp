// A form with a drop-down combo filled from a reference file on disk, on the Qt engine offscreen:
// the clerk types two letters and the entry completes, then drops the list down and picks a
// row. Screenshots are saved for a person to look at.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <atomic>
#include <thread>

#include "framework/lookup/lookup_combo.h"
#include "framework/test_files.h"
#include "framework/window/window_controller.h"
#include "platform/codepage.h"
#include "runtime/datetime/environment.h"
#include "runtime/errors/error_state.h"
#include "runtime/values/field_value.h"
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

constexpr ui::ControlId kSurname = 1, kPosition = 2, kOk = 3, kCancel = 4;

runtime::RecordLayout cardLayout() {
  runtime::RecordLayoutBuilder fields;
  fields.string("KAR:FAM", 20).string("KAR:DOLGNOST", 40);
  return fields.build();
}

runtime::RecordLayout positionLayout() {
  runtime::RecordLayoutBuilder fields;
  fields.string("DOL:NOM", 40);
  return fields.build();
}

TEST(QtFrameworkSmoke, ComboCompletesAndDropsDownInRussian) {
  int argc = 1;
  char program[] = "qt_framework_tests";
  char* argv[] = {program, nullptr};
  QApplication application(argc, argv);
  ui::qt::installRussianTranslations(application);
  runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
  ui::qt::QtEngine engine;
  ui::ScopedWindowEngine installed(engine);
  ui::ThreadTable table;

  framework::testing::DiskStorage disk;
  framework::ErrorManager errors;
  errors.Init();
  auto karta = disk.declare("KARTA", cardLayout());
  auto dolgnost = disk.declare("DOLGNOST", positionLayout());
  dolgnost->addKey("DOL:NOM_KEY", {"+DOL:NOM"}, storage::kKeyDup | storage::kKeyNocase);
  for (auto* file : {karta.get(), dolgnost.get()}) {
    storage::fileStatement(storage::Operation::Create, file->file());
    ASSERT_EQ(runtime::errorCode(), 0);
  }
  framework::TableManager karta_manager, dolgnost_manager;
  framework::RelationGuard karta_guard, dolgnost_guard;
  karta_manager.Init(&karta->file(), &errors);
  dolgnost_manager.Init(&dolgnost->file(), &errors);
  dolgnost_manager.RegisterKey(dolgnost->key("DOL:NOM_KEY"), "DOL:NOM_KEY");
  karta_guard.Init(&karta_manager, false);
  dolgnost_guard.Init(&dolgnost_manager, false);
  ASSERT_EQ(dolgnost_manager.Open(), framework::kLevelBenign);
  for (const char* name : {"Врач-терапевт", "Врач-хирург", "Медицинская сестра", "Санитарка", "Вахтёр",
                           "Медицинский регистратор", "Фельдшер"}) {
    runtime::storeText(dolgnost->layout().field(0), dolgnost->record(), ru(name));
    ASSERT_EQ(dolgnost_manager.Insert(), framework::kLevelBenign);
  }
  dolgnost_manager.Close();

  std::atomic<bool> finished{false};
  std::atomic<std::uint8_t> response{0};
  std::thread procedure([&] {
    table.attachFirstThread();
    framework::WindowBuilder builder("veltrano$VELTR099", "KartaPosition", "Должность сотрудника");
    builder.kind(ui::WindowKind::kDialog);
    const framework::BoundRecord record = framework::BoundRecord::of(karta->file());
    builder.entry(kSurname, "Фамилия:", record, "KAR:FAM", "@s20");
    builder.combo(kPosition, "Должность:", record, "KAR:DOLGNOST", "160L(2)@s40@", "@s40");
    builder.okButton(kOk, "&Ввод");
    builder.cancelButton(kCancel, "&Отмена");
    framework::WindowController form;
    form.Describe(*builder.build());
    form.PRIMARY = &karta_guard;
    form.ERRORS = &errors;
    form.ORIGINALREQUEST = framework::kRequestInsert;
    runtime::Queue list(positionLayout());
    framework::LookupCombo combo;
    combo.Init(kPosition, *form.bindingOf(kPosition), framework::ViewDefinition{{}, {&dolgnost->file()}},
               &list, &dolgnost_guard, &form);
    combo.RegisterSortOrder(dolgnost->key("DOL:NOM_KEY"));
    combo.AddField(framework::fieldOf(dolgnost->layout(), dolgnost->record(), 0),
                   framework::fieldOf(list.layout(), list.buffer(), 0));
    form.AddItem(&combo);
    response = form.Run();
    table.detachFirstThread();
    finished = true;
  });

  QDialog* window = nullptr;
  ASSERT_TRUE(pumpUntil([&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* found = qobject_cast<QDialog*>(widget);
      if (found != nullptr && found->isVisible() &&
          found->windowTitle() == QStringLiteral("Должность сотрудника"))
        window = found;
    }
    return window != nullptr;
  }));
  auto* combo = window->findChild<QComboBox*>();
  ASSERT_NE(combo, nullptr);
  ASSERT_TRUE(pumpUntil([&] { return combo->count() == 7; }));
  EXPECT_EQ(combo->itemText(0), QStringLiteral("Вахтёр"));

  // Two letters typed complete the first position that begins with them, the rest selected.
  QLineEdit* entry = combo->lineEdit();
  window->activateWindow();
  entry->setFocus();
  for (QChar letter : QStringLiteral("Ме")) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(letter));
    QCoreApplication::sendEvent(entry, &press);
    ASSERT_TRUE(pumpUntil([&] {
      return engine.waitUntilIdle(engine.findWindow("KartaPosition"), std::chrono::milliseconds(1));
    }));
    QCoreApplication::processEvents();
  }
  ASSERT_TRUE(pumpUntil([&] { return entry->text() == QStringLiteral("Медицинская сестра"); },
                        std::chrono::seconds(3)))
      << entry->text().toStdString() << " "
      << platform::utf8From1251(engine.value(engine.findWindow("KartaPosition"), kPosition).value_or("-"));
  EXPECT_EQ(entry->selectedText(), QStringLiteral("дицинская сестра"));
  QString completed_path = screenshotPath("qt_combo_completed.png");
  ASSERT_TRUE(window->grab().save(completed_path));

  // Dropped down: the whole reference book, in Russian, in its key's order.
  combo->showPopup();
  ASSERT_TRUE(pumpUntil([&] { return combo->view()->isVisible(); }));
  QCoreApplication::processEvents();
  QString dropped_path = screenshotPath("qt_combo_dropped_down.png");
  ASSERT_TRUE(combo->view()->window()->grab().save(dropped_path));
  combo->activated(6);  // "Фельдшер"
  combo->hidePopup();
  ASSERT_TRUE(pumpUntil([&] { return entry->text() == QStringLiteral("Фельдшер"); }));

  QPushButton* ok = nullptr;
  for (QPushButton* button : window->findChildren<QPushButton*>()) {
    if (button->text() == QStringLiteral("&Ввод")) ok = button;
  }
  ASSERT_NE(ok, nullptr);
  ok->click();
  ASSERT_TRUE(pumpUntil([&] { return finished.load(); }));
  procedure.join();
  EXPECT_EQ(response.load(), framework::kResponseCompleted);
  EXPECT_EQ(runtime::loadText(karta->layout().field(1), karta->record()).substr(0, 8), ru("Фельдшер"));
  for (const QString& path : {completed_path, dropped_path}) {
    EXPECT_GT(distinctColours(path), 10u) << path.toStdString();
  }
  while (karta_manager.SelectThreadState().OPENED > 0) karta_manager.Close();
  while (dolgnost_manager.SelectThreadState().OPENED > 0) dolgnost_manager.Close();
  errors.Kill();
}

}  // namespace
}  // namespace veltrano
