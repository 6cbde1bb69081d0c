// Run-length packing of page bodies.
//
// A packed body is a sequence of groups: a literal count followed by that many bytes, then a
// repeat count saying how many more copies of the last byte written follow; then the next
// literal group, and so on. Counts are base-128 numbers, least significant seven bits first, with
// 0x80 set on every byte but the last. Only runs of four or more equal bytes are packed, since a
// shorter run costs as much as it saves.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace veltrano::storage {

// Packs `body` into `out`. False (and `out` unspecified) when the body has no run of four or
// more equal bytes: such a body is stored as it is.
bool packBody(std::span<const std::uint8_t> body, std::vector<std::uint8_t>& out);

// Unpacks `packed` into exactly `body.size()` bytes. A literal count that overruns the body (or
// the packed bytes) is storage failure 522; a repeat count that overruns it, or that has no byte
// to repeat, is 530.
void unpackBody(std::span<const std::uint8_t> packed, std::span<std::uint8_t> body);

// Reads a body from its start, a part at a time, without unpacking the parts it skips: a walk
// over a page's entries that needs only a few bytes of each. Skipping a group costs a fraction of
// unpacking it, since nothing is written. A body stored as it is reads the same way. The groups
// are read as unpackBody reads them and fail as it fails them, each when the reading reaches
// it; reading past the body's end is failure 1602, a page whose entries overrun it.
class BodyReader {
 public:
  // `stored` is the packed body, or (not `packed`) the body itself, at least body_size long.
  BodyReader(std::span<const std::uint8_t> stored, std::size_t body_size, bool packed);

  std::size_t left() const { return body_size_ - position_; }
  void copy(std::uint8_t* out, std::size_t count) {
    // An empty part may come with no buffer at all, which memcpy must not be given.
    if (count == 0) return;
    if (count <= group_left_) {
      if (group_literal_) {
        std::memcpy(out, packed_.data() + in_, count);
        in_ += count;
      } else {
        std::memset(out, last_byte_, count);
      }
      group_left_ -= count;
      position_ += count;
      return;
    }
    advance<true>(out, count);
  }
  void skip(std::size_t count) { advance<false>(nullptr, count); }
  // At the body's end: reads what unpackBody reads after the last byte (a repeat that ends the
  // body is followed by an empty literal group). REQUIRES: left() == 0.
  void finish();

 private:
  // Reads `count` bytes on from the group under way, into `out` when kWrites.
  template <bool kWrites>
  void advance(std::uint8_t* out, std::size_t count);

  std::span<const std::uint8_t> packed_;
  std::size_t in_ = 0;
  std::size_t body_size_;
  std::size_t position_ = 0;
  std::size_t group_left_ = 0;  // bytes of the group under way not read yet
  bool group_literal_ = false;
  bool literal_next_ = true;    // the next group is a literal one (else a repeat)
  std::uint8_t last_byte_ = 0;  // the last byte of the last literal group with any (what repeats)
};

}  // namespace veltrano::storage
