#include "app/reports/form51.h"

#include <array>
#include <vector>

#include "app/computations/due_dates.h"
#include "app/dictionary/application_globals.h"
#include "app/dictionary/record_access.h"
#include "app/reports/institution.h"
#include "app/reports/report_values.h"
#include "app/reports/statistical_form.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"

namespace veltrano::app::reports {
namespace {

using platform::ru;

constexpr std::string_view kReasons[] = {"высвобождением", "уходом на пенсию", "по собственному желанию",
                                         "др. причины"};
constexpr FormLineRange kDoctors{4, 84};
constexpr FormLineRange kNursing{93, 138};

enum Staff : std::size_t { kAll, kDoctorsRow, kNursingRow, kOthersRow, kRows };
// The total dismissed, then one column per reason.
using Counts = std::array<std::int64_t, 1 + std::size(kReasons)>;

class Form51 : public StatisticalForm {
 public:
  explicit Form51(const Application& application) : StatisticalForm(application, source()) {}

 protected:
  FormDescription Describe() override {
    const InstitutionTexts institution = readInstitutionTexts(application().settings);
    const auto from = static_cast<std::int32_t>(applicationGlobals().number("datanp"));
    const auto to = static_cast<std::int32_t>(applicationGlobals().number("datakp"));
    const std::int32_t year = runtime::yearOfSerial(from);
    const std::int32_t last_year = runtime::yearOfSerial(to);
    const std::string years =
        year == last_year ? std::to_string(year) : std::to_string(year) + "-" + std::to_string(last_year);
    FormDescription form;
    form.number = 78;
    form.mark = ru("Форма №51");
    form.header = {ru("СВЕДЕНИЯ О ВЫСВОБОЖДЕНИИ И ПЕРЕПОДГОТОВКЕ РАБОТНИКОВ ЗДРАВООХРАНЕНИЯ ЗА  ") +
                       halfYearText(from, to) + ru("  ПОЛУГОДИЕ  ") + years + ru("  ГОДА."),
                   ru("(уволенные с ") + dateText(from) + ru(" по ") + dateText(to) + ")",
                   institution.name + ", " + institution.city};
    form.page = {ui::report::PaperSize::kA4, ui::report::Orientation::kLandscape, {1500, 1000, 1000, 1000}};
    const std::string_view because = "в том числе в связи с";
    form.columns = {{"Категории персонала", {}, {}, 8200},
                    {"№ строки", {}, "№ строки", 1300},
                    {"Уволено - всего", {}, "Всего", 3500},
                    {"высвобождением", because, "высвобождением", 3550},
                    {"уходом на пенсию", because, "уходом на пенсию", 3550},
                    {"по собственному желанию", because, "по собственному желанию", 3550},
                    {"др. причины", because, "др. причины", 3550}};
    form.heading_height = 1500;
    form.signatures = true;
    return form;
  }

  void Count() override {
    const RecordAccess card(dictionary().file("KARTA"));
    const std::int64_t line = card.integer("KAR:STR");
    const Staff staff = line >= kDoctors.first && line <= kDoctors.last   ? kDoctorsRow
                        : line >= kNursing.first && line <= kNursing.last ? kNursingRow
                                                                          : kOthersRow;
    std::size_t reason = std::size(kReasons);
    for (std::size_t index = 0; index < std::size(kReasons); ++index) {
      if (card.text("KAR:PRICHINA_UVOL") == ru(kReasons[index])) reason = index;
    }
    for (const Staff row : {kAll, staff}) {
      ++rows_[row][0];
      if (reason < std::size(kReasons)) ++rows_[row][1 + reason];
    }
  }

  std::vector<FormRow> Rows() override {
    const std::string_view names[kRows] = {"Всего работников", "Врачи", "Средний медицинский персонал",
                                           "Прочий персонал"};
    std::vector<FormRow> rows;
    for (std::size_t row = 0; row < kRows; ++row)
      rows.push_back(FormRow{lineNumber(static_cast<std::int64_t>(row) + 1),
                             ru(names[row]),
                             {rows_[row].begin(), rows_[row].end()},
                             false});
    return rows;
  }

 private:
  static ReportSource source() {
    ReportSource source;
    source.filter =
        "KAR:sovmestitel=0 and KAR:data_uvol>=datanp and KAR:data_uvol<=datakp and KAR:data_uvol~=''";
    return source;
  }

  std::array<Counts, kRows> rows_{};
};

}  // namespace

std::string halfYearText(std::int32_t from, std::int32_t to) {
  const bool first = runtime::monthOfSerial(from) <= 6;
  const bool second =
      runtime::monthOfSerial(to) > 6 || runtime::yearOfSerial(to) > runtime::yearOfSerial(from);
  return first && second ? "I-II" : first ? "I" : "II";
}

std::uint8_t runForm51(const Application& application) {
  Form51 form(application);
  return form.Run();
}

}  // namespace veltrano::app::reports
