// Run-length packing of page bodies.
//
// A packed body is a sequence of groups: a literal count followed by that many bytes, then a
// repeat count saying how many more copies of the last byte written follow; then the next
// literal group, and so on. Counts are base-128 numbers, least significant seven bits first, with
// 0x80 set on every byte but the last. Only runs of four or more equal bytes are packed, since a
// shorter run costs as much as it saves.
#pragma once

#include <cstdint>
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

}  // namespace veltrano::storage
