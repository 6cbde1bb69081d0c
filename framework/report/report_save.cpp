#include "framework/report/report_save.h"

#include <algorithm>

#include "ui/report/report_csv.h"
#include "ui/report/report_output.h"

namespace veltrano::framework {
namespace {

constexpr std::size_t kWidestColumn = 60;  // characters; longer texts wrap in the spreadsheet

// The detail lines as printed: the report keeps texts, not typed values, so they stay text.
ExportTable detailTable(const ui::report::ReportPages& pages) {
  ExportTable table;
  table.title = pages.title;
  for (const std::string& title : pages.column_titles) table.columns.push_back(ExportColumn{title, "", 0});
  for (std::size_t column = 0; column < table.columns.size(); ++column) {
    std::size_t widest = table.columns[column].title.size();
    for (const std::vector<std::string>& row : pages.detail_rows)
      if (column < row.size()) widest = std::max(widest, row[column].size());
    table.columns[column].width = static_cast<int>(std::min(widest, kWidestColumn));
  }
  table.rows = pages.detail_rows;
  return table;
}

}  // namespace

std::optional<std::string> saveReport(const ui::report::ReportPages& pages, const ExportTarget& target) {
  return writeReplacing(target.path, [&](const std::string& temporary) -> std::optional<std::string> {
    switch (target.format) {
      case ExportFormat::kCsv: return ui::report::writeCsv(pages, temporary);
      case ExportFormat::kXlsx: return writeXlsx(detailTable(pages), temporary);
      case ExportFormat::kPdf: return ui::report::reportOutput().writePdf(pages, temporary);
    }
    return std::nullopt;
  });
}

}  // namespace veltrano::framework
