// The keys of the entries a table keeps in its storage file. Every entry of a table starts with
// the table's 4-byte number (big-endian, like every number inside a key); the byte after it
// tells the kind. Name entries (0xFE …) and the transaction marker (0xFF) sort after them all.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "storage/entry_tree.h"

namespace veltrano::storage::entries {

inline constexpr std::uint8_t kNameKind = 0xFE;
inline constexpr std::uint8_t kTransactionMarker = 0xFF;
inline constexpr std::uint8_t kDefinitionKind = 0xFA;
inline constexpr std::uint8_t kCounterKind = 0xF6;
inline constexpr std::uint8_t kRecordKind = 0xF3;
inline constexpr std::uint8_t kMemoKind = 0xFC;
inline constexpr std::uint8_t kRecordCounterSelector = 0xF3;

inline constexpr std::size_t kDefinitionChunkBytes = 512;
inline constexpr std::size_t kMemoChunkBytes = 256;
// An entry of this many bytes or more does not fit a page (storage failure 824).
inline constexpr std::size_t kLargestEntry = 15094;

inline void putBig32(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value >> 24);
  out[1] = static_cast<std::uint8_t>(value >> 16);
  out[2] = static_cast<std::uint8_t>(value >> 8);
  out[3] = static_cast<std::uint8_t>(value);
}
inline std::uint32_t big32(const std::uint8_t* in) {
  return static_cast<std::uint32_t>(in[0]) << 24 | static_cast<std::uint32_t>(in[1]) << 16 |
         static_cast<std::uint32_t>(in[2]) << 8 | static_cast<std::uint32_t>(in[3]);
}
inline void putLittle32(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value);
  out[1] = static_cast<std::uint8_t>(value >> 8);
  out[2] = static_cast<std::uint8_t>(value >> 16);
  out[3] = static_cast<std::uint8_t>(value >> 24);
}
inline std::uint32_t little32(const std::uint8_t* in) {
  return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
         static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

using RecordKey = std::array<std::uint8_t, 9>;
using CounterKey = std::array<std::uint8_t, 6>;
using DefinitionKey = std::array<std::uint8_t, 7>;
using MemoKey = std::array<std::uint8_t, 12>;
using TablePrefix = std::array<std::uint8_t, 5>;

inline RecordKey recordKey(std::uint32_t table, std::uint32_t record) {
  RecordKey key{};
  putBig32(key.data(), table);
  key[4] = kRecordKind;
  putBig32(key.data() + 5, record);
  return key;
}
inline CounterKey counterKey(std::uint32_t table, std::uint8_t selector) {
  CounterKey key{};
  putBig32(key.data(), table);
  key[4] = kCounterKind;
  key[5] = selector;
  return key;
}
inline DefinitionKey definitionKey(std::uint32_t table, std::uint16_t chunk) {
  DefinitionKey key{};
  putBig32(key.data(), table);
  key[4] = kDefinitionKind;
  key[5] = static_cast<std::uint8_t>(chunk & 0xFF);
  key[6] = static_cast<std::uint8_t>(chunk >> 8);
  return key;
}
inline MemoKey memoKey(std::uint32_t table, std::uint32_t record, std::uint8_t memo, std::uint16_t chunk) {
  MemoKey key{};
  putBig32(key.data(), table);
  key[4] = kMemoKind;
  putBig32(key.data() + 5, record);
  key[9] = memo;
  key[10] = static_cast<std::uint8_t>(chunk >> 8);
  key[11] = static_cast<std::uint8_t>(chunk & 0xFF);
  return key;
}
// The first bytes shared by all entries of one kind (or one key) of a table.
inline TablePrefix tablePrefix(std::uint32_t table, std::uint8_t kind) {
  TablePrefix prefix{};
  putBig32(prefix.data(), table);
  prefix[4] = kind;
  return prefix;
}
// 0xFE and the table name in upper case.
std::vector<std::uint8_t> nameKey(std::string_view upper_name);

inline bool startsWith(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> prefix) {
  if (bytes.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (bytes[i] != prefix[i]) return false;
  }
  return true;
}

// Removes every entry whose key starts with `prefix`. A tree that shows an entry it then cannot
// erase is damaged (storage failure 1602): going on would find the same entry for ever.
void eraseAll(EntryTree& tree, std::span<const std::uint8_t> prefix, Entry& scratch);

}  // namespace veltrano::storage::entries
