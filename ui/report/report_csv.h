// A report's detail lines as a spreadsheet file: one row per line, the cells as printed
// (pictures applied), after a row of the column titles as the page header prints them.
// Semicolons separate the cells, as Russian spreadsheets expect; the text is UTF-8 behind a
// byte-order mark, so that a spreadsheet opens it as Russian text.
#pragma once

#include <optional>
#include <string>

#include "ui/report/report_layout.h"

namespace veltrano::ui::report {

// The file's bytes.
std::string csvText(const ReportPages& report);

// Writes the file; nothing on success, else the message the user sees (code page 1251).
std::optional<std::string> writeCsv(const ReportPages& report, const std::string& path);

}  // namespace veltrano::ui::report
