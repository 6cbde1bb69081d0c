#include "storage/compression.h"

#include <algorithm>
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

}  // namespace

bool packBody(std::span<const std::uint8_t> body, std::vector<std::uint8_t>& out) {
  out.clear();
  bool repeated = false;
  std::size_t literal_from = 0;
  std::size_t position = 0;
  while (position < body.size()) {
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
  std::size_t in = 0;
  std::size_t out = 0;
  for (;;) {
    const std::size_t literal = takeCount(packed, in, failure::kLiteralOverrun);
    if (literal > body.size() - out || literal > packed.size() - in) fail(failure::kLiteralOverrun);
    if (literal > 0) std::memcpy(body.data() + out, packed.data() + in, literal);
    in += literal;
    out += literal;
    if (out == body.size()) return;
    const std::size_t repeat = takeCount(packed, in, failure::kRepeatOverrun);
    if (repeat > body.size() - out || (out == 0 && repeat > 0)) fail(failure::kRepeatOverrun);
    if (repeat > 0) std::memset(body.data() + out, body[out - 1], repeat);
    out += repeat;
  }
}

}  // namespace veltrano::storage
