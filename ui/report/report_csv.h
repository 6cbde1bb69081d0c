// A report's detail lines as a spreadsheet file: one row per line, the cells as printed
// (pictures applied), after a row of the column titles as the page header prints them.
// Semicolons separate the cells, as Russian spreadsheets expect; the text is UTF-8 behind a
// byte-order mark, so that a spreadsheet opens it as Russian text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/report/report_layout.h"

namespace veltrano::ui::report {

// The byte-order mark a spreadsheet needs to read the file as UTF-8.
inline constexpr std::string_view kCsvByteOrderMark = "\xEF\xBB\xBF";

// One line of the file: the cells (code page 1251) in UTF-8, separated by semicolons, quoted
// where needed, ended by CR LF.
void appendCsvRow(std::string& out, const std::vector<std::string>& cells);

// The file's bytes.
std::string csvText(const ReportPages& report);

// Writes the file; nothing on success, else the message the user sees (code page 1251).
std::optional<std::string> writeCsv(const ReportPages& report, const std::string& path);

}  // namespace veltrano::ui::report
