#include "runtime/datetime/locale.h"

#include <gtest/gtest.h>

#include "platform/profile.h"

namespace veltrano::runtime {
namespace {

// Writes a layout the way the readable picture tables do: upper-case first letter for a
// space-padded digit pair, "N" for a month letter, "X" for the designator, literals as is.
std::string describe(const Layout& layout) {
  std::string out;
  for (std::size_t i = 0; i < layout.size(); ++i) {
    const LayoutToken& token = layout[i];
    const bool padded_with_space = token.character == ' ';
    const auto letter = [&](char lower) {
      const bool first = i == 0 || layout[i - 1].part != token.part;
      return first && padded_with_space ? static_cast<char>(lower - 'a' + 'A') : lower;
    };
    switch (token.part) {
      case LayoutPart::kLiteral:
      case LayoutPart::kSeparator: out += token.character; break;
      case LayoutPart::kMonth: out += letter('m'); break;
      case LayoutPart::kDay: out += letter('d'); break;
      case LayoutPart::kYear: out += 'y'; break;
      case LayoutPart::kMonthLetter: out += 'N'; break;
      case LayoutPart::kHour: out += letter('h'); break;
      case LayoutPart::kMinute: out += 'n'; break;
      case LayoutPart::kSecond: out += 's'; break;
      case LayoutPart::kDesignator: out += 'X'; break;
    }
  }
  return out;
}

TEST(Locale, DefaultsAreEnglish) {
  const LocaleTables tables = LocaleTables::defaults();
  EXPECT_EQ(tables.month_names[0], "January");
  EXPECT_EQ(tables.month_names[8], "September");
  EXPECT_EQ(tables.month_abbreviations[8], "Sep");
  EXPECT_EQ(tables.am, "AM");
  EXPECT_EQ(tables.pm, "PM");
  EXPECT_FALSE(tables.oem_charset);
}

TEST(Locale, ShortDateLayouts) {
  EXPECT_EQ(describe(shortDateLayout("MM/dd/yy")), "mm/dd/yy");
  EXPECT_EQ(describe(shortDateLayout("dd.MM.yyyy")), "dd.mm.yyyy");
  EXPECT_EQ(describe(shortDateLayout("d.M.yyyy")), "Dd.Mm.yyyy");
  EXPECT_EQ(describe(shortDateLayout("yyyy-MM-dd")), "yyyy-mm-dd");
  EXPECT_EQ(describe(shortDateLayout("M/d/yy")), "Mm/Dd/yy");
  // Nothing after the last M: the separator falls back to "/".
  EXPECT_EQ(describe(shortDateLayout("yy dd MM")), "yy/mm/dd");
  EXPECT_EQ(describe(shortDateLayout("")), "Mm/Dd/yy");
}

TEST(Locale, LongDateLayouts) {
  EXPECT_EQ(describe(longDateLayout("ddd', 'MMMM' 'dd', 'yyyy")), "NNNNNNNNN dd, yyyy");
  EXPECT_EQ(describe(longDateLayout("d MMMM yyyy")), "Dd NNNNNNNNN yyyy");
  EXPECT_EQ(describe(longDateLayout("dddd, d MMM yy")), "Dd NNN yy");
  EXPECT_EQ(describe(longDateLayout("'Day' d'' M")), "Day Dd' Mm");
  EXPECT_EQ(describe(longDateLayout("yyyy 'r.")), "yyyy r.");  // an unclosed quote ends the text
}

TEST(Locale, TimeLayouts) {
  EXPECT_EQ(describe(timeLayout(false, true, true, ':', 2)), "hh:nn");
  EXPECT_EQ(describe(timeLayout(true, true, false, '.', 2)), "Hh.nn.ss");
  EXPECT_EQ(describe(timeLayout(false, false, true, ':', 2)), "hh:nn XM");
  EXPECT_EQ(describe(timeLayout(true, false, true, ':', 1)), "hh:nn:ss X");
  EXPECT_EQ(describe(timeLayout(false, false, true, ':', 0)), "hh:nn");
}

TEST(Locale, IntlSectionDefaultsAndValues) {
  platform::IniFile empty;
  const IntlSettings defaults = intlSettingsFrom(empty);
  EXPECT_EQ(describe(defaults.short_date), "mm/dd/yy");
  EXPECT_EQ(describe(defaults.long_date), "NNNNNNNNN dd, yyyy");
  EXPECT_EQ(describe(defaults.short_time), "hh:nn XM");
  EXPECT_EQ(describe(defaults.long_time), "hh:nn:ss XM");
  EXPECT_EQ(defaults.am, "AM");

  platform::IniFile russian;
  russian.set("intl", "iTime", "1");
  russian.set("intl", "iTLzero", "0");
  russian.set("intl", "sTime", ".");
  russian.set("intl", "s1159", "дп");
  russian.set("intl", "s2359", "после");
  russian.set("intl", "sShortDate", "dd.MM.yyyy");
  russian.set("intl", "sLongDate", "d MMMM yyyy 'г.'");
  const IntlSettings settings = intlSettingsFrom(russian);
  EXPECT_EQ(describe(settings.short_date), "dd.mm.yyyy");
  EXPECT_EQ(describe(settings.long_date), "Dd NNNNNNNNN yyyy \xE3.");  // "г." in 1251
  EXPECT_EQ(describe(settings.short_time), "Hh.nn");
  EXPECT_EQ(describe(settings.long_time), "Hh.nn.ss");
  EXPECT_EQ(settings.am, "\xE4\xEF");  // "дп"
  EXPECT_EQ(settings.pm, "\xEF\xEE");  // "по", cut to two characters
}

}  // namespace
}  // namespace veltrano::runtime
