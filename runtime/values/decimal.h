// The decimal working value: exact decimal arithmetic in an unpacked form.
//
// A value is 64 digit cells, one decimal digit per byte. Cell 32 holds the units digit; cell
// 32 + k the digit of 10^k and cell 32 - k the digit of 10^-k, so a value carries up to 32
// integer and 32 fractional digits. Beside the cells it keeps a sign and the lowest and highest
// significant cells. The lowest cell records the places the value has (1.5 loaded from a field
// with two places keeps its second place and is written "1.50"); the highest cell is the
// highest non-zero digit.
//
// The object is a fixed 67-byte value with no heap storage, so the evaluator and the record
// loads can create and copy working values freely.
//
// Invariants: every cell outside [lowest, highest] is 0; lowest <= 32; the highest cell is
// non-zero unless the value is 0, and 0 is always positive with lowest = highest = 32.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "runtime/values/type_codes.h"

namespace veltrano::runtime {

class Decimal {
 public:
  static constexpr int kCells = 64;
  static constexpr int kUnitsCell = 32;

  Decimal() = default;  // 0

  static Decimal fromInteger(std::int64_t value);
  // Keeps the 15 most significant digits of the double, rounded, so that 0.1 + 0.2 becomes
  // exactly 0.3. Digits below cell 0 are dropped; a value too large for the cells loses its
  // leading digits (or becomes 0 when none of its digits fit). NaN and infinities give 0.
  static Decimal fromDouble(double value);
  // Leading spaces, an optional sign, integer digits, "." or "," and at most 32 counted
  // fraction digits, then an optional "E"/"e" exponent; reading stops at the first character
  // that does not fit. Text without a number gives 0.
  static Decimal fromText(std::string_view text);
  // A DECIMAL or PDECIMAL field of bytes.size() bytes with `places` places. Digit nibbles above
  // 9 (damaged data) read as 0.
  static Decimal loadPacked(std::span<const std::uint8_t> bytes, TypeCode type, int places);
  // Writes the value rounded half away from zero to `places` places. Integer digits that do not
  // fit are dropped from the left. `digits`, when not 0, is the declared digit count: an even
  // count leaves a spare leading nibble that is always written as 0.
  void storePacked(std::span<std::uint8_t> bytes, TypeCode type, int places, int digits = 0) const;

  // At most the 16 most significant digits take part.
  double toDouble() const;
  // The integer part, truncated toward zero; integer digits beyond 64 bits wrap.
  std::int64_t toInteger() const;
  // "-" for negative values, the integer digits or "0", then "." and every fractional digit
  // down to the lowest cell: "1.50", "-0.5", "0".
  std::string toText() const;

  bool isZero() const { return highest_ == kUnitsCell && cells_[kUnitsCell] == 0; }
  bool isNegative() const { return negative_ != 0; }
  int compare(const Decimal& other) const;  // <0, 0, >0

  // The digit in `cell` (0 outside 0..63), and the significant range.
  int digit(int cell) const {
    return cell >= 0 && cell < kCells ? cells_[static_cast<std::size_t>(cell)] : 0;
  }
  int lowestCell() const { return lowest_; }
  int highestCell() const { return highest_; }
  // Digits after the point the value carries.
  int places() const { return kUnitsCell - lowest_; }

  Decimal operator-() const;
  friend Decimal operator+(const Decimal& a, const Decimal& b);
  friend Decimal operator-(const Decimal& a, const Decimal& b);
  // Fractional digits beyond the 32nd are dropped without rounding; integer digits beyond the
  // 32nd are lost.
  friend Decimal operator*(const Decimal& a, const Decimal& b);
  // Rounded to 31 places, trailing zeros removed. Division by 0 gives 0.
  friend Decimal operator/(const Decimal& a, const Decimal& b);
  friend bool operator==(const Decimal& a, const Decimal& b) { return a.compare(b) == 0; }

  // Half away from zero, decided by the one digit below the last kept place. `places` is
  // clamped to -31..32 (negative places round to tens, hundreds, …).
  void roundToPlaces(int places);

 private:
  std::uint8_t& cell(int index) { return cells_[static_cast<std::size_t>(index)]; }
  std::uint8_t cell(int index) const { return cells_[static_cast<std::size_t>(index)]; }
  // Recomputes the highest cell from the top and makes an all-zero value the canonical 0.
  void normalise();
  static int compareMagnitude(const Decimal& a, const Decimal& b);
  static Decimal addMagnitudes(const Decimal& a, const Decimal& b);
  // REQUIRES: |a| >= |b|.
  static Decimal subtractMagnitudes(const Decimal& a, const Decimal& b);

  std::array<std::uint8_t, kCells> cells_{};
  std::uint8_t negative_ = 0;
  std::uint8_t lowest_ = kUnitsCell;
  std::uint8_t highest_ = kUnitsCell;
};

// The 15 significant digits of a double, rounded, and the power of ten of the first:
// value = d0.d1d2…d14 × 10^exponent. Returns false for 0, NaN and infinities. Shared by the
// double-to-decimal and double-to-text conversions so that both see the same digits.
bool significantDigits(double value, std::array<std::uint8_t, 15>& digits, int& exponent);

}  // namespace veltrano::runtime
