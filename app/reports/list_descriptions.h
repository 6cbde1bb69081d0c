// The list reports as data: the lists the employee list starts (VELTR107, 108, 111, 112, 113,
// 115, 118, 119, 122, 123, 124) and the printouts of the selection lists (VELTR096–099, 105),
// each with its filter, title, columns and page. The titles and filters read the globals the
// report's dialog has set (datag, datan, st1, st2, katg, profg, postg, otdelenieg, otborg).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "app/reports/institution.h"
#include "app/reports/list_report.h"

namespace veltrano::app::reports {

// The list's description now; nothing for a number that is no list report.
std::optional<ListReportDescription> listReport(std::uint16_t number, const InstitutionTexts& institution);

// Every list report's number.
std::span<const std::uint16_t> listReportNumbers();

}  // namespace veltrano::app::reports
