#include "storage/memo_chunks.h"

#include <algorithm>

#include "platform/codepage.h"
#include "storage/wendlock_entries.h"

namespace veltrano::storage {

using entries::kMemoChunkBytes;

void storedMemoContents(std::span<const std::uint8_t> contents, bool blob, bool binary, bool oem_file,
                        std::uint32_t declared_size, std::vector<std::uint8_t>& out) {
  std::size_t length = contents.size();
  if (!blob) {
    length = std::min<std::size_t>(length, declared_size);
    while (length > 0 && contents[length - 1] == ' ') --length;
  }
  out.assign(contents.begin(), contents.begin() + static_cast<std::ptrdiff_t>(length));
  if (!blob && !binary && oem_file) platform::oemFromAnsi(std::span<std::uint8_t>(out));
}

void memoContentsFromStored(std::vector<std::uint8_t>& contents, bool blob, bool binary, bool oem_file) {
  if (!blob && !binary && oem_file) platform::ansiFromOem(std::span<std::uint8_t>(contents));
}

void removeMemoChunks(EntryTree& tree, const MemoPlace& place, Entry& scratch) {
  const auto first = entries::memoKey(place.table, place.record, place.memo, 0);
  entries::eraseAll(tree, std::span<const std::uint8_t>(first.data(), 10), scratch);
}

void writeMemoChunks(EntryTree& tree, const MemoPlace& place, std::span<const std::uint8_t> stored,
                     Entry& scratch) {
  removeMemoChunks(tree, place, scratch);
  if (stored.empty()) return;
  std::size_t at = 0;
  std::uint16_t chunk = 0;
  std::vector<std::uint8_t>& data = scratch.bytes;
  while (at < stored.size()) {
    data.clear();
    if (place.blob && chunk == 0) {
      data.resize(4);
      entries::putLittle32(data.data(), static_cast<std::uint32_t>(stored.size()));
    }
    const std::size_t take = std::min(kMemoChunkBytes, stored.size() - at);
    data.insert(data.end(), stored.begin() + static_cast<std::ptrdiff_t>(at),
                stored.begin() + static_cast<std::ptrdiff_t>(at + take));
    tree.insert(entries::memoKey(place.table, place.record, place.memo, chunk), data);
    at += take;
    ++chunk;
  }
}

bool readMemoChunks(EntryTree& tree, const MemoPlace& place, std::vector<std::uint8_t>& out, Entry& scratch) {
  out.clear();
  const auto first = entries::memoKey(place.table, place.record, place.memo, 0);
  const std::span<const std::uint8_t> prefix(first.data(), 10);
  std::uint32_t expected_chunk = 0;
  std::uint32_t blob_length = 0;
  bool sound = true;
  bool found = tree.seek(first, Seek::AtOrAfter, scratch);
  while (found && entries::startsWith(scratch.key(), prefix)) {
    const auto key = scratch.key();
    const std::uint32_t chunk = key.size() == 12 ? (static_cast<std::uint32_t>(key[10]) << 8 | key[11]) : ~0u;
    if (chunk != expected_chunk) sound = false;
    auto data = scratch.data();
    if (place.blob && chunk == 0) {
      if (data.size() < 4) return false;
      blob_length = entries::little32(data.data());
      data = data.subspan(4);
    }
    if (data.size() > kMemoChunkBytes) sound = false;
    out.insert(out.end(), data.begin(), data.end());
    ++expected_chunk;
    const auto next =
        entries::memoKey(place.table, place.record, place.memo, static_cast<std::uint16_t>(chunk));
    found = tree.seek(next, Seek::After, scratch);
  }
  if (place.blob && blob_length != out.size()) sound = false;
  return sound;
}

}  // namespace veltrano::storage
