#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace veltrano::platform {
namespace {

TEST(CodePage, RussianLettersConvertBothWays) {
  const std::string text = ru("Ёлкин Жуков ёжик №5 АЯая");
  ASSERT_EQ(text.size(), 24u);  // one byte per character
  EXPECT_EQ(static_cast<std::uint8_t>(text[0]), 0xA8);   // Ё
  EXPECT_EQ(static_cast<std::uint8_t>(text[1]), 0xEB);   // л
  EXPECT_EQ(static_cast<std::uint8_t>(text[20]), 0xC0);  // А
  EXPECT_EQ(static_cast<std::uint8_t>(text[23]), 0xFF);  // я
  EXPECT_EQ(utf8From1251(text), "Ёлкин Жуков ёжик №5 АЯая");
}

TEST(CodePage, UnmappableAndMalformedUtf8BecomeQuestionMarks) {
  EXPECT_EQ(cp1251FromUtf8("a\xE4\xB8\xAD" "b"), "a?b");  // a CJK character
  EXPECT_EQ(cp1251FromUtf8("\xC3"), "?");                  // truncated sequence
  EXPECT_EQ(cp1251FromUtf8("\x80z"), "?z");                // stray continuation byte
}

TEST(CodePage, EveryByteOf1251RoundTripsThroughUtf8) {
  for (int byte = 1; byte < 256; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    EXPECT_EQ(cp1251FromUtf8(utf8From1251(one)), one) << byte;
  }
}

TEST(CodePage, OemConversionIsExactForSharedCharactersAndLosesNothing) {
  for (int byte = 0; byte < 256; ++byte) {
    const auto ansi = static_cast<std::uint8_t>(byte);
    const auto oem = oemFromAnsi(ansi);
    EXPECT_EQ(ansiFromOem(oem), ansi) << byte;
    // A character both sets hold keeps its identity.
    const char32_t code = unicodeFrom1251(ansi);
    bool in866 = false;
    for (int candidate = 0; candidate < 256; ++candidate) {
      in866 = in866 || unicodeFrom866(static_cast<std::uint8_t>(candidate)) == code;
    }
    if (in866) {
      EXPECT_EQ(unicodeFrom866(oem), code) << byte;
    }
  }
  EXPECT_EQ(static_cast<std::uint8_t>(oemFromAnsi(ru("А"))[0]), 0x80);
  EXPECT_EQ(static_cast<std::uint8_t>(oemFromAnsi(ru("я"))[0]), 0xEF);
  EXPECT_EQ(static_cast<std::uint8_t>(oemFromAnsi(ru("Ё"))[0]), 0xF0);
  EXPECT_EQ(static_cast<std::uint8_t>(oemFromAnsi(ru("№"))[0]), 0xFC);
  EXPECT_EQ(ansiFromOem(oemFromAnsi(ru("Иванов Пётр"))), ru("Иванов Пётр"));
}

// The in-place conversion skips ASCII eight bytes at a time: a non-ASCII byte at any place of
// any word, and the tail shorter than a word, must still be converted.
TEST(CodePage, InPlaceConversionMatchesByteByByteAtEveryPlace) {
  for (std::size_t length = 0; length <= 27; ++length) {
    for (std::size_t place = 0; place < length; ++place) {
      std::vector<std::uint8_t> text(length, ' ');
      text[place] = 0xC0;  // 1251 "А"
      if (place + 9 < length) text[place + 9] = 0xFF;
      std::vector<std::uint8_t> expected = text;
      for (auto& byte : expected) byte = oemFromAnsi(byte);
      std::vector<std::uint8_t> converted = text;
      oemFromAnsi(std::span<std::uint8_t>(converted));
      ASSERT_EQ(converted, expected) << length << " " << place;
      ansiFromOem(std::span<std::uint8_t>(converted));
      ASSERT_EQ(converted, text) << length << " " << place;
    }
  }
}

// Every byte value, in runs long enough for whole blocks and mixed with letters, converts as the
// byte-by-byte mapping says, whichever way the conversion goes.
TEST(CodePage, InPlaceConversionOfMixedTextMatchesByteByByte) {
  std::mt19937 random(1251);
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::uint8_t> text(random() % 70);
    const int mode = round % 4;  // all bytes, ASCII with letters, letters only, one odd byte
    for (auto& byte : text) {
      const auto any = static_cast<std::uint8_t>(random());
      const auto letter = static_cast<std::uint8_t>(0xC0 + random() % 64);
      byte = mode == 0 ? any : mode == 1 ? (random() % 2 ? letter : static_cast<std::uint8_t>(' ')) : letter;
    }
    if (mode == 3 && !text.empty()) text[random() % text.size()] = static_cast<std::uint8_t>(0x80 + random() % 64);
    for (const bool to_oem : {true, false}) {
      std::vector<std::uint8_t> expected = text;
      for (auto& byte : expected) byte = to_oem ? oemFromAnsi(byte) : ansiFromOem(byte);
      std::vector<std::uint8_t> converted = text;
      if (to_oem) {
        oemFromAnsi(std::span<std::uint8_t>(converted));
      } else {
        ansiFromOem(std::span<std::uint8_t>(converted));
      }
      ASSERT_EQ(converted, expected) << "round " << round << (to_oem ? " to OEM" : " from OEM");
    }
  }
}

}  // namespace
}  // namespace veltrano::platform
