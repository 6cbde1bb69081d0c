#include "app/reports/report_procedures.h"

#include "app/reports/form17.h"
#include "app/reports/form50.h"
#include "app/reports/form51.h"
#include "app/reports/institution_dialog.h"
#include "app/reports/list_descriptions.h"
#include "app/reports/report_dialogs.h"
#include "app/reports/selection_lists.h"
#include "app/reports/training_plan.h"

namespace veltrano::app::reports {
namespace {

std::uint8_t runList(const Application& application, std::uint16_t number) {
  std::optional<ListReportDescription> list = listReport(number, readInstitutionTexts(application.settings));
  if (!list) return framework::kResponseCancelled;
  ListReport report(application, std::move(*list));
  return report.Run();
}

std::uint8_t runSheet(const Application& application, std::uint16_t number) {
  return number == 77 ? runForm17TitleSheet(application) : runForm17Sheet(application, number);
}
std::uint8_t runForm50Report(const Application& application, std::uint16_t) {
  return runForm50(application);
}
std::uint8_t runForm51Report(const Application& application, std::uint16_t) {
  return runForm51(application);
}
std::uint8_t runPlanPrintout(const Application& application, std::uint16_t) {
  return runTrainingPlanPrintout(application);
}

}  // namespace

std::optional<HeadlessReport> headlessReport(std::uint16_t number) {
  switch (number) {
    case 108:
    case 111: return HeadlessReport{runList, {"datag"}};
    case 107: return HeadlessReport{runList, {"otdelenieg"}};
    case 96: return HeadlessReport{runList, {"datan"}};
    case 97: return HeadlessReport{runList, {"st1", "st2", "katg"}};
    case 99: return HeadlessReport{runList, {"st1", "st2", "profg", "postg"}};
    case 105: return HeadlessReport{runList, {"otborg"}};
    case 112:
    case 113:
    case 115:
    case 118:
    case 119:
    case 122:
    case 123:
    case 124:
    case 98: return HeadlessReport{runList, {}};
    case 77:
    case 34:
    case 75:
    case 76: return HeadlessReport{runSheet, {}};
    case 79: return HeadlessReport{runForm50Report, {}};
    case 78: return HeadlessReport{runForm51Report, {"datanp", "datakp"}};
    case 84: return HeadlessReport{runPlanPrintout, {}};
    default: return std::nullopt;
  }
}

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
  procedures.Register(77, "VELTR077",
                      [app](const framework::ProcedureCall&) { return runForm17TitleSheet(*app); });
  for (const std::uint16_t sheet : {std::uint16_t{34}, std::uint16_t{75}, std::uint16_t{76}}) {
    procedures.Register(sheet, procedureName(sheet), [app, sheet](const framework::ProcedureCall&) {
      return runForm17Sheet(*app, sheet);
    });
  }
  procedures.Register(kInstitutionTexts, procedureName(kInstitutionTexts),
                      [app](const framework::ProcedureCall&) { return editInstitutionTexts(*app); });
  procedures.Register(82, "VELTR082",
                      [app](const framework::ProcedureCall&) { return runTrainingPlan(*app); });
  procedures.Register(84, "VELTR084",
                      [app](const framework::ProcedureCall&) { return runTrainingPlanPrintout(*app); });
  for (const std::uint16_t list : {std::uint16_t{85}, std::uint16_t{127}}) {
    procedures.Register(list, procedureName(list), [app, list](const framework::ProcedureCall& call) {
      return runTrainingPlanList(*app, list, call);
    });
  }
  for (const std::uint16_t form : {std::uint16_t{86}, std::uint16_t{126}}) {
    procedures.Register(form, procedureName(form), [app, form](const framework::ProcedureCall& call) {
      return runTrainingPlanForm(*app, form, call);
    });
  }
  procedures.Register(79, "VELTR079", [app](const framework::ProcedureCall&) { return runForm50(*app); });
  procedures.Register(78, "VELTR078", [app](const framework::ProcedureCall&) {
    return askPeriod(*app) == framework::kResponseCompleted ? runForm51(*app) : framework::kResponseCancelled;
  });
}

}  // namespace veltrano::app::reports
