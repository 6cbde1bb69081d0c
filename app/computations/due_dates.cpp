#include "app/computations/due_dates.h"

#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"

namespace veltrano::app {

LeaveDays leaveDays(std::int32_t main, std::int32_t additional1, std::int32_t additional2,
                    std::int32_t additional3) {
  LeaveDays days;
  days.additional = additional1 + additional2 + additional3;
  days.total = main + days.additional;
  return days;
}

std::int32_t overdueThreshold(std::int32_t today) {
  return today - kOverdueDays;
}

bool isOverdue(std::int32_t date, std::int32_t today) {
  return date != 0 && today - date >= kOverdueDays;
}

std::int32_t retirementAge(std::uint8_t sex) {
  return sex == kMale ? 60 : 55;
}

std::int32_t retirementDate(std::int32_t birth_date, std::int32_t year) {
  if (birth_date == 0) return 0;
  const std::int32_t serial =
      runtime::dateFromParts(runtime::monthOfSerial(birth_date), runtime::dayOfSerial(birth_date), year);
  return serial < 0 ? 0 : serial;
}

std::optional<FormLineRange> roleLines(std::string_view role) {
  static const std::string doctors = platform::ru("Врачи");
  static const std::string nurses = platform::ru("Медсестры");
  if (role == doctors) return kDoctorLines;
  if (role == nurses) return kNurseLines;
  return std::nullopt;
}

std::string categoryFilterValue(std::string_view category) {
  static const std::string none = platform::ru("Без категории");
  return category == none ? std::string() : std::string(category);
}

}  // namespace veltrano::app
