#include "app/frame/main_menu.h"

#include <algorithm>
#include <string>

#include "platform/codepage.h"

namespace veltrano::app {
namespace {

using enum MenuAction;

// The "&Окно" submenu and its items have no numbers of their own in the menu's numbering; they
// take the next ones after the last numbered item.
constexpr MainMenuItem kItems[] = {
    {-2, 0, false, "&Файл", "", kSubmenu, 0},
    {-3, 1, false, "&Установка принтера", "Setup Printer", kPrinterSetup, 0},
    // The institution's texts on the reports came later than the menu's numbering: the item
    // takes the first number after it.
    {-52, 1, false, "&Реквизиты учреждения", "", kProcedure, 129},
    {-61, 1, false, "Резервная &копия…", "", kProcedure, 132},
    {-4, 1, true, "&Выход", "Exit this application", kExit, 0},
    {-5, 0, false, "&Справочники", "", kSubmenu, 0},
    {-6, 1, false, "&Штатное расписание", "", kProcedure, 2},
    {-7, 1, true, "&Сотрудники", "", kProcedure, 6},
    {-8, 1, true, "Ви&д отпуска", "", kProcedure, 68},
    {-9, 1, false, "Ви&д повышения квалификации", "", kProcedure, 60},
    {-10, 1, false, "&Военкомат", "", kProcedure, 28},
    {-11, 1, false, "Воинское &звание", "", kProcedure, 26},
    {-12, 1, false, "Годность к военной сл&ужбе", "", kProcedure, 27},
    {-13, 1, false, "&Гражданство", "", kProcedure, 8},
    {-14, 1, false, "Доку&мент повышения квалификации", "", kProcedure, 65},
    {-15, 1, false, "Дол&жность", "", kProcedure, 80},
    {-16, 1, false, "&Дополнительное образование", "", kProcedure, 12},
    {-17, 1, false, "Кат&егории аттестации", "", kProcedure, 56},
    {-18, 1, false, "Ка&тегории персонала", "", kProcedure, 41},
    {-19, 1, false, "&Квалификация", "", kProcedure, 15},
    {-20, 1, false, "На&циональность", "", kProcedure, 72},
    {-21, 1, false, "&Образование", "", kProcedure, 10},
    {-22, 1, false, "Основа&ние для отпуска", "", kProcedure, 67},
    {-23, 1, false, "Ос&нование приема на работу", "", kProcedure, 63},
    {-24, 1, false, "П&аспорт выдан", "", kProcedure, 22},
    {-25, 1, false, "&Послевузовское образование", "", kProcedure, 11},
    {-26, 1, false, "Про&фессия", "", kProcedure, 13},
    {-27, 1, false, "Резу&льтаты аттестации", "", kProcedure, 57},
    {-28, 1, false, "&Руководители", "", kProcedure, 88},
    {-29, 1, false, "Се&мейное положение", "", kProcedure, 23},
    {-30, 1, false, "Спе&циальность", "", kProcedure, 14},
    {-31, 1, false, "&Условия труда", "", kProcedure, 43},
    {-32, 1, false, "&Факультеты", "", kProcedure, 120},
    {-33, 0, false, "&Отчеты", "", kSubmenu, 0},
    {-34, 1, false, "&Список уволенных сотрудников", "", kProcedure, 71},
    {-35, 1, true, "&Просрочены квалификация,сертификаты и аттестации", "", kProcedure, 74},
    {-36, 1, false, "Отбор сотрудников на пенсию по &возрасту", "", kProcedure, 90},
    {-37, 1, false, "Отбор сотрудников по &категориям", "", kProcedure, 91},
    {-38, 1, false, "Отбор &совместителей", "", kProcedure, 92},
    {-39, 1, false, "Отбор сотрудников по &должности", "", kProcedure, 93},
    {-40, 1, true, "План &учёбы и аттестации врачей", "", kProcedure, 82},
    {-41, 1, true, "&Форма №17 лист1", "", kProcedure, 77},
    {-42, 1, false, "Форма №17 лист2", "", kProcedure, 34},
    {-43, 1, false, "Форма №17 лист3", "", kProcedure, 75},
    {-44, 1, false, "Форма №17 лист4", "", kProcedure, 76},
    {-45, 1, false, "Форма №50", "", kProcedure, 79},
    {-46, 1, false, "Форма №51", "", kProcedure, 78},
    {-47, 1, true, "&Отбор для профсоюза", "", kProcedure, 103},
    {-60, 1, true, "&Напоминания", "", kProcedure, 130},
    {-48, 0, false, "&Окно", "Create and Arrange windows", kSubmenu, 0},
    {-49, 1, false, "&Часть", "Make all open windows visible", kTileWindows, 0},
    {-50, 1, false, "&Каскад", "Stack all open windows", kCascadeWindows, 0},
    {-51, 1, false, "&Выровнить", "Align all window icons", kArrangeIcons, 0},
};

}  // namespace

std::span<const MainMenuItem> mainMenuItems() {
  return kItems;
}

const MainMenuItem* findMenuItem(ui::ControlId control) {
  const auto* found = std::find_if(std::begin(kItems), std::end(kItems),
                                   [&](const MainMenuItem& item) { return item.control == control; });
  return found == std::end(kItems) ? nullptr : found;
}

std::vector<ui::MenuItem> describeMainMenu(const framework::ProcedureRegistry& procedures) {
  std::vector<ui::MenuItem> menu;
  for (const MainMenuItem& item : kItems) {
    ui::MenuItem described;
    described.id = item.control;
    described.text = platform::ru(item.text);
    described.status = std::string(item.status);
    described.disabled = item.action == MenuAction::kProcedure && !procedures.Has(item.procedure);
    if (item.depth == 0) {
      menu.push_back(std::move(described));
      continue;
    }
    std::vector<ui::MenuItem>& submenu = menu.back().items;
    if (item.separator_before) {
      ui::MenuItem separator;
      separator.separator = true;
      submenu.push_back(separator);
    }
    submenu.push_back(std::move(described));
  }
  return menu;
}

}  // namespace veltrano::app
