#include "app/reports/list_descriptions.h"

#include <cstdlib>

#include "app/computations/due_dates.h"
#include "app/dictionary/application_globals.h"
#include "app/reports/selection_rules.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"

namespace veltrano::app::reports {
namespace {

using platform::ru;
using ui::report::Orientation;
using ui::report::PageSetup;
using ui::report::PaperSize;

constexpr std::uint16_t kNumbers[] = {107, 108, 111, 112, 113, 115, 118, 119,
                                      122, 123, 124, 96,  97,  98,  99,  105};

constexpr PageSetup kPortrait{PaperSize::kA4, Orientation::kPortrait, {1500, 1000, 1000, 1000}};
constexpr PageSetup kLandscape{PaperSize::kA4, Orientation::kLandscape, {1500, 1000, 1000, 1000}};
constexpr PageSetup kA3Landscape{PaperSize::kA3, Orientation::kLandscape, {1500, 1000, 1000, 1000}};

// The lists' columns, by the values they show (widths in hundredths of a millimetre).
constexpr ListColumn kName{"Фамилия И.О. ", "fio", "", 4000};
constexpr ListColumn kPosition{"Должность", "KAR:POST", "@s60", 4000};
constexpr ListColumn kDepartment{"Отделение", "KAR:OTDELENIE", "@s60", 3600};
constexpr ListColumn kSubdivision{"Подразделение", "KAR:STRUKT", "@s60", 3400};
constexpr ListColumn kProfession{"Профессия", "KAR:PROFF", "@s60", 3500};

std::string globalText(std::string_view name) {
  return applicationGlobals().text(name);
}

ListReportDescription list(std::uint16_t number, std::vector<std::string> title, std::string filter,
                           std::vector<ListColumn> columns, PageSetup page = kPortrait) {
  ListReportDescription description;
  description.number = number;
  description.title = std::move(title);
  description.source.order_key = "KAR:FAM_KEY";
  description.source.filter = std::move(filter);
  description.columns = std::move(columns);
  description.page = page;
  return description;
}

// Years between datag and today: datag is the same day N years back.
std::string yearsBackText() {
  const auto datag = static_cast<std::int32_t>(applicationGlobals().number("datag"));
  return std::to_string(runtime::yearOfSerial(runtime::today()) - runtime::yearOfSerial(datag));
}

// VELTR119 and VELTR122: doctors or nursing staff with their education and qualification, on A3.
ListReportDescription staffOnA3(std::uint16_t number, std::string_view who, std::string filter,
                                const InstitutionTexts& institution, bool doctors) {
  ListReportDescription description = list(
      number, {ru("С  П  И  С  О  К"), ru(who) + " " + institution.name_of + " " + asOfText(institution)},
      std::move(filter),
      {{"Фамилия Имя Отчество", "full_name", "", 5000},
       {"Год рожд.", "birth_year", "", 1400},
       doctors ? ListColumn{"Какое высшее учебное заведение окончил (а)", "school", "", 6200}
               : ListColumn{"Какое средне-специальное заведение окончил (а)", "school", "", 6200},
       doctors ? ListColumn{"Год окончания , факультет", "graduation", "", 3000}
               : ListColumn{"Специализация", "KAR:KVALIF", "@s20", 3000},
       {"Год прохождения последней специализации где и по какой специальности", "last_training", "", 7000},
       {"Занимаемая должность", "KAR:POST", "@s60", 5000},
       {"Категория", "KAR:KATEGOR", "@s20", 2200},
       {"Дата", "KAR:DATAS", "@d6.b", 2100, "Серт."},
       {"Домашний адрес", "address", "", 6400}},
      kA3Landscape);
  description.source.lookups = {"POVYSH"};
  description.signatures = Signatures::kChiefAndPersonnel;
  return description;
}

std::optional<ListReportDescription> employeeListReport(std::uint16_t number,
                                                        const InstitutionTexts& institution) {
  const std::string current = "KAR:data_uvol=''";
  const std::string main_job = "KAR:data_uvol='' and KAR:sovmestitel=0";
  switch (number) {
    case 108:
      return list(108, {ru("Список сотрудников имеющих стаж более ") + yearsBackText() + ru(" лет.")},
                  main_job + " and KAR:data_zap<=datag",
                  {kName,
                   kPosition,
                   kDepartment,
                   {"Дата приема на работу", "KAR:DATA_ZAP", "@d6.b", 2200},
                   kProfession});
    case 111:
      return list(111, {ru("Список сотрудников имеющих возраст ") + yearsBackText() + ru(" лет.")},
                  main_job + " and year(KAR:datr)=year(datag)",
                  {kName, kPosition, kDepartment, {"Дата рождения", "KAR:DATR", "@d6.b", 2200}, kProfession});
    case 112: {
      ListReportDescription description =
          list(112, {ru("Cписок сотрудников дети которых родились после 6.10.1992г.")}, main_job + " ",
               {kName,
                {"Должность", "KAR:POST", "@s60", 3700},
                kDepartment,
                {"Примечание", "child", "", 2500},
                kProfession});
      description.source.lookups = {"SOSTAV"};
      description.accepts = [](CardValues& values) { return values.HasChildBornAfterOctober1992(); };
      return description;
    }
    case 113:
      return list(113, {ru("Общий список сотрудников ")}, current,
                  {kName,
                   {"Должность", "KAR:POST", "@s60", 3600},
                   {"Отделение", "KAR:OTDELENIE", "@s60", 4000},
                   {"Примечание", "note", "", 2500},
                   {"Профессия", "KAR:PROFF", "@s60", 3200}});
    case 115: {
      ListReportDescription description = list(115, {ru("Расширенный список сотрудников ")}, current,
                                               {{"Фамилия И.О. ", "fio_marked", "", 5000},
                                                {"Год рожд.", "birth_year", "", 1400},
                                                {"Адрес прописки / фактический", "addresses", "", 11300},
                                                {"Принят", "hired", "@d6.b", 2200},
                                                {"Стаж в больнице", "service_here", "", 3000},
                                                {"Страх.полис", "insurance", "", 3100}},
                                               kLandscape);
      description.source.lookups = {"RABOTA"};
      return description;
    }
    case 107:
      return list(107, {ru("Список сотрудников"), globalText("otdelenieg")},
                  main_job + " and KAR:otdelenie=otdelenieg",
                  {{"Фамилия И.О. ", "fio", "", 4600},
                   {"Должность", "KAR:POST", "@s60", 4800},
                   {"Примечание", "note", "", 3000},
                   {"Профессия", "KAR:PROFF", "@s60", 4900}});
    case 123: {
      // The kind of leave compares without regard to case: its book writes "Декретный".
      ListReportDescription description = list(123, {ru("Список сотрудниц в декретном отпуске")},
                                               ru("UPPER(OTP:vid)=UPPER('декретный') and ") + main_job,
                                               {kName,
                                                kPosition,
                                                {"дата начала", "OTP:DATAN", "@d6.b", 2200},
                                                {"дата окончания", "OTP:DATAK", "@d6.b", 2200},
                                                {"Основание", "OTP:OSNOVA", "@s20", 4900}});
      description.source =
          ReportSource{"OTPUSK", true, {}, "+KAR:FAM,+KAR:NOM,+KAR:PER", description.source.filter, {}};
      return description;
    }
    case 119:
      return staffOnA3(119, "врачей", current + " and KAR:str>=04 and KAR:str<=84 and KAR:sovmestitel=0",
                       institution, true);
    case 122:
      return staffOnA3(122, "среднего медицинского персонала",
                       current + " and KAR:str>=97 and KAR:str<=132 and KAR:sovmestitel=0", institution,
                       false);
    case 124: {
      ListReportDescription description =
          list(124, {ru("Список сотрудников ") + institution.name},
               main_job + " and ((KAR:str>=04 and KAR:str<=82) or (KAR:str>=93 and KAR:str<=132))",
               {{"Фамилия И.О. ", "fio", "", 4600},
                {"Должность", "KAR:POST", "@s60", 4800},
                {"Адрес", "address", "", 5100},
                {"Телефон", "KAR:TELEFON", "@s20", 2800}});
      description.signatures = Signatures::kChief;
      return description;
    }
    case 118: {
      // Ten columns of long texts: on A3, so that no title or date is cut.
      ListReportDescription description = list(118, {}, {},
                                               {{"Какой ВУЗ окончил", "school", "", 5200},
                                                {"Должность", "KAR:POST", "@s60", 4400},
                                                {"Специализация", "speciality", "", 3800},
                                                {"Категория", "KAR:KATEGOR", "@s20", 2600},
                                                {"Сертификат", "KAR:DATAS", "@d6.b", 2600},
                                                {"Домашний адрес", "address", "", 6400},
                                                {"Год рождения", "birth_year", "", 2400},
                                                {"Год окончания ВУЗа", "graduation_year", "", 2800},
                                                {"Факультет", "faculty", "", 3000},
                                                {"Дата", "KAR:DATAA", "@d6.b", 2400}},
                                               kA3Landscape);
      description.progress_window = false;
      return description;
    }
    default: return std::nullopt;
  }
}

std::string categoryTitle() {
  const std::string category = globalText("katg");
  const std::string role =
      roleOfLines(applicationGlobals().number("st1"), applicationGlobals().number("st2"));
  return category.empty() ? role + ru("     Без категории") : role + " " + category + ru(" категория");
}

std::optional<ListReportDescription> selectionPrintout(std::uint16_t number) {
  switch (number) {
    case 96:
      return list(96,
                  {ru("Список выхода на пенсию по возрасту"), ru("в ") + globalText("datan") + ru(" году")},
                  retirementFilter(),
                  {{"Фамилия И.О. ", "fio", "", 3800},
                   {"№ страх.св.", "insurance", "", 2700},
                   {"Дата рожд.", "KAR:DATR", "@d6.b", 2000},
                   {"Должность", "KAR:POST", "@s60", 3400},
                   {"Адрес", "address", "", 3400},
                   {"Уход на пенс.", "retirement", "@d6.b", 2000}});
    case 97:
      return list(97, {categoryTitle()}, categoryFilter(),
                  {{"Фамилия И.О. ", "fio", "", 5000},
                   {"Должность", "KAR:POST", "@s60", 9300},
                   {"Дата присвоения", "KAR:DATAA", "@d6.b", 3000}});
    case 98:
      return list(98, {ru("Список совместителей")}, partTimerFilter(),
                  {kName,
                   kSubdivision,
                   kDepartment,
                   {"Должность", "KAR:POST", "@s60", 3100},
                   {"Адрес", "address", "", 3200}});
    case 99:
      return list(
          99,
          {ru("      Должность - ") + globalText("postg"), ru("      Профессия - ") + globalText("profg")},
          professionFilter(),
          {kName,
           kSubdivision,
           kDepartment,
           {"Должность", "KAR:POST", "@s60", 3100},
           {"Профессия", "KAR:PROFF", "@s60", 3200}});
    case 105: {
      const std::string group = globalText("otborg");
      const std::optional<std::string> filter = tradeUnionFilter(group);
      if (!filter) return std::nullopt;
      // The group's lines are what its filter reads as st1 and st2.
      if (const std::optional<FormLineRange> lines = tradeUnionLines(group)) {
        applicationGlobals().setNumber("st1", lines->first);
        applicationGlobals().setNumber("st2", lines->last);
      }
      ListReportDescription description = list(105, {ru("Отбор сотрудников по  должностям"), group}, *filter,
                                               {{"Фамилия И.О. ", "fio", "", 3900},
                                                {"Должность", "KAR:POST", "@s60", 3700},
                                                {"Дата", "appointed", "@d6.b", 2000},
                                                {"Разряд", "grade", "", 1500},
                                                {"Примечание", "note", "", 2500},
                                                {"Профессия", "KAR:PROFF", "@s60", 3700}});
      description.source.lookups = {"RABOTA"};
      return description;
    }
    default: return std::nullopt;
  }
}

}  // namespace

std::optional<ListReportDescription> listReport(std::uint16_t number, const InstitutionTexts& institution) {
  if (std::optional<ListReportDescription> description = employeeListReport(number, institution))
    return description;
  return selectionPrintout(number);
}

std::span<const std::uint16_t> listReportNumbers() {
  return kNumbers;
}

}  // namespace veltrano::app::reports
