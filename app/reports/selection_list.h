// The selection lists of the menu "&Отчеты" (VELTR090–093, VELTR103) and the list of overdue
// training, certificates and attestations (VELTR074): a browse of KARTA by KAR:FAM_KEY with a
// filter, the list's columns, the number of listed cards after "ВСЕГО:" and the buttons
// "&Select", "Отпечатать список" (the printout of the same selection) and "Закрыть".
//
// Columns name a field of KARTA or one of the list's computed values:
//   fio          "Фамилия И.О."
//   insurance    KAR:STRACH as the card's template shows it
//   address      KAR:ADRES [1]
//   retirement   the birthday in the year held by datan
//   appointed    RAB:DATA of the latest appointment, and grade its RAB:RAZRAD
//   training, certificate, attestation
//                KAR:DATAP, KAR:DATAS, KAR:DATAA when at least five years old, else blank
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/frame/application.h"

namespace veltrano::app::reports {

namespace selection {
enum : ui::ControlId { kList = 1, kCount, kSelect, kPrint, kClose };
}  // namespace selection

struct SelectionListDescription {
  std::uint16_t number = 0;
  std::string_view label;    // the window's settings section
  std::string_view caption;  // UTF-8
  std::string_view format;   // the list's column format, UTF-8
  std::vector<std::string_view> columns;
  std::string filter;          // code page 1251
  std::uint16_t printout = 0;  // 0: no "Отпечатать список"
  bool counted = true;         // "ВСЕГО:"
};

std::uint8_t runSelectionList(const Application& application, const SelectionListDescription& list,
                              const framework::ProcedureCall& call);

// How many current cards the filter selects (read in KARTA's own order).
std::int64_t countSelected(Dictionary& dictionary, const std::string& filter);

}  // namespace veltrano::app::reports
