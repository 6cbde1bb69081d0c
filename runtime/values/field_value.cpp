#include "runtime/values/field_value.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "runtime/datetime/calendar.h"
#include "runtime/values/bfloat.h"
#include "runtime/values/number_text.h"
#include "runtime/values/string_assign.h"
#include "runtime/values/value_stacks.h"

namespace veltrano::runtime {
namespace {

std::uint32_t elementWidth(const FieldDescriptor& field) {
  return field.element_size != 0 ? field.element_size : field.size;
}

// The bytes of one element; empty when the element lies outside the field or the record, or is
// narrower than its type's fixed width.
template <typename Byte>
std::span<Byte> elementBytes(const FieldDescriptor& field, std::span<Byte> record, std::uint32_t element) {
  const std::uint64_t width = elementWidth(field);
  if (element >= field.elementCount()) return {};
  const std::uint64_t offset = field.offset + width * element;
  if (offset + width > record.size()) return {};
  const std::uint32_t fixed = fixedWidth(field.type);
  if (fixed != 0 && width < fixed) return {};
  return record.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(width));
}

std::uint64_t readLittleEndian(std::span<const std::uint8_t> bytes, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = width; i-- > 0;) value = (value << 8) | bytes[i];
  return value;
}

void writeLittleEndian(std::span<std::uint8_t> bytes, std::size_t width, std::uint64_t value) {
  for (std::size_t i = 0; i < width; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

bool isIntegerType(TypeCode type) {
  switch (type) {
    case TypeCode::Byte:
    case TypeCode::Short:
    case TypeCode::Ushort:
    case TypeCode::Long:
    case TypeCode::Ulong: return true;
    default: return false;
  }
}

bool isStringLike(TypeCode type) {
  return isStringType(type) || type == TypeCode::Group;
}

// BYTE … ULONG, DATE and TIME as a whole number (dates and times as serials).
std::int64_t loadWhole(TypeCode type, std::span<const std::uint8_t> bytes) {
  switch (type) {
    case TypeCode::Byte: return bytes[0];
    case TypeCode::Short: return static_cast<std::int16_t>(readLittleEndian(bytes, 2));
    case TypeCode::Ushort: return static_cast<std::int64_t>(readLittleEndian(bytes, 2));
    case TypeCode::Long: return static_cast<std::int32_t>(readLittleEndian(bytes, 4));
    case TypeCode::Ulong: return static_cast<std::int64_t>(readLittleEndian(bytes, 4));
    case TypeCode::Date: return dateSerialFromPacked(static_cast<std::uint32_t>(readLittleEndian(bytes, 4)));
    case TypeCode::Time: return timeSerialFromPacked(static_cast<std::uint32_t>(readLittleEndian(bytes, 4)));
    default: return 0;
  }
}

std::int32_t serialFrom(std::int64_t value) {
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
    return 0;
  return static_cast<std::int32_t>(value);
}

void storeWhole(TypeCode type, std::span<std::uint8_t> bytes, std::int64_t value) {
  const auto bits = static_cast<std::uint64_t>(value);
  switch (type) {
    case TypeCode::Byte: bytes[0] = static_cast<std::uint8_t>(bits); break;
    case TypeCode::Short:
    case TypeCode::Ushort: writeLittleEndian(bytes, 2, bits); break;
    case TypeCode::Long:
    case TypeCode::Ulong: writeLittleEndian(bytes, 4, bits); break;
    case TypeCode::Date: writeLittleEndian(bytes, 4, packedFromDateSerial(serialFrom(value))); break;
    case TypeCode::Time: writeLittleEndian(bytes, 4, packedFromTimeSerial(serialFrom(value))); break;
    default: break;
  }
}

// A double as a whole number: its 15 significant digits, truncated toward zero; values beyond
// 64 bits wrap like any oversized integer; NaN and infinities give 0.
std::int64_t wholeFromReal(double value) {
  if (!std::isfinite(value)) return 0;
  if (std::fabs(value) < 9.0e18) {
    if (value == std::trunc(value)) return static_cast<std::int64_t>(value);
    return Decimal::fromDouble(value).toInteger();
  }
  double wrapped = std::fmod(std::trunc(value), 18446744073709551616.0);
  if (wrapped < 0) wrapped += 18446744073709551616.0;
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(wrapped));
}

double loadFloat(TypeCode type, std::span<const std::uint8_t> bytes) {
  switch (type) {
    case TypeCode::Sreal:
      return static_cast<double>(
          std::bit_cast<float>(static_cast<std::uint32_t>(readLittleEndian(bytes, 4))));
    case TypeCode::Real: return std::bit_cast<double>(readLittleEndian(bytes, 8));
    case TypeCode::Bfloat4: return doubleFromBfloat4(bytes);
    case TypeCode::Bfloat8: return doubleFromBfloat8(bytes);
    default: return 0.0;
  }
}

bool isFloatType(TypeCode type) {
  return type == TypeCode::Sreal || type == TypeCode::Real || type == TypeCode::Bfloat4 ||
         type == TypeCode::Bfloat8;
}

void storeFloat(TypeCode type, std::span<std::uint8_t> bytes, double value) {
  switch (type) {
    case TypeCode::Sreal: {
      // Out-of-range conversion to float is undefined; clamp to the float range instead.
      constexpr double kMax = std::numeric_limits<float>::max();
      const double clamped = std::isnan(value) ? value : std::fmax(-kMax, std::fmin(kMax, value));
      writeLittleEndian(bytes, 4, std::bit_cast<std::uint32_t>(static_cast<float>(clamped)));
      break;
    }
    case TypeCode::Real: writeLittleEndian(bytes, 8, std::bit_cast<std::uint64_t>(value)); break;
    case TypeCode::Bfloat4: bfloat4FromDouble(value, bytes); break;
    case TypeCode::Bfloat8: bfloat8FromDouble(value, bytes); break;
    default: break;
  }
}

bool isPacked(TypeCode type) {
  return type == TypeCode::Decimal || type == TypeCode::Pdecimal;
}

Decimal loadPackedField(const FieldDescriptor& field, std::span<const std::uint8_t> bytes) {
  return Decimal::loadPacked(bytes, field.type, field.places);
}

void storePackedField(const FieldDescriptor& field, std::span<std::uint8_t> bytes, const Decimal& value) {
  value.storePacked(bytes, field.type, field.places, field.digits);
}

// The largest magnitude a DECIMAL/PDECIMAL field holds: all its digits 9.
Decimal largestPacked(const FieldDescriptor& field, std::size_t bytes) {
  const int digits = field.digits != 0 ? field.digits : static_cast<int>(2 * bytes - 1);
  const int integer_digits = std::max(0, digits - field.places);
  std::string text(static_cast<std::size_t>(integer_digits), '9');
  if (field.places != 0) {
    text.push_back('.');
    text.append(field.places, '9');
  }
  return Decimal::fromText(text);
}

void clearElement(const FieldDescriptor& field, std::span<std::uint8_t> bytes, int direction) {
  const TypeCode type = field.type;
  if (isStringLike(type)) {
    clearStringType(type, bytes, direction);
    return;
  }
  if (isPacked(type)) {
    Decimal value;
    if (direction != 0) value = largestPacked(field, bytes.size());
    storePackedField(field, bytes, direction < 0 ? -value : value);
    return;
  }
  if (direction == 0) {
    std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
    return;
  }
  const bool high = direction > 0;
  switch (type) {
    case TypeCode::Byte:
    case TypeCode::Ushort:
    case TypeCode::Ulong:
    case TypeCode::Date:
    case TypeCode::Time:
      std::fill(bytes.begin(), bytes.end(), high ? std::uint8_t{0xFF} : std::uint8_t{0});
      break;
    case TypeCode::Short: writeLittleEndian(bytes, 2, high ? 0x7FFF : 0x8000); break;
    case TypeCode::Long: writeLittleEndian(bytes, 4, high ? 0x7FFFFFFF : 0x80000000); break;
    case TypeCode::Sreal:
      storeFloat(type, bytes, high ? std::numeric_limits<float>::max() : -std::numeric_limits<float>::max());
      break;
    case TypeCode::Real:
      storeFloat(type, bytes,
                 high ? std::numeric_limits<double>::max() : std::numeric_limits<double>::lowest());
      break;
    case TypeCode::Bfloat4:
    case TypeCode::Bfloat8: bfloatExtreme(bytes, !high); break;
    default: std::fill(bytes.begin(), bytes.end(), std::uint8_t{0}); break;
  }
}

void clearElements(const FieldDescriptor& field, std::span<std::uint8_t> record, int direction,
                   std::uint32_t shift) {
  const std::uint32_t width = elementWidth(field);
  for (std::uint32_t element = 0; element < field.elementCount(); ++element) {
    const std::uint64_t offset = std::uint64_t{field.offset} + shift + std::uint64_t{width} * element;
    if (offset + width > record.size()) return;
    const auto bytes = record.subspan(static_cast<std::size_t>(offset), width);
    const std::uint32_t fixed = fixedWidth(field.type);
    if (fixed != 0 && width < fixed) return;
    clearElement(field, bytes, direction);
  }
}

// Clears field `index`, `shift` bytes further on (the element of an enclosing group array).
void clearEntry(const RecordLayout& layout, std::size_t index, std::span<std::uint8_t> record, int direction,
                std::uint32_t shift) {
  const FieldDescriptor& field = layout.field(index);
  if (field.type == TypeCode::Memo || field.type == TypeCode::Blob) return;
  if (field.type != TypeCode::Group) {
    clearElements(field, record, direction, shift);
    return;
  }
  const std::uint32_t width = elementWidth(field);
  for (std::uint32_t element = 0; element < field.elementCount(); ++element) {
    for (std::size_t member = index + 1; member < layout.fieldCount(); ++member) {
      const FieldDescriptor& candidate = layout.field(member);
      if (candidate.parent != static_cast<int>(index) || candidate.over >= 0) continue;
      clearEntry(layout, member, record, direction, shift + width * element);
    }
  }
}

}  // namespace

