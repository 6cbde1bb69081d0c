#include "app/card/work_history_totals.h"

#include <array>
#include <string>
#include <string_view>

#include "app/computations/derived_records.h"
#include "app/dictionary/record_access.h"
#include "runtime/datetime/calendar.h"

namespace veltrano::app::card {
namespace {

constexpr std::array<std::string_view, 5> kLines{
    "а) по последней профессии, должности", "б) непрерывный стаж _______________",
    "в) общий стаж _____________________", "г) по специальности ________________",
    "д) в нашей больнице ________________"};
constexpr std::array<std::string_view, 3> kHeaders{"дней", "месяцев", "лет"};
constexpr int kPromptWidth = 290;
constexpr int kNumberWidth = 56;

std::string valueName(std::size_t line, std::size_t part) {
  return "T" + std::to_string(line) + "_" + std::to_string(part);
}

}  // namespace

WorkHistoryTotals::WorkHistoryTotals() {
  runtime::RecordLayoutBuilder fields;
  for (std::size_t line = 0; line < kLines.size(); ++line) {
    for (std::size_t part = 0; part < kHeaders.size(); ++part) fields.decimal(valueName(line, part), 5, 0);
  }
  layout_ = fields.build();
  values_.resize(layout_.size());
}

void WorkHistoryTotals::Describe(framework::WindowBuilder& window, ui::ControlId first, int top) {
  const framework::BoundRecord values{&layout_, values_, nullptr};
  for (std::size_t part = 0; part < kHeaders.size(); ++part) {
    window.prompt(0, kHeaders[part])
        .at({8 + kPromptWidth + static_cast<int>(part) * (kNumberWidth + 8), top, kNumberWidth, 20});
  }
  for (std::size_t line = 0; line < kLines.size(); ++line) {
    const int y = top + 22 + static_cast<int>(line) * 26;
    window.prompt(0, kLines[line]).at({8, y + 3, kPromptWidth - 6, 20});
    for (std::size_t part = 0; part < kHeaders.size(); ++part) {
      const auto control = first + static_cast<ui::ControlId>(line * kHeaders.size() + part);
      window.display(control, "", values, valueName(line, part), "@n2")
          .at({8 + kPromptWidth + static_cast<int>(part) * (kNumberWidth + 8), y, kNumberWidth, 22});
    }
  }
}

bool WorkHistoryTotals::Sum(Dictionary& dictionary, std::int64_t employee) {
  sums_ = ServiceSums{};
  return employeeServiceSums(dictionary, employee, sums_) == framework::kLevelBenign;
}

void WorkHistoryTotals::Show(framework::WindowController& window) {
  shown_ = displayedTotals(sums_, runtime::today());
  const std::array<const ServiceLength*, 5> lengths{&shown_.last_profession, &shown_.continuous,
                                                    &shown_.total, &shown_.speciality, &shown_.here};
  RecordAccess values(layout_, values_);
  for (std::size_t line = 0; line < lengths.size(); ++line) {
    values.setInteger(valueName(line, 0), lengths[line]->days);
    values.setInteger(valueName(line, 1), lengths[line]->months);
    values.setInteger(valueName(line, 2), lengths[line]->years);
  }
  window.Display();
}

}  // namespace veltrano::app::card
