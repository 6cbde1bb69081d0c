// The window of VELTR006: the order tabs with their locators above the list, the count below
// it, the selections and reports in a column on the right, the browse's buttons along the
// bottom.
#include <array>

#include "app/card/employee_list.h"
#include "app/reference/captioned_button.h"

namespace veltrano::app::card {
namespace {

constexpr std::array kOrders{
    EmployeeOrder{"По фамилии", "KAR:FAM_KEY", "Введите фамилию искомого сотрудника", "KAR:FAM"},
    EmployeeOrder{"По подразделениям", "KAR:STR_KEY", "Введите название искомого подразделения",
                  "KAR:STRUKT"},
    EmployeeOrder{"По отделениям", "KAR:OTD_KEY", "Введите название искомого отделения", "KAR:OTDELENIE"},
    EmployeeOrder{"По должностям", "KAR:POS_KEY", "Введите название искомой должности", "KAR:POST"},
    EmployeeOrder{"По профессиям", "KAR:PROF_KEY", "Введите название искомой профессии", "KAR:PROFF"},
};

constexpr std::array kActions{
    ListAction{6, "Список среднего мед.персонала А3", 122},
    ListAction{7, "Список врачей А3", 119},
    ListAction{8, "Queue", 118},
    ListAction{9, "Декретный отпуск", 123},
    ListAction{37, "Врачи и медсестры", 124},
    ListAction{16, "стажу", 109, 108, true},
    ListAction{17, "возрасту", 110, 111, true},
    ListAction{18, "Имеют ребенка младше 6.10.92", 112, 0, true},
    ListAction{19, "Расширенный", 115, 0, true},
    ListAction{20, "Общий", 113, 0, true},
    ListAction{21, "отделениям", 106, 107, true},
};

constexpr std::string_view kListFormat =
    "20R(2)|M~Ид.№~C(0)@n4@50L(2)|M~Фамилия~C(0)@s20@50L(2)|M~Имя~C(0)@s20@50L(2)|M~Отчество~C(0)@s20@"
    "44L(2)|M~Дата рожд.~C(0)@d6.@65L(2)|M~Подразделение~C(0)@s60@65L(2)|M~Отделение~C(0)@s60@"
    "65L(2)|M~Должность~C(0)@s60@240L(2)|M~Профессия~C(0)@s60@";

// The window fits the program's frame at 1024 pixels: the list scrolls sideways for its last
// columns, and the right column is as wide as its longest caption.
constexpr int kListWidth = 736;
constexpr int kListTop = 84;
constexpr int kVisibleRows = 20;
constexpr int kColumnX = kListWidth + 16;
constexpr int kColumnWidth = 244;
constexpr int kButtonStep = 30;

ui::ControlDescription placed(ui::ControlDescription control, ui::Rect at) {
  control.at = at;
  return control;
}

}  // namespace

std::span<const ListAction> employeeListActions() {
  return kActions;
}

std::span<const EmployeeOrder> employeeOrders() {
  return kOrders;
}

framework::WindowDefinition employeeListWindow(CountedBrowse& browse) {
  framework::WindowBuilder window("veltrano$VELTR006", "Karta", "Список сотрудников");
  window.sheet(kOrderSheet, {8, 8, kListWidth, 68});
  for (std::size_t i = 0; i < kOrders.size(); ++i) {
    const auto n = static_cast<ui::ControlId>(i);
    window.tab(kFirstOrderTab + n, kOrders[i].tab);
    window.prompt(0, kOrders[i].prompt).at({8, 11, 300, 20});
    ui::ControlDescription locator;
    locator.id = kFirstLocator + n;
    locator.kind = ui::ControlKind::kEntry;
    locator.picture = i == 0 ? "@s20" : "@s60";
    window.control(placed(locator, {316, 8, i == 0 ? 200 : 396, 22}));
  }
  window.end();
  window.list(kEmployeeRows, kListFormat, {8, kListTop, kListWidth, 22 + kVisibleRows * 18});
  const int below = kListTop + 22 + kVisibleRows * 18 + 10;
  window.prompt(0, "ИТОГО:").at({8, below + 3, 56, 20});
  window.display(kEmployeeCount, "", browse.CountRecord(), kCountField, "@n7b").at({68, below, 80, 22});

  int in_group = 0;
  int in_column = 0;
  for (const ListAction& action : kActions) in_group += action.selection ? 1 : 0;
  const int group_height = 22 + in_group * kButtonStep + 6;
  window.group(kSelectionsGroup, "Отборы по:", {kColumnX, 8, kColumnWidth, group_height});
  for (const ListAction& action : kActions) {
    if (!action.selection) continue;
    window.control(placed(reference::captionedButton(action.control, action.text, 0, 0),
                          {8, 20 + in_column++ * kButtonStep, kColumnWidth - 16, 26}));
  }
  window.end();
  int y = 8 + group_height + 10;
  for (const ListAction& action : kActions) {
    if (action.selection) continue;
    window.control(placed(reference::captionedButton(action.control, action.text, 0, 0),
                          {kColumnX, y, kColumnWidth, 26}));
    y += kButtonStep;
  }
  window.control(
      placed(reference::captionedButton(kImportButton, "Button 6", 0, 0), {kColumnX, y, kColumnWidth, 26}));

  window.button(kEmployeeSelect, "&Выбрать").button(kEmployeeInsert, "&Добавить");
  window.button(kEmployeeChange, "&Изменить").button(kEmployeeDelete, "&Удалить");
  window.button(kEmployeeClose, "Закрыть");
  return *window.build();
}

}  // namespace veltrano::app::card
