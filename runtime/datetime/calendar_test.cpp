#include "runtime/datetime/calendar.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace veltrano::runtime {
namespace {

// Pins "now" so the two-digit-year window and TODAY() give known answers.
class PinnedClock : public ::testing::Test {
 protected:
  void pin(int year, int month, int day, int hour = 10, int minute = 0, int second = 0, int ms = 0) {
    platform::setNowOverride(platform::LocalDateTime{year, month, day, hour, minute, second, ms});
    resetKeptYear();
  }
  void SetUp() override { pin(2026, 6, 15); }
  void TearDown() override {
    platform::setNowOverride(std::nullopt);
    resetKeptYear();
  }
};

using Calendar = PinnedClock;

TEST_F(Calendar, SerialRangeEnds) {
  EXPECT_EQ(serialFromParts(1801, 1, 1), 4);
  EXPECT_EQ(serialFromParts(9999, 12, 31), 2994626);
  DateParts parts;
  ASSERT_EQ(partsFromSerial(4, parts), 0);
  EXPECT_EQ(parts.year, 1801);
  EXPECT_EQ(parts.month, 1);
  EXPECT_EQ(parts.day, 1);
  ASSERT_EQ(partsFromSerial(2994626, parts), 0);
  EXPECT_EQ(parts.year, 9999);
  EXPECT_EQ(parts.month, 12);
  EXPECT_EQ(parts.day, 31);
  for (std::int32_t bad : {3, 2994627, 0, -1}) {
    EXPECT_EQ(partsFromSerial(bad, parts), -1) << bad;
    EXPECT_EQ(parts.year, 0);
    EXPECT_EQ(parts.month, 0);
    EXPECT_EQ(parts.day, 0);
    EXPECT_EQ(packedFromDateSerial(bad), 0u);
    EXPECT_EQ(dayOfSerial(bad), 0);
    EXPECT_EQ(monthOfSerial(bad), 0);
    EXPECT_EQ(yearOfSerial(bad), 0);
  }
  EXPECT_EQ(serialFromParts(1800, 12, 31), -1);
  EXPECT_EQ(serialFromParts(10000, 1, 1), -1);
}

TEST_F(Calendar, LeapRule) {
  EXPECT_TRUE(isLeapYear(2000));
  EXPECT_FALSE(isLeapYear(1900));
  EXPECT_TRUE(isLeapYear(2024));
  EXPECT_FALSE(isLeapYear(2023));
  EXPECT_EQ(serialFromParts(1900, 3, 1), serialFromParts(1900, 2, 28) + 1);
  EXPECT_EQ(serialFromParts(1900, 2, 29), -1);
  EXPECT_EQ(serialFromParts(2000, 3, 1), serialFromParts(2000, 2, 29) + 1);
  EXPECT_EQ(serialFromParts(2000, 2, 29), serialFromParts(2000, 2, 28) + 1);
  EXPECT_EQ(daysInMonth(2001, 2), 28);
  EXPECT_EQ(daysInMonth(2001, 13), 0);
  EXPECT_EQ(serialFromParts(2001, 4, 31), -1);
  EXPECT_EQ(serialFromParts(2001, 4, 0), -1);
  EXPECT_EQ(serialFromParts(2001, 0, 1), -1);
}

TEST_F(Calendar, EveryDayFrom1801To9999RoundTripsThroughPartsAndPackedForm) {
  std::int32_t expected = 4;
  for (std::int32_t year = 1801; year <= 9999; ++year) {
    for (std::int32_t month = 1; month <= 12; ++month) {
      for (std::int32_t day = 1; day <= daysInMonth(year, month); ++day) {
        const std::int32_t serial = serialFromParts(year, month, day);
        ASSERT_EQ(serial, expected) << year << '-' << month << '-' << day;
        DateParts parts;
        ASSERT_EQ(partsFromSerial(serial, parts), 0);
        ASSERT_EQ(parts.year, year);
        ASSERT_EQ(parts.month, month);
        ASSERT_EQ(parts.day, day);
        const std::uint32_t packed = packedFromDateSerial(serial);
        ASSERT_EQ(packed, static_cast<std::uint32_t>(year * 65536 + month * 256 + day));
        ASSERT_EQ(dateSerialFromPacked(packed), serial);
        ++expected;
      }
    }
  }
  EXPECT_EQ(expected, 2994627);
}

TEST_F(Calendar, DateFunctionNormalises) {
  EXPECT_EQ(dateFromParts(13, 1, 2000), serialFromParts(2001, 1, 1));
  EXPECT_EQ(dateFromParts(2, 30, 2001), serialFromParts(2001, 3, 2));
  EXPECT_EQ(dateFromParts(14, 1, 2000), serialFromParts(2001, 2, 1));
  EXPECT_EQ(dateFromParts(1, 32, 2000), serialFromParts(2000, 2, 1));
  EXPECT_EQ(dateFromParts(12, 32, 2000), serialFromParts(2001, 1, 1));
  EXPECT_EQ(dateFromParts(1, 366, 2001), serialFromParts(2002, 1, 1));
  // The month carried into 2004 must use 2004's February.
  EXPECT_EQ(dateFromParts(14, 29, 2003), serialFromParts(2004, 2, 29));
  EXPECT_EQ(dateFromParts(1, 0, 2000), -1);
  EXPECT_EQ(dateFromParts(0, 1, 2000), -1);
  EXPECT_EQ(dateFromParts(-3, 1, 2000), -1);
  EXPECT_EQ(dateFromParts(12, 32, 9999), -1);
  EXPECT_EQ(dateFromParts(1, 2147483647, 2000), -1);
  EXPECT_EQ(dateFromParts(2147483647, 1, 2000), -1);
  EXPECT_EQ(dateFromParts(3, 5, 1), serialFromParts(2001, 3, 5));
  EXPECT_EQ(dateFromParts(13, 1, 1800), 4);
  EXPECT_EQ(dateFromParts(5, 1, 2147483647), -1);
}

TEST_F(Calendar, TwoDigitYearWindow) {
  EXPECT_EQ(expandTwoDigitYear(45), 2045);
  EXPECT_EQ(expandTwoDigitYear(46), 1946);
  EXPECT_EQ(expandTwoDigitYear(50), 1950);
  EXPECT_EQ(expandTwoDigitYear(26), 2026);
  EXPECT_EQ(expandTwoDigitYear(0), 2000);
  EXPECT_EQ(expandTwoDigitYear(99), 1999);
  EXPECT_EQ(expandTwoDigitYear(1999), 1999);
  // A window of k years back covers (now − k) .. (now − k + 99).
  EXPECT_EQ(expandTwoDigitYear(26, 0), 2026);
  EXPECT_EQ(expandTwoDigitYear(25, 0), 2125);
  EXPECT_EQ(expandTwoDigitYear(27, 99), 1927);
  EXPECT_EQ(expandTwoDigitYear(26, 99), 2026);
  pin(2090, 1, 1);
  EXPECT_EQ(expandTwoDigitYear(5), 2105);
  EXPECT_EQ(expandTwoDigitYear(10), 2010);
}

TEST_F(Calendar, KeptYearIsReadOnceUntilReset) {
  EXPECT_EQ(expandTwoDigitYear(46), 1946);
  platform::setNowOverride(platform::LocalDateTime{2050, 1, 1, 0, 0, 0, 0});
  EXPECT_EQ(expandTwoDigitYear(46), 1946);
  resetKeptYear();
  EXPECT_EQ(expandTwoDigitYear(46), 2046);
}

TEST_F(Calendar, PackedDates) {
  EXPECT_EQ(dateSerialFromPacked(0), 0);
  EXPECT_EQ(dateSerialFromPacked(0xFFFF0101u), 2994626);  // a year past 9999 is the last day
  EXPECT_EQ(dateSerialFromPacked(2001u << 16 | 2u << 8 | 30u), serialFromParts(2001, 3, 2));
  EXPECT_EQ(dateSerialFromPacked(1700u << 16 | 1u << 8 | 1u), 0);
  EXPECT_EQ(dateSerialFromPacked(2001u << 16 | 0u << 8 | 1u), 0);
}

TEST_F(Calendar, Times) {
  EXPECT_EQ(timeSerialFromParts(0, 0, 0, 0), 0);
  EXPECT_EQ(timeSerialFromParts(0, 0, 0, 1), 2);
  EXPECT_EQ(timeSerialFromParts(23, 59, 59, 99), 8640000);
  EXPECT_EQ(timeSerialFromParts(24, 0, 0, 0), -1);
  EXPECT_EQ(timeSerialFromParts(0, 60, 0, 0), -1);
  EXPECT_EQ(timeSerialFromParts(0, 0, 60, 0), -1);
  EXPECT_EQ(timeSerialFromParts(0, 0, 0, 100), -1);
  EXPECT_EQ(timeSerialFromParts(-1, 0, 0, 0), -1);
  TimeParts parts;
  ASSERT_EQ(partsFromTimeSerial(4712345, parts), 0);
  EXPECT_EQ(timeSerialFromParts(parts.hours, parts.minutes, parts.seconds, parts.hundredths), 4712345);
  EXPECT_EQ(partsFromTimeSerial(0, parts), -1);
  EXPECT_EQ(partsFromTimeSerial(8640001, parts), -1);
  EXPECT_EQ(parts.hours, 0);
  const std::int32_t serial = timeSerialFromParts(13, 5, 7, 42);
  EXPECT_EQ(packedFromTimeSerial(serial), 13u << 24 | 5u << 16 | 7u << 8 | 42u);
  EXPECT_EQ(timeSerialFromPacked(13u << 24 | 5u << 16 | 7u << 8 | 42u), serial);
  EXPECT_EQ(timeSerialFromPacked(24u << 24), 0);
  EXPECT_EQ(packedFromTimeSerial(0), 0u);
  EXPECT_EQ(packedFromTimeSerial(8640001), 0u);
  for (std::int32_t s = 1; s <= kLastTimeSerial; s += 997) {
    const std::uint32_t packed = packedFromTimeSerial(s);
    if (packed != 0) {
      ASSERT_EQ(timeSerialFromPacked(packed), s);
    }
  }
}

TEST_F(Calendar, TodayAndClockFollowTheLocalTime) {
  pin(2001, 3, 5, 13, 5, 7, 429);
  EXPECT_EQ(today(), serialFromParts(2001, 3, 5));
  EXPECT_EQ(clockSerial(), timeSerialFromParts(13, 5, 7, 42));
  pin(2001, 3, 5, 0, 0, 0, 0);
  EXPECT_EQ(clockSerial(), 1);
}

TEST_F(Calendar, AgeText) {
  const std::int32_t birth = serialFromParts(2000, 1, 1);
  EXPECT_EQ(ageText(birth, serialFromParts(2000, 3, 1)), "60 DAYS");
  EXPECT_EQ(ageText(birth, serialFromParts(2000, 3, 2)), "2 MOS");
  EXPECT_EQ(ageText(birth, serialFromParts(2002, 3, 1)), "2 YRS");
  EXPECT_EQ(ageText(birth, serialFromParts(2003, 1, 2)), "3 YRS");
  EXPECT_EQ(ageText(birth, birth), "0 DAYS");
  EXPECT_EQ(ageText(serialFromParts(2000, 5, 20), serialFromParts(2001, 5, 19)), "11 MOS");
  EXPECT_EQ(ageText(serialFromParts(1980, 7, 10), serialFromParts(2026, 7, 9)), "45 YRS");
  EXPECT_EQ(ageText(serialFromParts(1980, 7, 10), serialFromParts(2026, 7, 10)), "46 YRS");
  // A birth date after the base is read as a century earlier.
  EXPECT_EQ(ageText(serialFromParts(2050, 1, 1), serialFromParts(2026, 1, 1)), "76 YRS");
  const std::string stars(255, '*');
  EXPECT_EQ(ageText(serialFromParts(1850, 1, 1), serialFromParts(1849, 1, 1)), stars);
  EXPECT_EQ(ageText(0, serialFromParts(2000, 1, 1)), stars);
  EXPECT_EQ(ageText(birth, 0), stars);
  EXPECT_EQ(ageText(serialFromParts(1990, 6, 15)), "36 YRS");
}

}  // namespace
}  // namespace veltrano::runtime
