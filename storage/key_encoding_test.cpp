#include "storage/key_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/codepage.h"
#include "runtime/datetime/char_tables.h"

namespace veltrano::storage {
namespace {

using runtime::TypeCode;
using Bytes = std::vector<std::uint8_t>;

Bytes encodeOne(TypeCode type, const Bytes& value, bool descending = false, bool nocase = false) {
  KeyEncoder encoder({{type, 0, static_cast<std::uint32_t>(value.size()),
                       static_cast<std::uint32_t>(value.size()), descending}},
                     keyCharacterMap(nocase, false));
  Bytes out(encoder.length());
  encoder.encode(value, out);
  return out;
}

template <typename T>
Bytes bytesOf(T value) {
  Bytes out(sizeof(T));
  std::memcpy(out.data(), &value, sizeof(T));
  return out;
}

TEST(KeyEncoding, LongValuesSortAndInvertAsDocumented) {
  EXPECT_EQ(encodeOne(TypeCode::Long, bytesOf<std::int32_t>(-1)), (Bytes{0x7F, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(encodeOne(TypeCode::Long, bytesOf<std::int32_t>(0)), (Bytes{0x80, 0, 0, 0}));
  EXPECT_EQ(encodeOne(TypeCode::Long, bytesOf<std::int32_t>(1)), (Bytes{0x80, 0, 0, 1}));
  EXPECT_EQ(encodeOne(TypeCode::Long, bytesOf<std::int32_t>(-1), true), (Bytes{0x80, 0, 0, 0}));
  EXPECT_EQ(encodeOne(TypeCode::Long, bytesOf<std::int32_t>(0), true), (Bytes{0x7F, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(encodeOne(TypeCode::Long, bytesOf<std::int32_t>(1), true), (Bytes{0x7F, 0xFF, 0xFF, 0xFE}));
}

// Sorting the encodings must sort the values, for every numeric type.
template <typename T>
void expectOrderKept(TypeCode type, std::vector<T> values) {
  std::sort(values.begin(), values.end());
  for (std::size_t i = 1; i < values.size(); ++i) {
    const Bytes a = encodeOne(type, bytesOf(values[i - 1]));
    const Bytes b = encodeOne(type, bytesOf(values[i]));
    EXPECT_LT(a, b) << "type " << static_cast<int>(type) << " at " << i;
    EXPECT_GT(encodeOne(type, bytesOf(values[i - 1]), true), encodeOne(type, bytesOf(values[i]), true));
  }
}

TEST(KeyEncoding, NumbersOfEveryWidthKeepTheirOrder) {
  expectOrderKept<std::int16_t>(TypeCode::Short, {-32768, -300, -1, 0, 1, 255, 256, 32767});
  expectOrderKept<std::uint16_t>(TypeCode::Ushort, {0, 1, 255, 256, 65535});
  expectOrderKept<std::int32_t>(TypeCode::Long, {INT32_MIN, -65536, -1, 0, 1, 65536, INT32_MAX});
  expectOrderKept<std::uint32_t>(TypeCode::Ulong, {0, 1, 0x100, 0x10000, 0xFFFFFFFF});
  expectOrderKept<float>(TypeCode::Sreal, {-1e30f, -2.5f, -1.0f, -1e-30f, 0.0f, 1e-30f, 0.5f, 1.0f, 3e20f});
  expectOrderKept<double>(TypeCode::Real, {-1e300, -2.5, -1.0, -1e-300, 0.0, 1e-300, 0.5, 1.0, 1e300});
}

TEST(KeyEncoding, PackedDatesAndTimesOrderByDateNotByDay) {
  // 31 January 2000 before 1 February 2000: the little-endian packed form puts the day first.
  const Bytes jan31{31, 1, 0xD0, 0x07};
  const Bytes feb1{1, 2, 0xD0, 0x07};
  EXPECT_LT(encodeOne(TypeCode::Date, jan31), encodeOne(TypeCode::Date, feb1));
  EXPECT_EQ(encodeOne(TypeCode::Date, feb1), (Bytes{0x07, 0xD0, 2, 1}));
}

TEST(KeyEncoding, DecimalsFollowTheSignRule) {
  // DECIMAL(5,2): 12.34 = 00 12 34, -12.34 = F0 12 34, 0 = 00 00 00.
  const Bytes positive{0x00, 0x12, 0x34};
  const Bytes negative{0xF0, 0x12, 0x34};
  const Bytes small_negative{0xF0, 0x00, 0x01};
  const Bytes zero{0x00, 0x00, 0x00};
  EXPECT_EQ(encodeOne(TypeCode::Decimal, positive), (Bytes{0x80, 0x12, 0x34}));
  EXPECT_EQ(encodeOne(TypeCode::Decimal, negative), (Bytes{0x7F, 0xED, 0xCB}));
  EXPECT_LT(encodeOne(TypeCode::Decimal, negative), encodeOne(TypeCode::Decimal, small_negative));
  EXPECT_LT(encodeOne(TypeCode::Decimal, small_negative), encodeOne(TypeCode::Decimal, zero));
  EXPECT_LT(encodeOne(TypeCode::Decimal, zero), encodeOne(TypeCode::Decimal, positive));
  // Descending, a negative value's two inversions cancel.
  EXPECT_EQ(encodeOne(TypeCode::Decimal, negative, true), (Bytes{0x80, 0x12, 0x34}));
}

TEST(KeyEncoding, CountedAndTerminatedStringsArePaddedWithZeros) {
  const Bytes cstring{'a', 'b', 0, 'x', 'y'};
  EXPECT_EQ(encodeOne(TypeCode::Cstring, cstring), (Bytes{'a', 'b', 0, 0, 0}));
  const Bytes pstring{2, 'a', 'b', 'z', 'z'};
  EXPECT_EQ(encodeOne(TypeCode::Pstring, pstring), (Bytes{'a', 'b', 0, 0, 0}));
  // A length byte larger than the field is cut to the field.
  const Bytes overlong{200, 'a', 'b'};
  EXPECT_EQ(encodeOne(TypeCode::Pstring, overlong), (Bytes{'a', 'b', 0}));
  // "ab" sorts before "abc" though the terminator would otherwise meet a letter.
  EXPECT_LT(encodeOne(TypeCode::Cstring, Bytes{'a', 'b', 0, 0}),
            encodeOne(TypeCode::Cstring, Bytes{'a', 'b', 'c', 0}));
}

TEST(KeyEncoding, NocaseUpperCasesLatinAndCyrillicWithTheLocaleTables) {
  EXPECT_EQ(encodeOne(TypeCode::String, Bytes{'a', 'B', 'c'}, false, true), (Bytes{'A', 'B', 'C'}));
  EXPECT_EQ(encodeOne(TypeCode::String, Bytes{'a', 'B', 'c'}, false, false), (Bytes{'a', 'B', 'c'}));
  auto& tables = runtime::charTables();
  const auto saved = tables;
  const std::string lower = platform::ru("ж");
  const std::string upper = platform::ru("Ж");
  const auto l = static_cast<std::uint8_t>(lower[0]);
  const auto u = static_cast<std::uint8_t>(upper[0]);
  tables.partner[l] = u;
  tables.flags[l] = runtime::kCaseLower;
  EXPECT_EQ(encodeOne(TypeCode::String, Bytes{l}, false, true), Bytes{u});
  tables = saved;
}

TEST(KeyEncoding, CollationWeightsDecideTheOrderOfStrings) {
  auto& tables = runtime::charTables();
  const auto saved = tables;
  const auto yo = static_cast<std::uint8_t>(platform::ru("Ё")[0]);
  const auto ye = static_cast<std::uint8_t>(platform::ru("Е")[0]);
  const auto zhe = static_cast<std::uint8_t>(platform::ru("Ж")[0]);
  // Without a collating sequence Ё (0xA8) sorts before Е (0xC5); with one it sorts after Е.
  EXPECT_LT(encodeOne(TypeCode::String, Bytes{yo}), encodeOne(TypeCode::String, Bytes{ye}));
  for (std::size_t c = 0; c < 256; ++c) tables.collation[c] = static_cast<std::uint8_t>(c);
  tables.collation[yo] = static_cast<std::uint8_t>(ye + 1);
  tables.collation[zhe] = static_cast<std::uint8_t>(ye + 2);
  EXPECT_GT(encodeOne(TypeCode::String, Bytes{yo}), encodeOne(TypeCode::String, Bytes{ye}));
  EXPECT_LT(encodeOne(TypeCode::String, Bytes{yo}), encodeOne(TypeCode::String, Bytes{zhe}));
  tables = saved;
}

TEST(KeyEncoding, OemFilesMapThroughTheOemWeights) {
  const auto a = static_cast<std::uint8_t>(platform::ru("А")[0]);  // 0xC0 in 1251, 0x80 in 866
  const auto map = keyCharacterMap(false, true);
  EXPECT_EQ(map[a], runtime::charTables().collation_oem[0x80]);
}

TEST(KeyEncoding, ComponentsConcatenateAndEachMayDescend) {
  // STRING(3) at 0, LONG at 3 descending, array of two SHORT at 7.
  KeyEncoder encoder({{TypeCode::String, 0, 3, 3, false},
                      {TypeCode::Long, 3, 4, 4, true},
                      {TypeCode::Short, 7, 4, 2, false}},
                     identityCharacterMap());
  ASSERT_EQ(encoder.length(), 11u);
  Bytes record{'a', 'b', 'c', 1, 0, 0, 0, 1, 0, 2, 0};
  Bytes out(11);
  encoder.encode(record, out);
  EXPECT_EQ(out, (Bytes{'a', 'b', 'c', 0x7F, 0xFF, 0xFF, 0xFE, 0x80, 0x01, 0x80, 0x02}));
}

TEST(KeyEncoding, OptEmptinessFollowsEachTypesNotionOfEmpty) {
  KeyEncoder encoder({{TypeCode::String, 0, 2, 2, false},
                      {TypeCode::Cstring, 2, 3, 3, false},
                      {TypeCode::Long, 5, 4, 4, false}},
                     identityCharacterMap());
  Bytes record{' ', ' ', 0, 'x', 'y', 0, 0, 0, 0};
  EXPECT_TRUE(encoder.allEmpty(record));
  record[1] = 'q';
  EXPECT_FALSE(encoder.allEmpty(record));
  record[1] = ' ';
  record[8] = 1;
  EXPECT_FALSE(encoder.allEmpty(record));
  record[8] = 0;
  record[2] = 'z';
  EXPECT_FALSE(encoder.allEmpty(record));
}

}  // namespace
}  // namespace veltrano::storage
