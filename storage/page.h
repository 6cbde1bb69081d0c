// One page of the entry tree as the cache holds it: its entries decoded once into a byte buffer
// with an index of where each starts, so that a search is a binary search over that index and a
// read is one copy.
//
// A leaf page (level 0) holds entries. An index page (level > 0) holds one child unit number per
// entry; entry i is a lower bound of every key in child i's subtree (index entries are keys only).
//
// On disk (see docs/file-format.md) a page is a 13-byte header, the child numbers of an index
// page, and the entries, each sharing up to 63 leading bytes with the one before it; the part
// after the header may be packed, and the page is filled with 0xB0 to a whole number of units.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "storage/entry_tree.h"
#include "storage/page_format.h"

namespace veltrano::storage {

// A page's bytes (its decoded entries, the body still to decode). Growing leaves the new bytes as
// they come: decoding overwrites all it grows, and zero-filling them cost a good part of a miss.
class EntryBytes {
 public:
  std::uint8_t* data() { return data_.get(); }
  const std::uint8_t* data() const { return data_.get(); }
  std::size_t size() const { return size_; }
  void clear() { size_ = 0; }
  void reserve(std::size_t capacity) {
    if (capacity > capacity_) grow(capacity);
  }
  void resize(std::size_t size) {
    reserve(size);
    size_ = size;
  }
  void append(std::span<const std::uint8_t> bytes) {
    const std::size_t at = size_;
    resize(size_ + bytes.size());
    if (!bytes.empty()) std::memcpy(data_.get() + at, bytes.data(), bytes.size());
  }
  void swap(EntryBytes& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
  }

 private:
  void grow(std::size_t wanted) {
    const std::size_t capacity = std::max(wanted, capacity_ * 2);
    auto grown = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
    if (size_ > 0) std::memcpy(grown.get(), data_.get(), size_);
    data_ = std::move(grown);
    capacity_ = capacity;
  }

  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

// Working space for encoding pages, kept by whoever encodes many.
struct PageScratch {
  std::vector<std::uint8_t> unpacked;
  std::vector<std::uint8_t> packed;
};

// Working space for Page::visitUndecoded, kept by whoever visits many pages.
struct VisitScratch {
  // The wanted parts of the entry's data, each at its own offset.
  EntryBytes data;
  // The leading bytes (at least the key) of the entry visited and of the one before it.
  EntryBytes leads[2];
  // After a visit to the end: the page's last key.
  std::vector<std::uint8_t> last_key;
};

class Page {
 public:
  void reset(std::uint8_t level);

  std::uint8_t level() const { return level_; }
  bool isLeaf() const { return level_ == 0; }
  std::size_t count() const { return slots_.size(); }
  std::span<const std::uint8_t> entry(std::size_t i) const {
    decodeThrough(i);
    return {bytes_.data() + slots_[i].offset, slots_[i].length};
  }
  std::span<const std::uint8_t> key(std::size_t i) const {
    decodeThrough(i);
    return {bytes_.data() + slots_[i].offset, slots_[i].key_length};
  }
  std::size_t keyLength(std::size_t i) const {
    decodeThrough(i);
    return slots_[i].key_length;
  }
  // Whether the page was read from disk and none of its entries is decoded yet.
  bool undecoded() const { return lazy_ && decoded_ == 0; }
  // REQUIRES: undecoded(). Visits the entries in order without decoding them: the visitor gets
  // each key whole and, of the data, the `wanted` ranges (sorted, apart) — the data is the
  // entry's length but holds only those of its bytes. The page is checked as decoding checks it,
  // with the same failures, and stays undecoded. False when the visitor ended the visit; true
  // when it reached the end, with the last key in `scratch.last_key`.
  bool visitUndecoded(std::span<const DataRange> wanted, VisitScratch& scratch,
                      const EntryVisitor& visit) const;
  // How many entries, from the first, are decoded already (see decode()).
  std::size_t decodedCount() const { return lazy_ ? decoded_ : slots_.size(); }
  // Decodes whatever a read left for later (see decode()); failures as decode() gives them.
  void decodeAll() const {
    if (lazy_) decodeUpTo(slots_.size() - 1);
  }
  std::uint32_t child(std::size_t i) const { return children_[i]; }
  void setChild(std::size_t i, std::uint32_t unit) { children_[i] = unit; }

  // The first entry whose key is >= `key` (lowerBound) or > `key` (upperBound).
  std::size_t lowerBound(std::span<const std::uint8_t> key) const;
  std::size_t upperBound(std::span<const std::uint8_t> key) const;
  // The child a search for `key` descends into: the last entry not greater than the key, or
  // the first when every entry is greater. REQUIRES: an index page with entries.
  std::size_t route(std::span<const std::uint8_t> key) const {
    const std::size_t above = upperBound(key);
    return above == 0 ? 0 : above - 1;
  }
  // route() for a search that only reads. Most index pages a cache miss brings in serve one
  // search before the cache lets them go, so the first search of one just read compares the
  // entries where they lie instead of decoding them into the page; it is checked as decoding
  // checks it. A page searched again is decoded as route() decodes it.
  std::size_t routeToRead(std::span<const std::uint8_t> key) const {
    const std::size_t above = lazy_ && decoded_ == 0 && !walked_ ? walkAbove(key) : upperBound(key);
    return above == 0 ? 0 : above - 1;
  }

  // The page's uncompressed size as it would be written: header, child numbers and entries.
  std::size_t encodedSize() const { return knownSize(); }

