// Numbers read from and written as text by the runtime (string-stack values, text stores into
// numeric fields, the evaluator's string forms of numbers).
#pragma once

#include <string>
#include <string_view>

namespace veltrano::runtime {

// At most the first 40 characters count. Leading spaces, an optional sign, digits, an optional
// point and fraction and an optional exponent; reading stops at the first character that does
// not fit, and text with no leading number gives 0. Locale settings play no part: the point is
// always ".". A literal beyond the range of a double gives the largest double of its sign.
double realFromText(std::string_view text);

// Whether the first 40 characters, without trailing spaces, are non-empty and read completely
// as such a literal.
bool isNumericText(std::string_view text);

// The 15 significant digits of the value (as the decimal working value keeps them), written
// without an exponent, trailing fractional zeros or a bare point: 0.1 + 0.2 gives "0.3", 2.0
// gives "2", -1.5 gives "-1.5". Digits below 10^-32 are dropped, as in the working value.
// Magnitudes of 10^32 and more, which the working value cannot hold, are written in full.
// NaN and infinities give "0".
std::string textFromReal(double value);

}  // namespace veltrano::runtime
