// The one-byte type codes of fields, variables and key components, and their names as they
// appear in declarations and in the driver's trace.
#pragma once

#include <cstdint>
#include <string_view>

namespace veltrano::runtime {

enum class TypeCode : std::uint8_t {
  End = 0,  // closes a descriptor list
  Byte = 1,
  Short = 2,
  Ushort = 3,
  Date = 4,
  Time = 5,
  Long = 6,
  Ulong = 7,
  Sreal = 8,
  Real = 9,
  Decimal = 10,
  Pdecimal = 11,
  Dum1 = 12,
  Bfloat4 = 13,
  Bfloat8 = 14,
  Any = 15,
  Tempufo = 16,
  Reserved17 = 17,
  String = 18,
  Cstring = 19,
  Pstring = 20,
  Memo = 21,
  Group = 22,
  Class = 23,
  Array = 24,
  Field = 25,
  Queue = 26,
  Blob = 27,
  Stackstr = 28,
  Picture = 29,
  Stdnum = 30,
};

// "BYTE", "SHORT", …; "(17)" for the reserved code; "UNKNOWN" above 30.
std::string_view typeName(std::uint8_t code);
inline std::string_view typeName(TypeCode code) {
  return typeName(static_cast<std::uint8_t>(code));
}

// The width in a record buffer of the types whose width is fixed; 0 for the others.
std::uint32_t fixedWidth(TypeCode code);

// Bytes of a DECIMAL/PDECIMAL of `digits` digits: digits div 2 + 1.
constexpr std::uint32_t decimalBytes(std::uint32_t digits) {
  return digits / 2 + 1;
}

bool isStringType(TypeCode code);   // STRING, CSTRING, PSTRING
bool isNumericType(TypeCode code);  // BYTE … REAL, DECIMAL, PDECIMAL, BFLOAT4, BFLOAT8

}  // namespace veltrano::runtime
