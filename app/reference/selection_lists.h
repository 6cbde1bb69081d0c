// The lists that other procedures call in select mode: the card, its forms and the report
// dialogs run one of these on their own thread and, when the clerk has chosen, find the chosen
// record in the list's file buffer:
//
//   if (reference::choose(application, reference::kChooseSubdivision)) {
//     // BOLNICA's buffer holds the subdivision; numo is its BOL:NUM
//     RecordAccess(application.dictionary.file("BOLNICA")).text("BOL:NOM") ...
//   }
//
// The same lists are registered under their numbers, so that a browse or a drop-down can name
// one as its ASKPROCEDURE, and application.call(number, framework::kRequestSelect) runs one too.
#pragma once

#include <cstdint>

#include "app/frame/application.h"

namespace veltrano::app::reference {

// Selection only ("&Выбрать" and "Закрыть").
inline constexpr std::uint16_t kChooseSubdivision = 39;     // BOLNICA by name; sets numo = BOL:NUM
inline constexpr std::uint16_t kChooseDepartment = 40;      // the departments of subdivision numo;
                                                            // sets numo = OTD:NUMO
inline constexpr std::uint16_t kChoosePosition = 62;        // the positions of department numo
inline constexpr std::uint16_t kChooseAnyPosition = 128;    // every position of the schedule
inline constexpr std::uint16_t kChooseSubdivisions = 83;    // BOLNICA by name, with its number
inline constexpr std::uint16_t kChooseAnyDepartment = 101;  // every department by name
inline constexpr std::uint16_t kFindDepartment = 106;       // every department, found by typing its name

// Lists that edit their book and also select.
inline constexpr std::uint16_t kProfessions = 13;         // PROF: the card's main profession, work
                                                          // history and appointment forms
inline constexpr std::uint16_t kMedicalProfessions = 45;  // PROF: the card's second profession
inline constexpr std::uint16_t kSpecialities = 14;        // SPEC
inline constexpr std::uint16_t kStaffPositions = 80;      // DOLGNOST
inline constexpr std::uint16_t kManagers = 88;            // RUK: signatures on reports

// Runs `list` in select mode on the calling thread: true when the clerk chose a record (with
// "&Выбрать" or a double click), which the list's file buffer then holds; false when the list
// was closed without a choice or no list has the number.
inline bool choose(const Application& application, std::uint16_t list) {
  return application.call(list, framework::kRequestSelect) == framework::kResponseCompleted;
}

}  // namespace veltrano::app::reference
