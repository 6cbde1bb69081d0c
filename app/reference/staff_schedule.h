// VELTR002 "Штатное расписание": one window with three linked lists on the tab "Главная" —
// the subdivisions, the departments of the highlighted subdivision and the positions of the
// highlighted department with their staff units and the units occupied. Moving in an upper
// list refills the lists below it. The subdivisions are added, changed and deleted through
// VELTR003 (and their departments and positions through the forms below it); deleting a
// subdivision deletes its departments and their positions. "Обновить (займет некоторое
// время)" recounts the occupied units of every position.
#pragma once

#include <cstdint>

#include "app/frame/application.h"

namespace veltrano::app::reference {

inline constexpr std::uint16_t kStaffSchedule = 2;

enum : ui::ControlId {
  kScheduleSheet = 1,
  kScheduleTab,
  kScheduleSubdivisions,
  kScheduleDepartments,
  kSchedulePositions,
  kScheduleRecount,  // "Обновить (займет некоторое время)"
  kScheduleSelect,
  kScheduleInsert,
  kScheduleChange,
  kScheduleDelete,
  kScheduleClose,
};

std::uint8_t runStaffSchedule(const Application& application, const framework::ProcedureCall& call);

}  // namespace veltrano::app::reference
