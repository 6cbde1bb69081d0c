// A list report: a title, a ruled table with one row per record the view gives (the table
// report of the report engine, its page footer "Стр." and its count at the end), and the
// signature lines of the managers where the list needs them. Columns name a field of the
// view's files ("KAR:POST") or a value of CardValues ("fio").
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/reports/card_report.h"
#include "app/reports/card_values.h"
#include "app/reports/institution.h"
#include "ui/report/table_report.h"

namespace veltrano::app::reports {

struct ListColumn {
  std::string_view title;  // UTF-8, as printed
  std::string_view source;
  std::string_view picture;
  ui::report::Length width = 3000;
  std::string_view group = {};  // a title over neighbouring columns
};

enum class Signatures : std::uint8_t {
  kNone,
  kChief,              // "Главный врач"
  kChiefAndPersonnel,  // and "Зам. главного врача по кадрам"
  kManagers,           // all three: the chief, the deputies for medical work and for personnel
};

struct ListReportDescription {
  std::uint16_t number = 0;
  std::vector<std::string> title;  // lines above the table, code page 1251
  ReportSource source;
  ui::report::PageSetup page;
  std::vector<ListColumn> columns;
  Signatures signatures = Signatures::kNone;
  bool progress_window = true;
  // A card the view gives is listed only when this accepts it (the values are those of the card).
  std::function<bool(CardValues& values)> accepts;
};

// The report engine's description of the list, signatures included; `managers` names them.
ui::report::ReportDescription describeList(const ListReportDescription& list, const ManagerNames& managers);

class ListReport : public CardReport {
 public:
  ListReport(const Application& application, ListReportDescription list);
  std::uint8_t Run() override;
  using CardReport::Run;

 protected:
  bool Accepts() override { return !list_.accepts || list_.accepts(values_); }

 private:
  ListReportDescription list_;
  CardValues values_;
};

}  // namespace veltrano::app::reports
