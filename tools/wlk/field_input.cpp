#include "tools/wlk/field_input.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"
#include "runtime/values/field_value.h"

namespace veltrano::wlk {
namespace {

using runtime::TypeCode;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::optional<std::int64_t> wholeNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The digits of "1 to 2 digits" and "exactly 4 digits" parts of a date or time.
std::optional<int> part(std::string_view text, std::size_t shortest, std::size_t longest) {
  if (text.size() < shortest || text.size() > longest) return std::nullopt;
  for (const char c : text)
    if (!isDigit(c)) return std::nullopt;
  return static_cast<int>(*wholeNumber(text));
}

// дд.мм.гггг or гггг-мм-дд: the date serial, or nullopt for a text that is not a valid date.
std::optional<std::int32_t> dateSerial(std::string_view text) {
  std::optional<int> day, month, year;
  if (const auto dot = text.find('.'); dot != std::string_view::npos) {
    const auto second = text.find('.', dot + 1);
    if (second == std::string_view::npos) return std::nullopt;
    day = part(text.substr(0, dot), 1, 2);
    month = part(text.substr(dot + 1, second - dot - 1), 1, 2);
    year = part(text.substr(second + 1), 4, 4);
  } else if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
    year = part(text.substr(0, 4), 4, 4);
    month = part(text.substr(5, 2), 2, 2);
    day = part(text.substr(8, 2), 2, 2);
  }
  if (!day || !month || !year) return std::nullopt;
  const std::int32_t serial = runtime::serialFromParts(*year, *month, *day);
  if (serial <= 0) return std::nullopt;
  return serial;
}

// чч:мм, чч:мм:сс or чч:мм:сс.сс: the time serial.
std::optional<std::int32_t> timeSerial(std::string_view text) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const auto hours = part(text.substr(0, colon), 1, 2);
  std::string_view rest = text.substr(colon + 1);
  const auto second_colon = rest.find(':');
  const auto minutes = part(rest.substr(0, second_colon), 2, 2);
  std::optional<int> seconds = 0, hundredths = 0;
  if (second_colon != std::string_view::npos) {
    rest = rest.substr(second_colon + 1);
    const auto point = rest.find('.');
    seconds = part(rest.substr(0, point), 2, 2);
    if (point != std::string_view::npos) hundredths = part(rest.substr(point + 1), 2, 2);
  }
  if (!hours || !minutes || !seconds || !hundredths) return std::nullopt;
  const std::int32_t serial = runtime::timeSerialFromParts(*hours, *minutes, *seconds, *hundredths);
  if (serial < 0) return std::nullopt;
  // Midnight is a time (serial 1), not "no time".
  return serial == 0 ? 1 : serial;
}

struct IntegerRange {
  std::int64_t low, high;
};
std::optional<IntegerRange> integerRange(TypeCode type) {
  switch (type) {
    case TypeCode::Byte: return IntegerRange{0, 255};
    case TypeCode::Short: return IntegerRange{-32768, 32767};
    case TypeCode::Ushort: return IntegerRange{0, 65535};
    case TypeCode::Long:
      return IntegerRange{std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()};
    case TypeCode::Ulong: return IntegerRange{0, std::numeric_limits<std::uint32_t>::max()};
    default: return std::nullopt;
  }
}

// A decimal literal as digits and a power of ten: the text "-12,5e1" is -125 × 10^-1. Empty
// digits for a text that is not one.
struct DecimalLiteral {
  bool negative = false;
  std::string digits;  // without leading zeros
  int exponent = 0;    // the value is digits × 10^exponent
};
std::optional<DecimalLiteral> decimalLiteral(std::string_view text) {
  DecimalLiteral literal;
  std::size_t at = 0;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) literal.negative = text[at++] == '-';
  std::string digits;
  bool any = false;
  for (; at < text.size() && isDigit(text[at]); ++at, any = true) digits += text[at];
  if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
    for (++at; at < text.size() && isDigit(text[at]); ++at, any = true) {
      digits += text[at];
      --literal.exponent;
    }
  }
  if (!any) return std::nullopt;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    const auto power = wholeNumber(text.substr(at + 1));
    if (!power || *power > 64 || *power < -64) return std::nullopt;
    literal.exponent += static_cast<int>(*power);
    at = text.size();
  }
  if (at != text.size()) return std::nullopt;
  const auto first = digits.find_first_not_of('0');
  literal.digits = first == std::string::npos ? std::string() : digits.substr(first);
  return literal;
}

// The decimal as plain text ("-125.5") when it fits `digits` digits with `places` places; else
// why not. Places are counted as written: "1,000" in a field without places is refused rather
// than read as 1 when a thousand was meant.
std::string decimalText(const DecimalLiteral& literal, int digits, int places, std::string& text) {
  if (-literal.exponent > places) {
    return "has " + std::to_string(-literal.exponent) + " decimal places, the field holds " +
           std::to_string(places);
  }
  // Trailing zeros of the digits only move the exponent.
  std::string significant = literal.digits;
  int exponent = literal.exponent;
  while (!significant.empty() && significant.back() == '0') {
    significant.pop_back();
    ++exponent;
  }
  const int integer_digits = static_cast<int>(significant.size()) + exponent;
  if (integer_digits > digits - places)
    return "does not fit: the field holds " + std::to_string(digits - places) + " digits before the point";
  if (significant.empty()) {
    text = "0";
    return {};
  }
  std::string whole = significant + std::string(static_cast<std::size_t>(std::max(exponent, 0)), '0');
  std::string fraction;
  if (exponent < 0) {
    const auto cut = static_cast<std::size_t>(-exponent);
    if (whole.size() < cut) whole.insert(0, cut - whole.size(), '0');
    fraction = whole.substr(whole.size() - cut);
    whole.erase(whole.size() - cut);
  }
  text = (literal.negative ? "-" : "") + (whole.empty() ? std::string("0") : whole) +
         (fraction.empty() ? "" : "." + fraction);
  return {};
}

