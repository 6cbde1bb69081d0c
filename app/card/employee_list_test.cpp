// The employee list driven as the clerk drives it: its orders, locators and count, the card
// called to add and change, the report buttons and the import.
#include "app/card/employee_list.h"

#include <algorithm>

#include "app/card/card_form.h"
#include "app/card/card_numbers.h"
#include "app/card/card_test_support.h"
#include "app/reference/reference_list.h"

namespace veltrano::app::card {
namespace {

using Strings = std::vector<std::string>;

class EmployeeListTest : public testing::CardTest {
 protected:
  void cards() {
    struct Employee {
      const char* surname;
      const char* subdivision;
      const char* department;
      const char* post;
      const char* profession;
      bool dismissed;
    };
    const Employee employees[] = {
        {"Петров", "Стационар", "Анестезиология", "Хирург", "Акушер", false},
        {"Иванов", "Поликлиника", "Терапия", "Терапевт", "Врач-терапевт", false},
        {"Сидоров", "Амбулатория", "Аптека", "Хирург", "Аптекарь", true},
        // No appointment yet: blank in the derived orders' keys.
        {"Алексеев", "", "", "", "", false},
    };
    for (const Employee& employee : employees) {
      card(employee.surname, employee.post, employee.dismissed);
      RecordAccess fields = record("KARTA");
      fields.setText("KAR:STRUKT", ru(employee.subdivision));
      fields.setText("KAR:OTDELENIE", ru(employee.department));
      fields.setText("KAR:PROFF", ru(employee.profession));
      EXPECT_EQ(dictionary.manager("KARTA").UpdateQuiet(), framework::kLevelBenign);
    }
  }
};

TEST_F(EmployeeListTest, EveryTabOrdersCurrentEmployeesFindsByItsLocatorAndCountsThem) {
  {
    auto thread = run(kEmployeeList);
    const ui::WindowId empty = thread->window("Karta");
    EXPECT_TRUE(shown(empty, kEmployeeRows, 1).empty());
    EXPECT_EQ(value(empty, kEmployeeCount), "") << "a zero count shows nothing";
    EXPECT_FALSE(engine.snapshot(empty)->wait_cursor);
  }
  cards();
  auto thread = run(kEmployeeList);
  const ui::WindowId list = thread->window("Karta");
  EXPECT_EQ(engine.snapshot(list)->caption, ru("Список сотрудников"));
  struct Case {
    int tab;
    Strings surnames;
    std::string count;
    std::string typed;
    std::string found;
  };
  // Tab 0: the order the list opens in, by surname with the surname tab's entry.
  const Case cases[] = {
      {0, {"Алексеев", "Иванов", "Петров"}, "3", "ив", "Иванов"},
      {1, {"Алексеев", "Иванов", "Петров"}, "3", "пе", "Петров"},
      // A card whose place is still blank is in none of the orders by place.
      {2, {"Иванов", "Петров"}, "2", "Ста", "Петров"},
      {3, {"Петров", "Иванов"}, "2", "Тер", "Иванов"},
      {4, {"Иванов", "Петров"}, "2", "Хир", "Петров"},
      {5, {"Петров", "Иванов"}, "2", "Врач", "Иванов"},
      {1, {"Алексеев", "Иванов", "Петров"}, "3", "и", "Иванов"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tab);
    if (c.tab != 0) {
      ASSERT_TRUE(engine.userChoosesTab(list, kOrderSheet, c.tab));
    }
    thread->idle(list);
    EXPECT_EQ(shown(list, kEmployeeRows, 1), c.surnames);
    EXPECT_EQ(value(list, kEmployeeCount), c.count);
    type(*thread, list, kFirstLocator + std::max(c.tab, 1) - 1, c.typed);
    const int row = std::stoi(value(list, kEmployeeRows));
    EXPECT_EQ(shown(list, kEmployeeRows, 1)[static_cast<std::size_t>(row - 1)], c.found);
    EXPECT_EQ(value(list, kEmployeeCount), c.count) << "found within the same records";
  }
  EXPECT_FALSE(engine.snapshot(list)->wait_cursor);
}

TEST_F(EmployeeListTest, TheCardAddsTheNextNumberRefusesAWrongDateAndItsChangeShowsInTheList) {
  cards();
  auto thread = run(kEmployeeList);
  const ui::WindowId list = thread->window("Karta");
  ui::WindowId form = open(*thread, list, kEmployeeInsert, "KartaUp");
  EXPECT_EQ(engine.snapshot(form)->caption, ru("Добавить запись"));
  EXPECT_EQ(value(form, kCardNumber), "5");
  type(*thread, form, kCardSurname, "Яковлев");
  type(*thread, form, after(form, "Дата рождения:"), "31.02.1990");
  ASSERT_TRUE(engine.userPresses(form, kCardOk));
  thread->idle(form);
  EXPECT_NE(engine.findWindow("KartaUp"), 0u) << "no 31 February: the card stays open";
  type(*thread, form, after(form, "Дата рождения:"), "28.02.1990");
  finish(*thread, form, kCardOk, list);
  EXPECT_EQ(shown(list, kEmployeeRows, 1), (Strings{"Алексеев", "Иванов", "Петров", "Яковлев"}));
  EXPECT_EQ(shown(list, kEmployeeRows, 0).back(), "5");
  EXPECT_EQ(value(list, kEmployeeCount), "4");
  EXPECT_EQ(shown(list, kEmployeeRows, 4).back(), "28.02.1990");

  ASSERT_TRUE(engine.userSelectsRow(list, kEmployeeRows, 3));
  thread->idle(list);
  ASSERT_TRUE(engine.userKey(list, ui::key::kControl + ui::key::kEnter));
  form = thread->window("KartaUp");
  EXPECT_EQ(engine.snapshot(form)->caption, ru("Изменить запись"));
  EXPECT_EQ(value(form, kCardSurname), "Петров");
  type(*thread, form, after(form, "Отчество:"), "Ильич");
  ASSERT_TRUE(engine.userChoosesTab(form, kCardSheet, 3));
  type(*thread, form, after(form, "Телефон:"), "55-12-34");
  finish(*thread, form, kCardOk, list);
  EXPECT_EQ(shown(list, kEmployeeRows, 3)[2], "Ильич");
  EXPECT_EQ(onDisk("KARTA", "KAR:TELEFON"), (Strings{"55-12-34", "", "", "", ""}));
}

TEST_F(EmployeeListTest,
       AReportButtonIsUsableOnceItsProceduresAreRegisteredAndRunsThemFromTheHighlightedCard) {
  cards();
  Strings ran;
  for (const std::uint16_t report : {std::uint16_t{109}, std::uint16_t{108}, std::uint16_t{107}}) {
    procedures.Register(report, procedureName(report), [&, report](const framework::ProcedureCall&) {
      ran.push_back(procedureName(report) + " " + platform::utf8From1251(record("KARTA").text("KAR:FAM")) +
                    " " + platform::utf8From1251(applicationGlobals().text("otdelenieg")));
      return framework::kResponseCompleted;
    });
  }
  addRecord("OTDELENI", [&](RecordAccess department) { department.setText("OTD:NOM", ru("Хирургия")); });
  auto thread = run(kEmployeeList);
  const ui::WindowId list = thread->window("Karta");
  EXPECT_FALSE(engine.controlState(list, 6)->enabled) << "VELTR122 is not part of the program";
  EXPECT_FALSE(engine.controlState(list, 17)->enabled);
  ASSERT_TRUE(engine.userSelectsRow(list, kEmployeeRows, 2));
  thread->idle(list);
  press(*thread, list, 16);
  EXPECT_EQ(ran, (Strings{"VELTR109 Иванов ", "VELTR108 Иванов "}));
  // "отделениям": the department chosen first, then the selection of that department.
  const ui::WindowId departments = open(*thread, list, 21, "OtdelenieFind");
  ASSERT_NE(departments, 0u);
  ASSERT_TRUE(engine.userDoubleClicks(departments, reference::kListRows, 1));
  ASSERT_TRUE(closed("OtdelenieFind"));
  thread->idle(list);
  EXPECT_EQ(ran.back(), "VELTR107 Иванов Хирургия");
}

TEST_F(EmployeeListTest, ImportAddsKa2sNumberedCardsWithTheSharedFieldsAndSkipsANumberTaken) {
  card("Петров", "Хирург");
  const std::pair<int, const char*> imported[] = {
      {0, "Безномеров"}, {1, "Занятов"}, {7, "Новиков"}, {8, "Орлова"}};
  for (const auto& [number, surname] : imported) {
    addRecord("KA2", [&](RecordAccess ka2) {
      ka2.setInteger("KA2:NUM", number);
      ka2.setText("KA2:FAM", ru(surname));
      ka2.setText("KA2:TELEFON", "12-34-56");
    });
  }
  auto thread = run(kEmployeeList);
  const ui::WindowId list = thread->window("Karta");
  press(*thread, list, kImportButton);
  EXPECT_EQ(shown(list, kEmployeeRows, 1), (Strings{"Новиков", "Орлова", "Петров"}));
  EXPECT_EQ(value(list, kEmployeeCount), "3");
  EXPECT_EQ(onDisk("KARTA", "KAR:NUM"), (Strings{"1", "7", "8"}));
  EXPECT_EQ(onDisk("KARTA", "KAR:TELEFON"), (Strings{"", "12-34-56", "12-34-56"}));
  EXPECT_EQ(onDisk("KARTA", "KAR:POST"), (Strings{"Хирург", "", ""})) << "nothing of the highlighted card";
}

}  // namespace
}  // namespace veltrano::app::card
