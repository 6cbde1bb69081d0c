#include "runtime/datetime/collation.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/codepage.h"
#include "runtime/datetime/cp1251_letters.h"

namespace veltrano::runtime {
namespace {

TEST(Collation, EmptySequenceIsIdentity) {
  const auto weights = collationWeights("");
  for (std::size_t code = 0; code < 256; ++code) EXPECT_EQ(weights[code], code);
}

TEST(Collation, PartialSequenceExchangesWeightsAmongItsCharacters) {
  // "cab": c takes the smallest of {a,b,c}, a the next, b the largest; others keep their codes.
  const auto weights = collationWeights("cab");
  EXPECT_EQ(weights['c'], 'a');
  EXPECT_EQ(weights['a'], 'b');
  EXPECT_EQ(weights['b'], 'c');
  EXPECT_EQ(weights['d'], 'd');
  EXPECT_EQ(weights['A'], 'A');
}

TEST(Collation, RepeatsCountAtTheirFirstPlace) {
  const auto weights = collationWeights("zaz");
  EXPECT_EQ(weights['z'], 'a');
  EXPECT_EQ(weights['a'], 'z');
}

std::string printableInReverse() {
  std::string sequence;
  for (int code = 254; code >= 128; --code) sequence.push_back(static_cast<char>(code));
  for (int code = 126; code >= 32; --code) sequence.push_back(static_cast<char>(code));
  return sequence;
}

TEST(Collation, CompleteSequenceOf222SpreadsOverThePrintableWeights) {
  const std::string sequence = printableInReverse();
  ASSERT_EQ(sequence.size(), 222u);
  const auto weights = collationWeights(sequence);
  EXPECT_EQ(weights[254], 32);   // first listed
  EXPECT_EQ(weights[160], 126);  // 95th listed
  EXPECT_EQ(weights[159], 128);  // 96th listed
  EXPECT_EQ(weights[32], 254);   // last listed
  EXPECT_EQ(weights[0], 0);
  EXPECT_EQ(weights[31], 31);
  EXPECT_EQ(weights[127], 127);
  EXPECT_EQ(weights[255], 255);
}

TEST(Collation, A222LongSequenceWithARepeatIsOnlyAPartialOrder) {
  std::string sequence = printableInReverse();
  sequence.back() = sequence.front();  // 221 distinct characters, one repeated
  const auto weights = collationWeights(sequence);
  EXPECT_EQ(weights[254], 33);  // the smallest listed code, not 32
  EXPECT_EQ(weights[32], 32);   // not listed any more
}

TEST(Cp1251Letters, PairsAreUpperToLowerOfTheSameLetter) {
  const auto pairs = cp1251CasePairs();
  EXPECT_EQ(pairs.size(), 26u + 15u + 32u);
  std::set<std::uint8_t> seen;
  for (const auto& [upper, lower] : pairs) {
    const char32_t u = platform::unicodeFrom1251(upper);
    const char32_t l = platform::unicodeFrom1251(lower);
    // Unicode puts the partners 32 apart (Latin, А–Я), 80 apart (Ѐ–Џ) or side by side (Ґ).
    EXPECT_TRUE(l - u == 32 || l - u == 80 || l - u == 1) << static_cast<int>(upper);
    EXPECT_TRUE(seen.insert(upper).second);
    EXPECT_TRUE(seen.insert(lower).second);
  }
  EXPECT_EQ(platform::utf8From1251(std::string{static_cast<char>(0xA8)}), "Ё");
}

TEST(Cp1251Letters, AlphabeticalOrderCoversEveryCodeOnceWithYoAfterYe) {
  const std::string order = cp1251AlphabeticalOrder();
  ASSERT_EQ(order.size(), 254u);
  EXPECT_EQ(std::set<char>(order.begin(), order.end()).size(), 254u);
  const auto place = [&](std::string_view utf8) { return order.find(platform::ru(utf8)); };
  EXPECT_LT(place("е"), place("Е"));
  EXPECT_LT(place("Е"), place("ё"));
  EXPECT_LT(place("ё"), place("Ё"));
  EXPECT_LT(place("Ё"), place("ж"));
  EXPECT_LT(place("9"), place("a"));
  EXPECT_LT(place("Z"), place("а"));
  EXPECT_LT(place("!"), place("0"));
  EXPECT_EQ(place("я"), std::string::npos);  // code 255 is not part of the order
  EXPECT_EQ(place("Я"), 253u);
}

}  // namespace
}  // namespace veltrano::runtime
