// The text searches behind INSTRING and MATCH.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace veltrano::runtime {

// INSTRING: tries the offsets start − 1, start − 1 + step, … while `sub` still fits in `text`;
// a match at offset o gives o div step + 1, no match 0. A step or start below 1 counts as 1, and
// an empty `sub` is never found. With step 1 a one-character `sub` is found by a character
// scan and a `sub` of 5 or more characters in a text of 257 or more by a skip-table search;
// every method gives the plain scan's result.
std::int32_t findInString(std::string_view sub, std::string_view text, std::int32_t step = 1,
                          std::int32_t start = 1);

// MATCH modes; adding kMatchNoCase makes the first three ignore letter case.
inline constexpr int kMatchEqual = 0;     // same length, same characters
inline constexpr int kMatchWildcard = 1;  // "*" any run of characters, "?" any one character
inline constexpr int kMatchRegular = 2;   // POSIX extended regular expression, found anywhere
inline constexpr int kMatchSound = 3;     // equal four-character sound codes
inline constexpr int kMatchNoCase = 16;

// MATCH(text, pattern, mode): both texts are trimmed of leading and trailing spaces first. An
// unknown mode, or a regular expression that does not compile, gives false.
bool matchText(std::string_view text, std::string_view pattern, int mode = kMatchWildcard);

// The sound code of a text: its first letter and three digits (Soundex). Cyrillic letters are
// transliterated first, so Russian surnames get codes too. Empty when the text has no letter.
std::string soundCode(std::string_view text);

}  // namespace veltrano::runtime
