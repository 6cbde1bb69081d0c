#include "app/reports/selection_lists.h"

#include "app/computations/due_dates.h"
#include "app/dictionary/application_globals.h"
#include "app/reports/report_dialogs.h"
#include "app/reports/selection_rules.h"
#include "runtime/datetime/calendar.h"

namespace veltrano::app::reports {
namespace {

constexpr std::uint16_t kNumbers[] = {74, 90, 91, 92, 93, 103};

}  // namespace

std::optional<SelectionListDescription> selectionList(std::uint16_t number) {
  switch (number) {
    case 90:
      return SelectionListDescription{
          90,
          "PensList",
          "Сроки выхода на пенсию по возрасту",
          "85L|M~Ф.И.О.~C@s30@60L(1)|M~№ страх.свид.~C(0)@P###-###-### ##P@45R(2)|M~Дата "
          "рожд.~C(0)@d6.@100L(2)|M~"
          "Должность~C(0)@s60@49R(2)|M~Уход.на пенс.~C(0)@d6.@400L(2)|M~Адрес~C(0)@s100@",
          {"fio", "insurance", "KAR:DATR", "KAR:POST", "retirement", "address"},
          retirementFilter(),
          96,
          false};
    case 91:
      return SelectionListDescription{
          91,
          "KategList",
          "Отбор сотрудников по категориям",
          "95L|M~Ф.И.О.~C@s30@160L(2)|M~Должность~C(0)@s60@40L(2)|M~Дата присвоения~C(0)@d6.@",
          {"fio", "KAR:POST", "KAR:DATAA"},
          categoryFilter(),
          97,
          true};
    case 92:
      return SelectionListDescription{92,
                                      "SovmList",
                                      "Совместители",
                                      "85L|M~Ф.И.О.~C@s30@90L|M~Подразделение~C@s60@90L|M~Отделение~C@s60@"
                                      "100L(2)|M~Должность~C(0)@s60@400L(2)|"
                                      "M~Адрес~C(0)@s100@",
                                      {"fio", "KAR:STRUKT", "KAR:OTDELENIE", "KAR:POST", "address"},
                                      partTimerFilter(),
                                      98,
                                      true};
    case 93:
      return SelectionListDescription{93,
                                      "ProfList",
                                      "Отбор сотрудников по профессиям и должностям",
                                      "85L|M~Ф.И.О.~C@s30@90L|M~Подразделение~C@s60@90L|M~Отделение~C@s60@"
                                      "90L(2)|M~Должность~C(0)@s60@240L(2)|"
                                      "M~Профессия~C(0)@s60@",
                                      {"fio", "KAR:STRUKT", "KAR:OTDELENIE", "KAR:POST", "KAR:PROFF"},
                                      professionFilter(),
                                      99,
                                      true};
    case 103: {
      const std::optional<std::string> filter = tradeUnionFilter(applicationGlobals().text("otborg"));
      if (!filter) return std::nullopt;
      return SelectionListDescription{103,
                                      "ProfsList",
                                      "Отбор сотрудников по  должностям",
                                      "85L|M~Ф.И.О.~C@s30@90L(2)|M~Должность~C(0)@s60@135L(2)|M~Профессия~C("
                                      "0)@s60@44R(1)|M~Дата~C(0)@d6.@16L|"
                                      "M~Разряд~C@n4@",
                                      {"fio", "KAR:POST", "KAR:PROFF", "appointed", "grade"},
                                      *filter,
                                      105,
                                      true};
    }
    case 74:
      return SelectionListDescription{
          74,
          "Prosrok",
          "Просрочены квалификация,сертификаты и аттестация",
          "85L|M~Ф.И.О.~C@s30@110L(2)|M~Должность~C(0)@s60@90L(2)|M~Отделение~C(0)@s60@[50R(2)|M~повыш. "
          "квалиф.~"
          "C(0)@d6.b@45R(2)|M~сертификат~C(0)@d6.b@45R(2)|M~аттестация~C(0)@d6.b@]|M~ДАТА~",
          {"fio", "KAR:POST", "KAR:OTDELENIE", "training", "certificate", "attestation"},
          overdueFilter(overdueThreshold(runtime::today())),
          0,
          false};
    default: return std::nullopt;
  }
}

std::span<const std::uint16_t> selectionListNumbers() {
  return kNumbers;
}

std::uint8_t runSelection(const Application& application, std::uint16_t number,
                          const framework::ProcedureCall& call) {
  std::uint8_t (*ask)(const Application&) = nullptr;
  switch (number) {
    case 90: ask = askRetirementYear; break;
    case 91: ask = askCategoryAndRole; break;
    case 93: ask = askProfessionAndPosition; break;
    case 103: ask = askTradeUnionGroup; break;
    default: break;
  }
  if (ask != nullptr && ask(application) != framework::kResponseCompleted)
    return framework::kResponseCancelled;
  const std::optional<SelectionListDescription> list = selectionList(number);
  return list ? runSelectionList(application, *list, call) : framework::kResponseCancelled;
}

}  // namespace veltrano::app::reports
