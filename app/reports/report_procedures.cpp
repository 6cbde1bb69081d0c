#include "app/reports/report_procedures.h"

#include "app/reports/list_descriptions.h"
#include "app/reports/report_dialogs.h"
#include "app/reports/selection_lists.h"

namespace veltrano::app::reports {
namespace {

std::uint8_t runList(const Application& application, std::uint16_t number) {
  std::optional<ListReportDescription> list = listReport(number, readInstitutionTexts(application.settings));
  if (!list) return framework::kResponseCancelled;
  ListReport report(application, std::move(*list));
  return report.Run();
}

}  // namespace

void registerReportProcedures(Application& application) {
  framework::ProcedureRegistry& procedures = application.procedures;
  const Application* app = &application;
  for (const std::uint16_t number : listReportNumbers()) {
    procedures.Register(number, procedureName(number),
                        [app, number](const framework::ProcedureCall&) { return runList(*app, number); });
  }
  for (const std::uint16_t number : selectionListNumbers()) {
    procedures.Register(number, procedureName(number), [app, number](const framework::ProcedureCall& call) {
      return runSelection(*app, number, call);
    });
  }
  const std::pair<std::uint16_t, std::uint8_t (*)(const Application&)> dialogs[] = {
      {kAskServiceYears, askServiceYears},
      {kAskAge, askAge},
      {100, askRetirementYear},
      {94, askCategoryAndRole},
      {95, askProfessionAndPosition},
      {104, askTradeUnionGroup},
      {102, askPeriod}};
  for (const auto& [number, ask] : dialogs) {
    procedures.Register(number, procedureName(number),
                        [app, ask](const framework::ProcedureCall&) { return ask(*app); });
  }
}

}  // namespace veltrano::app::reports