double loadReal(const FieldDescriptor& field, std::span<const std::uint8_t> record, std::uint32_t element) {
  const auto bytes = elementBytes(field, record, element);
  if (bytes.empty()) return 0.0;
  const TypeCode type = field.type;
  if (isIntegerType(type) || type == TypeCode::Date || type == TypeCode::Time) {
    return static_cast<double>(loadWhole(type, bytes));
  }
  if (isFloatType(type)) return loadFloat(type, bytes);
  if (isPacked(type)) return loadPackedField(field, bytes).toDouble();
  if (isStringLike(type)) return realFromText(stringValue(type, bytes));
  return 0.0;
}

Decimal loadDecimal(const FieldDescriptor& field, std::span<const std::uint8_t> record,
                    std::uint32_t element) {
  const auto bytes = elementBytes(field, record, element);
  if (bytes.empty()) return Decimal();
  const TypeCode type = field.type;
  if (isIntegerType(type) || type == TypeCode::Date || type == TypeCode::Time) {
    return Decimal::fromInteger(loadWhole(type, bytes));
  }
  if (isFloatType(type)) return Decimal::fromDouble(loadFloat(type, bytes));
  if (isPacked(type)) return loadPackedField(field, bytes);
  if (isStringLike(type)) return Decimal::fromText(stringValue(type, bytes));
  return Decimal();
}

