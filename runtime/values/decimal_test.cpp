#include "runtime/values/decimal.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace veltrano::runtime {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes packed(const Decimal& value, TypeCode type, int digits, int places) {
  Bytes bytes(decimalBytes(static_cast<std::uint32_t>(digits)), 0xAA);
  value.storePacked(bytes, type, places, digits);
  return bytes;
}

Decimal text(std::string_view value) {
  return Decimal::fromText(value);
}

TEST(DecimalPacked, StoresSignNibbleFirstOrLast) {
  EXPECT_EQ(packed(text("12.34"), TypeCode::Decimal, 5, 2), (Bytes{0x00, 0x12, 0x34}));
  EXPECT_EQ(packed(text("-12.34"), TypeCode::Decimal, 5, 2), (Bytes{0xF0, 0x12, 0x34}));
  EXPECT_EQ(packed(text("12.34"), TypeCode::Pdecimal, 5, 2), (Bytes{0x01, 0x23, 0x4F}));
  EXPECT_EQ(packed(text("-12.34"), TypeCode::Pdecimal, 5, 2), (Bytes{0x01, 0x23, 0x4D}));
}

TEST(DecimalPacked, RoundsHalfAwayFromZeroOnStore) {
  EXPECT_EQ(packed(text("2.345"), TypeCode::Decimal, 5, 2), (Bytes{0x00, 0x02, 0x35}));
  EXPECT_EQ(packed(text("-2.345"), TypeCode::Decimal, 5, 2), (Bytes{0xF0, 0x02, 0x35}));
  EXPECT_EQ(packed(text("2.344"), TypeCode::Decimal, 5, 2), (Bytes{0x00, 0x02, 0x34}));
  EXPECT_EQ(packed(text("9.995"), TypeCode::Decimal, 5, 2), (Bytes{0x00, 0x10, 0x00}));
  // A negative value that rounds to nothing is stored as +0, never as a negative zero.
  EXPECT_EQ(packed(text("-0.001"), TypeCode::Decimal, 5, 2), (Bytes{0x00, 0x00, 0x00}));
  EXPECT_EQ(packed(text("-0.001"), TypeCode::Pdecimal, 5, 2), (Bytes{0x00, 0x00, 0x0F}));
}

TEST(DecimalPacked, DropsIntegerDigitsThatDoNotFit) {
  EXPECT_EQ(packed(Decimal::fromInteger(123456), TypeCode::Decimal, 5, 2), (Bytes{0x04, 0x56, 0x00}));
  // DECIMAL(4,2) has the bytes of DECIMAL(5,2); its spare leading digit stays 0.
  EXPECT_EQ(packed(text("123.45"), TypeCode::Decimal, 4, 2), (Bytes{0x00, 0x23, 0x45}));
  EXPECT_EQ(packed(text("123.45"), TypeCode::Pdecimal, 4, 2), (Bytes{0x02, 0x34, 0x5F}));
}

TEST(DecimalPacked, LoadsDigitsPlacesAndSign) {
  const Bytes one_and_half = {0x00, 0x00, 0x01, 0x50};  // DECIMAL(7,2)
  EXPECT_EQ(Decimal::loadPacked(one_and_half, TypeCode::Decimal, 2).toText(), "1.50");
  const Bytes negative = {0x70, 0x12, 0x34};  // any non-zero sign nibble is negative
  EXPECT_EQ(Decimal::loadPacked(negative, TypeCode::Decimal, 2).toText(), "-12.34");
  const Bytes pdecimal_negative = {0x01, 0x23, 0x4D};
  EXPECT_EQ(Decimal::loadPacked(pdecimal_negative, TypeCode::Pdecimal, 2).toText(), "-12.34");
  const Bytes pdecimal_other_sign = {0x01, 0x23, 0x4C};
  EXPECT_EQ(Decimal::loadPacked(pdecimal_other_sign, TypeCode::Pdecimal, 2).toText(), "12.34");
  const Bytes zero_places = {0xF0, 0x00, 0x00};
  EXPECT_EQ(Decimal::loadPacked(zero_places, TypeCode::Decimal, 2).toText(), "0");
  EXPECT_FALSE(Decimal::loadPacked(zero_places, TypeCode::Decimal, 2).isNegative());
}

