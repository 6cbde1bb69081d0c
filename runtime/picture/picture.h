// Pictures: the display formats of values. A picture text such as "@n_5.2b", "@d6." or "@s60"
// is compiled once into a CompiledPicture (a plain fixed-size value, cheap to copy and keep
// beside a field or column); formatting and deformatting then walk its tokens.
//
// Values cross this interface as text: a decimal digit string with an optional sign and point
// for numbers, the date serial or time serial in decimal for dates and times, the text itself
// for strings. Texts are code page 1251.
//
// Nothing here fails loudly: an invalid picture compiles to the zero record, formats as no
// text and deformats to an empty value; too many integer digits show as "#".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace veltrano::runtime {

enum class PictureKind : std::uint8_t {
  kNumeric = 0,     // @N
  kScientific = 1,  // @E
  kDate = 2,        // @D
  kTime = 3,        // @T
  kPattern = 4,     // @P…P
  kString = 5,      // @S
  kKeyIn = 6,       // @K…K
};

// Token codes.
namespace picture_code {
inline constexpr std::uint8_t kLiteral = 0;  // also the second letter of an AM/PM designator
inline constexpr std::uint8_t kGrouping = 1;
inline constexpr std::uint8_t kDecimal = 2;
inline constexpr std::uint8_t kDigitPadded = 3;  // non-significant: shows its pad ("0" or "*")
inline constexpr std::uint8_t kDigitBlank = 4;   // non-significant: shows a space
inline constexpr std::uint8_t kSign = 5;
inline constexpr std::uint8_t kCurrency = 6;
inline constexpr std::uint8_t kMonth = 7;
inline constexpr std::uint8_t kDay = 8;
inline constexpr std::uint8_t kYear = 9;
inline constexpr std::uint8_t kMonthLetter = 10;
inline constexpr std::uint8_t kHour = 11;
inline constexpr std::uint8_t kMinute = 12;
inline constexpr std::uint8_t kSecond = 13;
inline constexpr std::uint8_t kKeyAt = 14;         // "@"
inline constexpr std::uint8_t kKeyCaret = 15;      // "^"
inline constexpr std::uint8_t kKeyUnderline = 16;  // "_"
inline constexpr std::uint8_t kKeyQuestion = 17;   // "?"
inline constexpr std::uint8_t kSeparator = 19;     // date or time separator
inline constexpr std::uint8_t kDesignator = 20;    // first letter of AM/PM
inline constexpr std::uint8_t kExponentSign = 21;
inline constexpr std::uint8_t kImpliedDecimal = 22;  // takes a token, prints nothing
inline constexpr std::uint8_t kKeyBar = 23;          // "|"
}  // namespace picture_code

struct PictureToken {
  char pad = 0;  // the pad of a digit position, or the character of a literal, sign or currency
  std::uint8_t code = 0;
};

struct CompiledPicture {
  std::uint8_t kind = 0;  // a PictureKind
  std::uint8_t blank_when_zero = 0;
  std::uint8_t length = 0;  // tokens; for a string picture its width; 0 = invalid
  std::uint8_t century_window = 0;
  std::uint8_t format = 0;  // date and time format number
  std::uint8_t reserved = 0;
  std::array<PictureToken, 256> tokens{};

  PictureKind pictureKind() const { return static_cast<PictureKind>(kind); }
  bool valid() const { return length != 0; }
};
static_assert(sizeof(CompiledPicture) == 518);

// An absent or empty picture is a string of width 255; any other text must begin with "@".
CompiledPicture compilePicture(std::string_view text);
// 0 for an invalid picture, 2 for a string picture, else 2 × tokens + 2.
std::size_t compiledSize(std::string_view text);
// The number of characters formatPicture() produces.
std::uint32_t pictureWidth(const CompiledPicture& picture);

// The value as text of exactly pictureWidth() characters.
std::string formatPicture(std::string_view value, const CompiledPicture& picture);
// Typed text read back: a number ("-" and one "." at most), a date or time serial, or for a
// string picture the number found in the text. Empty under an invalid picture.
std::string deformatPicture(std::string_view text, const CompiledPicture& picture);

}  // namespace veltrano::runtime
