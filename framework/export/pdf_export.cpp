// The list as a plain printed report: its title, a ruled table with the list's column titles
// repeated on every page, one row per record, page numbers and the number of lines at the end.
// The columns keep the list's proportions; a list too wide for a portrait page lies in
// landscape and, wider still, is narrowed to the paper.
#include <algorithm>
#include <charconv>

#include "framework/export/export_table.h"
#include "ui/report/compiled_report.h"
#include "ui/report/report_layout.h"
#include "ui/report/report_output.h"
#include "ui/report/table_report.h"

namespace veltrano::framework {
namespace {

constexpr ui::report::Length kCharacterWidth = 190;  // a character of the table's 8-point text

ui::report::ReportDescription describeTable(const ExportTable& table) {
  ui::report::TableReport report;
  report.name = "EXPORT";
  if (!table.title.empty()) report.title.push_back(table.title);
  report.line_numbers = false;
  report.points = 8;
  ui::report::Length wanted = 0;
  for (const ExportColumn& column : table.columns) wanted += std::max(column.width, 3) * kCharacterWidth;
  auto printable = [&] {
    return ui::report::paperExtent(report.page).width - report.page.margins.left - report.page.margins.right;
  };
  if (wanted > printable()) report.page.orientation = ui::report::Orientation::kLandscape;
  const double scale =
      wanted > printable() ? static_cast<double>(printable()) / static_cast<double>(wanted) : 1.0;
  for (std::size_t at = 0; at < table.columns.size(); ++at) {
    const ExportColumn& column = table.columns[at];
    ui::report::TableColumn printed;
    printed.title = column.title;
    printed.source = "c" + std::to_string(at);
    printed.width = static_cast<ui::report::Length>(std::max(column.width, 3) * kCharacterWidth * scale);
    report.columns.push_back(std::move(printed));
  }
  return ui::report::tableReport(report);
}

}  // namespace

std::optional<std::string> writePdf(const ExportTable& table, const std::string& path) {
  std::string error;
  std::shared_ptr<const ui::report::CompiledReport> compiled =
      ui::report::CompiledReport::compile(describeTable(table), &error);
  if (compiled == nullptr) return error;
  ui::report::ReportLayout layout(compiled);
  // The values in the order the compiled report names them: the printed texts of the columns.
  const std::vector<std::string>& names = compiled->valueNames();
  std::vector<std::size_t> column_of(names.size(), table.columns.size());
  for (std::size_t at = 0; at < names.size(); ++at) {
    const std::string& name = names[at];
    std::size_t column = 0;
    if (name.size() > 1 && name[0] == 'c' &&
        std::from_chars(name.data() + 1, name.data() + name.size(), column).ptr == name.data() + name.size())
      column_of[at] = column;
  }
  std::vector<std::string> values(names.size());
  for (const std::vector<std::string>& row : table.rows) {
    for (std::size_t at = 0; at < names.size(); ++at)
      values[at] = column_of[at] < row.size() ? row[column_of[at]] : "";
    if (!layout.print(ui::report::kTableRow, values, &error)) return error;
  }
  ui::report::ReportPages pages = layout.close();
  pages.title = table.title;
  return ui::report::reportOutput().writePdf(pages, path);
}

}  // namespace veltrano::framework
