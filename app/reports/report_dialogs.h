// The set-up dialogs of the reports and selection lists. Each asks what its report selects by,
// refuses at its field what is no number, year or date or lies outside what makes sense, and
// sets the globals the report's filter and title read. Each answers 1 when the clerk pressed
// OK (the globals are set) and 2 when cancelled (the globals are untouched).
#pragma once

#include <cstdint>

#include "app/frame/application.h"

namespace veltrano::app::reports {

// VELTR109 "Введите количество лет стажа (например - 20)": datag, the date that many years ago.
std::uint8_t askServiceYears(const Application& application);
// VELTR110 "Введите количество лет возраста (например - 20)": datag likewise.
std::uint8_t askAge(const Application& application);
// VELTR100 "Введите год даты (например - 2001)": datan.
std::uint8_t askRetirementYear(const Application& application);
// VELTR094: "Категории" and "Должность": katg ("Без категории" as empty text), st1 and st2.
std::uint8_t askCategoryAndRole(const Application& application);
// VELTR095: "Должность" (the role), "Профессия" and "Должность" chosen with "...": st1, st2,
// profg and postg.
std::uint8_t askProfessionAndPosition(const Application& application);
// VELTR104: "Отбор": otborg, and st1 and st2 for the groups chosen by their lines.
std::uint8_t askTradeUnionGroup(const Application& application);
// VELTR102 "Введите даты начала и конца периода.": datanp and datakp.
std::uint8_t askPeriod(const Application& application);

}  // namespace veltrano::app::reports
