#include "app/reports/form50.h"

#include <array>
#include <span>
#include <string>
#include <vector>

#include "app/dictionary/record_access.h"
#include "app/reference/reference_descriptions.h"
#include "app/reports/institution.h"
#include "app/reports/statistical_form.h"
#include "platform/codepage.h"

namespace veltrano::app::reports {
namespace {

using platform::ru;

// The speciality groups are the reference book's fixed list, so that the group a card was given
// is counted in its own row; the row after the last takes a card with none of them.
const std::span<const std::string_view> kGroups = reference::form50Groups();
constexpr std::size_t kHigherGroups = 5;
const std::size_t kNoGroup = kGroups.size();

constexpr std::string_view kArrivals[] = {"самостоятельно", "с направлением службы занятости населения",
                                          "с удостоверением о направлении на работу",
                                          "по договорам (контрактам)"};
constexpr std::string_view kDismissals[] = {"по причинам предусмотренным законом",
                                            "необеспечение условий договора (контракта)"};

// Per group: those who came, by the four ways, then those dismissed, by the two reasons.
constexpr std::size_t kArrived = 0;
constexpr std::size_t kDismissed = 1 + std::size(kArrivals);
constexpr std::size_t kColumns = kDismissed + std::size(kDismissals);
using Counts = std::array<std::int64_t, kColumns>;

std::size_t indexOf(std::span<const std::string_view> texts, const std::string& text) {
  for (std::size_t index = 0; index < texts.size(); ++index) {
    if (ru(texts[index]) == text) return index;
  }
  return texts.size();
}

class Form50 : public StatisticalForm {
 public:
  explicit Form50(const Application& application) : StatisticalForm(application, source()) {}

 protected:
  FormDescription Describe() override {
    const InstitutionTexts institution = readInstitutionTexts(application().settings);
    FormDescription form;
    form.number = 79;
    form.mark = ru("Форма №50");
    form.header = {ru("СВЕДЕНИЯ О ТРУДОУСТРОЙСТВЕ ВЫПУСКНИКОВ ВЫСШИХ И СРЕДНИХ"),
                   ru("УЧЕБНЫХ ЗАВЕДЕНИЙ ЗА ___________ГОД"), institution.name + ", " + institution.city};
    form.page = {ui::report::PaperSize::kA4, ui::report::Orientation::kLandscape, {1500, 1000, 1000, 1000}};
    const std::string_view came = "в том числе прибыли";
    const std::string_view left = "Уволено выпускников";
    form.columns = {
        {"Группа специальностей", {}, {}, 8000},
        {"№ строки", {}, "№ строки", 1300},
        {"Прибыло выпускников - всего", {}, "Прибыло", 2400},
        {"самостоятельно", came, "самостоятельно", 2400},
        {"с направлением службы занятости населения", came, "с направлением службы занятости", 2700},
        {"с удостоверением о направлении на работу", came, "с удостоверением о направлении", 2700},
        {"по договорам (контрактам)", came, "по договорам", 2400},
        {"по причинам предусмотренным законом", left, "уволено по причинам закона", 2650},
        {"необеспечение условий договора (контракта)", left, "уволено: условия договора", 2650}};
    form.heading_height = 2000;
    form.signatures = true;
    return form;
  }

  void Count() override {
    const RecordAccess card(dictionary().file("KARTA"));
    Counts& counts = groups_[indexOf(kGroups, card.text("KAR:PROF", 3))];
    if (!card.blank("KAR:PRIBYL")) {
      ++counts[kArrived];
      const std::size_t way = indexOf(kArrivals, card.text("KAR:PRIBYL"));
      if (way < std::size(kArrivals)) ++counts[kArrived + 1 + way];
    }
    const std::size_t reason = indexOf(kDismissals, card.text("KAR:UVOL_VYPUSK"));
    if (!card.blank("KAR:DATA_UVOL") && reason < std::size(kDismissals)) ++counts[kDismissed + reason];
  }

  std::vector<FormRow> Rows() override {
    std::vector<FormRow> rows;
    int line = 1;
    auto row = [&](std::string name, const Counts& counts) {
      rows.push_back(FormRow{lineNumber(line++), std::move(name), {counts.begin(), counts.end()}, false});
    };
    auto sum = [&](std::size_t from, std::size_t to) {
      Counts total{};
      for (std::size_t group = from; group < to; ++group) {
        for (std::size_t column = 0; column < kColumns; ++column) total[column] += groups_[group][column];
      }
      return total;
    };
    row(ru("Выпускники высших учебных заведений - всего"), sum(0, kHigherGroups));
    for (std::size_t group = 0; group < kHigherGroups; ++group) row(ru(kGroups[group]), groups_[group]);
    row(ru("Выпускники средних учебных заведений - всего"), sum(kHigherGroups, kNoGroup));
    for (std::size_t group = kHigherGroups; group < kNoGroup; ++group)
      row(ru(kGroups[group]), groups_[group]);
    row(ru("Группа специальностей не указана"), groups_[kNoGroup]);
    row(ru("Всего"), sum(0, kNoGroup + 1));
    return rows;
  }

 private:
  static ReportSource source() {
    ReportSource source;
    source.filter = "KAR:sovmestitel=0 and (KAR:pribyl~='' or KAR:uvol_vypusk~='')";
    return source;
  }

  std::vector<Counts> groups_ = std::vector<Counts>(kNoGroup + 1);
};

}  // namespace

std::uint8_t runForm50(const Application& application) {
  Form50 form(application);
  return form.Run();
}

}  // namespace veltrano::app::reports
