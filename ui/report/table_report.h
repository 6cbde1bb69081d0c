// The shape most reports share: a title, a ruled table whose column titles repeat at the top
// of every page (with titles spanning several columns where the columns are grouped), one
// ruled row per record with its cells wrapped, the page number at the foot of every page and
// the number of lines at the end. Statistical forms use the same table and add bands of their
// own to the description this builds.
#pragma once

#include <string>
#include <vector>

#include "ui/report/report_description.h"

namespace veltrano::ui::report {

struct TableColumn {
  std::string title;    // 1251; "\n" breaks it
  std::string source;   // the value the column shows
  std::string picture;  // empty: the value as it stands
  Length width = 3000;
  Align align = Align::kDefault;
  // Neighbouring columns with the same group title stand under one cell holding it.
  std::string group_title;
};

struct TableReport {
  std::string name;                // "VELTR113"
  std::vector<std::string> title;  // lines above the table on the first page (1251)
  PageSetup page;
  std::vector<TableColumn> columns;
  bool line_numbers = true;  // a first column "№" numbering the rows
  double points = 9;         // the table's text
  Length row_height = 500;   // the least height of a row
  std::string page_text;     // before the page number; empty: "Стр. "
  std::string total_text;    // before the number of lines at the end; empty: "Всего: "
};

// The name of the detail band the procedure prints its records with.
inline constexpr const char* kTableRow = "row";

ReportDescription tableReport(const TableReport& table);

}  // namespace veltrano::ui::report