  // REQUIRES: i <= count(), the order rule holds afterwards, child given for an index page.
  void insertAt(std::size_t i, std::span<const std::uint8_t> key, std::span<const std::uint8_t> data,
                std::uint32_t child = 0);
  void replaceAt(std::size_t i, std::span<const std::uint8_t> key, std::span<const std::uint8_t> data);
  void eraseAt(std::size_t i);
  // Moves entries [from, count()) (with their children) to the empty page `right`.
  void moveTailTo(std::size_t from, Page& right);
  // Appends every entry of `right` (whose keys all follow this page's), leaving it empty.
  void takeAllFrom(Page& right);
  // The entry index at which to cut the page into two halves of about equal encoded size.
  // REQUIRES: count() >= 2. The result lies in [1, count() - 1].
  std::size_t splitPoint() const;

  // Writes the page's image for the given home offset into `image`: header, child numbers,
  // entries (packed when that saves a unit) and the 0xB0 fill, a whole number of units long.
  // `scratch` is working space. Failure 1678 when the image would need more than 59 units.
  void encode(std::uint32_t home_offset, std::vector<std::uint8_t>& image, PageScratch& scratch) const;
  // Rewrites the home offset and child numbers of an image made by encode() for this page.
  void patchImage(std::uint32_t home_offset, std::span<std::uint8_t> image) const;
  // Reads a page image (deciphered, exactly as long as the run's class says). Failures: 1477
  // (size or home not this place's), 1659, 1602, 522, 530, 824, 1735 (a child number that is
  // no unit).
  //
  // The header and child numbers are checked and the body unpacked at once; the entries are
  // decoded as far as they are used — a search stops at its key, and most pages a cache miss
  // brings in serve one search — so 1602 and 824 may come from a later access instead. With
  // `unpack_later` the body stays packed until an entry is decoded, for a scan that may visit
  // the page without decoding it, and 522 and 530 come later too.
  void decode(std::span<const std::uint8_t> image, std::uint32_t home_offset, bool unpack_later = false);

 private:
  struct Slot {
    // Left unset: a page read from disk sets each slot as it decodes that entry, and zeroing
    // them all first cost a good part of decoding a page that serves one search.
    Slot() {}  // not = default, which would zero them in resize()
    Slot(std::uint32_t at, std::uint16_t bytes, std::uint16_t key_bytes)
        : offset(at), length(bytes), key_length(key_bytes) {}
    std::uint32_t offset;
    std::uint16_t length;
    std::uint16_t key_length;
  };

  // Bytes entry i takes on disk, given the entry before it.
  std::size_t costAt(std::size_t i) const;
  std::size_t costFrom(std::size_t first, std::size_t last) const;  // entries [first, last)
  std::size_t headerSize() const {
    return kPageHeaderBytes + (isLeaf() ? 0 : kChildNumberBytes * children_.size());
  }
  void recomputeSize();
  // A decoded page works its size out only when it is first asked for: most pages read are
  // never changed, and the accounting costs as much as decoding.
  std::size_t knownSize() const {
    if (!size_known_) {
      decodeAll();
      size_ = headerSize() + costFrom(0, slots_.size());
      size_known_ = true;
    }
    return size_;
  }
  std::uint32_t store(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data);
  // Decodes entries up to and including entry i. REQUIRES: i < count().
  void decodeThrough(std::size_t i) const {
    if (lazy_ && i >= decoded_) decodeUpTo(i);
  }
  void decodeUpTo(std::size_t i) const;
  // Decodes until the last entry decoded is not below `key` (or, with or_equal, is above it),
  // or the page is decoded to its end. REQUIRES: lazy_.
  void decodeWhileBelow(std::span<const std::uint8_t> key, bool or_equal) const;
  void decodeNext() const;
  void unpackNow() const;
  // upperBound() for routeToRead(), without decoding.
  std::size_t walkAbove(std::span<const std::uint8_t> key) const;
  void compactIfWasteful();
  void compact();  // the entry bytes moved into a buffer of exactly their size

  std::uint8_t level_ = 0;
  std::vector<std::uint32_t> children_;
  mutable EntryBytes bytes_;         // entry bytes in any order; slots_ give the key order
  mutable std::vector<Slot> slots_;  // all of them; those from decoded_ on not yet filled in
  // A page read from disk and not yet decoded to its end: its body, where the next entry starts
  // in it, and the last decoded entry's lengths and place.
  mutable bool lazy_ = false;
  mutable std::size_t decoded_ = 0;
  mutable EntryBytes body_;
  mutable EntryBytes packed_;  // the body as stored, while its unpacking waits (see decode())
  mutable bool unpack_pending_ = false;
  mutable bool walked_ = false;  // walkAbove() has searched the page once
  mutable std::size_t body_at_ = 0;
  mutable std::size_t used_ = 0;
  mutable std::size_t last_length_ = 0;
  mutable std::size_t last_key_length_ = 0;
  mutable std::size_t last_shared_ = 0;  // the bytes the last decoded entry shares with its predecessor
  std::size_t garbage_ = 0;              // bytes of bytes_ no slot refers to any more
  mutable std::size_t size_ = kPageHeaderBytes;
  mutable bool size_known_ = true;
};

// The number of leading bytes entry `b` shares with the entry `a` before it, as the writer counts
// them: at most 63, and never more than either length.
std::size_t sharedPrefix(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);

}  // namespace veltrano::storage
