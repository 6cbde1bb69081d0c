#include "storage/pending_area.h"

#include <array>
#include <vector>

#include "storage/page_format.h"

namespace veltrano::storage {

std::optional<PendingArea> walkPendingArea(std::uint32_t start, std::uint32_t end, const BlockReader& read) {
  PendingArea area;
  std::vector<std::uint8_t> block;
  bool found_header = false;
  std::uint64_t at = start;
  while (at < end) {
    std::array<std::uint8_t, kCipherBlockBytes> head{};
    if (end - at < head.size() || !read(at, head)) return std::nullopt;
    const std::uint32_t home = loadLe32(head.data());
    const std::size_t stored = loadLe16(head.data() + 4);
    std::size_t size = 0;
    if (home == 0) {
      if (stored != kFileHeaderBytes) return std::nullopt;
      size = kFileHeaderBytes;
      found_header = true;
    } else {
      // A page belongs on a unit boundary of the page area, which ends where this area starts.
      if (home < kFileHeaderBytes || (home - kFileHeaderBytes) % kUnitBytes != 0) return std::nullopt;
      if (stored < kPageHeaderBytes || stored > kLargestPageBytes) return std::nullopt;
      size = roundUpToUnit(stored);
      if (std::uint64_t{home} + size > start) return std::nullopt;
    }
    if (end - at < size) return std::nullopt;
    block.resize(size);
    if (!read(at, block)) return std::nullopt;
    area.copies[home] = PendingCopy{static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(size)};
    at += size;
  }
  if (!found_header) return std::nullopt;
  return area;
}

}  // namespace veltrano::storage
