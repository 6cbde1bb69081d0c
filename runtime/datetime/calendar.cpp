#include "runtime/datetime/calendar.h"

#include <array>
#include <atomic>

#include "platform/clock.h"

namespace veltrano::runtime {
namespace {

constexpr std::array<std::int32_t, 12> kMonthLengths{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr std::array<std::int32_t, 12> kDaysBefore{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

constexpr std::int32_t kFirstYear = 1801;
constexpr std::int32_t kLastYear = 9999;

// Leap days up to and including year y, counted the Gregorian way.
constexpr std::int32_t leapDaysThrough(std::int32_t year) {
  return year / 4 + year / 400 - year / 100;
}

// The serial of 1 January of `year` (year already validated).
std::int32_t serialOfNewYear(std::int32_t year) {
  return (year - kFirstYear) * 365 + 4 + leapDaysThrough(year - 1) - leapDaysThrough(kFirstYear - 1);
}

// 0 means "not read yet"; a plain atomic because the runtime's threads take turns anyway.
std::atomic<std::int32_t> kept_year{0};

}  // namespace

bool isLeapYear(std::int32_t year) {
  return year % 4 == 0 && (year % 400 == 0 || year % 100 != 0);
}

std::int32_t daysInMonth(std::int32_t year, std::int32_t month) {
  if (month < 1 || month > 12) return 0;
  if (month == 2 && isLeapYear(year)) return 29;
  return kMonthLengths[static_cast<std::size_t>(month - 1)];
}

std::int32_t keptCurrentYear() {
  std::int32_t year = kept_year.load();
  if (year == 0) {
    year = platform::localNow().year;
    kept_year.store(year);
  }
  return year;
}

void resetKeptYear() {
  kept_year.store(0);
}

std::int32_t expandTwoDigitYear(std::int32_t year, std::int32_t window) {
  if (year < 0 || year >= 100) return year;
  if (window < 0 || window > 99) window = kDefaultCenturyWindow;
  const std::int32_t current = keptCurrentYear();
  const std::int32_t distance = current % 100 - year;
  std::int32_t result = current - distance;
  if (distance <= window - 100) result -= 100;
  if (distance > window) result += 100;
  return result;
}

std::int32_t serialFromParts(std::int32_t year, std::int32_t month, std::int32_t day) {
  year = expandTwoDigitYear(year);
  if (year < kFirstYear || year > kLastYear) return -1;
  if (day < 1 || day > daysInMonth(year, month)) return -1;
  std::int32_t serial = (year - kFirstYear) * 365 + kDaysBefore[static_cast<std::size_t>(month - 1)] + day +
                        3 + leapDaysThrough(year) - leapDaysThrough(kFirstYear - 1);
  if (month < 3 && isLeapYear(year)) --serial;
  return serial;
}

int partsFromSerial(std::int32_t serial, DateParts& parts) {
  parts = DateParts{};
  if (serial < kFirstDateSerial || serial > kLastDateSerial) return -1;
  // 365.2425 days a year on average: the estimate is never early by more than one year.
  std::int32_t year =
      kFirstYear + static_cast<std::int32_t>((static_cast<std::int64_t>(serial - 4) * 400) / 146097);
  while (year > kFirstYear && serialOfNewYear(year) > serial) --year;
  while (year < kLastYear && serialOfNewYear(year + 1) <= serial) ++year;
  std::int32_t day = serial - serialOfNewYear(year) + 1;
  std::int32_t month = 1;
  while (day > daysInMonth(year, month)) {
    day -= daysInMonth(year, month);
    ++month;
  }
  parts = DateParts{year, month, day};
  return 0;
}

std::int32_t dateFromParts(std::int32_t month, std::int32_t day, std::int32_t year) {
  year = expandTwoDigitYear(year);
  if (month < 1 || day < 1) return -1;
  const std::int64_t carried_year = static_cast<std::int64_t>(year) + (month - 1) / 12;
  if (carried_year < kFirstYear || carried_year > kLastYear) return -1;
  year = static_cast<std::int32_t>(carried_year);
  month = (month - 1) % 12 + 1;
  // February's length is taken for the year the month has carried into, not the year given.
  while (year <= kLastYear && day > daysInMonth(year, month)) {
    day -= daysInMonth(year, month);
    if (++month > 12) {
      month = 1;
      ++year;
    }
  }
  return serialFromParts(year, month, day);
}

std::int32_t dayOfSerial(std::int32_t serial) {
  DateParts parts;
  partsFromSerial(serial, parts);
  return parts.day;
}

std::int32_t monthOfSerial(std::int32_t serial) {
  DateParts parts;
  partsFromSerial(serial, parts);
  return parts.month;
}

std::int32_t yearOfSerial(std::int32_t serial) {
  DateParts parts;
  partsFromSerial(serial, parts);
  return parts.year;
}

std::int32_t dateSerialFromPacked(std::uint32_t packed) {
  const auto day = static_cast<std::int32_t>(packed & 0xFFu);
  const auto month = static_cast<std::int32_t>((packed >> 8) & 0xFFu);
  const auto year = static_cast<std::int32_t>(packed >> 16);
  const std::int32_t serial = year > kLastYear ? kLastDateSerial : dateFromParts(month, day, year);
  return serial < 0 ? 0 : serial;
}

std::uint32_t packedFromDateSerial(std::int32_t serial) {
  DateParts parts;
  if (partsFromSerial(serial, parts) != 0) return 0;
  return static_cast<std::uint32_t>(parts.year) << 16 | static_cast<std::uint32_t>(parts.month) << 8 |
         static_cast<std::uint32_t>(parts.day);
}

std::int32_t timeSerialFromParts(std::int32_t hours, std::int32_t minutes, std::int32_t seconds,
                                 std::int32_t hundredths) {
  if (hours == 0 && minutes == 0 && seconds == 0 && hundredths == 0) return 0;
  if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59 ||
      hundredths < 0 || hundredths > 99)
    return -1;
  return hours * 360000 + minutes * 6000 + seconds * 100 + hundredths + 1;
}

int partsFromTimeSerial(std::int32_t serial, TimeParts& parts) {
  parts = TimeParts{};
  if (serial < 1 || serial > kLastTimeSerial) return -1;
  std::int32_t rest = serial - 1;
  parts.hours = rest / 360000;
  rest %= 360000;
  parts.minutes = rest / 6000;
  rest %= 6000;
  parts.seconds = rest / 100;
  parts.hundredths = rest % 100;
  return 0;
}

std::int32_t timeSerialFromPacked(std::uint32_t packed) {
  const std::int32_t serial = timeSerialFromParts(
      static_cast<std::int32_t>(packed >> 24), static_cast<std::int32_t>((packed >> 16) & 0xFFu),
      static_cast<std::int32_t>((packed >> 8) & 0xFFu), static_cast<std::int32_t>(packed & 0xFFu));
  return serial < 0 ? 0 : serial;
}

std::uint32_t packedFromTimeSerial(std::int32_t serial) {
  TimeParts parts;
  if (partsFromTimeSerial(serial, parts) != 0) return 0;
  return static_cast<std::uint32_t>(parts.hours) << 24 | static_cast<std::uint32_t>(parts.minutes) << 16 |
         static_cast<std::uint32_t>(parts.seconds) << 8 | static_cast<std::uint32_t>(parts.hundredths);
}

std::int32_t today() {
  const platform::LocalDateTime now = platform::localNow();
  const std::int32_t serial = serialFromParts(now.year, now.month, now.day);
  return serial < 0 ? 0 : serial;
}

std::int32_t clockSerial() {
  const platform::LocalDateTime now = platform::localNow();
  // Computed directly rather than through timeSerialFromParts: midnight is serial 1, a real
  // time, not the "no time" that four zero parts stand for.
  const std::int32_t serial =
      now.hour * 360000 + now.minute * 6000 + now.second * 100 + now.millisecond / 10 + 1;
  return serial >= 1 && serial <= kLastTimeSerial ? serial : 0;
}

std::string ageText(std::int32_t birth_serial, std::int32_t base_serial) {
  const std::string failed(255, '*');
  if (base_serial == -1) base_serial = today();
  DateParts base;
  DateParts birth;
  if (partsFromSerial(base_serial, base) != 0 || partsFromSerial(birth_serial, birth) != 0) return failed;
  if (birth_serial > base_serial) {
    birth.year -= 100;
    birth_serial = serialFromParts(birth.year, birth.month, birth.day);
    if (birth_serial < 0 || birth_serial > base_serial) return failed;
  }
  const std::int32_t days = base_serial - birth_serial;
  if (days < 61) return std::to_string(days) + " DAYS";
  if (base.year - birth.year <= 2) {
    std::int32_t months = 12 * (base.year - birth.year) + (base.month - birth.month);
    if (base.day < birth.day) --months;
    if (months <= 24) return std::to_string(months) + " MOS";
  }
  std::int32_t years = base.year - birth.year;
  if (base.month < birth.month || (base.month == birth.month && base.day < birth.day)) --years;
  return std::to_string(years) + " YRS";
}

}  // namespace veltrano::runtime
