#include "app/reports/report_dialogs.h"

#include <optional>

#include "app/computations/due_dates.h"
#include "app/dictionary/application_globals.h"
#include "app/dictionary/record_access.h"
#include "app/reference/selection_lists.h"
#include "app/reports/report_dialog.h"
#include "app/reports/report_values.h"
#include "app/reports/selection_rules.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"

namespace veltrano::app::reports {
namespace {

using dialog::kFirstValue;
using platform::ru;
using Refusal = ReportDialog::Refusal;

constexpr std::string_view kRoles[] = {"Врачи", "Медсестры"};

// The dialog's variables: a record of its own that its controls edit.
class Variables {
 public:
  explicit Variables(runtime::RecordLayoutBuilder& fields) : layout_(fields.build()), bytes_(layout_.size()) {
    access().clearAll();
  }
  RecordAccess access() { return RecordAccess(layout_, bytes_); }
  const runtime::RecordLayout& layout() const { return layout_; }
  std::span<std::uint8_t> bytes() { return bytes_; }

 private:
  runtime::RecordLayout layout_;
  std::vector<std::uint8_t> bytes_;
};

std::vector<std::pair<std::string_view, std::string_view>> choices(std::span<const std::string_view> texts) {
  std::vector<std::pair<std::string_view, std::string_view>> pairs;
  for (std::string_view text : texts) pairs.emplace_back(text, text);
  return pairs;
}

ApplicationGlobals& globals() {
  return applicationGlobals();
}

void setRoleLines(const std::string& role) {
  if (const std::optional<FormLineRange> lines = roleLines(role)) {
    globals().setNumber("st1", lines->first);
    globals().setNumber("st2", lines->last);
  }
}

// The role the lines st1..st2 stand for now, else the first.
std::string currentRole() {
  const std::string role = roleOfLines(globals().number("st1"), globals().number("st2"));
  return role.empty() ? ru(kRoles[0]) : role;
}

// VELTR109 and VELTR110: a number of years, 1 to 99; datag is today that many years back.
std::uint8_t askYearsBack(const Application& application, std::string_view procedure, std::string_view label,
                          std::string_view caption, std::string_view prompt) {
  runtime::RecordLayoutBuilder fields;
  fields.decimal("years", 3, 0);
  Variables variables(fields);
  ReportDialog window(application, procedure, label, caption, variables.layout(), variables.bytes());
  window.builder().promptWidth(8).prompt(0, prompt);
  window.builder().entry(kFirstValue, "", window.values(), "years", "@n3");
  window.SetCheck([&]() -> std::optional<Refusal> {
    const std::int64_t years = variables.access().integer("years");
    if (years >= 1 && years <= 99) return std::nullopt;
    return Refusal{kFirstValue, "Количество лет — целое число от 1 до 99."};
  });
  if (window.Run() != framework::kResponseCompleted) return framework::kResponseCancelled;
  const auto years = static_cast<std::int32_t>(variables.access().integer("years"));
  globals().setNumber("datag", yearsBefore(runtime::today(), years));
  return framework::kResponseCompleted;
}

}  // namespace

std::uint8_t askServiceYears(const Application& application) {
  return askYearsBack(application, "VELTR109", "StagSel", "Отбор по стажу",
                      "Введите количество лет стажа (например - 20)");
}

std::uint8_t askAge(const Application& application) {
  return askYearsBack(application, "VELTR110", "AgeSel", "Отбор по возрасту",
                      "Введите количество лет возраста (например - 20)");
}

std::uint8_t askRetirementYear(const Application& application) {
  runtime::RecordLayoutBuilder fields;
  fields.decimal("year", 5, 0);
  Variables variables(fields);
  const std::int64_t typed = std::atoll(globals().text("datan").c_str());
  variables.access().setInteger("year", typed > 0 ? typed : runtime::yearOfSerial(runtime::today()));
  ReportDialog window(application, "VELTR100", "PensSel", "Выход на пенсию по возрасту", variables.layout(),
                      variables.bytes());
  window.builder().promptWidth(8).prompt(0, "Введите год даты (например - 2001)");
  window.builder().entry(kFirstValue, "", window.values(), "year", "@n_4");
  window.SetCheck([&]() -> std::optional<Refusal> {
    const std::int64_t year = variables.access().integer("year");
    if (year >= 1900 && year <= 2100) return std::nullopt;
    return Refusal{kFirstValue, "Год — четыре цифры, от 1900 до 2100 (например - 2001)."};
  });
  if (window.Run() != framework::kResponseCompleted) return framework::kResponseCancelled;
  globals().setText("datan", variables.access().text("year"));
  return framework::kResponseCompleted;
}

std::uint8_t askCategoryAndRole(const Application& application) {
  static constexpr std::string_view kCategories[] = {"Высшая", "Первая", "Вторая", "Без категории"};
  runtime::RecordLayoutBuilder fields;
  fields.string("category", 20).string("role", 20);
  Variables variables(fields);
  const std::string category = globals().text("katg");
  variables.access().setText("category", category.empty() ? ru("Без категории") : category);
  variables.access().setText("role", currentRole());
  ReportDialog window(application, "VELTR094", "KategSel", "Отбор сотрудников по категориям",
                      variables.layout(), variables.bytes());
  window.builder().promptWidth(8);
  window.builder().options(kFirstValue, "Категории", window.values(), "category", choices(kCategories));
  window.builder().options(kFirstValue + 1, "Должность", window.values(), "role", choices(kRoles));
  if (window.Run() != framework::kResponseCompleted) return framework::kResponseCancelled;
  globals().setText("katg", categoryFilterValue(variables.access().text("category")));
  setRoleLines(variables.access().text("role"));
  return framework::kResponseCompleted;
}

std::uint8_t askProfessionAndPosition(const Application& application) {
  runtime::RecordLayoutBuilder fields;
  fields.string("role", 20).string("profession", 60).string("position", 60);
  Variables variables(fields);
  variables.access().setText("role", currentRole());
  variables.access().setText("profession", globals().text("profg"));
  variables.access().setText("position", globals().text("postg"));
  ReportDialog window(application, "VELTR095", "ProfSel", "Отбор сотрудников по профессиям и должностям",
                      variables.layout(), variables.bytes());
  window.builder().promptWidth(90);
  window.builder().options(kFirstValue, "Должность", window.values(), "role", choices(kRoles));
  window.builder().entry(kFirstValue + 1, "Профессия", window.values(), "profession", "@s60");
  window.builder().entry(kFirstValue + 2, "Должность", window.values(), "position", "@s60");
  window.AddLookup(kFirstValue + 1, [&] {
    if (!reference::choose(application, reference::kMedicalProfessions)) return false;
    variables.access().setText("profession",
                               RecordAccess(application.dictionary.file("PROF")).text("PRO:PROF"));
    return true;
  });
  window.AddLookup(kFirstValue + 2, [&] {
    if (!reference::choose(application, reference::kStaffPositions)) return false;
    variables.access().setText("position",
                               RecordAccess(application.dictionary.file("DOLGNOST")).text("DOL:NOM"));
    return true;
  });
  window.SetCheck([&]() -> std::optional<Refusal> {
    if (variables.access().blank("profession"))
      return Refusal{kFirstValue + 1, "Укажите профессию (её можно выбрать кнопкой «...»)."};
    if (variables.access().blank("position"))
      return Refusal{kFirstValue + 2, "Укажите должность (её можно выбрать кнопкой «...»)."};
    return std::nullopt;
  });
  if (window.Run() != framework::kResponseCompleted) return framework::kResponseCancelled;
  setRoleLines(variables.access().text("role"));
  globals().setText("profg", variables.access().text("profession"));
  globals().setText("postg", variables.access().text("position"));
  return framework::kResponseCompleted;
}

std::uint8_t askTradeUnionGroup(const Application& application) {
  static constexpr std::string_view kGroups[] = {"Врачи", "Медсестры", "Санитары", "Другие"};
  runtime::RecordLayoutBuilder fields;
  fields.string("group", 20);
  Variables variables(fields);
  const std::string chosen = globals().text("otborg");
  variables.access().setText("group", tradeUnionFilter(chosen) ? chosen : ru(kGroups[0]));
  ReportDialog window(application, "VELTR104", "ProfsSel", "Отбор для профсоюза", variables.layout(),
                      variables.bytes());
  window.builder().promptWidth(8);
  window.builder().options(kFirstValue, "Отбор", window.values(), "group", choices(kGroups));
  if (window.Run() != framework::kResponseCompleted) return framework::kResponseCancelled;
  const std::string group = variables.access().text("group");
  globals().setText("otborg", group);
  if (const std::optional<FormLineRange> lines = tradeUnionLines(group)) {
    globals().setNumber("st1", lines->first);
    globals().setNumber("st2", lines->last);
  }
  return framework::kResponseCompleted;
}

std::uint8_t askPeriod(const Application& application) {
  runtime::RecordLayoutBuilder fields;
  fields.scalar("from", runtime::TypeCode::Date).scalar("to", runtime::TypeCode::Date);
  Variables variables(fields);
  const std::int32_t year = runtime::yearOfSerial(runtime::today());
  const std::int64_t from = globals().number("datanp");
  const std::int64_t to = globals().number("datakp");
  variables.access().setInteger("from", from != 0 ? from : runtime::serialFromParts(year, 1, 1));
  variables.access().setInteger("to", to != 0 ? to : runtime::serialFromParts(year, 6, 30));
  ReportDialog window(application, "VELTR102", "PeriodSel", "Форма №51", variables.layout(),
                      variables.bytes());
  window.builder().promptWidth(40).prompt(0, "Введите даты начала и конца периода.");
  window.builder().entry(kFirstValue, "с", window.values(), "from", "@d6.");
  window.builder().entry(kFirstValue + 1, "по", window.values(), "to", "@d6.");
  window.SetCheck([&]() -> std::optional<Refusal> {
    if (variables.access().blank("from")) return Refusal{kFirstValue, "Введите дату начала периода."};
    if (variables.access().blank("to")) return Refusal{kFirstValue + 1, "Введите дату конца периода."};
    if (variables.access().integer("from") > variables.access().integer("to"))
      return Refusal{kFirstValue + 1, "Конец периода раньше его начала."};
    return std::nullopt;
  });
  if (window.Run() != framework::kResponseCompleted) return framework::kResponseCancelled;
  globals().setNumber("datanp", variables.access().integer("from"));
  globals().setNumber("datakp", variables.access().integer("to"));
  return framework::kResponseCompleted;
}

}  // namespace veltrano::app::reports
