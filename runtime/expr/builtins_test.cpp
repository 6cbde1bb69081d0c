// The built-in functions, one group of cases per function family.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/clock.h"
#include "runtime/datetime/calendar.h"
#include "runtime/expr/expr_test_support.h"

namespace veltrano::runtime {
namespace {

using BuiltInTest = ExpressionTest;

TEST_F(BuiltInTest, Substrings) {
  EXPECT_EQ(eval("SUB('abcdef', 2, 3)"), "bcd");
  EXPECT_EQ(eval("SUB('abcdef', 4)"), "def");
  EXPECT_EQ(eval("SUB('abcdef')"), "abcdef");
  EXPECT_EQ(eval("SUB('abcdef', 5, 10)"), "ef");
  EXPECT_EQ(eval("SUB('abcdef', 7, 1)"), "");
  EXPECT_EQ(eval("SUB('abcdef', 0, 2)"), "ab");
  EXPECT_EQ(eval("SUB('abcdef', 2, -1)"), "");
  EXPECT_EQ(eval("SUB(12345, 2, 2)"), "23");
}

TEST_F(BuiltInTest, AlignmentAndRepetition) {
  EXPECT_EQ(eval("CLIP('ab  ')"), "ab");
  EXPECT_EQ(eval("CLIP('  ')"), "");
  EXPECT_EQ(eval("LEFT('  ab', 5)"), "ab   ");
  EXPECT_EQ(eval("LEFT('  ab')"), "ab  ");
  EXPECT_EQ(eval("RIGHT('ab  ', 5)"), "   ab");
  EXPECT_EQ(eval("RIGHT('abcdef', 3)"), "def");
  EXPECT_EQ(eval("CENTER('ab', 6)"), "  ab  ");
  EXPECT_EQ(eval("CENTER(' ab ', 5)"), " ab  ");
  EXPECT_EQ(eval("ALL('ab', 5)"), "ababa");
  EXPECT_EQ(eval("LEN(ALL('-'))"), "255");
  EXPECT_EQ(eval("ALL('', 5)"), "");
  // Hostile widths are capped, not honoured.
  EXPECT_EQ(eval("LEN(ALL('x', 2000000000))"), "65535");
  EXPECT_EQ(eval("LEN(LEFT('x', 2000000000))"), "65535");
  EXPECT_EQ(eval("LEFT('x', -3)"), "");
}

TEST_F(BuiltInTest, CharactersAndCase) {
  EXPECT_EQ(eval("CHR(65)"), "A");
  EXPECT_EQ(eval("VAL('A')"), "65");
  EXPECT_EQ(eval("VAL('')"), "0");
  EXPECT_EQ(eval("VAL(CHR(200))"), "200");
  EXPECT_EQ(eval("LEN('ab  ')"), "4");
  EXPECT_EQ(eval("UPPER('abC1')"), "ABC1");
  EXPECT_EQ(eval("LOWER('ABc1')"), "abc1");
}

TEST_F(BuiltInTest, Numeric) {
  for (const char* yes : {"'12'", "' -1.5e3  '", "'.5'", "'+7'", "12"})
    EXPECT_EQ(eval(std::string("NUMERIC(") + yes + ")"), "1") << yes;
  for (const char* no : {"''", "'   '", "'12a'", "'1 2'", "'.'", "'1e'", "'e5'"})
    EXPECT_EQ(eval(std::string("NUMERIC(") + no + ")"), "0") << no;
}

TEST_F(BuiltInTest, RealFunctions) {
  EXPECT_EQ(eval("ABS(-2.5)"), "2.5");
  EXPECT_EQ(eval("SQRT(16)"), "4");
  EXPECT_EQ(eval("INT(-2.7)"), "-2");
  EXPECT_EQ(eval("INT(2.7)"), "2");
  EXPECT_EQ(eval("LOG10(1000)"), "3");
  EXPECT_EQ(eval("LOGE(1)"), "0");
  EXPECT_EQ(eval("ROUND(COS(0), 1)"), "1");
  EXPECT_EQ(eval("ROUND(ATAN(1) * 4, 0.0001)"), "3.1416");
  // Outside their domains: 0.
  EXPECT_EQ(eval("SQRT(-1)"), "0");
  EXPECT_EQ(eval("LOGE(0)"), "0");
  EXPECT_EQ(eval("ASIN(2)"), "0");
}

TEST_F(BuiltInTest, RoundWorksToTheLeadingDigitOfTheStep) {
  EXPECT_EQ(eval("ROUND(2.345, 0.05)"), "2.35");
  EXPECT_EQ(eval("ROUND(2.344, 0.01)"), "2.34");
  EXPECT_EQ(eval("ROUND(-2.345, 0.01)"), "-2.35");
  EXPECT_EQ(eval("ROUND(1250, 100)"), "1300");
  EXPECT_EQ(eval("ROUND(-1250, 100)"), "-1300");
  EXPECT_EQ(eval("ROUND(1249, 500)"), "1200");
  EXPECT_EQ(eval("ROUND(7.5, 1)"), "8");
  EXPECT_EQ(eval("ROUND(7.5, 0)"), "7.5");
  EXPECT_EQ(eval("ROUND(7.46, -0.1)"), "7.5");
  EXPECT_EQ(eval("ROUND(0, 0.01)"), "0");
}

TEST_F(BuiltInTest, BitOperations) {
  EXPECT_EQ(eval("BAND(12, 10)"), "8");
  EXPECT_EQ(eval("BOR(12, 10)"), "14");
  EXPECT_EQ(eval("BXOR(12, 10)"), "6");
  EXPECT_EQ(eval("BSHIFT(1, 4)"), "16");
  EXPECT_EQ(eval("BSHIFT(1, 31)"), "-2147483648");
  EXPECT_EQ(eval("BSHIFT(-1, -28)"), "15");  // zeros enter from the left
  EXPECT_EQ(eval("BSHIFT(256, -4)"), "16");
  EXPECT_EQ(eval("BSHIFT(1, 32)"), "0");
  EXPECT_EQ(eval("BSHIFT(1, -32)"), "0");
}

TEST_F(BuiltInTest, RangesListsAndChoices) {
  EXPECT_EQ(eval("INRANGE(5, 1, 5)"), "1");
  EXPECT_EQ(eval("INRANGE(1, 1, 5)"), "1");
  EXPECT_EQ(eval("INRANGE(5.01, 1, 5)"), "0");
  EXPECT_EQ(eval("INRANGE(0.3, 0.1 + 0.2, 1)"), "1");
  EXPECT_EQ(eval("CHOOSE(5, 'a', 'b', 'c')"), "c");
  EXPECT_EQ(eval("CHOOSE(1, 'a', 'b', 'c')"), "a");
  EXPECT_EQ(eval("CHOOSE(2, 'a', 'b', 'c')"), "b");
  EXPECT_EQ(eval("CHOOSE(3, 'a', 'b', 'c')"), "c");
  EXPECT_EQ(eval("CHOOSE(0, 'a', 'b', 'c')"), "c");
  EXPECT_EQ(eval("CHOOSE(1, 10, 20)"), "10");
  EXPECT_EQ(eval("CHOOSE(1)"), "");
  EXPECT_EQ(eval("INLIST('b', 'a', 'b', 'b')"), "2");
  EXPECT_EQ(eval("INLIST('b  ', 'a', 'b')"), "2");
  EXPECT_EQ(eval("INLIST('z', 'a', 'b')"), "0");
  EXPECT_EQ(eval("INLIST(2, 1, 2.0)"), "2");
  EXPECT_EQ(eval("NULL(0)"), "1");
  EXPECT_EQ(eval("NULL('')"), "1");
  EXPECT_EQ(eval("NULL(3)"), "0");
  EXPECT_EQ(eval("NULL('a')"), "0");
}

TEST_F(BuiltInTest, RandomStaysInItsRange) {
  seedRandom(12345);
  EXPECT_EQ(eval("RANDOM(7, 7)"), "7");
  NodePointer tree = parseExpression("RANDOM(-3, 4)");
  bool seen_low = false, seen_high = false;
  for (int draw = 0; draw < 2000; ++draw) {
    const std::int32_t value = evaluateInteger(*tree);
    ASSERT_GE(value, -3);
    ASSERT_LE(value, 4);
    seen_low |= value == -3;
    seen_high |= value == 4;
  }
  EXPECT_TRUE(seen_low && seen_high);
  tree = parseExpression("RANDOM(-2147483647 - 1, 2147483647)");
  for (int draw = 0; draw < 100; ++draw) evaluateInteger(*tree);
  EXPECT_EQ(eval("INRANGE(RANDOM(10, 1), 1, 10)"), "1");
}

TEST_F(BuiltInTest, DatesAndTimes) {
  platform::setNowOverride(platform::LocalDateTime{2026, 3, 15, 10, 30, 0, 0});
  resetKeptYear();
  const std::string today_serial = std::to_string(serialFromParts(2026, 3, 15));
  EXPECT_EQ(eval("TODAY()"), today_serial);
  EXPECT_EQ(eval("CLOCK()"), std::to_string(10 * 360000 + 30 * 6000 + 1));
  EXPECT_EQ(eval("DATE(1, 1, 1801)"), "4");
  EXPECT_EQ(eval("DATE(13, 1, 2000) = DATE(1, 1, 2001)"), "1");
  EXPECT_EQ(eval("DAY(DATE(2, 30, 2001))"), "2");
  EXPECT_EQ(eval("MONTH(DATE(2, 30, 2001))"), "3");
  EXPECT_EQ(eval("YEAR(DATE(2, 30, 45))"), "2045");
  EXPECT_EQ(eval("DAY(0)"), "0");
  EXPECT_EQ(eval("AGE(DATE(1, 1, 2000), DATE(3, 1, 2000))"), "60 DAYS");
  EXPECT_EQ(eval("AGE(DATE(3, 15, 1990))"), "36 YRS");
  platform::setNowOverride(std::nullopt);
  resetKeptYear();
}

TEST_F(BuiltInTest, FormatAndDeformat) {
  EXPECT_EQ(eval("FORMAT(1234.5, @n9.2)"), " 1,234.50");
  EXPECT_EQ(eval("DEFORMAT(FORMAT(1234.5, @n9.2), @n9.2) + 0"), "1234.5");
  EXPECT_EQ(eval("FORMAT(-5, '@N-10.2')"), "     -5.00");
  EXPECT_EQ(eval("FORMAT(4, @d6)"), eval("FORMAT(4, '@d6')"));
}

TEST_F(BuiltInTest, GetIniReadsTheNamedFileOrTheProfile) {
  const auto directory =
      std::filesystem::temp_directory_path() / ("expr_getini_" + std::to_string(::getpid()));
  std::filesystem::create_directories(directory);
  const auto file = directory / "settings.ini";
  std::ofstream(file) << "[Main]\nWidth=640\n";
  const std::string path = file.string();
  EXPECT_EQ(eval("GETINI('Main', 'Width', '0', '" + path + "')"), "640");
  EXPECT_EQ(eval("GETINI('main', 'WIDTH', '0', '" + path + "')"), "640");
  EXPECT_EQ(eval("GETINI('Main', 'Height', '480', '" + path + "')"), "480");
  EXPECT_EQ(eval("GETINI('Main', 'Width', 'none', '" + path + ".missing')"), "none");
  EXPECT_EQ(eval("GETINI('NoSuchSection', 'NoSuchEntry', 'dflt')"), "dflt");
  std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace veltrano::runtime
