// The preview's "Сохранить как…": a finished report written as a PDF of its pages, or its
// detail lines (the table under the column titles) as CSV or as a workbook.
#pragma once

#include <optional>
#include <string>

#include "framework/export/list_export.h"
#include "ui/report/report_layout.h"

namespace veltrano::framework {

// Nothing on success, else the message the user sees; a failure leaves no file behind.
std::optional<std::string> saveReport(const ui::report::ReportPages& pages, const ExportTarget& target);

}  // namespace veltrano::framework
