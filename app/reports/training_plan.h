// The doctors' training and attestation plan, menu "План &учёбы и аттестации врачей":
//
//   VELTR082  the window of the plan's slots (eight subdivisions, five departments, eight
//             positions, each chosen with "..." from VELTR083, VELTR101 or VELTR080) whose
//             order the plan follows, and the buttons that build the plan anew (after asking:
//             the planned years typed before are lost), edit it and print it
//   VELTR085  "Редактирование плана учёбы врачей" (and VELTR127, the same list), whose form
//             VELTR086 (VELTR126) takes the planned years
//   VELTR084  the printout of the plan
//
// The slots the clerk chose are kept in the settings file (section "UchebaSlots").
#pragma once

#include <cstdint>

#include "app/frame/application.h"
#include "app/reports/training_plan_build.h"

namespace veltrano::app::reports {

namespace plan {
enum : ui::ControlId {
  kFirstSubdivision = 1,  // 1–8
  kFirstDepartment = 11,  // 11–15
  kFirstPosition = 21,    // 21–28
  kBuild = 40,
  kEdit,
  kPrint,
  kClose,
  kFirstLookup = 50,  // the "..." buttons in the order of the slots
  kFirstGroup = 80,   // the three groups of slots
};
}  // namespace plan

std::uint8_t runTrainingPlan(const Application& application);
// VELTR085 / VELTR127 with their forms VELTR086 / VELTR126.
std::uint8_t runTrainingPlanList(const Application& application, std::uint16_t number,
                                 const framework::ProcedureCall& call);
std::uint8_t runTrainingPlanForm(const Application& application, std::uint16_t number,
                                 const framework::ProcedureCall& call);
std::uint8_t runTrainingPlanPrintout(const Application& application);

PlanSlots readPlanSlots(framework::SettingsFile& settings);
void writePlanSlots(framework::SettingsFile& settings, const PlanSlots& slots);

}  // namespace veltrano::app::reports
