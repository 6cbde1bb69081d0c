// Leave totals, the five-year threshold of overdue training, certificates and attestations,
// retirement dates, and the form No. 17 line ranges of the staff roles.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veltrano::app {

struct LeaveDays {
  std::int32_t additional = 0;  // OTP:SROKS — the three additional leaves together
  std::int32_t total = 0;       // OTP:SROK_ITOG — main leave plus the additional ones
};
LeaveDays leaveDays(std::int32_t main, std::int32_t additional1, std::int32_t additional2,
                    std::int32_t additional3);

// Training, a certificate or an attestation is overdue five years (of 365 days) after its date.
inline constexpr std::int32_t kOverdueDays = 1825;
// The newest date that is already overdue on `today`.
std::int32_t overdueThreshold(std::int32_t today);
// True when `date` is set and at least five years old on `today`.
bool isOverdue(std::int32_t date, std::int32_t today);

// Women retire in the year they turn 55, men in the year they turn 60.
inline constexpr std::uint8_t kFemale = 0;
inline constexpr std::uint8_t kMale = 1;
std::int32_t retirementAge(std::uint8_t sex);
// The birthday in `year`: the retirement date shown for someone retiring that year; 0 when it
// cannot be formed (no birth date, or 29 February in a year without it moves to 1 March).
std::int32_t retirementDate(std::int32_t birth_date, std::int32_t year);

// The lines of form No. 17 that a role covers.
struct FormLineRange {
  std::int32_t first = 0;
  std::int32_t last = 0;
};
inline constexpr FormLineRange kDoctorLines{4, 82};
inline constexpr FormLineRange kNurseLines{93, 132};
inline constexpr std::int32_t kOtherStaffLine = 140;
// "Врачи" → 4..82, "Медсестры" → 93..132 (role names in code page 1251); nothing otherwise.
std::optional<FormLineRange> roleLines(std::string_view role);

// The category value a selection filters on: "Без категории" matches cards with no category,
// so it becomes the empty text. Texts in code page 1251.
std::string categoryFilterValue(std::string_view category);

}  // namespace veltrano::app
