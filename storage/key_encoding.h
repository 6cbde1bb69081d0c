// The byte encoding of key values: each component of a key is turned into bytes whose unsigned
// byte-wise order is the order the declared key gives its fields, so that key entries of the
// entry tree sort as the key sorts.
//
//   STRING, GROUP          the bytes (NOCASE upper-cased, then mapped through the collation)
//   CSTRING, PSTRING       the characters, mapped as above, then zeros to the field's length
//   USHORT ULONG DATE TIME most significant byte first
//   SHORT, LONG            most significant byte first, sign bit flipped
//   SREAL, REAL            most significant byte first; positive: sign bit set; negative: all
//                          bytes inverted
//   DECIMAL                sign nibble cleared, top bit flipped, negative: all bytes inverted
//   anything else          the bytes as they are
// A descending component finally has every byte inverted.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "runtime/values/type_codes.h"

namespace veltrano::storage {

struct KeyComponent {
  runtime::TypeCode type = runtime::TypeCode::String;
  std::uint32_t offset = 0;        // in the record buffer
  std::uint32_t size = 0;          // bytes of the whole field (all elements)
  std::uint32_t element_size = 0;  // bytes of one element
  bool descending = false;
};

// A 256-entry byte map applied to the characters of string components.
using CharacterMap = std::array<std::uint8_t, 256>;

// The map a key's string components go through: NOCASE upper-casing by the runtime's case
// table, then the collation weights — those of the OEM character set for a file with the OEM
// attribute (the characters are first converted to it), else those of the Windows set.
CharacterMap keyCharacterMap(bool nocase, bool oem_file);

class KeyEncoder {
 public:
  KeyEncoder() = default;
  KeyEncoder(std::vector<KeyComponent> components, const CharacterMap& map);

  // Bytes of an encoded key value.
  std::uint32_t length() const { return length_; }
  const std::vector<KeyComponent>& components() const { return components_; }

  // Writes the key value of `record` into out[0 .. length()).
  // REQUIRES: out.size() >= length(); every component lies inside `record`.
  void encode(std::span<const std::uint8_t> record, std::span<std::uint8_t> out) const;

  // True when every component of `record` is empty (the test of an OPT key): STRING and GROUP
  // all blanks, CSTRING and PSTRING with a zero first byte, other types all zero bytes.
  bool allEmpty(std::span<const std::uint8_t> record) const;

 private:
  std::vector<KeyComponent> components_;
  CharacterMap map_{};
  std::uint32_t length_ = 0;
};

// One component on its own (an element of the field), for tests and the documentation's
// examples. REQUIRES: out.size() == value.size().
void encodeComponent(runtime::TypeCode type, std::span<const std::uint8_t> value, const CharacterMap& map,
                     std::span<std::uint8_t> out);

// The identity map: characters as they are.
const CharacterMap& identityCharacterMap();

}  // namespace veltrano::storage
