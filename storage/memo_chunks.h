// Memo and BLOB contents in the entry tree: chunks of at most 256 bytes keyed by table, record,
// memo number and chunk number (big-endian, from 0). A BLOB's first chunk carries its total
// length (4 bytes, little-endian) before its first 256 bytes. Contents of length 0 have no
// chunks at all.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "storage/entry_tree.h"

namespace veltrano::storage {

struct MemoPlace {
  std::uint32_t table = 0;
  std::uint32_t record = 0;
  std::uint8_t memo = 0;  // 0-based, declaration order
  bool blob = false;
};

// What a memo's contents become when stored: a MEMO loses its trailing blanks and is cut to its
// declared size; a text MEMO of an OEM file goes to the OEM character set. BINARY memos and
// BLOBs are kept as they are.
void storedMemoContents(std::span<const std::uint8_t> contents, bool blob, bool binary, bool oem_file,
                        std::uint32_t declared_size, std::vector<std::uint8_t>& out);
// The reverse of the character conversion, for reading.
void memoContentsFromStored(std::vector<std::uint8_t>& contents, bool blob, bool binary, bool oem_file);

// Replaces the chunks of one memo by `stored` (already in stored form). `scratch` is reused.
void writeMemoChunks(EntryTree& tree, const MemoPlace& place, std::span<const std::uint8_t> stored,
                     Entry& scratch);
// Removes every chunk of one memo.
void removeMemoChunks(EntryTree& tree, const MemoPlace& place, Entry& scratch);
// Reads the concatenated chunks. False when the chunks are damaged (a gap in the chunk numbers,
// a BLOB whose length disagrees with its chunks); `out` then holds what could be read.
bool readMemoChunks(EntryTree& tree, const MemoPlace& place, std::vector<std::uint8_t>& out, Entry& scratch);

}  // namespace veltrano::storage
