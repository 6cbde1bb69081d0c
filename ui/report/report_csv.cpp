#include "ui/report/report_csv.h"

#include <span>

#include "platform/codepage.h"
#include "ui/report/report_files.h"

namespace veltrano::ui::report {
namespace {

bool isNumber(std::string_view text) {
  std::size_t at = text.front() == '-' || text.front() == '+' ? 1 : 0;
  if (at == text.size()) return false;
  for (; at < text.size(); ++at) {
    char c = text[at];
    if ((c < '0' || c > '9') && c != '.' && c != ',' && c != ' ') return false;
  }
  return true;
}

void appendCell(std::string& out, std::string_view cell) {
  std::string text = platform::utf8From1251(cell);
  // A cell a spreadsheet would take for a formula (a clerk's remark beginning with "=") is
  // kept as text, so that opening the file never runs what was typed into a card.
  if (!text.empty() && (text[0] == '=' || text[0] == '@' || text[0] == '\t' || text[0] == '\r' ||
                        ((text[0] == '+' || text[0] == '-') && !isNumber(text)))) {
    text.insert(0, 1, '\'');
  }
  bool quoted = text.find_first_of(";\"\r\n") != std::string::npos ||
                (!text.empty() && text.front() == ' ') || (!text.empty() && text.back() == ' ');
  if (!quoted) {
    out += text;
    return;
  }
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace

void appendCsvRow(std::string& out, const std::vector<std::string>& cells) {
  for (std::size_t cell = 0; cell < cells.size(); ++cell) {
    if (cell > 0) out += ';';
    appendCell(out, cells[cell]);
  }
  out += "\r\n";
}

std::string csvText(const ReportPages& report) {
  std::string out(kCsvByteOrderMark);
  appendCsvRow(out, report.column_titles);
  for (const std::vector<std::string>& row : report.detail_rows) appendCsvRow(out, row);
  return out;
}

std::optional<std::string> writeCsv(const ReportPages& report, const std::string& path) {
  std::string text = csvText(report);
  return writeWholeFile(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace veltrano::ui::report
