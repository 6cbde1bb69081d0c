#include "app/computations/service_length.h"

#include "runtime/datetime/calendar.h"

namespace veltrano::app {

using runtime::dayOfSerial;
using runtime::monthOfSerial;
using runtime::yearOfSerial;

std::int32_t borrowMonthLength(std::int32_t date) {
  switch (monthOfSerial(date)) {
    case 4:
    case 6:
    case 9:
    case 11: return 30;
    case 2: return yearOfSerial(date) % 4 == 0 ? 29 : 28;
    default: return 31;
  }
}

std::int32_t continuityGapLimit(std::int32_t later_start) {
  switch (monthOfSerial(later_start)) {
    case 3:
    case 5:
    case 7:
    case 10:
    case 12: return 30;
    default: return 31;
  }
}

ServiceLength periodLength(std::int32_t start, std::int32_t end) {
  if (end == 0) return {};
  ServiceLength length;
  std::int32_t day_borrow = 0;
  if (dayOfSerial(end) >= dayOfSerial(start)) {
    length.days = dayOfSerial(end) - dayOfSerial(start);
  } else {
    length.days = borrowMonthLength(start) - dayOfSerial(start) + dayOfSerial(end);
    day_borrow = -1;
  }
  std::int32_t month_borrow = 0;
  length.months = monthOfSerial(end) - monthOfSerial(start) + day_borrow;
  if (length.months < 0) {
    length.months += 12;
    month_borrow = -1;
  }
  length.years = yearOfSerial(end) - yearOfSerial(start) + month_borrow;
  return length;
}

ServiceLength normalise(ServiceLength length) {
  if (length.days >= 30) {
    const std::int32_t carried = length.days / 30;
    length.days -= 30 * carried;
    length.months += carried;
  }
  if (length.months >= 12) {
    const std::int32_t carried = length.months / 12;
    length.months -= 12 * carried;
    length.years += carried;
  }
  return length;
}

void computeWorkHistoryFlags(std::vector<WorkPeriod>& periods) {
  std::uint8_t latest = 1;
  std::uint8_t chain_broken = 0;
  std::uint8_t speciality_broken = 0;
  std::int32_t previous_start = 0;  // start of the later period visited just before
  std::int32_t gap_limit = 0;
  for (auto& period : periods) {
    if (previous_start != 0) {
      if (previous_start - period.end <= gap_limit) {
        period.broken_chain = chain_broken;
      } else {
        chain_broken = 1;
        period.broken_chain = 1;
      }
      if (period.has_name == period.has_code) {
        period.outside_speciality = speciality_broken;
      } else if (period.has_name) {
        speciality_broken = 1;
        period.outside_speciality = 1;
      }
    }
    previous_start = period.start;
    gap_limit = continuityGapLimit(previous_start);
    if (period.end == 0) {
      period.store = false;
    } else {
      period.latest = latest;
      period.store = true;
      latest = 0;
    }
  }
}

ServiceSums sumWorkHistory(const std::vector<WorkHistoryRow>& rows) {
  ServiceSums sums;
  double open_starts = 0;
  int open_count = 0;
  for (const auto& row : rows) {
    const auto& period = row.period;
    if (period.has_name) {
      if (period.latest == 1) sums.last_profession += row.length;
      if (period.broken_chain == 0) sums.continuous += row.length;
      sums.total += row.length;
      if (period.outside_speciality == 0 && period.has_code) sums.speciality += row.length;
    }
    if (period.end == 0) {
      open_starts += period.start;
      ++open_count;
    }
  }
  if (open_count > 0) sums.open_start = static_cast<std::int32_t>(open_starts / open_count);
  return sums;
}

DisplayedServiceTotals displayedTotals(const ServiceSums& sums, std::int32_t today) {
  // Without an open job there is no running period.
  const ServiceLength running = sums.open_start != 0 ? periodLength(sums.open_start, today) : ServiceLength{};
  auto withRunning = [&](ServiceLength length) {
    length += running;
    return normalise(length);
  };
  return {normalise(sums.last_profession), withRunning(sums.continuous), withRunning(sums.total),
          withRunning(sums.speciality), running};
}

}  // namespace veltrano::app
