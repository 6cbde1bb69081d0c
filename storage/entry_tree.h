// The ordered tree of entries that holds everything a storage file contains.
//
// An entry is a byte string whose first K bytes are its key and the rest its data. Entries are
// ordered by comparing keys byte by byte as unsigned values over the shorter length; when those
// bytes are equal the shorter key comes first. No two entries have the same key.
//
// The page file implements this over pages on disk; tests and models use the in-memory twin.
// Changes stay in memory until the owner writes the file's update (see PageFile); reads always
// see the changes made so far.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <vector>

namespace veltrano::storage {

// Orders two keys by the entry order rule: <0, 0 or >0.
inline int compareKeys(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  // Inline, eight bytes at a time: searches compare short keys millions of times, where a call
  // of the library's comparison costs more than the comparing.
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  std::size_t at = 0;
  for (; at + 8 <= common; at += 8) {
    std::uint64_t x;
    std::uint64_t y;
    std::memcpy(&x, a.data() + at, 8);
    std::memcpy(&y, b.data() + at, 8);
    if (x != y) {
      if constexpr (std::endian::native == std::endian::little) {
        x = __builtin_bswap64(x);
        y = __builtin_bswap64(y);
      }
      return x < y ? -1 : 1;
    }
  }
  for (; at < common; ++at) {
    if (a[at] != b[at]) return a[at] < b[at] ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// One entry, read out of the tree. Its buffer is reused from read to read, so a caller that
// keeps one Entry per cursor does not allocate once the buffer has grown.
struct Entry {
  std::vector<std::uint8_t> bytes;
  std::size_t key_length = 0;

  std::span<const std::uint8_t> key() const { return {bytes.data(), key_length}; }
  std::span<const std::uint8_t> data() const {
    return {bytes.data() + key_length, bytes.size() - key_length};
  }
  void assign(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data);
};

// Where seek() lands relative to the key given.
enum class Seek {
  AtOrAfter,   // the first entry whose key is >= the key
  After,       // the first entry whose key is > the key
  Before,      // the last entry whose key is < the key
  AtOrBefore,  // the last entry whose key is <= the key
};

// Called for each entry of a scan with its key and data, which stay valid only during the call;
// returns false to end the scan. It must not change the tree.
using EntryVisitor =
    std::function<bool(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data)>;

// A run of bytes within an entry's data.
struct DataRange {
  std::uint32_t offset;
  std::uint32_t size;
};

class EntryTree {
 public:
  virtual ~EntryTree() = default;

  // The entry with exactly this key.
  virtual bool find(std::span<const std::uint8_t> key, Entry& out) = 0;
  // The entry nearest to `key` in the given direction; false when there is none.
  virtual bool seek(std::span<const std::uint8_t> key, Seek where, Entry& out) = 0;
  // Visits the entries in order from the first whose key is >= `from` (> `from` when not
  // `inclusive`) until the visitor returns false or the tree ends. A scan reads each entry where
  // it lies, where seek() copies it out and searches for it again from the top.
  virtual void scan(std::span<const std::uint8_t> from, bool inclusive, const EntryVisitor& visit);
  // A scan whose visitor reads only the `wanted` ranges of each entry's data (sorted, apart from
  // each other): the data it is given has the entry's length, but of its bytes only those are
  // the entry's. A tree may give more.
  virtual void scanParts(std::span<const std::uint8_t> from, bool inclusive,
                         std::span<const DataRange> wanted, const EntryVisitor& visit) {
    (void)wanted;
    scan(from, inclusive, visit);
  }
  // Inserts the entry, replacing an entry with the same key.
  // REQUIRES: key.size() + data.size() < 15094 (larger entries are storage failure 824).
  virtual void insert(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) = 0;
  // Removes the entry with this key; false when there was none.
  virtual bool erase(std::span<const std::uint8_t> key) = 0;

  // The file's number counter: the last number issued to a table or a record.
  virtual std::uint32_t lastNumber() const = 0;
  virtual void setLastNumber(std::uint32_t number) = 0;
};

}  // namespace veltrano::storage
