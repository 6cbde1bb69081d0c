// BFLOAT4 and BFLOAT8: binary floats with the exponent in the last byte.
//
// BFLOAT8: bytes 0–5 and the low 7 bits of byte 6 hold a 55-bit mantissa, least significant
// byte first; bit 7 of byte 6 is the sign; byte 7 is the exponent biased by 129. The value is
// 1.mantissa × 2^(exponent − 129). BFLOAT4 is the same with a 23-bit mantissa in bytes 0–2 and
// the exponent in byte 3. A value whose last two bytes are 0 is zero, whatever the others hold.
//
// The exponent byte is the IEEE double exponent − 894, so a double converts by moving its bits.
// Doubles too small for the exponent byte (IEEE exponent below 894, including subnormals and
// −0) are stored as zero rather than as a saturated exponent: a tiny value must not turn into a
// huge one. Doubles too large saturate to exponent byte 255 and keep their mantissa.
#pragma once

#include <cstdint>
#include <span>

namespace veltrano::runtime {

// REQUIRES: bytes.size() >= 4 (BFLOAT4) or 8 (BFLOAT8); shorter spans read as 0 and are not
// written.
double doubleFromBfloat4(std::span<const std::uint8_t> bytes);
double doubleFromBfloat8(std::span<const std::uint8_t> bytes);
void bfloat4FromDouble(double value, std::span<std::uint8_t> bytes);
void bfloat8FromDouble(double value, std::span<std::uint8_t> bytes);

// The largest magnitude each form holds, positive or negative, for clearing to the limits of a
// key range.
void bfloatExtreme(std::span<std::uint8_t> bytes, bool negative);

}  // namespace veltrano::runtime
