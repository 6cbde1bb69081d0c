// A clerk with the demonstration institution: "&Сотрудники" opened from the menu, an employee
// found by typing the surname into the locator, the card opened with Ctrl+Enter showing that
// employee, closed with Esc; then "Уволенные сотрудники" from "&Отчеты" with the dismissed and
// the restore button naming the highlighted one. Everything by keyboard; screenshots of each step.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/gui/gui_session.h"

namespace veltrano::gui {
namespace {

// The employee list's rows and the surname tab's entry (app/card/employee_list.h), the card's
// controls (app/card/card_form.h), the dismissed list's (app/card/dismissed_list.h).
constexpr int kEmployeeRows = 1;
constexpr int kSurnameLocator = 51;
constexpr int kCardSurname = 111;
constexpr int kDismissedRows = 1;
constexpr int kRestoreButton = 5;

// Tabs through the window until `control` has the focus.
bool focusOn(GuiSession& session, const std::string& label, int control) {
  for (int tries = 0; tries < 60; ++tries) {
    const std::optional<ShownWindow> shown = session.waitForWindow(label);
    if (!shown) return false;
    if (shown->focus == control) return true;
    session.keys({"Tab"});
  }
  return false;
}

TEST(EmployeeCardScenario, AClerkFindsAnEmployeeOpensTheCardAndLooksAtTheDismissed) {
  std::string reason;
  std::unique_ptr<GuiSession> session = GuiSession::Start(&reason);
  ASSERT_NE(session, nullptr) << reason;
  std::this_thread::sleep_for(std::chrono::seconds(2));
  // "&Да": the demonstration institution
  ASSERT_TRUE(session->pressFor("alt+Cyrillic_de", "Main", std::chrono::seconds(60)));

  // "&Справочники" → "&Сотрудники"
  std::optional<ShownWindow> list =
      session->choose("alt+Cyrillic_es", {"Cyrillic_es"}, "Список сотрудников", "card-00-reference-menu");
  ASSERT_TRUE(list);
  ASSERT_GT(list->control(kEmployeeRows)->rows.size(), 10u);
  session->screenshot("card-01-employee-list");
  // The employee on the list's eighth row, found again from the list's top by the surname.
  const std::string surname = list->control(kEmployeeRows)->rows[7][1];
  ASSERT_TRUE(focusOn(*session, "Karta", kSurnameLocator));
  session->type(surname);
  session->keys({"Return"});
  list = session->waitForWindow("Karta");
  const int row = std::stoi(list->control(kEmployeeRows)->value);
  EXPECT_EQ(list->control(kEmployeeRows)->rows[static_cast<std::size_t>(row - 1)][1], surname);
  session->screenshot("card-02-located");

  session->keys({"ctrl+Return"});
  const std::optional<ShownWindow> card = session->waitForWindow("Изменить запись");
  ASSERT_TRUE(card);
  EXPECT_EQ(card->control(kCardSurname)->value.substr(0, surname.size()), surname);
  session->screenshot("card-03-card-opened");
  session->keys({"Escape"});  // "Отмена", nothing changed: no question
  ASSERT_TRUE(session->waitUntilClosed("KartaUp"));
  session->keys({"Escape"});
  ASSERT_TRUE(session->waitUntilClosed("Karta"));

  // "&Отчеты" → "&Список уволенных сотрудников", the first item: its letter is also
  // "Отбор &совместителей"'s, so the letter only highlights it.
  const std::optional<ShownWindow> dismissed =
      session->choose("alt+Cyrillic_o", {"Return"}, "Уволенные сотрудники", "card-04-reports-menu");
  ASSERT_TRUE(dismissed);
  const std::vector<std::vector<std::string>>& rows = dismissed->control(kDismissedRows)->rows;
  ASSERT_FALSE(rows.empty()) << "the demonstration institution has dismissed employees";
  EXPECT_NE(rows[0][7], "") << "each with the date of dismissal";
  EXPECT_EQ(dismissed->control(kRestoreButton)->text.rfind("Восстановить сотрудника:  " + rows[0][0], 0), 0u);
  session->screenshot("card-05-dismissed-list");
  session->keys({"Escape"});
  ASSERT_TRUE(session->waitUntilClosed("Archiv"));

  EXPECT_EQ(session->exitThroughMenu(), 0);
}

}  // namespace
}  // namespace veltrano::gui
