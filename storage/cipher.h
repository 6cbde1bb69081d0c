// Enciphering with the owner password, in 64-byte blocks of sixteen little-endian 32-bit words.
//
// The key schedule is sixteen words made from the password: byte 17·i mod 64 of it is the
// password's next character (taken in turn, starting again after the last) plus i, for
// i = 0 … 63; the schedule is then enciphered twice with itself as both key and block. Each step
// of a block mixes word i with word k[i] mod 16 under the mask k[i] and adds k[i], so the
// schedule both chooses which words meet and how their bits are blended.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace veltrano::storage {

class Cipher {
 public:
  using Words = std::array<std::uint32_t, 16>;

  // REQUIRES: !password.empty() (an empty owner means the file is not enciphered).
  explicit Cipher(std::string_view password);

  // The schedule bytes before they are enciphered with themselves.
  static std::array<std::uint8_t, 64> spreadPassword(std::string_view password);

  // REQUIRES: data.size() is a multiple of 64 (the page file checks it: failures 2272/2286).
  void encipher(std::span<std::uint8_t> data) const;
  void decipher(std::span<std::uint8_t> data) const;

  // One block in words. The key may be the block itself: each step then reads its key word
  // from the block as the earlier steps left it.
  static void encipherWords(Words& block, const Words& key);
  static void decipherWords(Words& block, const Words& key);

  const Words& schedule() const { return schedule_; }

 private:
  Words schedule_{};
};

}  // namespace veltrano::storage
