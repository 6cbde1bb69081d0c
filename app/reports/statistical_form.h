// A statistical form: the cards its filter selects are read once, each adding to the counters
// of the form's rows, and when all are read the rows are printed as the official form has them:
// its mark ("Форма №17") and headings, a ruled table whose column headings repeat on every
// page with the columns' numbers under them, a row per form line with its number ("01"), the
// column totals where the form has them, and the signature lines at its end.
//
// The spreadsheet of a form (`veltrano --report … --csv`) has a row per form line: its number
// under "№ строки", then the counts under the names the columns give it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/reports/card_report.h"

namespace veltrano::app::reports {

struct FormColumn {
  std::string_view heading;      // UTF-8, as printed
  std::string_view group;        // a heading over neighbouring columns
  std::string_view spreadsheet;  // its title in the spreadsheet; empty: left out of it
  ui::report::Length width = 1600;
};

// One printed row: the form line's number and name, and a count per counted column.
struct FormRow {
  std::string line;  // "01"
  std::string name;  // code page 1251
  std::vector<std::int64_t> counts;
  bool in_totals = false;  // added to the column totals at the end
};

struct FormDescription {
  std::uint16_t number = 0;
  std::string mark;                 // "Форма №17", code page 1251
  std::vector<std::string> header;  // lines above the table, centred (1251)
  ui::report::PageSetup page;
  // The name column, the line number's, then one per count; the widths fill the printable width.
  std::vector<FormColumn> columns;
  ui::report::Length heading_height = 1800;
  bool totals = false;      // "Итого" over the rows marked in_totals
  bool signatures = false;  // the head of the institution and the one who drew the form up
};

// The report engine's description; `chief` and `clerk` are the names under the signature lines.
ui::report::ReportDescription describeForm(const FormDescription& form, const std::string& chief,
                                           const std::string& clerk);

// "01", "57", "138".
std::string lineNumber(std::int64_t line);

class StatisticalForm : public CardReport {
 public:
  StatisticalForm(const Application& application, ReportSource source);

  std::uint8_t Run() override;
  using CardReport::Run;
  int OnRecord() override;
  int OnEndOfRecords() override;

 protected:
  // The form now (its header may name what the records showed).
  virtual FormDescription Describe() = 0;
  // The card in KARTA's buffer is counted.
  virtual void Count() = 0;
  // The rows, counted.
  virtual std::vector<FormRow> Rows() = 0;

 private:
  FormRow row_;
  std::vector<std::int64_t> totals_;
};

}  // namespace veltrano::app::reports
