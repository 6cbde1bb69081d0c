// Lengths of service: the length of one period of work, the flags that tell which earlier jobs
// count towards continuous service and service in the speciality, and the totals shown under
// the work-history list. Dates are date serials (0 = no date); a length is days, months, years.
#pragma once

#include <cstdint>
#include <vector>

namespace veltrano::app {

struct ServiceLength {
  std::int32_t days = 0;
  std::int32_t months = 0;
  std::int32_t years = 0;

  bool operator==(const ServiceLength&) const = default;
  ServiceLength& operator+=(const ServiceLength& other) {
    days += other.days;
    months += other.months;
    years += other.years;
    return *this;
  }
};

// The month length used when a period borrows days: 30 or 31 by the month, February 28, or 29
// in a year divisible by 4 (personnel practice ignores the century rule here).
std::int32_t borrowMonthLength(std::int32_t date);

// The longest gap (in days) between two jobs that still counts as continuous service, by the
// month of the later job's start: 30 in March, May, July, October and December, else 31.
std::int32_t continuityGapLimit(std::int32_t later_start);

// The length of a period from `start` to `end`; an open period (end 0) has length 0. The end
// day itself is not counted: 01.01.2000–31.12.2000 is 30 days, 11 months, 0 years.
ServiceLength periodLength(std::int32_t start, std::int32_t end);

// Carries days into 30-day months and months into 12-month years.
ServiceLength normalise(ServiceLength length);

// One earlier job as the flags walk sees it.
struct WorkPeriod {
  std::int32_t start = 0;
  std::int32_t end = 0;                 // 0 while the job is still going on
  bool has_name = false;                // the profession's name is filled in
  bool has_code = false;                // the profession's code is filled in
  std::uint8_t latest = 0;              // TRU:IND — the latest closed period
  std::uint8_t broken_chain = 0;        // TRU:IND1 — not part of continuous service
  std::uint8_t outside_speciality = 0;  // TRU:IND2 — not part of service in the speciality
  bool store = false;                   // set by the walk: the record is written back
};

// Walks one employee's periods from the latest start to the earliest and sets the three flags.
// REQUIRES: periods ordered by start date, latest first. Open periods are not written back.
void computeWorkHistoryFlags(std::vector<WorkPeriod>& periods_latest_first);

// The sums over the rows of the work-history list.
struct ServiceSums {
  ServiceLength last_profession;  // A: named rows with the latest flag
  ServiceLength continuous;       // B: named rows in the continuous chain
  ServiceLength total;            // C: every named row
  ServiceLength speciality;       // D: rows with name and code in the speciality chain
  std::int32_t open_start = 0;    // S: the mean start date of the open periods; 0 when none
};

struct WorkHistoryRow {
  WorkPeriod period;
  ServiceLength length;  // TRU:STAGD / STAGM / STAGG as stored
};

ServiceSums sumWorkHistory(const std::vector<WorkHistoryRow>& rows);

// The five totals shown under the list: а by the last profession, б continuous, в total,
// г in the speciality (all normalised, the running period added to б–г), д in this hospital
// (the running period from the open jobs' start to today, not normalised).
struct DisplayedServiceTotals {
  ServiceLength last_profession;
  ServiceLength continuous;
  ServiceLength total;
  ServiceLength speciality;
  ServiceLength here;
};

DisplayedServiceTotals displayedTotals(const ServiceSums& sums, std::int32_t today);

}  // namespace veltrano::app
