#include "runtime/queue/field_compare.h"

#include <cmath>
#include <cstring>
#include <string_view>

#include "runtime/datetime/calendar.h"
#include "runtime/values/bfloat.h"
#include "runtime/values/decimal.h"
#include "runtime/values/text_compare.h"

namespace veltrano::runtime {
namespace {

template <typename T>
T read(std::span<const std::uint8_t> bytes) {
  T value;
  std::memcpy(&value, bytes.data(), sizeof value);
  return value;
}

template <typename T>
int order(T left, T right) {
  return left < right ? -1 : (right < left ? 1 : 0);
}

// NaN sorts before every number, so that the order stays total.
int orderReals(double left, double right) {
  const bool left_nan = std::isnan(left);
  const bool right_nan = std::isnan(right);
  if (left_nan || right_nan) return order(!left_nan, !right_nan);
  return order(left, right);
}

std::string_view textOf(TypeCode type, std::span<const std::uint8_t> bytes) {
  const auto* data = reinterpret_cast<const char*>(bytes.data());
  switch (type) {
    case TypeCode::Cstring: {
      const void* end = std::memchr(data, 0, bytes.size());
      return {data,
              end == nullptr ? bytes.size() : static_cast<std::size_t>(static_cast<const char*>(end) - data)};
    }
    case TypeCode::Pstring:
      if (bytes.empty()) return {};
      return {data + 1, std::min<std::size_t>(bytes[0], bytes.size() - 1)};
    default: return {data, bytes.size()};
  }
}

int compareElement(const FieldDescriptor& field, std::span<const std::uint8_t> left,
                   std::span<const std::uint8_t> right) {
  const std::uint32_t width = fixedWidth(field.type);
  if (width > left.size()) return order(std::memcmp(left.data(), right.data(), left.size()), 0);
  switch (field.type) {
    case TypeCode::Byte: return order(left[0], right[0]);
    case TypeCode::Short: return order(read<std::int16_t>(left), read<std::int16_t>(right));
    case TypeCode::Ushort: return order(read<std::uint16_t>(left), read<std::uint16_t>(right));
    case TypeCode::Long: return order(read<std::int32_t>(left), read<std::int32_t>(right));
    case TypeCode::Ulong: return order(read<std::uint32_t>(left), read<std::uint32_t>(right));
    case TypeCode::Date:
      return order(dateSerialFromPacked(read<std::uint32_t>(left)),
                   dateSerialFromPacked(read<std::uint32_t>(right)));
    case TypeCode::Time:
      return order(timeSerialFromPacked(read<std::uint32_t>(left)),
                   timeSerialFromPacked(read<std::uint32_t>(right)));
    case TypeCode::Sreal:
      return orderReals(static_cast<double>(read<float>(left)), static_cast<double>(read<float>(right)));
    case TypeCode::Real: return orderReals(read<double>(left), read<double>(right));
    case TypeCode::Bfloat4: return orderReals(doubleFromBfloat4(left), doubleFromBfloat4(right));
    case TypeCode::Bfloat8: return orderReals(doubleFromBfloat8(left), doubleFromBfloat8(right));
    case TypeCode::Decimal:
    case TypeCode::Pdecimal: {
      const int result = Decimal::loadPacked(left, field.type, field.places)
                             .compare(Decimal::loadPacked(right, field.type, field.places));
      return order(result, 0);
    }
    case TypeCode::String:
    case TypeCode::Cstring:
    case TypeCode::Pstring:
    case TypeCode::Group: return compareText(textOf(field.type, left), textOf(field.type, right));
    default: return order(std::memcmp(left.data(), right.data(), left.size()), 0);
  }
}

}  // namespace

int compareField(const FieldDescriptor& field, std::span<const std::uint8_t> left,
                 std::span<const std::uint8_t> right) {
  const std::uint32_t element_size = field.element_size == 0 ? field.size : field.element_size;
  if (element_size == 0) return 0;
  for (std::uint32_t element = 0; element < field.elementCount(); ++element) {
    const std::size_t offset = field.offset + static_cast<std::size_t>(element) * element_size;
    const int result =
        compareElement(field, left.subspan(offset, element_size), right.subspan(offset, element_size));
    if (result != 0) return result;
  }
  return 0;
}

}  // namespace veltrano::runtime
