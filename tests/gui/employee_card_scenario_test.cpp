// A clerk with the demonstration institution keeps one card end to end, by keyboard only:
// "&Сотрудники" from the menu, an employee found by typing the surname into the locator, the
// card opened with Ctrl+Enter; the phone changed on the page "Адрес"; an appointment added
// whose subdivision, department and position are chosen through the "..." lists; the card
// saved and the list's columns showing the new appointment; the employee dismissed with a date,
// found in "Уволенные сотрудники" and restored to the list. Screenshots of each step.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/gui/gui_session.h"

namespace veltrano::gui {
namespace {

// The employee list's rows and the surname tab's entry (app/card/employee_list.h), the card's
// controls (app/card/card_form.h), the appointment form's (app/card/child_forms.h), the
// dismissed list's (app/card/dismissed_list.h).
constexpr int kEmployeeRows = 1;
constexpr int kSurnameLocator = 51;
constexpr int kCardSurname = 111;
constexpr int kAppointments = 131;
constexpr int kCardOk = 140;
constexpr int kAppointmentDate = 1;
constexpr int kAppointmentFirstChosen = 5;  // subdivision, department, position
constexpr int kChooseOffset = 50;
constexpr int kAppointmentOk = 90;
constexpr int kDismissedRows = 1;
constexpr int kDismissedLocator = 2;
constexpr int kRestoreButton = 5;
// The list's columns: Ид.№, surname … subdivision, department, position from the sixth on.
constexpr std::size_t kIdColumn = 0;
constexpr std::size_t kFirstPlaceColumn = 5;

// The control that follows the prompt `text` in the window.
int controlAfterPrompt(const ShownWindow& window, const std::string& text) {
  for (std::size_t at = 0; at + 1 < window.controls.size(); ++at) {
    if (window.controls[at].kind == "prompt" && window.controls[at].text == text)
      return window.controls[at + 1].id;
  }
  return 0;
}

int firstList(const ShownWindow& window) {
  for (const ShownControl& control : window.controls) {
    if (control.kind == "list") return control.id;
  }
  return 0;
}

// The list's row (from 0) whose first column is `id`, or -1.
int rowOf(const ShownWindow& window, int list, const std::string& id) {
  const std::vector<std::string> ids = window.column(list, kIdColumn);
  for (std::size_t row = 0; row < ids.size(); ++row) {
    if (ids[row] == id) return static_cast<int>(row);
  }
  return -1;
}

// Types a date key by key: a lost letter in a picture field would shift the rest.
void typeDate(GuiSession& session, const std::string& date) {
  for (char c : date) session.keys({c == '.' ? std::string("period") : std::string(1, c)});
}

// Finds the employee `id` in the open employee list by typing `surname` into the locator;
// the row, or -1.
int locate(GuiSession& session, const std::string& surname, const std::string& id) {
  if (!session.focusOn("Karta", kSurnameLocator)) return -1;
  session.keys({"ctrl+a", "BackSpace"});
  session.type(surname);
  session.keys({"Return"});
  const std::optional<ShownWindow> list = session.waitForWindow("Karta");
  return list ? rowOf(*list, kEmployeeRows, id) : -1;
}

// Opens a "..." selection of the appointment form and takes its highlighted row; the value the
// form's field then holds.
std::string chooseFirst(GuiSession& session, int field, const std::string& selection) {
  EXPECT_TRUE(session.focusOn("RabotaUp", field + kChooseOffset));
  session.keys({"space"});
  const std::optional<ShownWindow> shown = session.waitForWindow(selection);
  EXPECT_TRUE(shown) << selection;
  if (!shown) return {};
  EXPECT_FALSE(shown->control(firstList(*shown))->rows.empty()) << selection;
  // The selection opens on its locator; the row is taken from the list.
  EXPECT_TRUE(session.focusOn(selection, firstList(*shown)));
  session.keys({"Return"});
  EXPECT_TRUE(session.waitUntilClosed(selection));
  const std::optional<ShownWindow> form = session.waitForWindow("RabotaUp");
  return form ? form->control(field)->value : std::string();
}

TEST(EmployeeCardScenario, AClerkChangesACardAddsAnAppointmentDismissesAndRestoresAnEmployee) {
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
  // The first page may come with the refresh after the window's procedure is waiting.
  for (int tries = 0; tries < 40 && list && list->control(kEmployeeRows)->rows.size() <= 10u; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    list = session->waitForWindow("Karta");
  }
  ASSERT_TRUE(list);
  ASSERT_GT(list->control(kEmployeeRows)->rows.size(), 10u);
  session->screenshot("card-01-employee-list");
  // The employee on the list's eighth row, found again from the list's top by the surname
  // (surnames repeat: the row is told by its number).
  const std::string surname = list->control(kEmployeeRows)->rows[7][1];
  const std::string id = list->control(kEmployeeRows)->rows[7][kIdColumn];
  ASSERT_GE(locate(*session, surname, id), 0);
  session->screenshot("card-02-located");

  // Ctrl+Enter opens the highlighted employee; the row of that number is highlighted first.
  for (int down = 0; down < 40; ++down) {
    list = session->waitForWindow("Karta");
    if (!list || std::stoi(list->control(kEmployeeRows)->value) - 1 == rowOf(*list, kEmployeeRows, id)) break;
    session->keys({"Down"});
  }
  ASSERT_TRUE(session->focusOn("Karta", kEmployeeRows));
  session->keys({"ctrl+Return"});
  std::optional<ShownWindow> card = session->waitForWindow("Изменить запись");
  ASSERT_TRUE(card);
  EXPECT_EQ(card->control(kCardSurname)->value.substr(0, surname.size()), surname);
  session->screenshot("card-03-card-opened");

  // The phone on the page "Адрес".
  session->keys({"ctrl+Tab", "ctrl+Tab"});
  const int phone = controlAfterPrompt(*card, "Телефон:");
  ASSERT_NE(phone, 0);
  ASSERT_TRUE(session->focusOn("KartaUp", phone));
  session->keys({"ctrl+a", "BackSpace"});
  session->type("555-12-34");
  card = session->waitForWindow("KartaUp");
  EXPECT_EQ(card->control(phone)->value, "555-12-34");
  session->screenshot("card-04-phone");

  // An appointment later than any other: the card takes its subdivision, department, position.
  ASSERT_TRUE(session->focusOn("KartaUp", kAppointments));
  session->keys({"space"});
  ASSERT_TRUE(session->waitForWindow("Rabota"));
  ASSERT_TRUE(session->pressFor("Insert", "RabotaUp"));
  ASSERT_TRUE(session->focusOn("RabotaUp", kAppointmentDate));
  typeDate(*session, "10.12.26");
  std::vector<std::string> chosen;
  for (const char* selection : {"BolnicaSel", "OtdelenieSel", "PostSel"}) {
    const int field = kAppointmentFirstChosen + static_cast<int>(chosen.size());
    chosen.push_back(chooseFirst(*session, field, selection));
    ASSERT_NE(chosen.back(), "") << selection;
  }
  session->screenshot("card-05-appointment");
  ASSERT_TRUE(session->focusOn("RabotaUp", kAppointmentOk));
  session->keys({"space"});
  ASSERT_TRUE(session->waitUntilClosed("RabotaUp"));
  session->keys({"Escape"});
  ASSERT_TRUE(session->waitUntilClosed("Rabota"));

  ASSERT_TRUE(session->focusOn("KartaUp", kCardOk));
  session->keys({"space"});
  ASSERT_TRUE(session->waitUntilClosed("KartaUp"));
  list = session->waitForWindow("Karta");
  ASSERT_TRUE(list);
  const int row = rowOf(*list, kEmployeeRows, id);
  ASSERT_GE(row, 0);
  for (std::size_t at = 0; at < chosen.size(); ++at)
    EXPECT_EQ(list->control(kEmployeeRows)->rows[static_cast<std::size_t>(row)][kFirstPlaceColumn + at],
              chosen[at]);
  EXPECT_EQ(list->focus, kEmployeeRows) << "the list comes back with the focus on its rows";
  session->screenshot("card-06-saved");

  // Dismissed on the page "Прочие": the list no longer shows the employee.
  session->keys({"ctrl+Return"});
  card = session->waitForWindow("Изменить запись");
  ASSERT_TRUE(card);
  session->keys({"ctrl+Tab", "ctrl+Tab", "ctrl+Tab"});
  const int dismissal = controlAfterPrompt(*card, "Дата увольнения:");
  ASSERT_NE(dismissal, 0);
  ASSERT_TRUE(session->focusOn("KartaUp", dismissal));
  typeDate(*session, "10.12.26");
  ASSERT_TRUE(session->focusOn("KartaUp", kCardOk));
  session->keys({"space"});
  ASSERT_TRUE(session->waitUntilClosed("KartaUp"));
  list = session->waitForWindow("Karta");
  ASSERT_TRUE(list);
  EXPECT_EQ(rowOf(*list, kEmployeeRows, id), -1);
  session->keys({"Escape"});
  ASSERT_TRUE(session->waitUntilClosed("Karta"));

  // "&Отчеты" → "&Список уволенных сотрудников", the first item: its letter is also
  // "Отбор &совместителей"'s, so the letter only highlights it.
  std::optional<ShownWindow> dismissed =
      session->choose("alt+Cyrillic_o", {"Return"}, "Уволенные сотрудники", "card-07-reports-menu");
  ASSERT_TRUE(dismissed);
  ASSERT_TRUE(session->focusOn("Archiv", kDismissedLocator));
  session->type(surname);
  session->keys({"Return"});
  dismissed = session->waitForWindow("Archiv");
  ASSERT_TRUE(dismissed);
  const ShownControl* rows = dismissed->control(kDismissedRows);
  const auto highlighted = static_cast<std::size_t>(std::stoi(rows->value) - 1);
  ASSERT_LT(highlighted, rows->rows.size());
  EXPECT_EQ(rows->rows[highlighted][0], surname);
  EXPECT_EQ(rows->rows[highlighted][7], "10.12.2026");
  EXPECT_EQ(dismissed->control(kRestoreButton)->text.rfind("Восстановить сотрудника:  " + surname, 0), 0u);
  session->screenshot("card-08-dismissed-list");
  ASSERT_TRUE(session->focusOn("Archiv", kRestoreButton));
  session->keys({"space"});
  session->settle();
  session->screenshot("card-09-restored");
  session->keys({"Escape"});
  ASSERT_TRUE(session->waitUntilClosed("Archiv"));

  // Back in the list of employees.
  list = session->choose("alt+Cyrillic_es", {"Cyrillic_es"}, "Список сотрудников");
  ASSERT_TRUE(list);
  EXPECT_GE(locate(*session, surname, id), 0);

  EXPECT_EQ(session->exitThroughMenu(), 0);
}

}  // namespace
}  // namespace veltrano::gui
