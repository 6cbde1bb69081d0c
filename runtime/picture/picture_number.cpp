// Formatting numbers: @N, @E, and @P patterns given a number.
#include <algorithm>

#include "runtime/datetime/char_tables.h"
#include "runtime/picture/picture_internal.h"

namespace veltrano::runtime::picture_detail {
namespace {

namespace code = picture_code;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isDigitPosition(std::uint8_t c) {
  return c == code::kDigitPadded || c == code::kDigitBlank;
}

// Puts the held-back leading currency and sign right before the first shown character, so
// that "-5.00" and "$12.00" do not stand apart from their digits.
std::string floatPrefix(const std::string& prefix, const std::string& body) {
  if (prefix.empty()) return body;
  std::size_t blanks = 0;
  while (blanks < body.size() && body[blanks] == ' ') ++blanks;
  std::string out(body, 0, blanks);
  out.append(prefix).append(body, blanks);
  return out;
}

// The leading run of currency and sign tokens, which float in @N and @E pictures.
std::size_t floatingPrefixLength(const CompiledPicture& picture) {
  if (picture.pictureKind() != PictureKind::kNumeric && picture.pictureKind() != PictureKind::kScientific)
    return 0;
  std::size_t length = 0;
  while (length < picture.length &&
         (picture.tokens[length].code == code::kCurrency || picture.tokens[length].code == code::kSign))
    ++length;
  return length;
}

char signCharacter(const PictureToken& token, bool negative) {
  return negative ? token.pad : ' ';
}

}  // namespace

bool Decimal::isZero() const {
  return std::all_of(integer.begin(), integer.end(), [](char c) { return c == '0'; }) &&
         std::all_of(fraction.begin(), fraction.end(), [](char c) { return c == '0'; });
}

Decimal parseDecimal(std::string_view text) {
  Decimal value;
  std::size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) value.negative = text[at++] == '-';
  while (at < text.size() && isDigit(text[at])) value.integer += text[at++];
  if (at < text.size() && text[at] == '.') {
    ++at;
    while (at < text.size() && isDigit(text[at])) value.fraction += text[at++];
  }
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    std::size_t exponent_at = at + 1;
    bool exponent_negative = false;
    if (exponent_at < text.size() && (text[exponent_at] == '-' || text[exponent_at] == '+'))
      exponent_negative = text[exponent_at++] == '-';
    int exponent = 0;
    bool any = false;
    while (exponent_at < text.size() && isDigit(text[exponent_at])) {
      // Nothing beyond 10^1000 fits any picture; the cap keeps the digit string small.
      exponent = std::min(exponent * 10 + (text[exponent_at++] - '0'), 1100);
      any = true;
    }
    if (any) {
      std::string digits = value.integer + value.fraction;
      std::ptrdiff_t point =
          static_cast<std::ptrdiff_t>(value.integer.size()) + (exponent_negative ? -exponent : exponent);
      if (point < 0) {
        digits.insert(0, static_cast<std::size_t>(-point), '0');
        point = 0;
      }
      if (static_cast<std::size_t>(point) > digits.size())
        digits.append(static_cast<std::size_t>(point) - digits.size(), '0');
      value.integer = digits.substr(0, static_cast<std::size_t>(point));
      value.fraction = digits.substr(static_cast<std::size_t>(point));
    }
  }
  const std::size_t first = value.integer.find_first_not_of('0');
  value.integer = first == std::string::npos ? std::string() : value.integer.substr(first);
  return value;
}

void roundDecimal(Decimal& value, std::size_t places) {
  if (value.fraction.size() <= places) {
    value.fraction.append(places - value.fraction.size(), '0');
    return;
  }
  const bool round_up = value.fraction[places] >= '5';
  value.fraction.resize(places);
  if (!round_up) return;
  std::string digits = value.integer + value.fraction;
  std::size_t at = digits.size();
  while (at > 0) {
    --at;
    if (digits[at] == '9') {
      digits[at] = '0';
      continue;
    }
    ++digits[at];
    break;
  }
  if (digits.empty() || (at == 0 && digits[0] == '0')) digits.insert(0, 1, '1');
  value.integer = digits.substr(0, digits.size() - places);
  value.fraction = digits.substr(digits.size() - places);
}

