// The history window of a card that was added, renamed and given an attestation, on the Qt
// engine offscreen: every changed field a row, newest first, and a screenshot to look at.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QTableWidget>
#include <atomic>
#include <filesystem>
#include <thread>

#include "app/dictionary/record_access.h"
#include "app/history/card_history.h"
#include "app/history/history_window.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/datetime/environment.h"
#include "storage/wendlock_driver.h"
#include "ui/qt/qt_engine.h"
#include "ui/qt/qt_smoke_support.h"
#include "ui/qt/qt_translations.h"
#include "ui/thread_table.h"

namespace veltrano {
namespace {

using namespace std::chrono_literals;
using platform::ru;

TEST(QtHistorySmoke, TheCardsHistoryNewestFirst) {
  static int argc = 1;
  static char program[] = "qt_history_tests";
  static char* argv[] = {program, nullptr};
  QApplication application(argc, argv);
  ui::qt::installRussianTranslations(application);
  runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
  const auto directory =
      std::filesystem::temp_directory_path() / ("veltrano-qt-history-" + std::to_string(::getpid()));
  std::filesystem::create_directories(directory);
  ui::qt::QtEngine engine;
  ui::ScopedWindowEngine installed(engine);
  framework::ErrorManager errors;
  errors.Init();
  {
    app::Dictionary dictionary(storage::wendlockDriver(), directory.string());
    dictionary.Init(errors);
    app::history::CardHistory history(dictionary);
    framework::TableManager& karta = dictionary.manager("KARTA");
    app::RecordAccess card(dictionary.file("KARTA"));
    ASSERT_EQ(dictionary.guard("KARTA").Open(), framework::kLevelBenign);
    ASSERT_EQ(karta.PrepareRecord(), framework::kLevelBenign);
    card.setText("KAR:FAM", ru("Смирнова"));
    card.setText("KAR:NOM", ru("Ольга"));
    card.setText("KAR:PER", ru("Петровна"));
    card.setInteger("KAR:DATR", runtime::serialFromParts(1980, 3, 14));
    ASSERT_EQ(karta.Insert(), framework::kLevelBenign);
    dictionary.guard("KARTA").SaveLinkValues();
    card.setText("KAR:FAM", ru("Кузнецова"));
    ASSERT_EQ(dictionary.guard("KARTA").Update(1), framework::kLevelBenign);
    framework::TableManager& attestation = dictionary.manager("ATTESTAT");
    ASSERT_EQ(attestation.PrepareRecord(), framework::kLevelBenign);
    app::RecordAccess record(dictionary.file("ATTESTAT"));
    record.setInteger("ATT:NUM", card.integer("KAR:NUM"));
    record.setText("ATT:KATEGOR", ru("первая"));
    record.setInteger("ATT:DATAD", runtime::serialFromParts(2024, 5, 20));
    ASSERT_EQ(attestation.Insert(), framework::kLevelBenign);

    ui::ThreadTable table;
    std::atomic<bool> finished{false};
    const std::int64_t employee = card.integer("KAR:NUM");
    std::thread worker([&] {
      table.attachFirstThread();
      app::history::showCardHistory(dictionary, employee, ru("Кузнецова Ольга Петровна"));
      table.detachFirstThread();
      finished = true;
    });
    ui::WindowId window = 0;
    ASSERT_TRUE(ui::qt::testing::pumpUntil([&] { return (window = engine.findWindow("History")) != 0; }));
    ui::qt::testing::pumpUntil([&] { return engine.waitUntilIdle(window, 0ms); });
    ui::qt::testing::pumpUntil([] { return false; }, 150ms);
    QTableWidget* list = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->isVisible() && list == nullptr) list = top->findChild<QTableWidget*>();
    }
    ASSERT_NE(list, nullptr);
    // Newest first: the attestation's three fields, the rename, then the card's five.
    ASSERT_EQ(list->rowCount(), 3 + 1 + 5);
    EXPECT_EQ(list->item(0, 3)->text(), QStringLiteral("ATTESTAT"));
    EXPECT_EQ(list->item(3, 4)->text(), QStringLiteral("KAR:FAM"));
    EXPECT_EQ(list->item(3, 5)->text(), QStringLiteral("Смирнова"));
    EXPECT_EQ(list->item(3, 6)->text(), QStringLiteral("Кузнецова"));
    const QString path = ui::qt::testing::screenshotPath("card_history.png");
    EXPECT_TRUE(engine.saveScreenshot(window, path.toStdString()));
    EXPECT_GT(ui::qt::testing::distinctColours(path), 20u);
    engine.userCloses(window);
    ui::qt::testing::pumpUntil([&] { return finished.load(); });
    worker.join();
    dictionary.guard("KARTA").Close();
  }
  errors.Kill();
  std::filesystem::remove_all(directory);
  runtime::charTables() = runtime::CharTables::defaults();
}

}  // namespace
}  // namespace veltrano
