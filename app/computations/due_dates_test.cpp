#include "app/computations/due_dates.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"

namespace veltrano::app {
namespace {

using platform::ru;

TEST(LeaveDays, AdditionalLeavesAddUp) {
  const auto days = leaveDays(28, 3, 0, 7);
  EXPECT_EQ(days.additional, 10);
  EXPECT_EQ(days.total, 38);
}

TEST(Overdue, FiveYearsOf365Days) {
  const auto today = runtime::serialFromParts(2026, 12, 8);
  EXPECT_EQ(overdueThreshold(today), today - 1825);
  EXPECT_TRUE(isOverdue(today - 1825, today));
  EXPECT_FALSE(isOverdue(today - 1824, today));
  EXPECT_FALSE(isOverdue(0, today));  // no date is never overdue
}

TEST(Retirement, BirthdayInTheYearEntered) {
  EXPECT_EQ(retirementDate(runtime::serialFromParts(1948, 5, 12), 2003),
            runtime::serialFromParts(2003, 5, 12));
  EXPECT_EQ(retirementDate(runtime::serialFromParts(1944, 2, 29), 2003),
            runtime::serialFromParts(2003, 3, 1));
  EXPECT_EQ(retirementDate(0, 2003), 0);
  EXPECT_EQ(retirementAge(kFemale), 55);
  EXPECT_EQ(retirementAge(kMale), 60);
}

TEST(RoleRanges, DoctorsAndNurses) {
  ASSERT_TRUE(roleLines(ru("Врачи")).has_value());
  EXPECT_EQ(roleLines(ru("Врачи"))->first, 4);
  EXPECT_EQ(roleLines(ru("Врачи"))->last, 82);
  EXPECT_EQ(roleLines(ru("Медсестры"))->first, 93);
  EXPECT_EQ(roleLines(ru("Медсестры"))->last, 132);
  EXPECT_FALSE(roleLines(ru("Прочие")).has_value());
}

TEST(CategoryFilter, NoCategoryMatchesEmptyCards) {
  EXPECT_EQ(categoryFilterValue(ru("Без категории")), "");
  EXPECT_EQ(categoryFilterValue(ru("Высшая")), ru("Высшая"));
}

}  // namespace
}  // namespace veltrano::app
