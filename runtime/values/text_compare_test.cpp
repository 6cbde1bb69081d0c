#include "runtime/values/text_compare.h"

#include <gtest/gtest.h>

#include "runtime/datetime/char_tables.h"

namespace veltrano::runtime {
namespace {

// Each test starts from the built-in tables and leaves them as it found them.
class TextCompareTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = charTables();
    charTables() = CharTables::defaults();
  }
  void TearDown() override { charTables() = saved_; }

 private:
  CharTables saved_;
};

TEST_F(TextCompareTest, TrailingSpacesNeverMakeTextsDiffer) {
  EXPECT_EQ(compareText("ABC", "ABC   "), 0);
  EXPECT_EQ(compareText("ABC   ", "ABC"), 0);
  EXPECT_EQ(compareText("", "    "), 0);
  EXPECT_LT(compareText("AB", "AB!"), 0);                        // '!' weighs more than the implied space
  EXPECT_LT(compareText(std::string_view("AB\0", 3), "AB"), 0);  // NUL weighs less than a space
  EXPECT_EQ(compareText("ABD", "ABC"), 1);                       // the difference of the weights
}

TEST_F(TextCompareTest, OrdersByCollationWeightOnceASequenceIsLoaded) {
  const auto e = std::uint8_t{0xC5};    // Е in code page 1251
  const auto yo = std::uint8_t{0xA8};   // Ё
  const auto zhe = std::uint8_t{0xC6};  // Ж
  const std::string with_yo(1, static_cast<char>(yo));
  const std::string with_zhe(1, static_cast<char>(zhe));
  EXPECT_LT(compareText(with_yo, std::string(1, static_cast<char>(e))), 0);  // by byte value
  // Put Ё between Е and Ж.
  CharTables& tables = charTables();
  for (int code = 0xC6; code <= 0xFF; ++code) tables.collation[static_cast<std::size_t>(code)] += 1;
  tables.collation[yo] = static_cast<std::uint8_t>(tables.collation[e] + 1);
  EXPECT_LT(compareText(with_yo, with_zhe), 0);
  EXPECT_GT(compareText(with_yo, std::string(1, static_cast<char>(e))), 0);
}

TEST_F(TextCompareTest, EqualWeightsDoNotStopTheWalk) {
  CharTables& tables = charTables();
  tables.collation['b'] = tables.collation['a'];
  EXPECT_EQ(compareText("ab", "ba"), 0);
  EXPECT_LT(compareText("ax", "by"), 0);
}

TEST_F(TextCompareTest, DigraphsCompareAsTheirTwoCharacters) {
  CharTables& tables = charTables();
  tables.digraphs.push_back(Digraph{0xDF, 's', 's'});  // a sharp s sorts as "ss"
  const std::string sharp =
      "Stra\xDF"
      "e";
  EXPECT_EQ(compareText(sharp, "Strasse"), 0);
  EXPECT_LT(compareText(sharp, "Strassf"), 0);
  EXPECT_GT(compareText(sharp, "Strasa"), 0);
  EXPECT_EQ(compareText("\xDF", "ss  "), 0);
  EXPECT_GT(compareText("\xDF", "s"), 0);  // the second s meets a space
}

TEST_F(TextCompareTest, NoCaseFoldsLowerCaseFirst) {
  EXPECT_NE(compareText("abc", "ABC"), 0);
  EXPECT_EQ(compareTextNoCase("abc", "ABC  "), 0);
  EXPECT_LT(compareTextNoCase("abc", "ABD"), 0);
  EXPECT_EQ(compareTextNoCase("a1_", "A1_"), 0);
}

TEST_F(TextCompareTest, NulTerminatedTexts) {
  EXPECT_EQ(compareCText("ABC", "ABC  "), 0);
  EXPECT_LT(compareCText("AB", "AC"), 0);
  EXPECT_EQ(compareCText(nullptr, ""), 0);
  EXPECT_GT(compareCText("A", nullptr), 0);
}

TEST_F(TextCompareTest, CaseFollowsTheCaseTable) {
  EXPECT_EQ(upperText("Ivanov-2"), "IVANOV-2");
  EXPECT_EQ(lowerText("Ivanov-2"), "ivanov-2");
  EXPECT_TRUE(isUpperChar('Q'));
  EXPECT_FALSE(isUpperChar('q'));
  EXPECT_TRUE(isLowerChar('q'));
  EXPECT_TRUE(isAlphaChar('q'));
  EXPECT_FALSE(isAlphaChar('5'));
  EXPECT_TRUE(isDigitChar('5'));
  EXPECT_FALSE(isDigitChar('x'));
  // Without an environment file Cyrillic letters have no partners.
  EXPECT_EQ(upperChar(0xE0), 0xE0);
  CharTables& tables = charTables();
  tables.partner[0xE0] = 0xC0;  // а ↔ А
  tables.partner[0xC0] = 0xE0;
  tables.flags[0xE0] = kCaseLower;
  tables.flags[0xC0] = kCaseUpper;
  EXPECT_EQ(upperChar(0xE0), 0xC0);
  EXPECT_EQ(lowerChar(0xC0), 0xE0);
  std::uint8_t text[] = {0xE0, 'b', '1'};
  upperInPlace(text);
  EXPECT_EQ(text[0], 0xC0);
  EXPECT_EQ(text[1], 'B');
  EXPECT_EQ(compareTextNoCase("\xE0", "\xC0"), 0);
}

}  // namespace
}  // namespace veltrano::runtime
