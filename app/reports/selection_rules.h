// The filters of the selection lists of the menu "&Отчеты" and of their printouts, which list
// the same cards, and the choices of their dialogs turned into the globals the filters read.
// Texts are code page 1251.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/computations/due_dates.h"

namespace veltrano::app::reports {

// VELTR090 / VELTR096: women turning 55 and men turning 60 in the year held by datan.
std::string retirementFilter();
// VELTR091 / VELTR097: the role's lines (st1, st2) with the category katg.
std::string categoryFilter();
// VELTR092 / VELTR098.
std::string partTimerFilter();
// VELTR093 / VELTR099: the role's lines with the profession profg and the position postg.
std::string professionFilter();
// VELTR074: main-job employees of form No. 17 lines 4–82 or 96–132 with training, a certificate
// or an attestation dated on or before `threshold` (today less five years).
std::string overdueFilter(std::int32_t threshold);

// The role that st1 and st2 stand for: "Врачи", "Медсестры", or empty for another range.
std::string roleOfLines(std::int64_t first, std::int64_t last);

// The groups of the trade union's list (VELTR104): "Врачи", "Медсестры", "Санитары", "Другие".
// The lines of a group whose filter reads st1 and st2; "Другие" are the staff after the nursing
// lines (the other specialists' line 140 among them); "Санитары" are chosen by position.
std::optional<FormLineRange> tradeUnionLines(std::string_view group);
// The group's filter, nothing for a group that is none of the four.
std::optional<std::string> tradeUnionFilter(std::string_view group);

}  // namespace veltrano::app::reports
