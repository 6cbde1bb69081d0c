#include "runtime/values/decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace veltrano::runtime {
namespace {

constexpr int kTopCell = Decimal::kCells - 1;

constexpr std::array<double, 17> kPowersOfTen = {1e0, 1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7, 1e8,
                                                 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16};

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::uint8_t nibbleAt(std::span<const std::uint8_t> bytes, std::size_t position) {
  const std::uint8_t byte = bytes[position / 2];
  return position % 2 == 0 ? static_cast<std::uint8_t>(byte >> 4) : static_cast<std::uint8_t>(byte & 0x0F);
}

void putNibble(std::span<std::uint8_t> bytes, std::size_t position, std::uint8_t nibble) {
  std::uint8_t& byte = bytes[position / 2];
  if (position % 2 == 0) {
    byte = static_cast<std::uint8_t>((byte & 0x0F) | (nibble << 4));
  } else {
    byte = static_cast<std::uint8_t>((byte & 0xF0) | (nibble & 0x0F));
  }
}

}  // namespace

bool significantDigits(double value, std::array<std::uint8_t, 15>& digits, int& exponent) {
  if (!std::isfinite(value) || value == 0.0) return false;
  // to_chars ignores the C locale, whose decimal point may be a comma under a Russian locale.
  std::array<char, 40> text{};
  const auto result = std::to_chars(text.data(), text.data() + text.size(), std::fabs(value),
                                    std::chars_format::scientific, 14);
  std::size_t count = 0;
  const char* cursor = text.data();
  for (; cursor < result.ptr && *cursor != 'e'; ++cursor) {
    if (isDigit(*cursor) && count < digits.size()) digits[count++] = static_cast<std::uint8_t>(*cursor - '0');
  }
  if (count != digits.size() || cursor == result.ptr) return false;
  ++cursor;  // 'e'
  int parsed = 0;
  if (*cursor == '+') ++cursor;
  std::from_chars(cursor, result.ptr, parsed);
  exponent = parsed;
  return true;
}

Decimal Decimal::fromInteger(std::int64_t value) {
  Decimal result;
  std::uint64_t magnitude =
      value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  for (int index = kUnitsCell; magnitude != 0 && index <= kTopCell; ++index) {
    result.cell(index) = static_cast<std::uint8_t>(magnitude % 10);
    magnitude /= 10;
  }
  result.negative_ = value < 0 ? 1 : 0;
  result.normalise();
  return result;
}

Decimal Decimal::fromDouble(double value) {
  Decimal result;
  std::array<std::uint8_t, 15> digits{};
  int exponent = 0;
  if (!significantDigits(value, digits, exponent)) return result;
  const int first = kUnitsCell + exponent;
  int lowest = kUnitsCell;
  for (int k = 0; k < static_cast<int>(digits.size()); ++k) {
    const int index = first - k;
    if (index > kTopCell) continue;  // leading digits that do not fit are lost
    if (index < 0) break;
    const std::uint8_t digit = digits[static_cast<std::size_t>(k)];
    result.cell(index) = digit;
    if (digit != 0) lowest = std::min(lowest, index);
  }
  result.lowest_ = static_cast<std::uint8_t>(lowest);
  result.negative_ = value < 0 ? 1 : 0;
  result.normalise();
  return result;
}

Decimal Decimal::fromText(std::string_view text) {
  Decimal result;
  std::size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';

  const std::size_t integer_begin = at;
  while (at < text.size() && isDigit(text[at])) ++at;
  const std::size_t integer_end = at;
  // The last integer digit is the units; digits beyond the 32nd from the right are lost.
  int index = kUnitsCell;
  for (std::size_t i = integer_end; i > integer_begin && index <= kTopCell; --i, ++index) {
    result.cell(index) = static_cast<std::uint8_t>(text[i - 1] - '0');
  }

  int fraction_digits = 0;
  if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
    ++at;
    for (; at < text.size() && isDigit(text[at]); ++at) {
      if (fraction_digits == kUnitsCell) continue;  // only 32 fraction digits count
      ++fraction_digits;
      result.cell(kUnitsCell - fraction_digits) = static_cast<std::uint8_t>(text[at] - '0');
    }
  }
  result.lowest_ = static_cast<std::uint8_t>(kUnitsCell - fraction_digits);

  if (at < text.size() && (text[at] == 'E' || text[at] == 'e')) {
    std::size_t cursor = at + 1;
    bool negative_exponent = false;
    if (cursor < text.size() && (text[cursor] == '-' || text[cursor] == '+')) {
      negative_exponent = text[cursor++] == '-';
    }
    if (cursor < text.size() && isDigit(text[cursor])) {
      int exponent = 0;
      for (; cursor < text.size() && isDigit(text[cursor]); ++cursor) {
        // Any shift past 2 × 64 cells clears the value; stop counting before int overflows.
        exponent = std::min(exponent * 10 + (text[cursor] - '0'), 1000);
      }
      const int shift = negative_exponent ? -exponent : exponent;
      Decimal shifted;
      for (int from = result.lowest_; from <= kTopCell; ++from) {
        const int to = from + shift;
        if (to >= 0 && to <= kTopCell) shifted.cell(to) = result.cell(from);
      }
      shifted.lowest_ = static_cast<std::uint8_t>(std::clamp(result.lowest_ + shift, 0, kUnitsCell));
      result = shifted;
    }
  }
  result.negative_ = negative ? 1 : 0;
  result.normalise();
  return result;
}

