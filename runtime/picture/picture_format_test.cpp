#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/profile.h"
#include "runtime/datetime/calendar.h"
#include "runtime/datetime/environment.h"
#include "runtime/datetime/locale.h"
#include "runtime/picture/picture.h"

namespace veltrano::runtime {
namespace {

std::string format(std::string_view value, std::string_view picture) {
  return formatPicture(value, compilePicture(picture));
}

std::string serialText(int year, int month, int day) {
  return std::to_string(serialFromParts(year, month, day));
}

std::string timeText(int hours, int minutes, int seconds = 0) {
  return std::to_string(timeSerialFromParts(hours, minutes, seconds, 0));
}

TEST(FormatNumber, GroupingRoundingAndZero) {
  EXPECT_EQ(format("1234.567", "@N10.2"), "  1,234.57");
  EXPECT_EQ(format("0", "@N10.2"), "      0.00");
  EXPECT_EQ(format("0", "@N10.2B"), "          ");
  EXPECT_EQ(format("0.004", "@N10.2b"), "          ");
  EXPECT_EQ(format("1234.5", "@N10`2"), "  1.234,50");
  EXPECT_EQ(format("1234567", "@N10"), " 1,234,567");
  EXPECT_EQ(format("1234567", "@N10_"), " 1 234 567");
  EXPECT_EQ(format("999.995", "@N10.2"), "  1,000.00");
  EXPECT_EQ(format("-0.001", "@N-6.2"), "  0.00");
  EXPECT_EQ(format("0.999", "@N4.2"), "1.00");
  EXPECT_EQ(format("1.5e3", "@N8.1"), " 1,500.0");
  EXPECT_EQ(format("  42  ", "@N4"), "  42");
  EXPECT_EQ(format("abc", "@N4"), "   0");
}

TEST(FormatNumber, Fills) {
  EXPECT_EQ(format("1234.5", "@N_10.2"), "   1234.50");
  EXPECT_EQ(format("5", "@N010.2"), "0000005.00");
  EXPECT_EQ(format("5", "@N*8.2"), "****5.00");
  EXPECT_EQ(format("1234", "@N*8_"), "***1 234");
  EXPECT_EQ(format("5", "@N*8_"), "*******5");
}

TEST(FormatNumber, SignsAndCurrency) {
  EXPECT_EQ(format("-5", "@N10.2"), "      5.00");
  EXPECT_EQ(format("-5", "@N-10.2"), "     -5.00");
  EXPECT_EQ(format("5", "@N-10.2"), "      5.00");
  EXPECT_EQ(format("-1234", "@N-10.2"), " -1,234.00");
  EXPECT_EQ(format("-5", "@N10.2-"), "     5.00-");
  EXPECT_EQ(format("-5", "@N(10.2)"), "    (5.00)");
  EXPECT_EQ(format("5", "@N(10.2)"), "     5.00 ");
  EXPECT_EQ(format("12", "@N$8.2"), "  $12.00");
  EXPECT_EQ(format("-12", "@N$-8.2"), " $-12.00");
  EXPECT_EQ(format("12", platform::ru("@N9.2~ р.~")), platform::ru(" 12.00 р."));
  EXPECT_EQ(format("12", platform::ru("@N7.2~ р.~")), platform::ru("#.## р."));
  EXPECT_EQ(format("-3", "@N-06"), "-00003");
}

TEST(FormatNumber, TooManyDigitsShowHashes) {
  EXPECT_EQ(format("123456", "@N6"), "##,###");
  EXPECT_EQ(format("1234567", "@N_6"), "######");
  EXPECT_EQ(format("99999.996", "@N8.2"), "#,###.##");
  EXPECT_EQ(format("12345", "@N6"), "12,345");
}

TEST(FormatNumber, ImpliedDecimalAndScientific) {
  EXPECT_EQ(format("12.34", "@N6v2"), " 1234");
  EXPECT_EQ(format("0.5", "@N6v2"), "   50");
  EXPECT_EQ(format("1234.5", "@E12.2"), "   1.23E+003");
  EXPECT_EQ(format("-0.000456", "@E12.2"), "  -4.56E-004");
  EXPECT_EQ(format("9.999", "@E12.2"), "   1.00E+001");
  EXPECT_EQ(format("0", "@E12.2"), "   0.00E+000");
  EXPECT_EQ(format("0", "@E12.2b"), "            ");
  EXPECT_EQ(format("1e999", "@E12.2"), "   1.00E+999");
  EXPECT_EQ(format("1e2000", "@E12.2"), "   1.00E+###");
  EXPECT_EQ(format("-1e-1000", "@E10"), "   -1E-###");
}

TEST(FormatPatternAndString, Layouts) {
  EXPECT_EQ(format("1234567", "@P###-##-##P"), "123-45-67");
  EXPECT_EQ(format("123", "@P###-##-##P"), "000-01-23");
  EXPECT_EQ(format("5", "@P<#:##P"), " 0:05");
  EXPECT_EQ(format("12345678", "@P###-##-##P"), "###-##-##");
  EXPECT_EQ(format("AB12", "@P##-##P"), "AB-12");
  EXPECT_EQ(format("AB", "@K@@-##K"), "AB-  ");
  EXPECT_EQ(format("Hello", "@S3"), "Hel");
  EXPECT_EQ(format("Hi", "@S4"), "Hi  ");
  EXPECT_EQ(format("", "@S2"), "  ");
  EXPECT_EQ(format("x", ""), "x" + std::string(254, ' '));
}

class FormatDateTime : public ::testing::Test {
 protected:
  void SetUp() override {
    // A profile that does not exist: every "intl" value takes its default.
    ::setenv("VELTRANO_PROFILE", "/nonexistent/veltrano-profile.ini", 1);
    reloadIntlSettings();
    resetLocaleToDefaults();
    platform::setNowOverride(platform::LocalDateTime{2026, 6, 15, 10, 0, 0, 0});
    resetKeptYear();
  }
  void TearDown() override {
    ::unsetenv("VELTRANO_PROFILE");
    reloadIntlSettings();
    resetLocaleToDefaults();
    platform::setNowOverride(std::nullopt);
    resetKeptYear();
  }
};

TEST_F(FormatDateTime, NumberedDateFormats) {
  const std::string march5 = serialText(2001, 3, 5);
  EXPECT_EQ(format(march5, "@D6"), " 5/03/2001");
  EXPECT_EQ(format(march5, "@D6."), " 5.03.2001");
  EXPECT_EQ(format(march5, "@D06."), "05.03.2001");
  EXPECT_EQ(format(march5, "@D1"), " 3/05/01");
  EXPECT_EQ(format(march5, "@D2"), " 3/05/2001");
  EXPECT_EQ(format(march5, "@D3"), "MAR  5,2001");
  EXPECT_EQ(format(march5, "@D4"), "March  5, 2001       ");
  EXPECT_EQ(format(march5, "@D5"), " 5/03/01");
  EXPECT_EQ(format(march5, "@D7"), " 5 MAR 01");
  EXPECT_EQ(format(march5, "@D8-"), " 5-MAR-2001");
  EXPECT_EQ(format(march5, "@D9"), "01/03/05");
  EXPECT_EQ(format(march5, "@D10"), "2001/03/05");
  EXPECT_EQ(format(march5, "@D11"), "010305");
  EXPECT_EQ(format(march5, "@D12"), "20010305");
  EXPECT_EQ(format(march5, "@D13"), "03/01");
  EXPECT_EQ(format(march5, "@D14"), "03/2001");
  EXPECT_EQ(format(march5, "@D15"), "01/03");
  EXPECT_EQ(format(march5, "@D16"), "2001/03");
  EXPECT_EQ(format(march5, "@D*6"), "*5/*3/2001");  // the fill replaces every pad
  EXPECT_EQ(format(serialText(2009, 12, 25), "@D_11"), " 91225");
}

TEST_F(FormatDateTime, NoDateAndBlankWhenZero) {
  EXPECT_EQ(format("0", "@D6"), "  /  /    ");
  EXPECT_EQ(format("0", "@D6.b"), "          ");
  EXPECT_EQ(format("3", "@D6"), "  /  /    ");
  EXPECT_EQ(format("2994627", "@D6B"), "          ");
  EXPECT_EQ(format("junk", "@D3"), "      ,    ");
  EXPECT_EQ(format("4", "@D6"), " 1/01/1801");
  EXPECT_EQ(format("2994626", "@D6"), "31/12/9999");
}

TEST_F(FormatDateTime, RussianMonthsFromTheShippedLocale) {
  loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
  const std::string march5 = serialText(2001, 3, 5);
  EXPECT_EQ(format(march5, "@D3"), platform::ru("МАР  5,2001"));
  EXPECT_EQ(format(march5, "@D4"), platform::ru("Март  5, 2001") + std::string(8, ' '));
  EXPECT_EQ(format(serialText(2001, 9, 1), "@D4"), platform::ru("Сентябрь  1, 2001    "));
}

TEST_F(FormatDateTime, ProfileDateFormats) {
  platform::IniFile profile;
  const IntlSettings defaults = intlSettingsFrom(profile);
  EXPECT_EQ(defaults.short_date.size(), 8u);
  // The default profile gives "MM/dd/yy" and "MMMM dd, yyyy".
  const std::string march5 = serialText(2001, 3, 5);
  EXPECT_EQ(format(march5, "@D17"), "03/05/01");
  EXPECT_EQ(format(march5, "@D18"), "March 05, 2001    ");
  EXPECT_EQ(format(march5, "@D17-"), "03-05-01");
}

TEST_F(FormatDateTime, Times) {
  EXPECT_EQ(format(timeText(13, 5), "@T3"), " 1:05PM");
  EXPECT_EQ(format(timeText(0, 5), "@T3"), "12:05AM");
  EXPECT_EQ(format(timeText(12, 0), "@T3"), "12:00PM");
  EXPECT_EQ(format(timeText(9, 7, 3), "@T1"), " 9:07");
  EXPECT_EQ(format(timeText(9, 7, 3), "@T2"), " 907");
  EXPECT_EQ(format(timeText(21, 7, 3), "@T4"), "21:07:03");
  EXPECT_EQ(format(timeText(21, 7, 3), "@T5"), "210703");
  EXPECT_EQ(format(timeText(21, 7, 3), "@T6"), " 9:07:03PM");
  EXPECT_EQ(format(timeText(9, 7, 3), "@T04."), "09.07.03");
  EXPECT_EQ(format(timeText(0, 0), "@T1"), "  :  ");  // 0 is "no time"
  EXPECT_EQ(format("1", "@T1"), " 0:00");
  EXPECT_EQ(format("0", "@T4b"), "        ");
  EXPECT_EQ(format("8640001", "@T3"), "  :    ");
  EXPECT_EQ(format(timeText(13, 5), "@T7"), "01:05 PM");
  EXPECT_EQ(format(timeText(13, 5, 9), "@T8"), "01:05:09 PM");
}

TEST_F(FormatDateTime, DesignatorsFromTheEnvironment) {
  applyEnvironmentText("VESAMPM=" + platform::ru("дп,пп") + "\n");
  EXPECT_EQ(format(timeText(13, 5), "@T3"), platform::ru(" 1:05пп"));
  EXPECT_EQ(format(timeText(1, 5), "@T3"), platform::ru(" 1:05дп"));
  // The profile's designators (formats 7 and 8) are not the environment's.
  EXPECT_EQ(format(timeText(13, 5), "@T7"), "01:05 PM");
}

}  // namespace
}  // namespace veltrano::runtime