std::string loadText(const FieldDescriptor& field, std::span<const std::uint8_t> record,
                     std::uint32_t element) {
  requireStringStackType(field.type);
  const auto bytes = elementBytes(field, record, element);
  if (bytes.empty()) return {};
  const TypeCode type = field.type;
  if (isIntegerType(type) || type == TypeCode::Date || type == TypeCode::Time) {
    return std::to_string(loadWhole(type, bytes));
  }
  if (isFloatType(type)) return textFromReal(loadFloat(type, bytes));
  if (isPacked(type)) return loadPackedField(field, bytes).toText();
  if (isStringLike(type)) return std::string(stringValue(type, bytes));
  return {};  // ANY has no encoding of its own in a record
}

std::string_view stringView(const FieldDescriptor& field, std::span<const std::uint8_t> record,
                            std::uint32_t element) {
  if (!isStringLike(field.type)) return {};
  return stringValue(field.type, elementBytes(field, record, element));
}

void storeReal(const FieldDescriptor& field, std::span<std::uint8_t> record, double value,
               std::uint32_t element) {
  const auto bytes = elementBytes(field, record, element);
  if (bytes.empty()) return;
  const TypeCode type = field.type;
  if (isIntegerType(type) || type == TypeCode::Date || type == TypeCode::Time) {
    storeWhole(type, bytes, wholeFromReal(value));
  } else if (isFloatType(type)) {
    storeFloat(type, bytes, value);
  } else if (isPacked(type)) {
    storePackedField(field, bytes, Decimal::fromDouble(value));
  } else if (isStringLike(type)) {
    assignStringType(type, bytes, textFromReal(value));
  }
}