Decimal Decimal::loadPacked(std::span<const std::uint8_t> bytes, TypeCode type, int places) {
  Decimal result;
  if (bytes.empty()) return result;
  const int byte_count = static_cast<int>(bytes.size());
  const int digit_count = 2 * byte_count - 1;
  const int highest = 2 * byte_count - places + 30;
  const bool sign_first = type != TypeCode::Pdecimal;
  for (int i = 0; i < digit_count; ++i) {
    const int index = highest - i;
    if (index < 0 || index > kTopCell) continue;
    const std::uint8_t nibble = nibbleAt(bytes, static_cast<std::size_t>(sign_first ? i + 1 : i));
    result.cell(index) = nibble <= 9 ? nibble : 0;
  }
  result.lowest_ = static_cast<std::uint8_t>(std::clamp(kUnitsCell - places, 0, kUnitsCell));
  if (sign_first) {
    result.negative_ = (bytes[0] >> 4) != 0 ? 1 : 0;
  } else {
    result.negative_ = (bytes.back() & 0x0F) == 0x0D ? 1 : 0;
  }
  result.normalise();
  return result;
}

void Decimal::storePacked(std::span<std::uint8_t> bytes, TypeCode type, int places, int digits) const {
  if (bytes.empty()) return;
  Decimal rounded = *this;
  rounded.roundToPlaces(places);
  const int byte_count = static_cast<int>(bytes.size());
  const int digit_count = 2 * byte_count - 1;
  const int spare = digits > 0 && digits < digit_count ? digit_count - digits : 0;
  const int highest = 2 * byte_count - places + 30;
  const bool sign_first = type != TypeCode::Pdecimal;
  std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
  for (int i = spare; i < digit_count; ++i) {
    putNibble(bytes, static_cast<std::size_t>(sign_first ? i + 1 : i),
              static_cast<std::uint8_t>(rounded.digit(highest - i)));
  }
  // The sign follows what was written: a value whose kept digits are all 0 is stored as +0.
  bool any_digit = false;
  for (int i = spare; i < digit_count && !any_digit; ++i) any_digit = rounded.digit(highest - i) != 0;
  const bool negative = rounded.isNegative() && any_digit;
  if (sign_first) {
    putNibble(bytes, 0, negative ? 0x0F : 0x00);
  } else {
    putNibble(bytes, static_cast<std::size_t>(digit_count), negative ? 0x0D : 0x0F);
  }
}

double Decimal::toDouble() const {
  if (isZero()) return 0.0;
  const int last = std::max<int>(lowest_, highest_ - 15);
  std::uint64_t accumulated = 0;
  for (int index = highest_; index >= last; --index) accumulated = accumulated * 10 + cell(index);
  double value = static_cast<double>(accumulated);
  int shift = last - kUnitsCell;
  if (shift >= 0) {
    for (; shift > 16; shift -= 16) value *= kPowersOfTen[16];
    value *= kPowersOfTen[static_cast<std::size_t>(shift)];
  } else {
    shift = -shift;
    for (; shift > 16; shift -= 16) value /= kPowersOfTen[16];
    value /= kPowersOfTen[static_cast<std::size_t>(shift)];
  }
  return negative_ != 0 ? -value : value;
}

std::int64_t Decimal::toInteger() const {
  std::uint64_t magnitude = 0;
  for (int index = highest_; index >= kUnitsCell; --index) magnitude = magnitude * 10 + cell(index);
  if (negative_ != 0) magnitude = std::uint64_t{0} - magnitude;
  return static_cast<std::int64_t>(magnitude);
}

