#include "runtime/values/number_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "runtime/values/bfloat.h"

namespace veltrano::runtime {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(RealFromText, ReadsTheLeadingLiteral) {
  EXPECT_EQ(realFromText("  12.5abc"), 12.5);
  EXPECT_EQ(realFromText("abc"), 0.0);
  EXPECT_EQ(realFromText(""), 0.0);
  EXPECT_EQ(realFromText("-3"), -3.0);
  EXPECT_EQ(realFromText("+.25"), 0.25);
  EXPECT_EQ(realFromText("7."), 7.0);
  EXPECT_EQ(realFromText("1e3x"), 1000.0);
  EXPECT_EQ(realFromText("2E-2"), 0.02);
  EXPECT_EQ(realFromText("5e"), 5.0);  // an exponent without digits is not part of it
  EXPECT_EQ(realFromText("5e+"), 5.0);
  EXPECT_EQ(realFromText("12,5"), 12.0);
  EXPECT_EQ(realFromText("."), 0.0);
  EXPECT_EQ(realFromText("- 5"), 0.0);
  EXPECT_EQ(realFromText("inf"), 0.0);
  EXPECT_EQ(realFromText("0x10"), 0.0);
}

TEST(RealFromText, CountsOnlyFortyCharactersAndStaysFinite) {
  const std::string forty_one = std::string(39, ' ') + "12";
  EXPECT_EQ(realFromText(forty_one), 1.0);
  EXPECT_EQ(realFromText("1e999"), std::numeric_limits<double>::max());
  EXPECT_EQ(realFromText("-1e999"), -std::numeric_limits<double>::max());
  EXPECT_EQ(realFromText("1e-999"), 0.0);
}

TEST(RealFromText, NumericTextMustBeOneWholeLiteral) {
  EXPECT_TRUE(isNumericText(" -12.5e2   "));
  EXPECT_FALSE(isNumericText("12.5abc"));
  EXPECT_FALSE(isNumericText("   "));
  EXPECT_FALSE(isNumericText("1e"));
}

TEST(TextFromReal, WritesFifteenDigitsWithoutNoise) {
  EXPECT_EQ(textFromReal(0.1 + 0.2), "0.3");
  EXPECT_EQ(textFromReal(2.0), "2");
  EXPECT_EQ(textFromReal(-1.5), "-1.5");
  EXPECT_EQ(textFromReal(0.0), "0");
  EXPECT_EQ(textFromReal(-0.0), "0");
  EXPECT_EQ(textFromReal(1500.0), "1500");
  EXPECT_EQ(textFromReal(0.001), "0.001");
  EXPECT_EQ(textFromReal(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(textFromReal(123456789012345678.0), "123456789012346000");
  EXPECT_EQ(textFromReal(1e40), "1" + std::string(40, '0'));
  EXPECT_EQ(textFromReal(1e-40), "0");
  EXPECT_EQ(textFromReal(std::numeric_limits<double>::quiet_NaN()), "0");
  EXPECT_EQ(realFromText(textFromReal(-98765.4321)), -98765.4321);
}

TEST(Bfloat, ZeroWhenTheLastTwoBytesAreZero) {
  const Bytes eight = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0x00, 0x00};
  EXPECT_EQ(doubleFromBfloat8(eight), 0.0);
  const Bytes four = {0xFF, 0xFF, 0x00, 0x00};
  EXPECT_EQ(doubleFromBfloat4(four), 0.0);
}

TEST(Bfloat, EncodesByMovingTheDoublesBits) {
  Bytes eight(8, 0xAA);
  bfloat8FromDouble(1.0, eight);
  // 1.0: mantissa 0, exponent 1023 − 894 = 129.
  EXPECT_EQ(eight, (Bytes{0, 0, 0, 0, 0, 0, 0x00, 129}));
  bfloat8FromDouble(-1.5, eight);
  // The mantissa's top bit (0.5) moves to bit 54 of the 55: byte 6 bit 6.
  EXPECT_EQ(eight, (Bytes{0, 0, 0, 0, 0, 0, 0xC0, 129}));
  EXPECT_EQ(doubleFromBfloat8(eight), -1.5);
  Bytes four(4, 0xAA);
  bfloat4FromDouble(-1.5, four);
  EXPECT_EQ(four, (Bytes{0, 0, 0xC0, 129}));
  EXPECT_EQ(doubleFromBfloat4(four), -1.5);
}

TEST(Bfloat, RoundTripsKeepingMantissaBits) {
  Bytes eight(8);
  for (const double value : {3.141592653589793, -2.5e-30, 6.02e23, 1e38}) {
    bfloat8FromDouble(value, eight);
    EXPECT_EQ(doubleFromBfloat8(eight), value);
  }
  Bytes four(4);
  bfloat4FromDouble(0.1, four);
  EXPECT_NEAR(doubleFromBfloat4(four), 0.1, 1e-8);
  EXPECT_LE(doubleFromBfloat4(four), 0.1);  // the low mantissa bits are cut, not rounded
}

TEST(Bfloat, UnderflowIsZeroAndOverflowSaturates) {
  Bytes eight(8, 0xAA);
  bfloat8FromDouble(1e-300, eight);
  EXPECT_EQ(eight, Bytes(8, 0));
  bfloat8FromDouble(-0.0, eight);
  EXPECT_EQ(eight, Bytes(8, 0));
  bfloat8FromDouble(1e300, eight);
  EXPECT_EQ(eight[7], 255);
  EXPECT_GT(doubleFromBfloat8(eight), 1e38);
  bfloatExtreme(eight, true);
  EXPECT_LT(doubleFromBfloat8(eight), -1e38);
  Bytes short_span(3, 0xAA);
  bfloat4FromDouble(1.0, short_span);
  EXPECT_EQ(short_span, Bytes(3, 0xAA));
  EXPECT_EQ(doubleFromBfloat4(short_span), 0.0);
}

}  // namespace
}  // namespace veltrano::runtime
