#include "storage/key_encoding.h"

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"
#include "runtime/datetime/char_tables.h"

namespace veltrano::storage {
namespace {

using runtime::TypeCode;

void reversed(std::span<const std::uint8_t> value, std::span<std::uint8_t> out) {
  std::reverse_copy(value.begin(), value.end(), out.begin());
}

void invert(std::span<std::uint8_t> bytes) {
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(~byte);
}

bool isStringLike(TypeCode type) {
  return type == TypeCode::String || type == TypeCode::Cstring || type == TypeCode::Pstring ||
         type == TypeCode::Group;
}

}  // namespace

const CharacterMap& identityCharacterMap() {
  static const CharacterMap map = [] {
    CharacterMap identity{};
    for (std::size_t i = 0; i < identity.size(); ++i) identity[i] = static_cast<std::uint8_t>(i);
    return identity;
  }();
  return map;
}

CharacterMap keyCharacterMap(bool nocase, bool oem_file) {
  const auto& tables = runtime::charTables();
  CharacterMap map{};
  for (std::size_t code = 0; code < map.size(); ++code) {
    auto character = static_cast<std::uint8_t>(code);
    if (nocase && (tables.flags[character] & runtime::kCaseLower) != 0 && tables.partner[character] != 0) {
      character = tables.partner[character];
    }
    map[code] =
        oem_file ? tables.collation_oem[platform::oemFromAnsi(character)] : tables.collation[character];
  }
  return map;
}

void encodeComponent(TypeCode type, std::span<const std::uint8_t> value, const CharacterMap& map,
                     std::span<std::uint8_t> out) {
  const std::size_t size = value.size();
  switch (type) {
    case TypeCode::String:
    case TypeCode::Group:
      for (std::size_t i = 0; i < size; ++i) out[i] = map[value[i]];
      return;
    case TypeCode::Cstring: {
      std::size_t i = 0;
      // The zeros after the text stay zeros, so a shorter text sorts before a longer one.
      for (; i < size && value[i] != 0; ++i) out[i] = map[value[i]];
      std::fill(out.begin() + static_cast<std::ptrdiff_t>(i), out.end(), std::uint8_t{0});
      return;
    }
    case TypeCode::Pstring: {
      std::fill(out.begin(), out.end(), std::uint8_t{0});
      if (size == 0) return;
      const std::size_t count = std::min<std::size_t>(value[0], size - 1);
      for (std::size_t i = 0; i < count; ++i) out[i] = map[value[1 + i]];
      return;
    }
    case TypeCode::Ushort:
    case TypeCode::Ulong:
    case TypeCode::Date:
    case TypeCode::Time: reversed(value, out); return;
    case TypeCode::Short:
    case TypeCode::Long:
      reversed(value, out);
      if (size > 0) out[0] ^= 0x80;
      return;
    case TypeCode::Sreal:
    case TypeCode::Real:
      reversed(value, out);
      if (size == 0) return;
      if ((out[0] & 0x80) == 0) {
        out[0] |= 0x80;
      } else {
        invert(out);
      }
      return;
    case TypeCode::Decimal: {
      std::copy(value.begin(), value.end(), out.begin());
      if (size == 0) return;
      const bool negative = (out[0] & 0xF0) != 0;
      out[0] = static_cast<std::uint8_t>((out[0] & 0x0F) ^ 0x80);
      if (negative) invert(out);
      return;
    }
    default: std::copy(value.begin(), value.end(), out.begin()); return;
  }
}

KeyEncoder::KeyEncoder(std::vector<KeyComponent> components, const CharacterMap& map)
    : components_(std::move(components)), map_(map) {
  for (const auto& component : components_) length_ += component.size;
}

void KeyEncoder::encode(std::span<const std::uint8_t> record, std::span<std::uint8_t> out) const {
  std::size_t at = 0;
  for (const auto& component : components_) {
    const std::uint32_t element = component.element_size == 0 ? component.size : component.element_size;
    for (std::uint32_t done = 0; done < component.size; done += element) {
      const std::uint32_t width = std::min(element, component.size - done);
      encodeComponent(component.type, record.subspan(component.offset + done, width),
                      isStringLike(component.type) ? map_ : identityCharacterMap(), out.subspan(at, width));
      at += width;
    }
    if (component.descending) invert(out.subspan(at - component.size, component.size));
  }
}

bool KeyEncoder::allEmpty(std::span<const std::uint8_t> record) const {
  for (const auto& component : components_) {
    const auto value = record.subspan(component.offset, component.size);
    switch (component.type) {
      case TypeCode::String:
      case TypeCode::Group:
        if (std::any_of(value.begin(), value.end(), [](std::uint8_t b) { return b != ' '; })) return false;
        break;
      case TypeCode::Cstring:
      case TypeCode::Pstring:
        if (!value.empty() && value[0] != 0) return false;
        break;
      default:
        if (std::any_of(value.begin(), value.end(), [](std::uint8_t b) { return b != 0; })) return false;
        break;
    }
  }
  return true;
}

}  // namespace veltrano::storage