std::string Decimal::toText() const {
  if (isZero()) return "0";
  std::string text;
  text.reserve(kCells + 3);
  if (negative_ != 0) text.push_back('-');
  if (highest_ >= kUnitsCell) {
    for (int index = highest_; index >= kUnitsCell; --index)
      text.push_back(static_cast<char>('0' + cell(index)));
  } else {
    text.push_back('0');
  }
  if (lowest_ < kUnitsCell) {
    text.push_back('.');
    for (int index = kUnitsCell - 1; index >= lowest_; --index)
      text.push_back(static_cast<char>('0' + cell(index)));
  }
  return text;
}

int Decimal::compareMagnitude(const Decimal& a, const Decimal& b) {
  if (a.isZero() || b.isZero()) return (a.isZero() ? 0 : 1) - (b.isZero() ? 0 : 1);
  if (a.highest_ != b.highest_) return a.highest_ > b.highest_ ? 1 : -1;
  const int lowest = std::min(a.lowest_, b.lowest_);
  for (int index = a.highest_; index >= lowest; --index) {
    if (a.cell(index) != b.cell(index)) return a.cell(index) > b.cell(index) ? 1 : -1;
  }
  return 0;
}

int Decimal::compare(const Decimal& other) const {
  if (negative_ != other.negative_) return negative_ != 0 ? -1 : 1;
  const int magnitude = compareMagnitude(*this, other);
  return negative_ != 0 ? -magnitude : magnitude;
}

void Decimal::normalise() {
  int top = kTopCell;
  while (top > lowest_ && cell(top) == 0) --top;
  if (cell(top) == 0) {
    cells_.fill(0);
    lowest_ = kUnitsCell;
    highest_ = kUnitsCell;
    negative_ = 0;
    return;
  }
  highest_ = static_cast<std::uint8_t>(top);
}

Decimal Decimal::addMagnitudes(const Decimal& a, const Decimal& b) {
  Decimal result;
  const int lowest = std::min(a.lowest_, b.lowest_);
  const int highest = std::max(a.highest_, b.highest_);
  int carry = 0;
  for (int index = lowest; index <= highest; ++index) {
    const int sum = a.cell(index) + b.cell(index) + carry;
    result.cell(index) = static_cast<std::uint8_t>(sum % 10);
    carry = sum / 10;
  }
  if (carry != 0 && highest < kTopCell) result.cell(highest + 1) = 1;
  result.lowest_ = static_cast<std::uint8_t>(lowest);
  return result;
}

Decimal Decimal::subtractMagnitudes(const Decimal& a, const Decimal& b) {
  Decimal result;
  const int lowest = std::min(a.lowest_, b.lowest_);
  const int highest = std::max(a.highest_, b.highest_);
  int borrow = 0;
  for (int index = lowest; index <= highest; ++index) {
    int difference = a.cell(index) - b.cell(index) - borrow;
    borrow = difference < 0 ? 1 : 0;
    if (difference < 0) difference += 10;
    result.cell(index) = static_cast<std::uint8_t>(difference);
  }
  result.lowest_ = static_cast<std::uint8_t>(lowest);
  return result;
}

Decimal Decimal::operator-() const {
  Decimal result = *this;
  if (!result.isZero()) result.negative_ = negative_ != 0 ? 0 : 1;
  return result;
}

Decimal operator+(const Decimal& a, const Decimal& b) {
  Decimal result;
  if (a.negative_ == b.negative_) {
    result = Decimal::addMagnitudes(a, b);
    result.negative_ = a.negative_;
  } else if (Decimal::compareMagnitude(a, b) >= 0) {
    result = Decimal::subtractMagnitudes(a, b);
    result.negative_ = a.negative_;
  } else {
    result = Decimal::subtractMagnitudes(b, a);
    result.negative_ = b.negative_;
  }
  result.normalise();
  return result;
}

Decimal operator-(const Decimal& a, const Decimal& b) {
  return a + (-b);
}

