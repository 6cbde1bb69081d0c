// The staff schedule's entry forms, each with the level below it in a list of its own:
//
//   VELTR003 "Update the bolnica File"    a subdivision's name and its departments, added,
//                                         changed and deleted through VELTR004
//   VELTR004 "Update the otdelenie File"  a department's name and its positions, through VELTR005
//   VELTR005 "Update the post File"       a position: its name (typed, or chosen from the list of
//                                         positions VELTR080 with "..."), its staff units and the
//                                         units occupied
//
// A new subdivision is numbered (BOL:NUM) when its form opens, so that departments added before
// it is saved already belong to it; cancelling the new subdivision removes them with it. A new
// department takes the subdivision's number (OTD:NUM) and a number of its own (OTD:NUMO); a new
// position the department's (POS:NUMO). A subdivision's name, a department's name within its
// subdivision and a position's name within its department may not repeat.
#pragma once

#include <cstdint>

#include "app/frame/application.h"

namespace veltrano::app::reference {

inline constexpr std::uint16_t kSubdivisionForm = 3;
inline constexpr std::uint16_t kDepartmentForm = 4;
inline constexpr std::uint16_t kPositionForm = 5;

// The forms' controls, for tests that act as the clerk.
enum : ui::ControlId {
  kStaffName = 1,    // the subdivision's, department's or position's name
  kStaffLevelBelow,  // the list of departments (VELTR003) or positions (VELTR004)
  kStaffInsertBelow,
  kStaffChangeBelow,
  kStaffDeleteBelow,
  kPositionChoose = 2,  // VELTR005: "..."
  kPositionUnits = 3,
  kPositionOccupied = 4,
  kStaffOk = 20,
  kStaffCancel,
};

std::uint8_t runSubdivisionForm(const Application& application, const framework::ProcedureCall& call);
std::uint8_t runDepartmentForm(const Application& application, const framework::ProcedureCall& call);
std::uint8_t runPositionForm(const Application& application, const framework::ProcedureCall& call);

}  // namespace veltrano::app::reference
