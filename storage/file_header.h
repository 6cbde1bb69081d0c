// The 512-byte header at the start of every storage file, and the table of page runs it holds.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "storage/page_format.h"

namespace veltrano::storage {

// The page runs: run c (1–59) spans units [start[c], end[c]) and holds pages of exactly c
// units. Runs lie in increasing order; free units may lie between them.
struct PageRuns {
  std::array<std::uint32_t, kRunCount> start{};
  std::array<std::uint32_t, kRunCount> end{};

  // The class of the page that starts at `unit`, or 0 when no page of any run starts there.
  int classOfPage(std::uint32_t unit) const;
  // One past the last unit of the highest run that holds pages (0 when none does).
  std::uint32_t pageAreaEnd() const;
  // Whether the table obeys the run rules (order, whole pages, 32-bit offsets).
  bool consistent() const;
  bool operator==(const PageRuns&) const = default;
};

struct FileHeader {
  std::uint32_t pending_start = 0;  // byte offsets of the pending area; equal when it is empty
  std::uint32_t pending_end = 0;
  std::uint16_t reserved = 0;        // written as 0, kept as read
  std::uint32_t last_number = 0;     // kept big-endian on disk
  std::uint32_t change_counter = 0;  // 0 only before the first update of a new file
  std::uint32_t root = kNoPage;
  PageRuns runs;

  // The header of a new, empty storage file.
  static FileHeader fresh();
  void encode(std::span<std::uint8_t, kFileHeaderBytes> out) const;
  // False when the block does not carry the magic "wLoK" or its home and size.
  static bool decode(std::span<const std::uint8_t, kFileHeaderBytes> in, FileHeader& out);

  std::uint64_t pageAreaEndOffset() const { return unitOffset(runs.pageAreaEnd()); }
  bool pendingEmpty() const { return pending_start == pending_end; }
  // Whether the header can describe a file: consistent runs, a pending area after the pages.
  bool plausible() const;
  bool operator==(const FileHeader&) const = default;
};

}  // namespace veltrano::storage