Decimal operator*(const Decimal& a, const Decimal& b) {
  Decimal result;
  if (a.isZero() || b.isZero()) return result;
  // The exact product first, so that carries out of the dropped low digits still count.
  std::array<std::uint32_t, 2 * Decimal::kCells + 1> product{};
  for (int i = a.lowest_; i <= a.highest_; ++i) {
    if (a.cell(i) == 0) continue;
    for (int j = b.lowest_; j <= b.highest_; ++j) {
      product[static_cast<std::size_t>(i + j)] += static_cast<std::uint32_t>(a.cell(i) * b.cell(j));
    }
  }
  for (std::size_t k = 0; k + 1 < product.size(); ++k) {
    product[k + 1] += product[k] / 10;
    product[k] %= 10;
  }
  // Position i + j holds the digit of cell i + j - 32.
  for (int index = 0; index <= kTopCell; ++index) {
    result.cell(index) =
        static_cast<std::uint8_t>(product[static_cast<std::size_t>(index + Decimal::kUnitsCell)]);
  }
  result.lowest_ = static_cast<std::uint8_t>(std::max(0, a.lowest_ + b.lowest_ - Decimal::kUnitsCell));
  for (int index = 0; index < result.lowest_; ++index) result.cell(index) = 0;
  result.negative_ = a.negative_ != b.negative_ ? 1 : 0;
  result.normalise();
  return result;
}

Decimal operator/(const Decimal& a, const Decimal& b) {
  Decimal quotient;
  if (a.isZero() || b.isZero()) return quotient;
  // The divisor without its trailing zeros is the integer D, with b = D × 10^shift.
  int divisor_lowest = b.lowest_;
  while (b.cell(divisor_lowest) == 0) ++divisor_lowest;
  const int shift = divisor_lowest - Decimal::kUnitsCell;
  const int divisor_length = b.highest_ - divisor_lowest + 1;
  // Long division of a / 10^shift by D, one quotient digit per cell down to cell 0; cell 0 only
  // decides the rounding to 31 places.
  const int top = a.highest_ - shift;
  if (divisor_length <= 18) {
    std::uint64_t divisor = 0;
    for (int index = b.highest_; index >= divisor_lowest; --index) divisor = divisor * 10 + b.cell(index);
    std::uint64_t remainder = 0;
    for (int position = top; position >= 0; --position) {
      remainder = remainder * 10 + static_cast<std::uint64_t>(a.digit(position + shift));
      const auto digit = static_cast<std::uint8_t>(remainder / divisor);
      remainder %= divisor;
      if (position <= kTopCell) quotient.cell(position) = digit;
    }
  } else {
    // Digits least significant first; the remainder never exceeds ten times the divisor.
    std::array<std::uint8_t, Decimal::kCells + 2> divisor{};
    std::array<std::uint8_t, Decimal::kCells + 2> remainder{};
    for (int k = 0; k < divisor_length; ++k) {
      divisor[static_cast<std::size_t>(k)] = b.cell(divisor_lowest + k);
    }
    const auto remainderAtLeastDivisor = [&] {
      for (std::size_t k = remainder.size(); k-- > 0;) {
        if (remainder[k] != divisor[k]) return remainder[k] > divisor[k];
      }
      return true;
    };
    for (int position = top; position >= 0; --position) {
      std::copy_backward(remainder.begin(), remainder.end() - 1, remainder.end());
      remainder[0] = static_cast<std::uint8_t>(a.digit(position + shift));
      std::uint8_t digit = 0;
      while (remainderAtLeastDivisor()) {
        int borrow = 0;
        for (std::size_t k = 0; k < remainder.size(); ++k) {
          int difference = remainder[k] - divisor[k] - borrow;
          borrow = difference < 0 ? 1 : 0;
          if (difference < 0) difference += 10;
          remainder[k] = static_cast<std::uint8_t>(difference);
        }
        ++digit;
      }
      if (position <= kTopCell) quotient.cell(position) = digit;
    }
  }
  quotient.lowest_ = 0;
  quotient.negative_ = a.negative_ != b.negative_ ? 1 : 0;
  quotient.normalise();
  quotient.roundToPlaces(31);
  if (!quotient.isZero()) {
    while (quotient.lowest_ < Decimal::kUnitsCell && quotient.cell(quotient.lowest_) == 0) ++quotient.lowest_;
  }
  return quotient;
}

void Decimal::roundToPlaces(int places) {
  places = std::clamp(places, -31, kUnitsCell);
  const int keep = kUnitsCell - places;  // the lowest cell kept
  if (lowest_ >= keep || isZero()) return;
  const bool round_up = cell(keep - 1) >= 5;
  for (int index = lowest_; index < keep; ++index) cell(index) = 0;
  if (round_up) {
    for (int index = keep; index <= kTopCell; ++index) {
      if (cell(index) == 9) {
        cell(index) = 0;
        continue;
      }
      ++cell(index);
      break;
    }
  }
  lowest_ = static_cast<std::uint8_t>(std::min(keep, kUnitsCell));
  normalise();
}

}  // namespace veltrano::runtime
