// The plan as the clerk edits it (VELTR085 / VELTR127 and their forms VELTR086 / VELTR126) and
// as it is printed (VELTR084).
#include <string>
#include <vector>

#include "app/dictionary/record_access.h"
#include "app/reference/file_fields.h"
#include "app/reports/card_report.h"
#include "app/reports/institution.h"
#include "app/reports/list_report.h"
#include "app/reports/report_values.h"
#include "app/reports/training_plan.h"
#include "framework/browse/browse_manager.h"
#include "framework/browse/popup_menu.h"
#include "platform/codepage.h"

namespace veltrano::app::reports {
namespace {

using platform::ru;

namespace list {
enum : ui::ControlId { kRows = 1, kChange, kDelete, kPrint, kClose };
}  // namespace list
namespace form {
enum : ui::ControlId { kName = 1, kPosition, kSubdivision, kFirstYear, kOk = 20, kCancel };
}  // namespace form

constexpr std::string_view kYears[] = {"UCH:UCHEBA",    "UCH:UCHEBA2",      "UCH:ATTESTAT",
                                       "UCH:ATTESTAT2", "UCH:PEREATTESTAT", "UCH:PEREATTESTAT2"};
constexpr std::string_view kYearPrompts[] = {
    "Учеба, год 1:",      "Учеба, год 2:",       "Аттестация, год 1:",
    "Аттестация, год 2:", "Переаттест., год 1:", "Переаттест., год 2:"};

// The planned years: none, or a year from 1900 to 2100.
class PlanForm : public framework::WindowController {
 public:
  framework::Level OnAccepted(const ui::Event& event) override {
    if (event.control == OKCONTROL && REQUEST == framework::kRequestChange) {
      if (ValidateFields() != 0) return framework::kLevelNotify;
      for (std::size_t year = 0; year < std::size(kYears); ++year) {
        const std::int64_t typed =
            RecordAccess(*PRIMARY->ME->file()->layout, PRIMARY->ME->file()->record).integer(kYears[year]);
        if (typed == 0 || (typed >= 1900 && typed <= 2100)) continue;
        engine().beep(window());
        ui::messageBox(ui::MessageBoxRequest{ru("Год — четыре цифры, от 1900 до 2100, или пусто."),
                                             definition().window.caption, ui::kIconExclamation, ui::kButtonOk,
                                             ui::kButtonOk});
        SelectControl(form::kFirstYear + static_cast<ui::ControlId>(year));
        return framework::kLevelNotify;
      }
    }
    return WindowController::OnAccepted(event);
  }
};

// "Высшая 12.03.2001", one a line.
std::string categoriesText(const RecordAccess& plan) {
  std::string text;
  for (std::uint32_t slot = 0; slot < 3; ++slot) {
    const std::string line =
        joined({plan.text("UCH:KATEGOR", slot),
                cellDate(static_cast<std::int32_t>(plan.integer("UCH:DATA_KATEGOR", slot)))});
    if (line.empty()) continue;
    text += (text.empty() ? "" : "\n") + line;
  }
  return text;
}

std::string datesText(const RecordAccess& plan, std::string_view dates, std::string_view kinds) {
  std::string text;
  for (std::uint32_t slot = 0; slot < 5; ++slot) {
    const std::string date = cellDate(static_cast<std::int32_t>(plan.integer(dates, slot)));
    if (date.empty()) continue;
    text += (text.empty() ? "" : "\n") + (kinds.empty() ? date : joined({date, plan.text(kinds, slot)}));
  }
  return text;
}

std::string yearsText(const RecordAccess& plan, std::string_view first, std::string_view second) {
  std::string text;
  for (std::string_view field : {first, second}) {
    if (plan.integer(field) == 0) continue;
    text += (text.empty() ? "" : "\n") + plan.text(field);
  }
  return text;
}

class PlanPrintout : public CardReport {
 public:
  explicit PlanPrintout(const Application& application) : CardReport(application, source()) {}

  std::uint8_t Run() override {
    ListReportDescription description;
    description.number = 84;
    const InstitutionTexts institution = readInstitutionTexts(application().settings);
    description.title = {ru("План учёбы и аттестации врачей"), institution.name};
    description.page = {
        ui::report::PaperSize::kA3, ui::report::Orientation::kLandscape, {1500, 1000, 1000, 1000}};
    // The columns fill the A3 sheet within its margins, each title's longest word whole.
    description.columns = {{"Подразделение", "UCH:STRUKT", "@s60", 3300},
                           {"Отделение", "UCH:OTDELENIE", "@s60", 3300},
                           {"Ф.И.О.", "UCH:FAM", "@s40", 3300},
                           {"Должность", "UCH:POST", "@s60", 3600},
                           {"Стаж по спец.", "speciality", "", 2300},
                           {"Стаж в больнице №2", "here", "", 2300},
                           {"Категория", "categories", "", 4200},
                           {"Дата сертификата", "certificates", "", 2800},
                           {"Дата повыш.квалиф.", "trainings", "", 4700},
                           {"Учеба", "study", "", 2400, "План"},
                           {"Аттестация", "attestation", "", 2400, "План"},
                           {"Переаттест.", "reattestation", "", 2400, "План"}};
    description.signatures = Signatures::kManagers;
    REPORT = describeList(description, readManagerNames(dictionary()));
    const RecordAccess plan(dictionary().file("UCHEBA"));
    auto length = [plan](std::string_view days, std::string_view months, std::string_view years) {
      return [plan, days, months, years] {
        return lengthText({static_cast<std::int32_t>(plan.integer(days)),
                           static_cast<std::int32_t>(plan.integer(months)),
                           static_cast<std::int32_t>(plan.integer(years))});
      };
    };
    BindValue("speciality", length("UCH:STAGDM", "UCH:STAGMM", "UCH:STAGGM"));
    BindValue("here", length("UCH:STAGDB", "UCH:STAGMB", "UCH:STAGGB"));
    BindValue("categories", [plan] { return categoriesText(plan); });
    BindValue("certificates", [plan] { return datesText(plan, "UCH:DATA_SERT", {}); });
    BindValue("trainings", [plan] { return datesText(plan, "UCH:DATA_POVYSH", "UCH:VID_POVYSH"); });
    BindValue("study", [plan] { return yearsText(plan, "UCH:UCHEBA", "UCH:UCHEBA2"); });
    BindValue("attestation", [plan] { return yearsText(plan, "UCH:ATTESTAT", "UCH:ATTESTAT2"); });
    BindValue("reattestation", [plan] { return yearsText(plan, "UCH:PEREATTESTAT", "UCH:PEREATTESTAT2"); });
    return CardReport::Run();
  }
  using CardReport::Run;