std::string formatNumber(const Decimal& original, const CompiledPicture& picture) {
  const std::size_t count = picture.length;
  // Digit positions before the decimal separator (or all of them) hold the integer part.
  std::size_t decimal_at = count;
  for (std::size_t i = 0; i < count; ++i) {
    if (picture.tokens[i].code == code::kDecimal || picture.tokens[i].code == code::kImpliedDecimal) {
      decimal_at = i;
      break;
    }
  }
  std::size_t integer_positions = 0;
  std::size_t places = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (!isDigitPosition(picture.tokens[i].code)) continue;
    (i < decimal_at ? integer_positions : places)++;
  }
  Decimal value = original;
  roundDecimal(value, places);
  const bool zero = value.isZero();
  const bool negative = value.negative && !zero;
  if (picture.blank_when_zero && zero) return std::string(pictureWidth(picture), ' ');
  const bool overflow = value.integer.size() > integer_positions;

  const std::size_t prefix_length = floatingPrefixLength(picture);
  std::string prefix;
  for (std::size_t i = 0; i < prefix_length; ++i) {
    const PictureToken& token = picture.tokens[i];
    prefix += token.code == code::kSign ? signCharacter(token, negative) : token.pad;
  }
  std::string body;
  std::size_t integer_left = integer_positions;  // integer positions at and after this one
  std::size_t place = 0;
  bool digit_shown = false;
  for (std::size_t i = prefix_length; i < count; ++i) {
    const PictureToken& token = picture.tokens[i];
    if (isDigitPosition(token.code)) {
      if (overflow) {
        body += '#';
      } else if (i > decimal_at) {
        body += value.fraction[place++];
      } else {
        const std::size_t from_right = --integer_left;
        if (from_right < value.integer.size()) {
          const char digit = value.integer[value.integer.size() - 1 - from_right];
          body += (token.code == code::kDigitBlank && digit == '0' && !digit_shown) ? ' ' : digit;
          digit_shown = digit_shown || digit != '0';
        } else {
          body += token.code == code::kDigitPadded ? token.pad : ' ';
        }
      }
      continue;
    }
    switch (token.code) {
      case code::kGrouping:
        if (digit_shown || overflow) {
          body += token.pad;
        } else {
          // A separator before any digit takes the star fill of its neighbours.
          const bool starred =
              body.empty() ? i + 1 < count && picture.tokens[i + 1].pad == '*' : body.back() == '*';
          body += starred ? '*' : ' ';
        }
        break;
      case code::kImpliedDecimal: break;
      case code::kSign: body += signCharacter(token, negative); break;
      default: body += token.pad; break;
    }
  }
  return floatPrefix(prefix, body);
}

std::string formatScientific(std::string_view text, const CompiledPicture& picture) {
  const Decimal value = parseDecimal(text);
  const std::size_t count = picture.length;
  std::size_t places = 0;
  bool after_decimal = false;
  for (std::size_t i = 0; i < count && picture.tokens[i].code != code::kLiteral; ++i) {
    if (picture.tokens[i].code == code::kDecimal) after_decimal = true;
    if (after_decimal && picture.tokens[i].code == code::kDigitPadded) ++places;
  }
  // value = mantissa × 10^exponent with one digit before the point.
  const std::string digits = value.integer + value.fraction;
  const std::size_t first = digits.find_first_not_of('0');
  Decimal mantissa;
  long exponent = 0;
  if (first != std::string::npos) {
    exponent = static_cast<long>(value.integer.size()) - 1 - static_cast<long>(first);
    mantissa.integer = digits.substr(first, 1);
    mantissa.fraction = digits.substr(first + 1);
  }
  roundDecimal(mantissa, places);
  if (mantissa.integer.size() > 1) {  // 9.99 rounded up to 10.0
    mantissa.fraction.insert(0, mantissa.integer, 1);
    mantissa.fraction.resize(places);
    mantissa.integer.resize(1);
    ++exponent;
  }
  if (mantissa.integer.empty()) mantissa.integer.push_back('0');
  const bool zero = first == std::string::npos || mantissa.isZero();
  if (picture.blank_when_zero && zero) return std::string(pictureWidth(picture), ' ');
  const bool negative = value.negative && !zero;
  const bool overflow = exponent > 999 || exponent < -999;
  const std::string exponent_digits = overflow ? "###" : [&] {
    std::string out = std::to_string(exponent < 0 ? -exponent : exponent);
    out.insert(0, 3 - out.size(), '0');
    return out;
  }();

  const std::size_t prefix_length = floatingPrefixLength(picture);
  std::string prefix;
  for (std::size_t i = 0; i < prefix_length; ++i) prefix += signCharacter(picture.tokens[i], negative);
  // The last integer position before the decimal separator (or the "E") holds the digit.
  std::size_t digit_at = prefix_length;
  for (std::size_t i = prefix_length; i < count; ++i) {
    const std::uint8_t c = picture.tokens[i].code;
    if (c == code::kDecimal || c == code::kLiteral) break;
    if (isDigitPosition(c)) digit_at = i;
  }
  std::string body;
  std::size_t place = 0;
  std::size_t exponent_digit = 0;
  bool in_exponent = false;
  for (std::size_t i = prefix_length; i < count; ++i) {
    const PictureToken& token = picture.tokens[i];
    switch (token.code) {
      case code::kDigitBlank:
      case code::kDigitPadded:
        if (in_exponent) {
          body += exponent_digits[std::min<std::size_t>(exponent_digit++, 2)];
        } else if (i == digit_at) {
          body += mantissa.integer[0];
        } else if (i > digit_at) {
          body += place < mantissa.fraction.size() ? mantissa.fraction[place++] : '0';
        } else {
          body += ' ';
        }
        break;
      case code::kGrouping: body += ' '; break;
      case code::kExponentSign:
        body += exponent < 0 ? '-' : '+';
        in_exponent = true;
        break;
      case code::kSign: body += signCharacter(token, negative); break;
      default: body += token.pad; break;
    }
  }
  return floatPrefix(prefix, body);
}

char upperCharacter(char c) {
  const CharTables& tables = charTables();
  const auto code_point = static_cast<std::uint8_t>(c);
  return tables.flags[code_point] == kCaseLower ? static_cast<char>(tables.partner[code_point]) : c;
}

}  // namespace veltrano::runtime::picture_detail
