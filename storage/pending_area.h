// The pending area: shadow copies of the pages (and the header) an update is about to write over.
//
// It is a chain of blocks from the pending start to the pending end. Each block begins with a
// page header, whose home offset says where the block belongs and whose stored size, rounded up
// to a whole unit, says where the next block starts. The file header's copy has home offset 0
// and size 512. A walk that cannot read every block whole, or that finds a block which could
// not belong to the file, means the update never became durable, and the area is discarded.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <unordered_map>

namespace veltrano::storage {

struct PendingCopy {
  std::uint32_t at;    // offset of the copy in the pending area
  std::uint32_t size;  // its whole units (512 for the header)
};

struct PendingArea {
  // Home offset → its shadow copy (the last copy wins should one repeat).
  std::unordered_map<std::uint32_t, PendingCopy> copies;
};

// Reads `out.size()` bytes at `offset`, deciphered; false when they cannot all be read.
using BlockReader = std::function<bool(std::uint64_t offset, std::span<std::uint8_t> out)>;

// Walks [start, end). Empty when the walk cannot read a whole block, a block could not belong
// to the file, or the area holds no copy of the header.
std::optional<PendingArea> walkPendingArea(std::uint32_t start, std::uint32_t end, const BlockReader& read);

}  // namespace veltrano::storage
