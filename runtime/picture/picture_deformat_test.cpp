#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"
#include "runtime/datetime/environment.h"
#include "runtime/datetime/locale.h"
#include "runtime/picture/picture.h"

namespace veltrano::runtime {
namespace {

std::string deformat(std::string_view text, std::string_view picture) {
  return deformatPicture(text, compilePicture(picture));
}

std::string serialText(int year, int month, int day) {
  return std::to_string(serialFromParts(year, month, day));
}

class Deformat : public ::testing::Test {
 protected:
  void SetUp() override {
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

TEST_F(Deformat, Numbers) {
  // A space in a blank-padded digit position reads as 0; separators are skipped.
  EXPECT_EQ(deformat("  1,234.57", "@N10.2"), "001234.57");
  EXPECT_EQ(deformat("     -5.00", "@N-10.2"), "-0005.00");
  EXPECT_EQ(deformat("    (5.00)", "@N(10.2)"), "-005.00");
  EXPECT_EQ(deformat("  1.234,50", "@N10`2"), "001234.50");
  EXPECT_EQ(deformat("12", "@N10.2"), "12");        // shorter text stops the walk
  EXPECT_EQ(deformat(" 1234", "@N6v2"), "012.34");  // the implied point reads no character
  EXPECT_EQ(deformat("  $12.00", "@N$8.2"), "12.00");
  EXPECT_EQ(deformat("-1+2", "@N_4"), "12");  // "+" after "-" makes it positive again
  EXPECT_EQ(deformat("  -1.23E-003", "@E12.2"), "-01.23e-003");
  EXPECT_EQ(deformat("123-45-67", "@P###-##-##P"), "1234567");
  EXPECT_EQ(deformat("AB-x7", "@K@@-?#K"), "ABx7");
}

TEST_F(Deformat, StringPictureFindsTheNumber) {
  EXPECT_EQ(deformat("Total: 12.5.3 rub", "@S20"), "12.53");
  EXPECT_EQ(deformat("-3e-4x", "@S10"), "-3e-4");
  EXPECT_EQ(deformat("a-1", "@S10"), "-1");
  EXPECT_EQ(deformat("5-2", "@S10"), "52");
  EXPECT_EQ(deformat("1E+5", "@S10"), "1E+5");
  EXPECT_EQ(deformat("none", "@S10"), "");
}

TEST_F(Deformat, DatesByFormat) {
  EXPECT_EQ(deformat("3/7/1999", "@D2"), serialText(1999, 3, 7));
  EXPECT_EQ(deformat("3/7/1999", "@D6"), serialText(1999, 7, 3));
  EXPECT_EQ(deformat(" 5/03/2001", "@D6"), serialText(2001, 3, 5));
  EXPECT_EQ(deformat(" 5.03.2001", "@D6."), serialText(2001, 3, 5));
  EXPECT_EQ(deformat("1/5/00", "@D1"), serialText(2000, 1, 5));
  EXPECT_EQ(deformat("010305", "@D11"), serialText(2001, 3, 5));
  EXPECT_EQ(deformat("03/2001", "@D14"), serialText(2001, 3, 1));
  EXPECT_EQ(deformat("2001/03", "@D16"), serialText(2001, 3, 1));
  EXPECT_EQ(deformat("MAR  5,2001", "@D3"), serialText(2001, 3, 5));
  EXPECT_EQ(deformat("march  5, 2001", "@D4"), serialText(2001, 3, 5));
  EXPECT_EQ(deformat(" 5 Mar 01", "@D7"), serialText(2001, 3, 5));
  EXPECT_EQ(deformat("31/02/2001", "@D6"), serialText(2001, 3, 3));  // normalised like DATE
  EXPECT_EQ(deformat("", "@D6"), "0");
  EXPECT_EQ(deformat("  /  /    ", "@D6"), "0");
  EXPECT_EQ(deformat("00/00/2001", "@D6"), "-1");
}

TEST_F(Deformat, TwoDigitYearsFollowThePictureWindow) {
  EXPECT_EQ(deformat("1/5/45", "@D1"), serialText(2045, 1, 5));
  EXPECT_EQ(deformat("1/5/47", "@D1"), serialText(1947, 1, 5));
  EXPECT_EQ(deformat("1/5/47", "@D1>30"), serialText(2047, 1, 5));  // 69 years back, 30 ahead
  EXPECT_EQ(deformat("1/5/57", "@D1>30"), serialText(1957, 1, 5));
  EXPECT_EQ(deformat("1/5/30", "@D1<10"), serialText(2030, 1, 5));
  EXPECT_EQ(deformat("1/5/15", "@D1<10"), serialText(2115, 1, 5));
}

TEST_F(Deformat, RussianMonthAbbreviations) {
  loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
  EXPECT_EQ(deformat(platform::ru(" 5 мар 01"), "@D7"), serialText(2001, 3, 5));
  EXPECT_EQ(deformat(platform::ru("Сентябрь  1, 2001"), "@D4"), serialText(2001, 9, 1));
}

TEST_F(Deformat, Times) {
  const auto time = [](int h, int m, int s) { return std::to_string(timeSerialFromParts(h, m, s, 0)); };
  EXPECT_EQ(deformat(" 1:05PM", "@T3"), time(13, 5, 0));
  EXPECT_EQ(deformat("12:05AM", "@T3"), time(0, 5, 0));
  EXPECT_EQ(deformat("12:05pm", "@T3"), time(12, 5, 0));
  EXPECT_EQ(deformat("21:07:03", "@T4"), time(21, 7, 3));
  EXPECT_EQ(deformat("210703", "@T5"), time(21, 7, 3));
  EXPECT_EQ(deformat("9:7", "@T1"), time(9, 7, 0));
  EXPECT_EQ(deformat("25:00:00", "@T4"), "-1");
  EXPECT_EQ(deformat("10:60", "@T1"), "-1");
  EXPECT_EQ(deformat("00:00", "@T1"), "0");
  EXPECT_EQ(deformat("01:05 PM", "@T7"), time(13, 5, 0));
}

TEST_F(Deformat, FormatThenDeformatRoundTrips) {
  for (const char* picture :
       {"@D1", "@D2", "@D3", "@D5", "@D6", "@D7", "@D8", "@D9", "@D10", "@D12", "@D17", "@D18"}) {
    for (std::int32_t serial = serialFromParts(1950, 1, 1); serial < serialFromParts(2040, 1, 1);
         serial += 97) {
      const CompiledPicture compiled = compilePicture(picture);
      ASSERT_EQ(deformatPicture(formatPicture(std::to_string(serial), compiled), compiled),
                std::to_string(serial))
          << picture << " " << formatPicture(std::to_string(serial), compiled);
    }
  }
  for (const char* picture : {"@T4", "@T5", "@T6", "@T8"}) {
    for (std::int32_t serial = 101; serial < kLastTimeSerial; serial += 6301) {
      const std::int32_t whole = serial - (serial - 1) % 100;
      const CompiledPicture compiled = compilePicture(picture);
      ASSERT_EQ(deformatPicture(formatPicture(std::to_string(serial), compiled), compiled),
                std::to_string(whole))
          << picture;
    }
  }
}

}  // namespace
}  // namespace veltrano::runtime
