#include "app/reminders/reminders_window.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/card/card_procedures.h"
#include "app/computations/due_dates.h"
#include "app/frame/main_frame.h"
#include "app/reports/reports_test_support.h"
#include "framework/export/xlsx_read_back.h"
#include "framework/window/window_test_support.h"

namespace veltrano::app::reminders {
namespace {

using namespace reminders_window;
using Rows = std::vector<std::string>;

class RemindersWindowTest : public reports::testing::ReportsTest {
 protected:
  void SetUp() override {
    ReportsTest::SetUp();
    directory = std::filesystem::temp_directory_path() / ("veltrano_reminders_" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    settings.Init((directory / "veltrano.INI").string());
    card::registerCardProcedures(application);
    registerReminderProcedures(application);
    for (const auto& [surname, file, expires_in] :
         {std::tuple{"Аверина", "SERTIFIK", 10}, std::tuple{"Борисов", "POVYSH", -3}}) {
      const std::int64_t employee = card(surname, [](RecordAccess& c) { c.setInteger("KAR:STR", 10); });
      const std::string prefix = std::string(file) == "SERTIFIK" ? "SER:" : "POV:";
      addRecord(file, [&](RecordAccess& document) {
        document.setInteger(prefix + "NUM", employee);
        document.setInteger(prefix + "DATAD", today() + expires_in - app::kOverdueDays);
      });
    }
  }
  void TearDown() override {
    ReportsTest::TearDown();
    std::filesystem::remove_all(directory);
  }
  Rows shown(ui::WindowId window, std::size_t column) {
    Rows cells;
    const auto snapshot = engine.snapshot(window);
    for (const auto& row : snapshot->controls.at(kList).rows)
      cells.push_back(platform::utf8From1251(row.at(column)));
    return cells;
  }

  std::filesystem::path directory;
};

TEST_F(RemindersWindowTest, OpensAtStartUpUntilHiddenTodayExportsAndOpensTheCard) {
  {
    framework::testing::ProcedureThread first(engine,
                                              [&] { return application.call(kRemindersAtStartUp, 0); });
    EXPECT_EQ(first.response(), framework::kResponseCancelled) << "not on the first start";
  }
  settings.Update(app::kFrameLabel, "Maximize", "No");  // the frame closed once
  {
    framework::testing::ProcedureThread procedure(engine,
                                                  [&] { return application.call(kRemindersAtStartUp, 0); });
    const ui::WindowId window = procedure.window("Reminders");
    ASSERT_NE(window, 0u) << "something is due: the window comes at start-up";
    EXPECT_EQ(shown(window, 0), (Rows{"Борисов", "Аверина"})) << "by the day it runs out";
    EXPECT_EQ(shown(window, 6), (Rows{"просрочено", "через 10 дн."}));
    const auto snapshot = engine.snapshot(window);
    EXPECT_EQ(platform::utf8From1251(snapshot->controls.at(kCount).text), "Всего: 2");

    ASSERT_TRUE(engine.userTypes(window, kHorizon, "5"));
    ASSERT_TRUE(procedure.idle(window));
    EXPECT_EQ(shown(window, 0), (Rows{"Борисов"})) << "the horizon set in the window";

    const std::string path = (directory / "due.xlsx").string();
    engine.queueFileDialogAnswer(path);
    ASSERT_TRUE(engine.userFocuses(window, kList));
    ASSERT_TRUE(engine.userKey(window, ui::key::kControl + 'E'));
    ASSERT_TRUE(procedure.idle(window));
    const Rows workbook = framework::testing::readXlsxBack(path);
    ASSERT_EQ(workbook.size(), 4u);
    EXPECT_EQ(workbook[3].rfind("s:Борисов;", 0), 0u) << workbook[3];
    EXPECT_NE(workbook[3].find(";s:просрочено"), std::string::npos) << workbook[3];
    EXPECT_NE(workbook[3].find(";d:"), std::string::npos) << "dates stay dates: " << workbook[3];

    ASSERT_TRUE(engine.userDoubleClicks(window, kList, 1));
    const ui::WindowId form = procedure.window("KartaUp");
    ASSERT_NE(form, 0u) << "the card of the line";
    engine.userCloses(form);
    ASSERT_TRUE(procedure.idle(window));

    ASSERT_TRUE(engine.userPresses(window, kHideToday));
    ASSERT_TRUE(procedure.idle(window));
    ASSERT_TRUE(engine.userPresses(window, kClose));
    procedure.response();
  }
  framework::testing::ProcedureThread again(engine, [&] { return application.call(kRemindersAtStartUp, 0); });
  EXPECT_EQ(again.response(), framework::kResponseCancelled) << "not shown again today";
  EXPECT_EQ(engine.findWindow("Reminders"), 0u);
}

}  // namespace
}  // namespace veltrano::app::reminders