void storeDecimal(const FieldDescriptor& field, std::span<std::uint8_t> record, const Decimal& value,
                  std::uint32_t element) {
  const auto bytes = elementBytes(field, record, element);
  if (bytes.empty()) return;
  const TypeCode type = field.type;
  if (isIntegerType(type) || type == TypeCode::Date || type == TypeCode::Time) {
    storeWhole(type, bytes, value.toInteger());
  } else if (isFloatType(type)) {
    storeFloat(type, bytes, value.toDouble());
  } else if (isPacked(type)) {
    storePackedField(field, bytes, value);
  } else if (isStringLike(type)) {
    assignStringType(type, bytes, value.toText());
  }
}

void storeText(const FieldDescriptor& field, std::span<std::uint8_t> record, std::string_view text,
               std::uint32_t element) {
  const auto bytes = elementBytes(field, record, element);
  if (bytes.empty()) return;
  const TypeCode type = field.type;
  if (isIntegerType(type) || type == TypeCode::Date || type == TypeCode::Time) {
    storeWhole(type, bytes, wholeFromReal(realFromText(text)));
  } else if (isFloatType(type)) {
    storeFloat(type, bytes, realFromText(text));
  } else if (isPacked(type)) {
    storePackedField(field, bytes, Decimal::fromText(text));
  } else if (isStringLike(type)) {
    assignStringType(type, bytes, text);
  }
}

void storeInteger(const FieldDescriptor& field, std::span<std::uint8_t> record, std::int64_t value,
                  std::uint32_t element) {
  const auto bytes = elementBytes(field, record, element);
  if (bytes.empty()) return;
  const TypeCode type = field.type;
  if (isIntegerType(type) || type == TypeCode::Date || type == TypeCode::Time) {
    storeWhole(type, bytes, value);
  } else if (isFloatType(type)) {
    storeFloat(type, bytes, static_cast<double>(value));
  } else if (isPacked(type)) {
    storePackedField(field, bytes, Decimal::fromInteger(value));
  } else if (isStringLike(type)) {
    assignStringType(type, bytes, std::to_string(value));
  }
}

void clearField(const FieldDescriptor& field, std::span<std::uint8_t> record, int direction) {
  clearElements(field, record, direction, 0);
}

void clearField(const RecordLayout& layout, std::size_t index, std::span<std::uint8_t> record,
                int direction) {
  if (index >= layout.fieldCount()) return;
  clearEntry(layout, index, record, direction, 0);
}

void clearRecord(const RecordLayout& layout, std::span<std::uint8_t> record) {
  for (std::size_t index = 0; index < layout.fieldCount(); ++index) {
    const FieldDescriptor& field = layout.field(index);
    if (field.parent >= 0 || field.over >= 0) continue;
    clearEntry(layout, index, record, 0, 0);
  }
}

}  // namespace veltrano::runtime