// The text in code page 1251, or why not: a character 1251 has no place for.
std::string textIn1251(std::string_view utf8, std::string& out) {
  out = platform::cp1251FromUtf8(utf8);
  if (platform::utf8From1251(out) != utf8) return "holds a character code page 1251 cannot store";
  return {};
}

std::string quoted(std::string_view utf8) {
  return "'" + std::string(utf8) + "'";
}

}  // namespace

std::string storeTypedValue(const runtime::FieldDescriptor& field, std::span<std::uint8_t> record,
                            std::uint32_t element, std::string_view utf8, bool truncate) {
  auto refuse = [&](const std::string& why) {
    return platform::utf8From1251(field.name) + "=" + quoted(utf8) + " " + why;
  };
  if (const auto range = integerRange(field.type)) {
    const auto value = wholeNumber(utf8);
    if (!value) return refuse("is not a whole number");
    if (*value < range->low || *value > range->high)
      return refuse("does not fit: the field holds " + std::to_string(range->low) + " to " +
                    std::to_string(range->high));
    runtime::storeInteger(field, record, *value, element);
    return {};
  }
  switch (field.type) {
    case TypeCode::Sreal:
    case TypeCode::Real:
    case TypeCode::Bfloat4:
    case TypeCode::Bfloat8: {
      const std::string text(utf8);
      char* end = nullptr;
      errno = 0;
      const double value = text.empty() ? 0 : std::strtod(text.c_str(), &end);
      if (text.empty() || end != text.c_str() + text.size() ||
          text.find_first_of("xXnN") != std::string::npos)
        return refuse("is not a number");
      const double largest = field.type == TypeCode::Real
                                 ? std::numeric_limits<double>::max()
                                 : static_cast<double>(std::numeric_limits<float>::max());
      if (errno == ERANGE || !std::isfinite(value) || std::fabs(value) > largest)
        return refuse("does not fit the field");
      runtime::storeReal(field, record, value, element);
      return {};
    }
    case TypeCode::Decimal:
    case TypeCode::Pdecimal: {
      const auto literal = decimalLiteral(utf8);
      if (!literal) return refuse("is not a number");
      std::string text;
      if (const auto why = decimalText(*literal, field.digits, field.places, text); !why.empty())
        return refuse(why);
      runtime::storeText(field, record, text, element);
      return {};
    }
    case TypeCode::Date: {
      std::optional<std::int32_t> serial = utf8.empty() ? std::optional<std::int32_t>(0) : dateSerial(utf8);
      if (!serial) {
        if (const auto number = wholeNumber(utf8);
            number && (*number == 0 || (*number >= 4 && *number <= 2994626)))
          serial = static_cast<std::int32_t>(*number);
      }
      if (!serial) return refuse("is not a date (write дд.мм.гггг or гггг-мм-дд)");
      runtime::storeInteger(field, record, *serial, element);
      return {};
    }
    case TypeCode::Time: {
      std::optional<std::int32_t> serial = utf8.empty() ? std::optional<std::int32_t>(0) : timeSerial(utf8);
      if (!serial) {
        if (const auto number = wholeNumber(utf8); number && *number >= 0 && *number <= 8640000)
          serial = static_cast<std::int32_t>(*number);
      }
      if (!serial) return refuse("is not a time (write чч:мм or чч:мм:сс)");
      runtime::storeInteger(field, record, *serial, element);
      return {};
    }
    default: break;
  }
  std::string text;
  if (const auto why = textIn1251(utf8, text); !why.empty()) return refuse(why);
  const std::uint32_t element_size = field.element_size == 0 ? field.size : field.element_size;
  const std::uint32_t room =
      field.type == TypeCode::Cstring || field.type == TypeCode::Pstring ? element_size - 1 : element_size;
  if (text.size() > room && !truncate)
    return refuse("is " + std::to_string(text.size()) + " characters long, the field holds " +
                  std::to_string(room) + " (give --truncate to cut it)");
  runtime::storeText(field, record, text, element);
  return {};
}

std::string memoValue(std::string_view label, bool blob, std::uint32_t size, std::string_view utf8,
                      bool truncate, std::vector<std::uint8_t>& contents) {
  std::string text;
  if (const auto why = textIn1251(utf8, text); !why.empty())
    return std::string(label) + "=" + quoted(utf8) + " " + why;
  if (!blob && text.size() > size) {
    if (!truncate)
      return std::string(label) + "=" + quoted(utf8) + " is " + std::to_string(text.size()) +
             " characters long, the memo holds " + std::to_string(size) + " (give --truncate to cut it)";
    text.resize(size);
  }
  contents.assign(text.begin(), text.end());
  return {};
}

}  // namespace veltrano::wlk