TEST(DecimalPacked, DamagedNibblesReadAsZeroAndOddShapesStayInRange) {
  const Bytes damaged = {0x0A, 0xBC, 0x1F};
  EXPECT_EQ(Decimal::loadPacked(damaged, TypeCode::Decimal, 2).toText(), "0.10");
  // Forty bytes hold 79 digits, more than the cells; the excess is dropped, not written past.
  const Bytes wide(40, 0x99);
  const Decimal loaded = Decimal::loadPacked(wide, TypeCode::Pdecimal, 40);
  EXPECT_EQ(loaded.highestCell(), Decimal::kCells - 1);
  EXPECT_EQ(loaded.lowestCell(), 0);
  EXPECT_TRUE(Decimal::loadPacked({}, TypeCode::Decimal, 0).isZero());
}

TEST(DecimalText, ReadsSeparatorsSignsAndExponents) {
  EXPECT_EQ(text("  -12,5xyz").toText(), "-12.5");
  EXPECT_EQ(text("1.50").toText(), "1.50");
  EXPECT_EQ(text("1.5E3").toText(), "1500");
  EXPECT_EQ(text("25e-3").toText(), "0.025");
  EXPECT_EQ(text("7E").toText(), "7");
  EXPECT_EQ(text(".5").toText(), "0.5");
  EXPECT_EQ(text("abc").toText(), "0");
  EXPECT_EQ(text("-").toText(), "0");
  EXPECT_EQ(text("1E99999999999").toText(), "0");
  // Only 32 fraction digits count.
  const Decimal long_fraction = text("0." + std::string(40, '1'));
  EXPECT_EQ(long_fraction.toText(), "0." + std::string(32, '1'));
}

TEST(DecimalText, WritesIntegerAndFractionDigits) {
  EXPECT_EQ(Decimal().toText(), "0");
  EXPECT_EQ(Decimal::fromInteger(-905).toText(), "-905");
  EXPECT_EQ(text("-0.5").toText(), "-0.5");
  EXPECT_EQ(Decimal::fromInteger(INT64_MIN).toText(), "-9223372036854775808");
  EXPECT_EQ(text("-12.9").toInteger(), -12);
}

TEST(DecimalDouble, KeepsFifteenSignificantDigits) {
  EXPECT_EQ(Decimal::fromDouble(0.1 + 0.2).toText(), "0.3");
  EXPECT_EQ(Decimal::fromDouble(2.0).toText(), "2");
  EXPECT_EQ(Decimal::fromDouble(-1234.5678).toText(), "-1234.5678");
  EXPECT_EQ(Decimal::fromDouble(1.0 / 3.0).toText(), "0.333333333333333");
  EXPECT_EQ(Decimal::fromDouble(1e-40).toText(), "0");
  // All digits above the top cell: 0. Partly above: the leading digits are cut off.
  EXPECT_EQ(Decimal::fromDouble(1e40).toText(), "0");
  EXPECT_EQ(Decimal::fromDouble(1.5e32).toText(), "5" + std::string(31, '0'));
}

TEST(DecimalDouble, ConvertsBackThroughSixteenDigits) {
  EXPECT_EQ(text("0.3").toDouble(), 0.3);
  EXPECT_EQ(text("-1234.5678").toDouble(), -1234.5678);
  EXPECT_EQ(text("12345678901234567890").toDouble(), 12345678901234560000.0);
  EXPECT_DOUBLE_EQ(text("1E31").toDouble(), 1e31);
  EXPECT_DOUBLE_EQ(text("0.00000000000000000000000000000001").toDouble(), 1e-32);
}

TEST(DecimalArithmetic, AddsAndSubtractsExactly) {
  EXPECT_EQ((text("0.1") + text("0.2")).toText(), "0.3");
  EXPECT_EQ((text("1.50") + Decimal::fromInteger(1)).toText(), "2.50");
  EXPECT_EQ((text("5") - text("7.25")).toText(), "-2.25");
  EXPECT_EQ((text("-5") + text("5")).toText(), "0");
  EXPECT_FALSE((text("-5") + text("5")).isNegative());
  EXPECT_EQ((text("999.99") + text("0.01")).toText(), "1000.00");
  // A carry out of the top cell is lost.
  EXPECT_TRUE((text(std::string(32, '9')) + Decimal::fromInteger(1)).isZero());
}

TEST(DecimalArithmetic, MultipliesWithinTheCells) {
  EXPECT_EQ((text("1.5") * text("-1.5")).toText(), "-2.25");
  EXPECT_EQ((text("1.50") * Decimal::fromInteger(2)).toText(), "3.00");
  // 10^-16 × 9 × 10^-17 lies below the last cell: dropped, not rounded up.
  EXPECT_TRUE((text("0.0000000000000001") * text("0.00000000000000009")).isZero());
  const Decimal third = text("0." + std::string(32, '3'));
  EXPECT_EQ((third * Decimal::fromInteger(3)).toText(), "0." + std::string(32, '9'));
}

