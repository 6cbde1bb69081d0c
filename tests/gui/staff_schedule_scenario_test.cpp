// A clerk's first morning: the program on an empty directory, an empty database chosen, then
// "&Справочники" → "&Штатное расписание" by keyboard, a subdivision added with a department and
// a position, the schedule closed and opened again, and the program left through "&Файл" →
// "&Выход". Screenshots of each step are saved for a person to look at.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/gui/gui_session.h"

namespace veltrano::gui {
namespace {

using Strings = std::vector<std::string>;

// The staff schedule's lists, the forms' name entry and list (app/reference/staff_schedule.h).
constexpr int kSubdivisions = 3;
constexpr int kDepartments = 4;
constexpr int kPositions = 5;
constexpr int kName = 1;
constexpr int kFormList = 2;

TEST(StaffScheduleScenario, AClerkAddsASubdivisionWithADepartmentAndAPositionAndFindsThemAgain) {
  std::string reason;
  std::unique_ptr<GuiSession> session = GuiSession::Start(&reason);
  ASSERT_NE(session, nullptr) << reason;

  // The first start's question is the toolkit's own box, not a window of the engine's.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  session->screenshot("01-first-start-question");
  ASSERT_TRUE(session->pressFor("alt+Cyrillic_en", "Main"));  // "&Нет": an empty database
  session->screenshot("02-main-frame");

  auto openSchedule = [&] {
    return session->choose("alt+Cyrillic_es", {"Cyrillic_sha"}, "Штатное расписание", "03-reference-menu");
  };
  std::optional<ShownWindow> schedule = openSchedule();
  ASSERT_TRUE(schedule);
  EXPECT_TRUE(schedule->column(kSubdivisions).empty());

  ASSERT_TRUE(session->pressFor("Insert", "Update the bolnica File"));  // on the list of subdivisions
  session->type("Стационар");
  ASSERT_TRUE(session->pressFor("alt+Cyrillic_de", "Update the otdelenie File"));  // "&Добавить отделение"
  session->type("Терапевтическое отделение");
  ASSERT_TRUE(session->pressFor("alt+Cyrillic_de", "Update the post File"));  // "&Добавить" a position
  session->type("Врач-терапевт");
  session->keys({"Tab", "Tab"});  // past "..." to the staff units
  session->type("2,5");
  session->screenshot("04-position-form");
  session->keys({"Return"});  // "Ввод"
  ASSERT_TRUE(session->waitUntilClosed("Update the post File"));
  std::optional<ShownWindow> department = session->waitForWindow("Update the otdelenie File");
  ASSERT_TRUE(department);
  EXPECT_EQ(department->column(2), (Strings{"Врач-терапевт"}));
  session->screenshot("05-department-form");
  // The form the position was added from comes back, with the focus on its list as its
  // procedure puts it after the refill.
  EXPECT_EQ(department->focus, kFormList);
  session->keys({"shift+Tab", "Return"});  // from the list back to the name, then "Ввод"
  ASSERT_TRUE(session->waitUntilClosed("Update the otdelenie File"));
  std::optional<ShownWindow> subdivision = session->waitForWindow("Update the bolnica File");
  ASSERT_TRUE(subdivision);
  EXPECT_EQ(subdivision->column(2), (Strings{"Терапевтическое отделение"}));
  EXPECT_EQ(subdivision->control(kName)->value, "Стационар");
  EXPECT_EQ(subdivision->focus, kFormList);
  session->keys({"shift+Tab", "Return"});
  ASSERT_TRUE(session->waitUntilClosed("Update the bolnica File"));
  session->screenshot("06-staff-schedule-filled");
  session->keys({"Escape"});  // "Закрыть"
  ASSERT_TRUE(session->waitUntilClosed("Штатное расписание"));

  schedule = openSchedule();
  ASSERT_TRUE(schedule);
  EXPECT_EQ(schedule->column(kSubdivisions), (Strings{"Стационар"}));
  EXPECT_EQ(schedule->column(kDepartments), (Strings{"Терапевтическое отделение"}));
  EXPECT_EQ(schedule->column(kPositions), (Strings{"Врач-терапевт"}));
  EXPECT_EQ(schedule->column(kPositions, 1), (Strings{"2.50"}));
  session->screenshot("07-staff-schedule-reopened");

  EXPECT_EQ(session->exitThroughMenu(), 0);
}

}  // namespace
}  // namespace veltrano::gui
