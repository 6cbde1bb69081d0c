// The error manager's message tables in their stored form.
//
// A table is one block of bytes kept in the program's data:
//
//   count    USHORT, little-endian
//   entries  `count` times:
//              id       USHORT, little-endian
//              level    BYTE (0 Benign … 5 Notify)
//              title    one length byte, then that many characters
//              message  one length byte, then that many characters
//
// Texts are code page 1251. The manager keeps views into the block rather than copies, so a
// table must outlive every manager it was registered with.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/level.h"

namespace veltrano::framework {

struct ErrorTableEntry {
  MessageId id = 0;
  Level level = kLevelNotify;
  std::string_view title;    // code page 1251
  std::string_view message;  // code page 1251, with %File, %ErrorText … placeholders
};

// Reads a stored table. The views point into `table`. A table that is cut short, has bytes
// after its last entry or is empty of its count gives nothing and, in `*error`, the reason.
std::optional<std::vector<ErrorTableEntry>> parseErrorTable(std::span<const std::uint8_t> table,
                                                            std::string* error = nullptr);

// Writes entries in the stored form; nothing when a title or message is longer than 255
// characters or there are more than 65535 entries.
std::optional<std::vector<std::uint8_t>> encodeErrorTable(std::span<const ErrorTableEntry> entries);

// The program's own table of 39 entries, in its stored order. Built once, never changed.
std::span<const std::uint8_t> builtInErrorTable();

}  // namespace veltrano::framework