 private:
  static ReportSource source() {
    ReportSource source;
    source.primary = "UCHEBA";
    source.order_key = "UCH:IND_STRUKT_KEY";
    return source;
  }
};

}  // namespace

std::uint8_t runTrainingPlanList(const Application& application, std::uint16_t number,
                                 const framework::ProcedureCall& call) {
  storage::DeclaredFile& ucheba = application.dictionary.file("UCHEBA");
  framework::RelationGuard& guard = application.dictionary.guard("UCHEBA");
  const std::string_view format =
      "75L(2)|M~Подразделение~C(0)@s60@75L(2)|M~Ф.И.О.~C(0)@s40@75L(2)|M~Должность~C(0)@s60@[23R(4)|M~1~C(0)@"
      "n4@/"
      "16R(4)|M~2~C(0)@n4@](33)|M~Учеба~L[42R(4)|M~1~C(0)@n4@/"
      "16R(4)|M~2~C(0)@n4@](33)|M~Аттестация~L[20R(4)|M~1~C("
      "0)@n4@/16R(4)|M~2~C(0)@n4@]|M~Переатестация~L";
  framework::WindowBuilder builder("veltrano$" + procedureName(number), "UchebaList",
                                   "Редактирование плана учёбы врачей");
  builder.list(list::kRows, format, {8, 8, 760, 22 + 18 * 18});
  builder.button(list::kChange, "&Изменить").button(list::kDelete, "&Удалить");
  builder.button(list::kPrint, "Печать").button(list::kClose, "Закрыть");
  framework::WindowController window;
  application.prepare(window);
  window.Describe(*builder.build());
  window.PRIMARY = &guard;
  window.ORIGINALREQUEST = call.request == framework::kRequestSelect ? call.request : framework::kRequestNone;
  window.AddButton(list::kClose, framework::kResponseCancelled);

  framework::BrowseManager browse;
  browse.Init(list::kRows, framework::ViewDefinition{{}, {&ucheba.file()}}, &guard, &window);
  browse.RegisterSortOrder(nullptr, ucheba.key("UCH:IND_STRUKT_KEY"));
  for (std::string_view column : {"UCH:STRUKT", "UCH:FAM", "UCH:POST"})
    browse.AddField(reference::fileField(ucheba, column));
  // A year through "@n4" would be grouped ("2,005") and overflow its four places.
  for (std::string_view year : kYears) browse.AddField(reference::fileField(ucheba, year), "@n_4b");
  browse.CHANGECONTROL = list::kChange;
  browse.DELETECONTROL = list::kDelete;
  browse.ASKPROCEDURE = number == 127 ? 126 : 86;
  browse.PRINTCONTROL = list::kPrint;
  browse.PRINTPROCEDURE = 84;
  framework::PopupMenu popup;
  browse.POPUP = &popup;
  return window.Run();
}

std::uint8_t runTrainingPlanForm(const Application& application, std::uint16_t number,
                                 const framework::ProcedureCall& call) {
  storage::DeclaredFile& ucheba = application.dictionary.file("UCHEBA");
  const framework::BoundRecord record = framework::BoundRecord::of(ucheba.file());
  framework::WindowBuilder builder("veltrano$" + procedureName(number), "UchebaUp", "Update the ucheba File");
  builder.promptWidth(150);
  builder.display(form::kName, "Ф.И.О.:", record, "UCH:FAM", "@s40");
  builder.display(form::kPosition, "Должность:", record, "UCH:POST", "@s60");
  builder.display(form::kSubdivision, "Подразделение:", record, "UCH:STRUKT", "@s60");
  for (std::size_t year = 0; year < std::size(kYears); ++year)
    builder.entry(form::kFirstYear + static_cast<ui::ControlId>(year), kYearPrompts[year], record,
                  kYears[year], "@n_4b");
  builder.okButton(form::kOk, "Ввод").cancelButton(form::kCancel, "Отмена");
  PlanForm window;
  application.prepare(window);
  window.Describe(*builder.build());
  window.PRIMARY = &application.dictionary.guard("UCHEBA");
  window.ORIGINALREQUEST = call.request;
  window.VCRREQUEST = call.navigation;
  window.INSERTACTION = 0;
  window.CHANGEACTION = 1;
  window.DELETEACTION = framework::kDeleteAsk;
  window.CANCELACTION = framework::kCancelAskSave;
  window.FIRSTFIELD = form::kFirstYear;
  return window.Run();
}

std::uint8_t runTrainingPlanPrintout(const Application& application) {
  PlanPrintout printout(application);
  return printout.Run();
}

}  // namespace veltrano::app::reports
