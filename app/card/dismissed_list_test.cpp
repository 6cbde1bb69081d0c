// The dismissed list: its count and button texts, the department filter, restoring and erasing.
#include "app/card/dismissed_list.h"

#include "app/card/card_numbers.h"
#include "app/card/card_test_support.h"
#include "app/card/employee_erase.h"
#include "app/reference/reference_list.h"

namespace veltrano::app::card {
namespace {

using Strings = std::vector<std::string>;

class DismissedListTest : public testing::CardTest {
 protected:
  // A card with one record of its own in each child file.
  std::int64_t employee(const char* surname, const char* department, bool dismissed) {
    const std::int64_t number = card(surname, "", dismissed);
    RecordAccess fields = record("KARTA");
    fields.setText("KAR:NOM", ru("Иван"));
    fields.setText("KAR:PER", ru("Петрович"));
    fields.setText("KAR:OTDELENIE", ru(department));
    EXPECT_EQ(dictionary.manager("KARTA").UpdateQuiet(), framework::kLevelBenign);
    for (const EmployeeFile& file : employeeFiles()) {
      if (file.file != "KARTA")
        addRecord(file.file, [&](RecordAccess child) { child.setInteger(file.number, number); });
    }
    return number;
  }
  Strings numbersOnDisk() {
    Strings all;
    for (const EmployeeFile& file : employeeFiles()) {
      for (const std::string& number : onDisk(file.file, file.number)) all.push_back(number);
    }
    return all;
  }
};

TEST_F(DismissedListTest, RestoresAndErasesTheHighlightedEmployeeAndKeepsOnlyADepartmentWhenAsked) {
  employee("Иванов", "Хирургия", false);
  employee("Петров", "Хирургия", true);
  employee("Сидоров", "Терапия", true);
  for (const char* department : {"Хирургия", "Терапия"})
    addRecord("OTDELENI", [&](RecordAccess otdeleni) { otdeleni.setText("OTD:NOM", ru(department)); });
  auto thread = run(kDismissedList);
  const ui::WindowId list = thread->window("Archiv");
  EXPECT_EQ(shown(list, kDismissedRows, 0), (Strings{"Петров", "Сидоров"}));
  EXPECT_EQ(value(list, kDismissedCount), "2");
  EXPECT_EQ(trimmed(engine.snapshot(list)->controls.at(kRestoreButton).text),
            "Восстановить сотрудника:  Петров И П");

  ASSERT_TRUE(engine.userPresses(list, kByDepartment));
  const ui::WindowId departments = thread->window("OtdelenieFind");
  ASSERT_TRUE(engine.userDoubleClicks(departments, reference::kListRows, 2));  // "Хирургия"
  ASSERT_TRUE(closed("OtdelenieFind"));
  thread->idle(list);
  EXPECT_EQ(shown(list, kDismissedRows, 0), Strings{"Петров"});
  press(*thread, list, kByDepartment);
  EXPECT_EQ(shown(list, kDismissedRows, 0), (Strings{"Петров", "Сидоров"}));

  ASSERT_TRUE(engine.userSelectsRow(list, kDismissedRows, 2));
  thread->idle(list);
  EXPECT_EQ(trimmed(engine.snapshot(list)->controls.at(kEraseButton).text),
            "Удалить из базы сотрудника:  Сидоров И П");
  const Strings before = numbersOnDisk();
  engine.queueMessageBoxAnswer(ui::kButtonNo);
  press(*thread, list, kEraseButton);
  EXPECT_EQ(engine.shownMessageBoxes().back().text, ru("Вы уверены что хотите удалить запись?"));
  EXPECT_EQ(numbersOnDisk(), before) << "not without a Yes";
  engine.queueMessageBoxAnswer(ui::kButtonYes);
  press(*thread, list, kEraseButton);
  EXPECT_EQ(shown(list, kDismissedRows, 0), Strings{"Петров"});
  Strings others;
  for (const std::string& number : before) {
    if (number != "3") others.push_back(number);
  }
  EXPECT_EQ(numbersOnDisk(), others) << "the nine files hold nothing of 3 and all of the others";

  press(*thread, list, kRestoreButton);
  EXPECT_TRUE(shown(list, kDismissedRows, 0).empty());
  EXPECT_EQ(value(list, kDismissedCount), "0");
  EXPECT_EQ(onDisk("KARTA", "KAR:DATA_UVOL"), (Strings{"0", "0"}));
}

}  // namespace
}  // namespace veltrano::app::card
