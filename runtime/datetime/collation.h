// Collation weights built from a collating sequence (the environment file's VESCOLSEQ).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace veltrano::runtime {

// Repeated characters count at their first place. A sequence of exactly 222 characters with no
// repeats is the complete order of the printable characters: its first 95 get the weights
// 32–126 and the other 127 the weights 128–254, while 0–31, 127 and 255 keep their own codes.
// Any other sequence only reorders the characters it lists, among the codes they already hold:
// the k-th listed character takes the k-th smallest of those codes. Every character not listed
// weighs its own code; an empty sequence gives the identity.
std::array<std::uint8_t, 256> collationWeights(std::string_view sequence);

}  // namespace veltrano::runtime
