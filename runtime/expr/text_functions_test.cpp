#include "runtime/expr/text_functions.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/codepage.h"
#include "runtime/datetime/environment.h"
#include "runtime/expr/expr_test_support.h"

namespace veltrano::runtime {
namespace {

// The plain definition every search method must agree with.
std::int32_t referenceSearch(const std::string& sub, const std::string& text, std::int32_t step,
                             std::int32_t start) {
  if (sub.empty()) return 0;
  if (step < 1) step = 1;
  if (start < 1) start = 1;
  for (std::size_t offset = static_cast<std::size_t>(start - 1); offset + sub.size() <= text.size();
       offset += static_cast<std::size_t>(step)) {
    if (text.compare(offset, sub.size(), sub) == 0)
      return static_cast<std::int32_t>(offset / static_cast<std::size_t>(step) + 1);
  }
  return 0;
}

TEST(InstringTest, PositionsStepsAndStarts) {
  EXPECT_EQ(findInString("c", "abcabc"), 3);
  EXPECT_EQ(findInString("c", "abcabc", 1, 4), 6);
  EXPECT_EQ(findInString("bc", "abcabc"), 2);
  EXPECT_EQ(findInString("z", "abc"), 0);
  // Step 2: offsets 0, 2, 4 are tried; "ab" at offset 4 gives 4 div 2 + 1.
  EXPECT_EQ(findInString("ab", "xxxxab", 2), 3);
  EXPECT_EQ(findInString("ab", "xxxab", 2), 0);  // offset 3 is never tried
  EXPECT_EQ(findInString("ab", "ab", 1, 2), 0);
  EXPECT_EQ(findInString("", "abc"), 0);
  EXPECT_EQ(findInString("abc", "ab"), 0);
  EXPECT_EQ(findInString("b", "abc", 0), 2);
  EXPECT_EQ(findInString("b", "abc", -4, -7), 2);
  EXPECT_EQ(findInString("b", "abc", 1, 2147483647), 0);
}

TEST(InstringTest, EverySearchMethodMatchesThePlainScan) {
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    // Small alphabets make repeated near-matches, which is where skip tables go wrong.
    const int alphabet = 2 + static_cast<int>(random() % 3);
    auto make = [&](std::size_t length) {
      std::string text;
      for (std::size_t index = 0; index < length; ++index)
        text.push_back(static_cast<char>('a' + random() % static_cast<unsigned>(alphabet)));
      return text;
    };
    const std::string text = make(random() % 2 == 0 ? 257 + random() % 400 : random() % 40);
    std::string sub = make(1 + random() % 8);
    if (random() % 3 == 0 && text.size() > sub.size())
      sub = text.substr(random() % (text.size() - sub.size()), sub.size());
    const std::int32_t step = random() % 4 == 0 ? 1 + static_cast<std::int32_t>(random() % 3) : 1;
    const std::int32_t start = 1 + static_cast<std::int32_t>(random() % 20);
    ASSERT_EQ(findInString(sub, text, step, start), referenceSearch(sub, text, step, start))
        << sub << " in " << text << " step " << step << " start " << start;
  }
}

TEST(InstringTest, SkipTableHandlesEveryByte) {
  std::string text(600, '\xFF');
  text.replace(500, 6, "\x80\x00\xFF\x01zz", 6);
  EXPECT_EQ(findInString(std::string("\x80\x00\xFF\x01zz", 6), text), 501);
}

class MatchTest : public ExpressionTest {};

TEST_F(MatchTest, EqualityMode) {
  EXPECT_TRUE(matchText("  abc ", "abc", kMatchEqual));
  EXPECT_FALSE(matchText("abc", "abcd", kMatchEqual));
  EXPECT_FALSE(matchText("abc", "ABC", kMatchEqual));
  EXPECT_TRUE(matchText("abc", "ABC", kMatchEqual + kMatchNoCase));
}

TEST_F(MatchTest, WildcardMode) {
  EXPECT_TRUE(matchText("Ivanov", "Iv*"));
  EXPECT_TRUE(matchText("Ivanov", "*nov"));
  EXPECT_TRUE(matchText("Ivanov", "I?an*v"));
  EXPECT_TRUE(matchText("Ivanov", "*"));
  EXPECT_TRUE(matchText("", "*"));
  EXPECT_FALSE(matchText("Ivanov", "Iv"));
  EXPECT_FALSE(matchText("Ivanov", "?"));
  EXPECT_FALSE(matchText("Ivanov", "iv*"));
  EXPECT_TRUE(matchText("Ivanov", "iv*", kMatchWildcard + kMatchNoCase));
  EXPECT_TRUE(matchText("aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*b"));
  EXPECT_FALSE(matchText(std::string(5000, 'a'), "*a*a*a*a*a*a*b"));
  EXPECT_TRUE(matchText("  Iv  ", "Iv"));  // both sides trimmed
}

TEST_F(MatchTest, RegularExpressionMode) {
  EXPECT_TRUE(matchText("Ivanov", "^Iv.*v$", kMatchRegular));
  EXPECT_TRUE(matchText("Ivanov", "an", kMatchRegular));  // found anywhere
  EXPECT_FALSE(matchText("Ivanov", "^an", kMatchRegular));
  EXPECT_TRUE(matchText("Ivanov", "^IVAN", kMatchRegular + kMatchNoCase));
  EXPECT_FALSE(matchText("Ivanov", "^IVAN", kMatchRegular));
  EXPECT_FALSE(matchText("abc", "a(b", kMatchRegular));  // does not compile
  EXPECT_TRUE(matchText("a1", "[[:digit:]]", kMatchRegular + kMatchNoCase));
  // The cached expression is replaced when the pattern changes.
  EXPECT_TRUE(matchText("x", "x", kMatchRegular));
  EXPECT_FALSE(matchText("x", "y", kMatchRegular));
  const std::string cyrillic_upper = platform::ru("ИВАНОВ");
  applyEnvironmentText(
      platform::ru("VESCASE=АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ,абвгдежзийклмнопрстуфхцчшщъыьэюя\r\n"));
  EXPECT_TRUE(matchText(platform::ru("Иванов"), platform::ru("^иван"), kMatchRegular + kMatchNoCase));
  EXPECT_TRUE(matchText(platform::ru("Иванов"), platform::ru("иван*"), kMatchWildcard + kMatchNoCase));
}

TEST_F(MatchTest, SoundMode) {
  EXPECT_EQ(soundCode("Robert"), "R163");
  EXPECT_EQ(soundCode("Rupert"), "R163");
  EXPECT_EQ(soundCode("Ashcraft"), "A261");
  EXPECT_EQ(soundCode("Tymczak"), "T522");
  EXPECT_EQ(soundCode("Lee"), "L000");
  EXPECT_EQ(soundCode("123"), "");
  EXPECT_TRUE(matchText("Robert", "Rupert", kMatchSound));
  EXPECT_FALSE(matchText("Robert", "Rubin", kMatchSound));
  EXPECT_FALSE(matchText("", "", kMatchSound));
  EXPECT_TRUE(matchText(platform::ru("Петров"), platform::ru("Петрофф"), kMatchSound));
  EXPECT_EQ(soundCode(platform::ru("Иванов")), "I151");
}

TEST_F(MatchTest, OtherModesGiveNoMatch) {
  EXPECT_FALSE(matchText("a", "a", 4));
  EXPECT_FALSE(matchText("a", "a", -1));
  EXPECT_FALSE(matchText("a", "a", 32));
  EXPECT_EQ(eval("MATCH('abc', 'a*')"), "1");
  EXPECT_EQ(eval("MATCH('abc', 'A*', 17)"), "1");
  EXPECT_EQ(eval("MATCH('abc', 'b', 2)"), "1");
}

}  // namespace
}  // namespace veltrano::runtime
