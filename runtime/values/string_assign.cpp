#include "runtime/values/string_assign.h"

#include <algorithm>
#include <cstring>

namespace veltrano::runtime {
namespace {

void copyText(std::span<std::uint8_t> to, std::string_view text) {
  if (!text.empty() && !to.empty()) std::memcpy(to.data(), text.data(), std::min(to.size(), text.size()));
}

}  // namespace

void assignString(std::span<std::uint8_t> field, std::string_view text) {
  const std::size_t copied = std::min(field.size(), text.size());
  copyText(field, text);
  std::fill(field.begin() + static_cast<std::ptrdiff_t>(copied), field.end(), std::uint8_t{' '});
}

void assignCstring(std::span<std::uint8_t> field, std::string_view text) {
  if (field.empty()) return;
  const std::size_t copied = std::min(field.size() - 1, text.size());
  copyText(field.first(copied), text);
  field[copied] = 0;
}

void assignPstring(std::span<std::uint8_t> field, std::string_view text) {
  if (field.empty()) return;
  // The length byte cannot count past 255, whatever the declared size.
  const std::size_t copied = std::min({field.size() - 1, text.size(), std::size_t{255}});
  field[0] = static_cast<std::uint8_t>(copied);
  copyText(field.subspan(1, copied), text);
}

void assignStringType(TypeCode type, std::span<std::uint8_t> field, std::string_view text) {
  switch (type) {
    case TypeCode::String:
    case TypeCode::Group: assignString(field, text); break;
    case TypeCode::Cstring: assignCstring(field, text); break;
    case TypeCode::Pstring: assignPstring(field, text); break;
    default: break;
  }
}

void clearStringType(TypeCode type, std::span<std::uint8_t> field, int direction) {
  if (field.empty()) return;
  const std::size_t last = field.size() - 1;
  switch (type) {
    case TypeCode::String:
    case TypeCode::Group: {
      const std::uint8_t fill = direction == 0 ? ' ' : direction > 0 ? 0xFF : 0x00;
      std::fill(field.begin(), field.end(), fill);
      break;
    }
    case TypeCode::Cstring:
      if (direction > 0) std::fill(field.begin(), field.end() - 1, std::uint8_t{0xFF});
      field[direction > 0 ? last : 0] = 0;
      break;
    case TypeCode::Pstring: {
      if (direction == 0) {
        field[0] = 0;
        break;
      }
      const std::size_t length = std::min(last, std::size_t{255});
      field[0] = static_cast<std::uint8_t>(length);
      std::fill(field.begin() + 1, field.begin() + 1 + static_cast<std::ptrdiff_t>(length),
                direction > 0 ? std::uint8_t{0xFF} : std::uint8_t{0x00});
      break;
    }
    default: break;
  }
}

std::string_view stringValue(TypeCode type, std::span<const std::uint8_t> field) {
  const auto* characters = reinterpret_cast<const char*>(field.data());
  switch (type) {
    case TypeCode::Cstring: {
      const void* nul = field.empty() ? nullptr : std::memchr(characters, 0, field.size());
      const std::size_t length = nul == nullptr
                                     ? field.size()
                                     : static_cast<std::size_t>(static_cast<const char*>(nul) - characters);
      return {characters, length};
    }
    case TypeCode::Pstring:
      if (field.empty()) return {};
      return {characters + 1, std::min<std::size_t>(field[0], field.size() - 1)};
    default: return {characters, field.size()};
  }
}

}  // namespace veltrano::runtime
