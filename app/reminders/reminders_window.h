// The window "Напоминания": what runs out within a horizon of days (90 unless the clerk sets
// another, kept in the settings file) and what is already overdue, one line per document,
// sorted by the day it runs out, with the employee's department. Double click or Enter on a
// line opens the employee's card; "Экспорт…" (and Ctrl+E) writes the list out like any list.
//
// It opens from the menu "&Отчеты" (VELTR130) and at start-up (VELTR131) when something is due,
// unless the clerk ticked "Не показывать сегодня" today or the program starts in the directory
// for the first time.
#pragma once

#include <cstdint>

#include "app/frame/application.h"

namespace veltrano::app::reminders {

inline constexpr std::uint16_t kRemindersProcedure = 130;
inline constexpr std::uint16_t kRemindersAtStartUp = 131;
inline constexpr std::string_view kRemindersSection = "Reminders";

namespace reminders_window {
enum : ui::ControlId { kHorizonPrompt = 1, kHorizon, kList, kCount, kHideToday, kCard, kExport, kClose };
}  // namespace reminders_window

// REQUIRES: `application` outlives every call of the procedures registered.
void registerReminderProcedures(Application& application);

}  // namespace veltrano::app::reminders
