#include "runtime/values/type_codes.h"

#include <array>

namespace veltrano::runtime {

std::string_view typeName(std::uint8_t code) {
  static constexpr std::array<std::string_view, 31> kNames = {
      "END",     "BYTE",  "SHORT",   "USHORT",   "DATE",     "TIME",    "LONG",    "ULONG",
      "SREAL",   "REAL",  "DECIMAL", "PDECIMAL", "DUM1",     "BFLOAT4", "BFLOAT8", "ANY",
      "TEMPUFO", "(17)",  "STRING",  "CSTRING",  "PSTRING",  "MEMO",    "GROUP",   "CLASS",
      "ARRAY",   "FIELD", "QUEUE",   "BLOB",     "STACKSTR", "PICTURE", "STDNUM"};
  return code < kNames.size() ? kNames[code] : "UNKNOWN";
}

std::uint32_t fixedWidth(TypeCode code) {
  switch (code) {
    case TypeCode::Byte: return 1;
    case TypeCode::Short:
    case TypeCode::Ushort: return 2;
    case TypeCode::Date:
    case TypeCode::Time:
    case TypeCode::Long:
    case TypeCode::Ulong:
    case TypeCode::Sreal:
    case TypeCode::Bfloat4: return 4;
    case TypeCode::Real:
    case TypeCode::Bfloat8: return 8;
    default: return 0;
  }
}

bool isStringType(TypeCode code) {
  return code == TypeCode::String || code == TypeCode::Cstring || code == TypeCode::Pstring;
}

bool isNumericType(TypeCode code) {
  switch (code) {
    case TypeCode::Byte:
    case TypeCode::Short:
    case TypeCode::Ushort:
    case TypeCode::Long:
    case TypeCode::Ulong:
    case TypeCode::Sreal:
    case TypeCode::Real:
    case TypeCode::Decimal:
    case TypeCode::Pdecimal:
    case TypeCode::Bfloat4:
    case TypeCode::Bfloat8: return true;
    default: return false;
  }
}

}  // namespace veltrano::runtime
