// The procedures of the reports area, registered under their numbers: the lists the employee
// list starts and their dialogs, the selection lists of the menu "&Отчеты" with their
// printouts, the statistical forms, the doctors' training plan, and the institution's texts.
// The employee list's buttons and the main menu call them through the registry:
//
//   if (application.call(reports::kAskServiceYears, framework::kRequestNone) ==
//   framework::kResponseCompleted)
//     application.call(reports::kServiceList, framework::kRequestNone);
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "app/frame/application.h"

namespace veltrano::app::reports {

// The employee list's buttons.
inline constexpr std::uint16_t kServiceList = 108;  // "стажу", after kAskServiceYears
inline constexpr std::uint16_t kAskServiceYears = 109;
inline constexpr std::uint16_t kAgeList = 111;  // "возрасту", after kAskAge
inline constexpr std::uint16_t kAskAge = 110;
inline constexpr std::uint16_t kChildrenList = 112;    // "Имеют ребенка младше 6.10.92"
inline constexpr std::uint16_t kGeneralList = 113;     // "Общий"
inline constexpr std::uint16_t kExtendedList = 115;    // "Расширенный"
inline constexpr std::uint16_t kDepartmentList = 107;  // "отделениям", after VELTR106 sets otdelenieg
inline constexpr std::uint16_t kMaternityList = 123;  // "Декретный отпуск"
inline constexpr std::uint16_t kDoctorsA3 = 119;      // "Список врачей А3"
inline constexpr std::uint16_t kNursesA3 = 122;  // "Список среднего мед.персонала А3"
inline constexpr std::uint16_t kDoctorsAndNurses = 124;  // "Врачи и медсестры"
inline constexpr std::uint16_t kQueueList = 118;         // "Queue"

// The settings of the institution's texts (menu "&Файл").
inline constexpr std::uint16_t kInstitutionTexts = 129;

// REQUIRES: `application` outlives every call of the procedures registered.
void registerReportProcedures(Application& application);

// A report that runs without a window (`veltrano --report`): the report alone, without the
// dialog the menu asks first, and the globals that dialog would have set.
struct HeadlessReport {
  std::uint8_t (*run)(const Application& application, std::uint16_t number) = nullptr;
  std::vector<std::string_view> globals;
};
// Nothing for a number that is no such report.
std::optional<HeadlessReport> headlessReport(std::uint16_t number);

}  // namespace veltrano::app::reports
