// The runtime's locale: month names and abbreviations, the AM/PM designators, the character-set
// and long-file-name flags (the character tables live in char_tables.h), and the settings read
// from the "intl" section of the system profile, which give the short and long date and time
// layouts that pictures @D17, @D18, @T7 and @T8 stand for.
//
// All texts are code page 1251. The tables are global and written only at start-up or by an
// explicit environment load.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace veltrano::platform {
class IniFile;
}

namespace veltrano::runtime {

inline constexpr std::size_t kMonthNameSize = 12;
inline constexpr std::size_t kMonthAbbreviationSize = 3;
inline constexpr std::size_t kDesignatorSize = 2;

struct LocaleTables {
  std::array<std::string, 12> month_names;          // each at most 12 characters
  std::array<std::string, 12> month_abbreviations;  // each at most 3 characters
  std::string am = "AM";                            // at most 2 characters
  std::string pm = "PM";
  bool oem_charset = false;      // the environment file declared VESCHARSET=OEM
  bool long_file_names = false;  // VESLFN=on

  static LocaleTables defaults();
};

LocaleTables& localeTables();

// Puts the locale tables, the character tables and the message overrides back to the built-in
// defaults (for tests, and before a start-up load).
void resetLocaleToDefaults();

// One position of a date or time layout taken from the profile.
enum class LayoutPart : std::uint8_t {
  kLiteral,      // `character` is printed as is
  kSeparator,    // a date or time separator (`character`), replaceable by a picture option
  kMonth,        // month digit, `character` is its pad (' ' or '0')
  kDay,          // day digit
  kYear,         // year digit
  kMonthLetter,  // one letter of the month's name (or abbreviation when there are three)
  kHour,
  kMinute,
  kSecond,
  kDesignator,  // the first letter of AM/PM; a kLiteral right after it shows the second letter
};

struct LayoutToken {
  LayoutPart part = LayoutPart::kLiteral;
  char character = ' ';
};

using Layout = std::vector<LayoutToken>;

struct IntlSettings {
  Layout short_date;
  Layout long_date;
  Layout short_time;
  Layout long_time;
  std::string am = "AM";  // s1159, at most 2 characters
  std::string pm = "PM";  // s2359
};

// Builds the settings from an "intl" section (defaults for missing keys; values are UTF-8).
IntlSettings intlSettingsFrom(const platform::IniFile& profile);

// The settings of the system profile, read at first use and kept; reloadIntlSettings() reads
// the profile again (start-up after the profile path is known, tests).
const IntlSettings& intlSettings();
void reloadIntlSettings();

// The layouts built from a short date format ("MM/dd/yy"), a long date format
// ("ddd', 'MMMM' 'dd', 'yyyy"), and the time settings. Exposed for tests.
Layout shortDateLayout(std::string_view format);
Layout longDateLayout(std::string_view format);
Layout timeLayout(bool with_seconds, bool twenty_four_hours, bool leading_zero, char separator,
                  std::size_t designator_length);

}  // namespace veltrano::runtime
