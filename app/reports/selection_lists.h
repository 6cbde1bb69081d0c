// The selection lists of the menu "&Отчеты", each after its set-up dialog, and VELTR074:
//
//   VELTR090  "Сроки выхода на пенсию по возрасту"              after VELTR100, prints VELTR096
//   VELTR091  "Отбор сотрудников по категориям"                 after VELTR094, prints VELTR097
//   VELTR092  "Совместители"                                                    prints VELTR098
//   VELTR093  "Отбор сотрудников по профессиям и должностям"    after VELTR095, prints VELTR099
//   VELTR103  "Отбор сотрудников по  должностям"                after VELTR104, prints VELTR105
//   VELTR074  "Просрочены квалификация,сертификаты и аттестация"
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "app/reports/selection_list.h"

namespace veltrano::app::reports {

// The list as its globals stand now; nothing for a number that is none of the six.
std::optional<SelectionListDescription> selectionList(std::uint16_t number);
std::span<const std::uint16_t> selectionListNumbers();

// The dialog the list asks first (0 for none), then the list; cancelled when the dialog was.
std::uint8_t runSelection(const Application& application, std::uint16_t number,
                          const framework::ProcedureCall& call);

}  // namespace veltrano::app::reports
