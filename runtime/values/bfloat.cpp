#include "runtime/values/bfloat.h"

#include <algorithm>
#include <bit>

namespace veltrano::runtime {
namespace {

constexpr int kExponentOffset = 894;
constexpr std::uint64_t kMantissaMask = (std::uint64_t{1} << 52) - 1;

struct Parts {
  bool zero = true;
  bool negative = false;
  std::uint8_t exponent = 0;
  std::uint64_t mantissa = 0;  // the 52 bits of the double
};

Parts partsOf(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  Parts parts;
  if (exponent < kExponentOffset) return parts;
  parts.zero = false;
  parts.negative = (bits >> 63) != 0;
  parts.exponent = static_cast<std::uint8_t>(std::min(exponent - kExponentOffset, 255));
  parts.mantissa = bits & kMantissaMask;
  return parts;
}

double doubleOf(bool negative, std::uint8_t exponent, std::uint64_t mantissa) {
  const std::uint64_t bits = (negative ? std::uint64_t{1} << 63 : 0) |
                             (static_cast<std::uint64_t>(exponent + kExponentOffset) << 52) |
                             (mantissa & kMantissaMask);
  return std::bit_cast<double>(bits);
}

}  // namespace

double doubleFromBfloat8(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 8 || (bytes[6] == 0 && bytes[7] == 0)) return 0.0;
  std::uint64_t mantissa = bytes[6] & 0x7Fu;
  for (int i = 5; i >= 0; --i) mantissa = (mantissa << 8) | bytes[static_cast<std::size_t>(i)];
  return doubleOf((bytes[6] & 0x80) != 0, bytes[7], mantissa >> 3);
}

double doubleFromBfloat4(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 4 || (bytes[2] == 0 && bytes[3] == 0)) return 0.0;
  const std::uint64_t mantissa =
      (std::uint64_t{bytes[2] & 0x7Fu} << 16) | (std::uint64_t{bytes[1]} << 8) | bytes[0];
  return doubleOf((bytes[2] & 0x80) != 0, bytes[3], mantissa << 29);
}

void bfloat8FromDouble(double value, std::span<std::uint8_t> bytes) {
  if (bytes.size() < 8) return;
  const Parts parts = partsOf(value);
  std::fill_n(bytes.begin(), 8, std::uint8_t{0});
  if (parts.zero) return;
  const std::uint64_t mantissa = parts.mantissa << 3;  // 55 bits
  for (std::size_t i = 0; i < 6; ++i) bytes[i] = static_cast<std::uint8_t>(mantissa >> (8 * i));
  bytes[6] = static_cast<std::uint8_t>(((mantissa >> 48) & 0x7F) | (parts.negative ? 0x80 : 0));
  bytes[7] = parts.exponent;
}

void bfloat4FromDouble(double value, std::span<std::uint8_t> bytes) {
  if (bytes.size() < 4) return;
  const Parts parts = partsOf(value);
  std::fill_n(bytes.begin(), 4, std::uint8_t{0});
  if (parts.zero) return;
  const std::uint64_t mantissa = parts.mantissa >> 29;  // the 23 high bits
  bytes[0] = static_cast<std::uint8_t>(mantissa);
  bytes[1] = static_cast<std::uint8_t>(mantissa >> 8);
  bytes[2] = static_cast<std::uint8_t>(((mantissa >> 16) & 0x7F) | (parts.negative ? 0x80 : 0));
  bytes[3] = parts.exponent;
}

void bfloatExtreme(std::span<std::uint8_t> bytes, bool negative) {
  if (bytes.size() < 4) return;
  const std::size_t last = bytes.size() >= 8 ? 7 : 3;
  std::fill_n(bytes.begin(), last - 1, std::uint8_t{0xFF});
  bytes[last - 1] = negative ? 0xFF : 0x7F;
  bytes[last] = 0xFF;
}

}  // namespace veltrano::runtime
