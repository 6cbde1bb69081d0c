// Comparison and case of text under the character tables of the environment file (collation
// weights, case partners and flags, digraphs). The tables are read on every call, so a locale
// loaded at start-up takes effect everywhere at once.
//
// The comparisons walk the two texts in place, without copies: they are on the path of every
// key comparison and every filter test.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace veltrano::runtime {

// Negative, 0 or positive. A text that runs out continues as spaces, so trailing spaces never
// make two texts differ. Characters with a digraph entry compare as their two characters. At
// the first position whose collation weights differ, the result is the first weight minus the
// second.
int compareText(std::string_view a, std::string_view b);
// The same after replacing every lower-case letter by its upper-case partner on both sides.
int compareTextNoCase(std::string_view a, std::string_view b);
// NUL-terminated texts; a null pointer compares as the empty text.
int compareCText(const char* a, const char* b);

std::uint8_t upperChar(std::uint8_t c);
std::uint8_t lowerChar(std::uint8_t c);
std::string upperText(std::string_view text);
std::string lowerText(std::string_view text);
void upperInPlace(std::span<std::uint8_t> text);
void lowerInPlace(std::span<std::uint8_t> text);

bool isUpperChar(std::uint8_t c);
bool isLowerChar(std::uint8_t c);
bool isAlphaChar(std::uint8_t c);  // has a case partner
bool isDigitChar(std::uint8_t c);

}  // namespace veltrano::runtime
