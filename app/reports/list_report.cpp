#include "app/reports/list_report.h"

#include <limits>

#include "app/reports/institution.h"
#include "app/reports/signature_lines.h"
#include "platform/codepage.h"

namespace veltrano::app::reports {

ui::report::ReportDescription describeList(const ListReportDescription& list, const ManagerNames& managers) {
  ui::report::TableReport table;
  table.name = procedureName(list.number);
  table.title = list.title;
  table.page = list.page;
  for (const ListColumn& column : list.columns) {
    table.columns.push_back(ui::report::TableColumn{platform::ru(column.title), std::string(column.source),
                                                    std::string(column.picture), column.width,
                                                    ui::report::Align::kDefault, platform::ru(column.group)});
  }
  ui::report::ReportDescription report = ui::report::tableReport(table);
  if (list.signatures == Signatures::kNone) return report;
  for (ui::report::ReportBand& band : report.bands) {
    if (band.kind != ui::report::BandKind::kReportFooter) continue;
    band.height += 400;
    addSignatureLine(band, "Главный врач", managers.chief);
    if (list.signatures == Signatures::kManagers)
      addSignatureLine(band, "Зам. главного врача по лечебной работе", managers.deputy_medical);
    if (list.signatures != Signatures::kChief)
      addSignatureLine(band, "Зам. главного врача по кадрам", managers.deputy_personnel);
  }
  return report;
}

ListReport::ListReport(const Application& application, ListReportDescription list)
    : CardReport(application, list.source), list_(std::move(list)), values_(application.dictionary) {}

std::uint8_t ListReport::Run() {
  REPORT = describeList(list_, readManagerNames(dictionary()));
  // A list printed without a progress window: the window waits longer than any report takes.
  if (!list_.progress_window) DEFERWINDOW = std::numeric_limits<std::uint16_t>::max();
  values_.BindTo(*this);
  return CardReport::Run();
}

}  // namespace veltrano::app::reports
