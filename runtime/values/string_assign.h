// Assigning text to the fixed-size string types and clearing them. No assignment fails because a
// value is too long: it is cut on the right. A GROUP used as one value behaves as a STRING of
// its whole width, so assigning to it overwrites every member with the bytes of the text.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "runtime/values/type_codes.h"

namespace veltrano::runtime {

// STRING(n): the text's first n bytes, the rest filled with spaces.
void assignString(std::span<std::uint8_t> field, std::string_view text);
// CSTRING(n): at most n - 1 bytes and a NUL after them.
void assignCstring(std::span<std::uint8_t> field, std::string_view text);
// PSTRING(n): the length byte, then at most n - 1 bytes.
void assignPstring(std::span<std::uint8_t> field, std::string_view text);
// By type: STRING and GROUP as STRING, CSTRING, PSTRING. Other types are left untouched.
void assignStringType(TypeCode type, std::span<std::uint8_t> field, std::string_view text);

// "No text" with a direction, for the limits of key ranges:
//   direction 0  — STRING all spaces, CSTRING empty, PSTRING length 0;
//   direction >0 — STRING all 0xFF, CSTRING n - 1 bytes 0xFF and the NUL, PSTRING n - 1 bytes
//                  0xFF with length n - 1;
//   direction <0 — STRING all 0x00, CSTRING empty, PSTRING n - 1 zero bytes with length n - 1.
void clearStringType(TypeCode type, std::span<std::uint8_t> field, int direction);

// The characters a string field holds: STRING/GROUP all its bytes, CSTRING up to its NUL (all
// bytes when a damaged field has none), PSTRING its counted characters (a damaged length byte is
// limited to n - 1).
std::string_view stringValue(TypeCode type, std::span<const std::uint8_t> field);

}  // namespace veltrano::runtime
