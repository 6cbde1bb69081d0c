#include "storage/file_header.h"

#include <algorithm>
#include <cstring>

namespace veltrano::storage {
namespace {

constexpr std::uint8_t kMagic[4] = {'w', 'L', 'o', 'K'};
constexpr std::size_t kRunStartsAt = 32;
constexpr std::size_t kRunEndsAt = 272;

}  // namespace

int PageRuns::classOfPage(std::uint32_t unit) const {
  for (int c = 1; c < kRunCount; ++c) {
    const auto index = static_cast<std::size_t>(c);
    if (unit >= start[index] && unit < end[index]) {
      return (unit - start[index]) % static_cast<std::uint32_t>(c) == 0 ? c : 0;
    }
  }
  return 0;
}

std::uint32_t PageRuns::pageAreaEnd() const {
  for (std::size_t c = kRunCount - 1; c >= 1; --c) {
    if (start[c] != end[c]) return end[c];
  }
  return 0;
}

bool PageRuns::consistent() const {
  if (start[0] != end[0]) return false;
  for (std::size_t c = 1; c < kRunCount; ++c) {
    if (start[c] > end[c] || start[c] < end[c - 1] || end[c] > kUnitLimit) return false;
    if ((end[c] - start[c]) % c != 0) return false;
  }
  return true;
}

FileHeader FileHeader::fresh() {
  FileHeader header;
  header.pending_start = header.pending_end = static_cast<std::uint32_t>(kFileHeaderBytes);
  return header;
}

void FileHeader::encode(std::span<std::uint8_t, kFileHeaderBytes> out) const {
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  std::uint8_t* p = out.data();
  storeLe32(p + 0, 0);  // the home offset: the header shares a page header's first six bytes
  storeLe16(p + 4, static_cast<std::uint16_t>(kFileHeaderBytes));
  storeLe32(p + 6, pending_start);
  storeLe32(p + 10, pending_end);
  std::memcpy(p + 14, kMagic, 4);
  storeLe16(p + 18, reserved);
  storeBe32(p + 20, last_number);
  storeLe32(p + 24, change_counter);
  storeLe32(p + 28, root);
  for (std::size_t c = 0; c < kRunCount; ++c) {
    storeLe32(p + kRunStartsAt + 4 * c, runs.start[c]);
    storeLe32(p + kRunEndsAt + 4 * c, runs.end[c]);
  }
}

bool FileHeader::decode(std::span<const std::uint8_t, kFileHeaderBytes> in, FileHeader& out) {
  const std::uint8_t* p = in.data();
  if (std::memcmp(p + 14, kMagic, 4) != 0) return false;
  out.pending_start = loadLe32(p + 6);
  out.pending_end = loadLe32(p + 10);
  out.reserved = loadLe16(p + 18);
  out.last_number = loadBe32(p + 20);
  out.change_counter = loadLe32(p + 24);
  out.root = loadLe32(p + 28);
  for (std::size_t c = 0; c < kRunCount; ++c) {
    out.runs.start[c] = loadLe32(p + kRunStartsAt + 4 * c);
    out.runs.end[c] = loadLe32(p + kRunEndsAt + 4 * c);
  }
  return true;
}

bool FileHeader::plausible() const {
  if (!runs.consistent()) return false;
  if (pending_end < pending_start) return false;
  if (!pendingEmpty() && pending_start < pageAreaEndOffset()) return false;
  return root == kNoPage || root < kUnitLimit;
}

}  // namespace veltrano::storage
