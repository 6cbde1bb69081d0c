#include "app/computations/service_length.h"

#include <gtest/gtest.h>

#include "runtime/datetime/calendar.h"

namespace veltrano::app {
namespace {

std::int32_t d(std::int32_t day, std::int32_t month, std::int32_t year) {
  return runtime::serialFromParts(year, month, day);
}

TEST(PeriodLength, BorrowsDaysFromTheStartMonthAndMonthsFromTheYear) {
  EXPECT_EQ(periodLength(d(15, 1, 2000), d(10, 3, 2001)), (ServiceLength{26, 1, 1}));
  EXPECT_EQ(periodLength(d(15, 3, 2000), d(10, 3, 2001)), (ServiceLength{26, 11, 0}));
  EXPECT_EQ(periodLength(d(10, 3, 2000), d(10, 3, 2001)), (ServiceLength{0, 0, 1}));
  EXPECT_EQ(periodLength(d(1, 1, 2000), d(31, 12, 2000)), (ServiceLength{30, 11, 0}));  // end day not counted
}

TEST(PeriodLength, FebruaryBorrowIgnoresTheCenturyRule) {
  EXPECT_EQ(periodLength(d(20, 2, 2001), d(5, 3, 2001)).days, 13);
  EXPECT_EQ(periodLength(d(20, 2, 2000), d(5, 3, 2000)).days, 14);
  // 1900 is no leap year in the calendar, but divisible by 4 it borrows 29 days here.
  EXPECT_EQ(borrowMonthLength(d(20, 2, 1900)), 29);
  EXPECT_EQ(borrowMonthLength(d(1, 4, 2001)), 30);
  EXPECT_EQ(borrowMonthLength(d(1, 12, 2001)), 31);
}

TEST(PeriodLength, OpenPeriodHasNoLength) {
  EXPECT_EQ(periodLength(d(1, 1, 2000), 0), ServiceLength{});
}

TEST(Normalise, CarriesThirtyDayMonthsAndTwelveMonthYears) {
  EXPECT_EQ(normalise({45, 13, 2}), (ServiceLength{15, 2, 3}));
  EXPECT_EQ(normalise({29, 11, 0}), (ServiceLength{29, 11, 0}));
  EXPECT_EQ(normalise({90, 0, 0}), (ServiceLength{0, 3, 0}));
  EXPECT_EQ(normalise({0, 25, 1}), (ServiceLength{0, 1, 3}));
}

WorkPeriod job(std::int32_t start, std::int32_t end, bool name = true, bool code = true) {
  WorkPeriod period;
  period.start = start;
  period.end = end;
  period.has_name = name;
  period.has_code = code;
  return period;
}

// A gap of 31 days before a job that starts in April (limit 31) keeps the chain; before a job
// that starts in May (limit 30) it breaks the chain for that job and every earlier one.
TEST(WorkHistoryFlags, ContinuityDependsOnTheLaterJobsMonth) {
  std::vector<WorkPeriod> april = {job(d(1, 4, 2005), d(1, 6, 2006)), job(d(1, 1, 2004), d(1, 3, 2005)),
                                   job(d(1, 1, 2001), d(31, 12, 2003))};
  computeWorkHistoryFlags(april);
  EXPECT_EQ(april[1].broken_chain, 0);
  EXPECT_EQ(april[2].broken_chain, 0);

  std::vector<WorkPeriod> may = {job(d(2, 5, 2005), d(1, 6, 2006)), job(d(1, 1, 2004), d(1, 4, 2005)),
                                 job(d(1, 1, 2001), d(31, 12, 2003))};
  ASSERT_EQ(may[0].start - may[1].end, 31);
  computeWorkHistoryFlags(may);
  EXPECT_EQ(may[1].broken_chain, 1);
  EXPECT_EQ(may[2].broken_chain, 1);  // once broken, every earlier job is outside the chain
}

TEST(WorkHistoryFlags, LatestClosedPeriodAndOpenPeriodsAreNotStored) {
  std::vector<WorkPeriod> periods = {job(d(1, 1, 2010), 0), job(d(1, 1, 2005), d(31, 12, 2009)),
                                     job(d(1, 1, 2000), d(31, 12, 2004))};
  computeWorkHistoryFlags(periods);
  EXPECT_FALSE(periods[0].store);
  EXPECT_TRUE(periods[1].store);
  EXPECT_EQ(periods[1].latest, 1);
  EXPECT_EQ(periods[2].latest, 0);
  // The open job is the later neighbour of the first closed one: the gap is one day.
  EXPECT_EQ(periods[1].broken_chain, 0);
}

TEST(WorkHistoryFlags, NameWithoutCodeEndsTheSpecialityChain) {
  std::vector<WorkPeriod> periods = {
      job(d(1, 1, 2010), d(31, 12, 2011)),
      job(d(1, 1, 2008), d(31, 12, 2009), true, true),   // name and code: stays in
      job(d(1, 1, 2006), d(31, 12, 2007), false, true),  // code only: flag left as it was
      job(d(1, 1, 2004), d(31, 12, 2005), true, false),  // name only: breaks the chain
      job(d(1, 1, 2002), d(31, 12, 2003), true, true)};  // earlier: outside too
  periods[2].outside_speciality = 7;
  computeWorkHistoryFlags(periods);
  EXPECT_EQ(periods[1].outside_speciality, 0);
  EXPECT_EQ(periods[2].outside_speciality, 7);
  EXPECT_EQ(periods[3].outside_speciality, 1);
  EXPECT_EQ(periods[4].outside_speciality, 1);
}

TEST(ServiceTotals, SumsByFlagsAndAddsTheRunningPeriod) {
  std::vector<WorkHistoryRow> rows(3);
  rows[0].period = job(d(1, 1, 2020), 0);
  rows[1].period = job(d(1, 1, 2010), d(31, 12, 2019));
  rows[1].period.latest = 1;
  rows[1].length = {20, 11, 9};
  rows[2].period = job(d(1, 1, 2000), d(31, 12, 2009), true, false);
  rows[2].period.broken_chain = 1;
  rows[2].period.outside_speciality = 1;
  rows[2].length = {15, 5, 9};
  const auto sums = sumWorkHistory(rows);
  EXPECT_EQ(sums.last_profession, (ServiceLength{20, 11, 9}));
  EXPECT_EQ(sums.continuous, (ServiceLength{20, 11, 9}));
  EXPECT_EQ(sums.total, (ServiceLength{35, 16, 18}));
  EXPECT_EQ(sums.speciality, (ServiceLength{20, 11, 9}));
  EXPECT_EQ(sums.open_start, d(1, 1, 2020));

  const auto shown = displayedTotals(sums, d(11, 3, 2021));
  EXPECT_EQ(shown.here, (ServiceLength{10, 2, 1}));              // not normalised
  EXPECT_EQ(shown.last_profession, (ServiceLength{20, 11, 9}));  // no running period in а
  EXPECT_EQ(shown.continuous, (ServiceLength{0, 2, 11}));        // 30 d → 1 m; 14 m → 1 y 2 m
  EXPECT_EQ(shown.total, (ServiceLength{15, 7, 20}));            // 45 d, 18+1 m, 19 y
}

TEST(ServiceTotals, WithoutOpenJobsTheRunningPeriodIsZero) {
  std::vector<WorkHistoryRow> rows(1);
  rows[0].period = job(d(1, 1, 2000), d(31, 12, 2009));
  rows[0].length = {30, 11, 9};
  const auto shown = displayedTotals(sumWorkHistory(rows), d(1, 1, 2026));
  EXPECT_EQ(shown.here, ServiceLength{});
  EXPECT_EQ(shown.total, (ServiceLength{0, 0, 10}));
}

TEST(ServiceTotals, OpenStartIsTheIntegerMeanOfOpenStarts) {
  std::vector<WorkHistoryRow> rows(2);
  rows[0].period = job(100, 0);
  rows[1].period = job(103, 0);
  EXPECT_EQ(sumWorkHistory(rows).open_start, 101);
}

}  // namespace
}  // namespace veltrano::app
