// Dates and times as the runtime computes with them.
//
// A date serial counts days from 28 December 1800, so 1 January 1801 is 4 and 31 December 9999
// is 2994626; 0 means "no date". A time serial counts hundredths of a second since midnight
// plus 1, so 00:00:00.00 is 1 and 23:59:59.99 is 8640000; 0 means "no time".
//
// In record buffers dates and times are packed: a DATE is year × 65536 + month × 256 + day, a
// TIME is hours << 24 | minutes << 16 | seconds << 8 | hundredths (both read as little-endian
// 32-bit integers, so stored values order correctly). 0 is "none" in both forms.
//
// Nothing here raises an error: invalid input gives 0 (public conversions) or −1 (the
// conversions whose callers must tell "invalid" from "none").
#pragma once

#include <cstdint>
#include <string>

namespace veltrano::runtime {

inline constexpr std::int32_t kFirstDateSerial = 4;        // 1 January 1801
inline constexpr std::int32_t kLastDateSerial = 2994626;   // 31 December 9999
inline constexpr std::int32_t kLastTimeSerial = 8640000;   // 23:59:59.99
inline constexpr std::int32_t kDefaultCenturyWindow = 80;  // 80 years back, 19 ahead

struct DateParts {
  std::int32_t year = 0;
  std::int32_t month = 0;  // 1–12
  std::int32_t day = 0;    // 1–31
};

struct TimeParts {
  std::int32_t hours = 0;
  std::int32_t minutes = 0;
  std::int32_t seconds = 0;
  std::int32_t hundredths = 0;
};

// --- Packed field encodings (0 when invalid) -------------------------------------------------
std::int32_t dateSerialFromPacked(std::uint32_t packed);
std::uint32_t packedFromDateSerial(std::int32_t serial);
std::int32_t timeSerialFromPacked(std::uint32_t packed);
std::uint32_t packedFromTimeSerial(std::int32_t serial);

// --- Calendar ---------------------------------------------------------------------------------
bool isLeapYear(std::int32_t year);
// 28–31; 0 for a month outside 1..12.
std::int32_t daysInMonth(std::int32_t year, std::int32_t month);

// The current year as the two-digit-year window sees it: read from the clock at first use and
// kept. resetKeptYear() makes the next use read the clock again (tests, the --today option).
std::int32_t keptCurrentYear();
void resetKeptYear();

// Places a two-digit year (0–99) in the 100 years from (current year − window) to
// (current year − window + 99); other years are returned unchanged. A window of 80 gives the
// range from 80 years back to 19 years ahead.
std::int32_t expandTwoDigitYear(std::int32_t year, std::int32_t window = kDefaultCenturyWindow);

// Strict conversion: the serial of valid parts (two-digit years expanded), or −1.
std::int32_t serialFromParts(std::int32_t year, std::int32_t month, std::int32_t day);
// The parts of a valid serial and 0, or all-zero parts and −1.
int partsFromSerial(std::int32_t serial, DateParts& parts);

// The DATE function: normalises a month beyond 12 into later years and a day beyond its month
// into later months (month 14 of 2000 is February 2001, 32 January is 1 February), then
// converts. −1 when the result is invalid (day or month below 1, year outside 1801..9999).
std::int32_t dateFromParts(std::int32_t month, std::int32_t day, std::int32_t year);

// DAY, MONTH and YEAR of a serial; 0 for an invalid serial.
std::int32_t dayOfSerial(std::int32_t serial);
std::int32_t monthOfSerial(std::int32_t serial);
std::int32_t yearOfSerial(std::int32_t serial);

// --- Time -------------------------------------------------------------------------------------
// 0 when all four parts are 0, −1 when a part is out of range, else the serial.
std::int32_t timeSerialFromParts(std::int32_t hours, std::int32_t minutes, std::int32_t seconds,
                                 std::int32_t hundredths);
// The parts of a serial in 1..8640000 and 0, or all-zero parts and −1.
int partsFromTimeSerial(std::int32_t serial, TimeParts& parts);

// --- The clock --------------------------------------------------------------------------------
// TODAY(): the serial of the local date.
std::int32_t today();
// CLOCK(): the serial of the local time, to the hundredth (milliseconds / 10, truncated).
std::int32_t clockSerial();

// AGE: "<n> DAYS" below 61 days, "<n> MOS" up to 24 months within two calendar years, else
// "<n> YRS". A base of −1 means today. A birth date after the base is taken 100 years earlier;
// when that does not help, or a date is invalid, the result is 255 asterisks.
std::string ageText(std::int32_t birth_serial, std::int32_t base_serial = -1);

}  // namespace veltrano::runtime
