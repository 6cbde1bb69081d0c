#include "runtime/values/number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "runtime/values/decimal.h"

namespace veltrano::runtime {
namespace {

constexpr std::size_t kCountedCharacters = 40;
constexpr int kLowestPower = -32;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

struct Literal {
  std::size_t begin = 0;  // the sign or first digit
  std::size_t end = 0;    // one past the literal; begin == end when there is none
  bool negative_exponent = false;
};

Literal scanLiteral(std::string_view text) {
  Literal literal;
  std::size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  literal.begin = at;
  literal.end = at;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
  std::size_t digits = 0;
  for (; at < text.size() && isDigit(text[at]); ++at) ++digits;
  if (at < text.size() && text[at] == '.') {
    ++at;
    for (; at < text.size() && isDigit(text[at]); ++at) ++digits;
  }
  if (digits == 0) return literal;
  literal.end = at;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    std::size_t cursor = at + 1;
    bool negative = false;
    if (cursor < text.size() && (text[cursor] == '-' || text[cursor] == '+'))
      negative = text[cursor++] == '-';
    if (cursor < text.size() && isDigit(text[cursor])) {
      while (cursor < text.size() && isDigit(text[cursor])) ++cursor;
      literal.end = cursor;
      literal.negative_exponent = negative;
    }
  }
  return literal;
}

}  // namespace

double realFromText(std::string_view text) {
  text = text.substr(0, kCountedCharacters);
  const Literal literal = scanLiteral(text);
  if (literal.begin == literal.end) return 0.0;
  std::string_view number = text.substr(literal.begin, literal.end - literal.begin);
  const bool negative = number.front() == '-';
  if (number.front() == '-' || number.front() == '+') number.remove_prefix(1);
  double value = 0.0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    value = literal.negative_exponent ? 0.0 : std::numeric_limits<double>::max();
  }
  return negative ? -value : value;
}

bool isNumericText(std::string_view text) {
  text = text.substr(0, kCountedCharacters);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  const Literal literal = scanLiteral(text);
  return literal.begin != literal.end && literal.end == text.size();
}

std::string textFromReal(double value) {
  std::array<std::uint8_t, 15> digits{};
  int exponent = 0;
  if (!significantDigits(value, digits, exponent)) return "0";
  // digits[k] is the digit of 10^(exponent - k); keep those at 10^-32 and above, and drop
  // trailing zeros.
  int last = 14;
  while (last >= 0 && (exponent - last < kLowestPower || digits[static_cast<std::size_t>(last)] == 0)) --last;
  if (last < 0) return "0";
  const auto digitOf = [&](int power) -> char {
    const int k = exponent - power;
    return k >= 0 && k <= last ? static_cast<char>('0' + digits[static_cast<std::size_t>(k)]) : '0';
  };
  std::string text;
  if (value < 0) text.push_back('-');
  if (exponent >= 0) {
    for (int power = exponent; power >= 0; --power) text.push_back(digitOf(power));
  } else {
    text.push_back('0');
  }
  const int lowest_power = exponent - last;
  if (lowest_power < 0) {
    text.push_back('.');
    for (int power = -1; power >= lowest_power; --power) text.push_back(digitOf(power));
  }
  return text;
}

}  // namespace veltrano::runtime
