#include "storage/compression.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "storage/page_format.h"
#include "storage/storage_failure.h"

namespace veltrano::storage {
namespace {

void putCount(std::vector<std::uint8_t>& out, std::size_t count) {
  while (count >= 0x80) {
    out.push_back(static_cast<std::uint8_t>(0x80 | (count & 0x7F)));
    count >>= 7;
  }
  out.push_back(static_cast<std::uint8_t>(count));
}

// Reads a count; a count that does not end within three bytes (more than any page holds) or
// within the packed bytes is the failure given.
std::size_t takeCount(std::span<const std::uint8_t> packed, std::size_t& position, int failure_number) {
  std::size_t count = 0;
  for (int shift = 0; shift < 21; shift += 7) {
    if (position >= packed.size()) fail(failure_number);
    const std::uint8_t byte = packed[position++];
    count |= std::size_t{byte & 0x7Fu} << shift;
    if ((byte & 0x80) == 0) return count;
  }
  fail(failure_number);
}

// The first position from `position` on whose byte equals the next one (only there can a run
// start), or the last position when there is none. Eight neighbours are compared at a time.
std::size_t nextPair(std::span<const std::uint8_t> body, std::size_t position) {
  const std::uint8_t* const bytes = body.data();
  while (position + 9 <= body.size()) {
    std::uint64_t word;
    std::uint64_t next;
    std::memcpy(&word, bytes + position, 8);
    std::memcpy(&next, bytes + position + 1, 8);
    // A zero byte in `differ` marks a byte equal to the one after it.
    const std::uint64_t differ = word ^ next;
    const std::uint64_t zero = (differ - 0x0101010101010101u) & ~differ & 0x8080808080808080u;
    if (zero == 0) {
      position += 8;
      continue;
    }
    // The lowest marked byte is exact (a borrow only runs towards higher bytes); in memory order
    // that is the first on a little-endian machine.
    if constexpr (std::endian::native == std::endian::little) {
      return position + static_cast<std::size_t>(std::countr_zero(zero)) / 8;
    } else {
      break;
    }
  }
  while (position + 1 < body.size() && bytes[position] != bytes[position + 1]) ++position;
  return position;
}

}  // namespace

bool packBody(std::span<const std::uint8_t> body, std::vector<std::uint8_t>& out) {
  out.clear();
  out.reserve(body.size() + body.size() / 2 + 8);
  bool repeated = false;
  std::size_t literal_from = 0;
  std::size_t position = 0;
  while (position < body.size()) {
    // Bytes unlike their next neighbour are runs of one; they stay pending as literals.
    position = nextPair(body, position);
    std::size_t run = 1;
    while (position + run < body.size() && body[position + run] == body[position]) ++run;
    if (run >= 4) {
      // The literal group carries the run's first byte, so the repeat has a byte to copy.
      putCount(out, position + 1 - literal_from);
      out.insert(out.end(), body.begin() + static_cast<std::ptrdiff_t>(literal_from),
                 body.begin() + static_cast<std::ptrdiff_t>(position + 1));
      putCount(out, run - 1);
      repeated = true;
      literal_from = position + run;
    }
    position += run;
  }
  if (!repeated) return false;
  putCount(out, body.size() - literal_from);
  out.insert(out.end(), body.begin() + static_cast<std::ptrdiff_t>(literal_from), body.end());
  return true;
}

void unpackBody(std::span<const std::uint8_t> packed, std::span<std::uint8_t> body) {
  // Groups are mostly short (a name between blank paddings): counts below 128 are read inline,
  // and groups are moved sixteen bytes at a time, without a library call, wherever both buffers
  // have room for the whole last block. Bytes written past a group's end are overwritten by the
  // groups after it, which must fill the body to its end.
  const std::uint8_t* const from = packed.data();
  std::uint8_t* const to = body.data();
  std::size_t in = 0;
  std::size_t out = 0;
  auto count = [&](int failure_number) {
    if (in < packed.size() && from[in] < 0x80) return std::size_t{from[in++]};
    return takeCount(packed, in, failure_number);
  };
  for (;;) {
    const std::size_t literal = count(failure::kLiteralOverrun);
    if (literal > body.size() - out || literal > packed.size() - in) fail(failure::kLiteralOverrun);
    const std::size_t literal_blocks = (literal + 15) / 16 * 16;
    if (literal_blocks <= packed.size() - in && literal_blocks <= body.size() - out) {
      for (std::size_t at = 0; at < literal; at += 16) std::memcpy(to + out + at, from + in + at, 16);
    } else if (literal > 0) {
      std::memcpy(to + out, from + in, literal);
    }
    in += literal;
    out += literal;
    if (out == body.size()) return;
    const std::size_t repeat = count(failure::kRepeatOverrun);
    if (repeat > body.size() - out || (out == 0 && repeat > 0)) fail(failure::kRepeatOverrun);
    const std::size_t repeat_blocks = (repeat + 15) / 16 * 16;
    if (repeat == 0) continue;
    if (repeat_blocks <= body.size() - out) {
      std::uint8_t block[16];
      std::memset(block, to[out - 1], 16);
      for (std::size_t at = 0; at < repeat; at += 16) std::memcpy(to + out + at, block, 16);
    } else {
      std::memset(to + out, to[out - 1], repeat);
    }
    out += repeat;
  }
}

BodyReader::BodyReader(std::span<const std::uint8_t> stored, std::size_t body_size, bool packed)
    : packed_(stored), body_size_(body_size) {
  if (packed) return;
  // A body stored as it is reads as one literal group.
  if (stored.size() < body_size) fail(failure::kEntriesDoNotFill);
  group_left_ = body_size;
  group_literal_ = true;
  literal_next_ = false;
}

namespace {

std::size_t readCount(std::span<const std::uint8_t> packed, std::size_t& in, int failure_number) {
  if (in < packed.size() && packed[in] < 0x80) return packed[in++];
  return takeCount(packed, in, failure_number);
}

}  // namespace

template <bool kWrites>
void BodyReader::advance(std::uint8_t* out, std::size_t count) {
  // The rest of the group under way, then whole groups, read as unpackBody reads them.
  const std::size_t here = std::min(count, group_left_);
  if constexpr (kWrites) {
    if (group_literal_) {
      std::memcpy(out, packed_.data() + in_, here);
    } else {
      std::memset(out, last_byte_, here);
    }
    out += here;
  }
  if (group_literal_) in_ += here;
  group_left_ -= here;
  position_ += here;
  count -= here;
  if (count == 0) return;
  const std::uint8_t* const from = packed_.data();
  const std::size_t in_size = packed_.size();
  std::size_t in = in_;
  std::size_t position = position_;
  for (bool literal_next = literal_next_;;) {
    if (literal_next) {
      literal_next = false;
      const std::size_t literal =
          in < in_size && from[in] < 0x80 ? from[in++] : takeCount(packed_, in, failure::kLiteralOverrun);
      if (literal > body_size_ - position || literal > in_size - in) fail(failure::kLiteralOverrun);
      if (literal > 0) last_byte_ = from[in + literal - 1];
      const std::size_t step = std::min(literal, count);
      if constexpr (kWrites) {
        std::memcpy(out, from + in, step);
        out += step;
      }
      if (literal >= count) {
        in_ = in + count;
        position_ = position + count;
        group_left_ = literal - count;
        group_literal_ = true;
        literal_next_ = false;
        return;
      }
      in += literal;
      position += literal;
      count -= literal;
    } else {
      literal_next = true;
      if (position == body_size_) fail(failure::kEntriesDoNotFill);
      const std::size_t repeat =
          in < in_size && from[in] < 0x80 ? from[in++] : takeCount(packed_, in, failure::kRepeatOverrun);
      if (repeat > body_size_ - position || (position == 0 && repeat > 0)) fail(failure::kRepeatOverrun);
      const std::size_t step = std::min(repeat, count);
      if constexpr (kWrites) {
        std::memset(out, last_byte_, step);
        out += step;
      }
      if (repeat >= count) {
        in_ = in;
        position_ = position + count;
        group_left_ = repeat - count;
        group_literal_ = false;
        literal_next_ = true;
        return;
      }
      position += repeat;
      count -= repeat;
    }
  }
}

template void BodyReader::advance<true>(std::uint8_t* out, std::size_t count);
template void BodyReader::advance<false>(std::uint8_t* out, std::size_t count);

void BodyReader::finish() {
  // What the unpacker reads after the last byte: after a repeat, the next literal group, which
  // must be empty.
  if (group_left_ != 0 || !literal_next_) return;
  const std::size_t literal = readCount(packed_, in_, failure::kLiteralOverrun);
  if (literal > 0) fail(failure::kLiteralOverrun);
  literal_next_ = false;
}

}  // namespace veltrano::storage