TEST(DecimalArithmetic, DividesRoundingToThirtyOnePlaces) {
  EXPECT_EQ((Decimal::fromInteger(10) / Decimal::fromInteger(4)).toText(), "2.5");
  EXPECT_EQ((Decimal::fromInteger(1) / Decimal::fromInteger(3)).toText(), "0." + std::string(31, '3'));
  EXPECT_EQ((Decimal::fromInteger(2) / Decimal::fromInteger(3)).toText(), "0." + std::string(30, '6') + "7");
  EXPECT_EQ((Decimal::fromInteger(-7) / text("0.01")).toText(), "-700");
  EXPECT_EQ((text("123.456") / text("1000")).toText(), "0.123456");
  EXPECT_TRUE((Decimal::fromInteger(5) / Decimal()).isZero());
  EXPECT_TRUE((Decimal() / Decimal::fromInteger(5)).isZero());
}

TEST(DecimalArithmetic, DividesByDivisorsLongerThanAMachineWord) {
  const Decimal divisor = text("12345678901234567890123.5");
  const Decimal product = divisor * Decimal::fromInteger(7);
  EXPECT_EQ((product / divisor).toText(), "7");
  EXPECT_EQ((Decimal::fromInteger(1) / text("100000000000000000000000")).toText(),
            "0.00000000000000000000001");
}

// Amounts in hundredths checked against exact 64-bit integer arithmetic.
TEST(DecimalArithmetic, AgreesWithIntegerArithmeticOnRandomAmounts) {
  std::mt19937_64 random(20240611);
  std::uniform_int_distribution<std::int64_t> amount(-99'999'999, 99'999'999);
  const auto hundredths = [](std::int64_t cents) {
    const std::int64_t magnitude = cents < 0 ? -cents : cents;
    std::string digits =
        std::to_string(magnitude / 100) + "." + std::to_string(100 + magnitude % 100).substr(1);
    return Decimal::fromText((cents < 0 ? "-" : "") + digits);
  };
  for (int round = 0; round < 2000; ++round) {
    const std::int64_t a = amount(random);
    const std::int64_t b = amount(random);
    const Decimal x = hundredths(a);
    const Decimal y = hundredths(b);
    ASSERT_EQ((x + y).compare(hundredths(a + b)), 0) << a << " + " << b;
    ASSERT_EQ((x - y).compare(hundredths(a - b)), 0) << a << " - " << b;
    ASSERT_EQ((x * y).compare(Decimal::fromInteger(a * b) / Decimal::fromInteger(10000)), 0)
        << a << " * " << b;
    ASSERT_EQ(x.compare(y), (a > b) - (a < b));
    if (b != 0) {
      // The quotient is within half a unit of its 31st place: |q·y − x| ≤ |y| · 10^-31.
      const Decimal error = (x / y) * y - x;
      const Decimal bound =
          (y.isNegative() ? -y : y) * Decimal::fromText("0.0000000000000000000000000000001");
      ASSERT_LE((error.isNegative() ? -error : error).compare(bound), 0) << a << " / " << b;
    }
    std::vector<std::uint8_t> bytes(decimalBytes(11));
    x.storePacked(bytes, round % 2 == 0 ? TypeCode::Decimal : TypeCode::Pdecimal, 2, 11);
    ASSERT_EQ(
        Decimal::loadPacked(bytes, round % 2 == 0 ? TypeCode::Decimal : TypeCode::Pdecimal, 2).compare(x), 0);
  }
}

TEST(DecimalOrdering, ComparesSignMagnitudeAndPlaces) {
  EXPECT_LT(text("-1").compare(Decimal()), 0);
  EXPECT_LT(Decimal().compare(text("0.001")), 0);
  EXPECT_GT(text("10").compare(text("9.99")), 0);
  EXPECT_LT(text("-10").compare(text("-9.99")), 0);
  EXPECT_EQ(text("1.50").compare(text("1.5")), 0);
  EXPECT_EQ(text("-0").compare(Decimal()), 0);
}

TEST(DecimalOrdering, RoundsToPlacesWithCarry) {
  Decimal value = text("0.995");
  value.roundToPlaces(2);
  EXPECT_EQ(value.toText(), "1.00");
  value = text("-9.96");
  value.roundToPlaces(1);
  EXPECT_EQ(value.toText(), "-10.0");
  value = text("1250");
  value.roundToPlaces(-2);
  EXPECT_EQ(value.toText(), "1300");
  value = text("1.2");
  value.roundToPlaces(4);  // already coarser than four places: unchanged
  EXPECT_EQ(value.toText(), "1.2");
}

}  // namespace
}  // namespace veltrano::runtime
