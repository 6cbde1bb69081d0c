// Helpers shared by the picture formatters and the deformatter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/picture/picture.h"

namespace veltrano::runtime::picture_detail {

// A decimal number split into its parts: no leading zeros in `integer`, no sign in either.
struct Decimal {
  bool negative = false;
  std::string integer;
  std::string fraction;
  bool isZero() const;
};

// Reads "[spaces][+|-]digits[.digits][e[+|-]digits]"; whatever follows is ignored. Text with
// no digits reads as zero.
Decimal parseDecimal(std::string_view text);

// Rounds half away from zero to `places` fraction digits (the fraction is then exactly that
// long).
void roundDecimal(Decimal& value, std::size_t places);

// A whole number (date or time serial); nullopt for anything else.
std::optional<std::int64_t> parseSerial(std::string_view text);

// Upper-cases one 1251 character through the case table.
char upperCharacter(char c);

std::string formatNumber(const Decimal& value, const CompiledPicture& picture);
std::string formatScientific(std::string_view value, const CompiledPicture& picture);
std::string formatDate(std::string_view value, const CompiledPicture& picture);
std::string formatTime(std::string_view value, const CompiledPicture& picture);

}  // namespace veltrano::runtime::picture_detail
