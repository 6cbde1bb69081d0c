#include "app/reports/form17.h"

#include <vector>

#include "app/computations/due_dates.h"
#include "app/dictionary/record_access.h"
#include "app/reports/statistical_form.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"
#include "runtime/errors/error_state.h"

namespace veltrano::app::reports {
namespace {

using platform::ru;

// Lines 01 and 02 cover every doctor's line, whichever sheet prints it.
constexpr std::int64_t kAllDoctors = 1;
constexpr std::int64_t kWomenDoctors = 2;
constexpr FormLineRange kDoctorsSummary{4, 84};
// A certificate is held for five years: it counts while it is less than 1826 days old.
constexpr std::int32_t kCertificateDays = 1826;

constexpr Form17Sheet kSheets[] = {
    {34, 4, 57, true},
    {75, 58, 93, false},
    {76, 94, 138, false},
};

const Form17Sheet* findSheet(std::uint16_t number) {
  for (const Form17Sheet& sheet : kSheets) {
    if (sheet.number == number) return &sheet;
  }
  return nullptr;
}

void add(Form17Counts& counts, std::string_view category, bool certified) {
  static const std::string highest = ru("Высшая");
  static const std::string first = ru("Первая");
  static const std::string second = ru("Вторая");
  ++counts.cells[Form17Counts::kAll];
  ++counts.cells[Form17Counts::kMainJob];
  if (category == highest) ++counts.cells[Form17Counts::kHighest];
  if (category == first) ++counts.cells[Form17Counts::kFirst];
  if (category == second) ++counts.cells[Form17Counts::kSecond];
  if (certified) ++counts.cells[Form17Counts::kCertificate];
}

// The professions of PROF on each form line, in the book's order.
std::map<std::int64_t, std::string> lineNames(Dictionary& dictionary) {
  std::map<std::int64_t, std::string> names;
  storage::DeclaredFile& prof = dictionary.file("PROF");
  storage::OperationArguments order;
  order.key = prof.key("PRO:PROF_KEY");
  storage::fileStatement(storage::Operation::SetKey, prof.file(), order);
  while (runtime::errorCode() == 0) {
    storage::fileStatement(storage::Operation::Next, prof.file());
    if (runtime::errorCode() != 0) break;
    const RecordAccess record(prof);
    std::string& name = names[record.integer("PRO:STR")];
    if (!name.empty()) name += "; ";
    name += record.text("PRO:PROF");
  }
  runtime::clearErrors();
  return names;
}

class Form17Report : public StatisticalForm {
 public:
  Form17Report(const Application& application, const Form17Sheet& sheet)
      : StatisticalForm(application, source(sheet)), sheet_(sheet), today_(runtime::today()) {}

 protected:
  FormDescription Describe() override {
    const bool nurses = sheet_.first_line >= 94;
    FormDescription form;
    form.number = sheet_.number;
    form.mark = ru("Форма №17");
    form.header = {ru("Медицинские кадры"), nurses ? ru("3. Средний медицинский персонал") : ru("1. Врачи"),
                   nurses ? ru("Число среднего медицинского персонала на конец года, физических лиц")
                          : ru("Число врачей на конец года, физических лиц")};
    form.page = {ui::report::PaperSize::kA4, ui::report::Orientation::kPortrait, {1000, 1000, 1000, 1000}};
    const std::string_view group = nurses ? "Из общего числа (гр.3) имеют квалификационную категорию"
                                          : "Из общего числа врачей (гр.3) имеют квалификационную категорию";
    form.columns = {{"Наименование должностей (специальностей)", {}, {}, 6900},
                    {"№ строки", {}, "№ строки", 1300},
                    {"Всего", {}, "Всего", 1600},
                    {"В том числе на основной работе в учреждениях", {}, {}, 2400},
                    {"высшая", group, "Высшая", 1600},
                    {"I", group, "Первая", 1600},
                    {"II", group, "Вторая", 1600},
                    {"имеют сертификат специалиста", {}, "Сертификат", 2000}};
    form.totals = true;
    form.signatures = nurses;
    return form;
  }

  void Count() override {
    const RecordAccess card(dictionary().file("KARTA"));
    countForm17Card(lines_, card.integer("KAR:STR"), card.text("KAR:KATEGOR"),
                    static_cast<std::int32_t>(card.integer("KAR:DATAS")), card.integer("KAR:POL") == kFemale,
                    today_, sheet_);
  }

  std::vector<FormRow> Rows() override {
    const std::map<std::int64_t, std::string> names = lineNames(dictionary());
    std::vector<FormRow> rows;
    auto row = [&](std::int64_t key, std::string line, std::string name, bool in_totals) {
      const Form17Counts& counts = lines_[key];
      rows.push_back(
          FormRow{std::move(line), std::move(name), {counts.cells.begin(), counts.cells.end()}, in_totals});
    };
    if (sheet_.doctors_summary) {
      row(kAllDoctors, "01", ru("Врачи - всего"), false);
      row(kWomenDoctors, "02", ru("из них женщины"), false);
    }
    for (std::int64_t line = sheet_.first_line; line <= sheet_.last_line; ++line) {
      const auto named = names.find(line);
      row(line, lineNumber(line), named != names.end() ? named->second : std::string(), true);
    }
    return rows;
  }

 private:
  static ReportSource source(const Form17Sheet& sheet) {
    const FormLineRange read = sheet.doctors_summary
                                   ? kDoctorsSummary
                                   : FormLineRange{static_cast<std::int32_t>(sheet.first_line),
                                                   static_cast<std::int32_t>(sheet.last_line)};
    ReportSource source;
    source.filter = "KAR:data_uvol='' and KAR:sovmestitel=0 and KAR:str>=" + std::to_string(read.first) +
                    " and KAR:str<=" + std::to_string(read.last);
    source.lookups = {"PROF"};
    return source;
  }

  Form17Sheet sheet_;
  std::int32_t today_;
  std::map<std::int64_t, Form17Counts> lines_;
};

}  // namespace

void countForm17Card(std::map<std::int64_t, Form17Counts>& lines, std::int64_t line,
                     std::string_view category, std::int32_t certificate, bool woman, std::int32_t today,
                     const Form17Sheet& sheet) {
  const bool certified = certificate != 0 && today - certificate < kCertificateDays;
  if (sheet.doctors_summary && line >= kDoctorsSummary.first && line <= kDoctorsSummary.last) {
    add(lines[kAllDoctors], category, certified);
    if (woman) add(lines[kWomenDoctors], category, certified);
  }
  if (line >= sheet.first_line && line <= sheet.last_line) add(lines[line], category, certified);
}

std::uint8_t runForm17Sheet(const Application& application, std::uint16_t number) {
  const Form17Sheet* sheet = findSheet(number);
  if (sheet == nullptr) return framework::kResponseCancelled;
  Form17Report report(application, *sheet);
  return report.Run();
}

}  // namespace veltrano::app::reports
