#include "storage/cipher.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <vector>

namespace veltrano::storage {
namespace {

TEST(Cipher, OneCharacterPasswordFillsTheScheduleWithItsCharacterPlusIndex) {
  const auto spread = Cipher::spreadPassword("A");
  for (std::size_t i = 0; i < 64; ++i) {
    EXPECT_EQ(spread[17 * i % 64], static_cast<std::uint8_t>('A' + i)) << i;
  }
}

TEST(Cipher, PasswordCharactersAreTakenInTurnAndWrap) {
  const auto spread = Cipher::spreadPassword("\x01\x02\xFF");
  EXPECT_EQ(spread[0], 0x01);            // i = 0: first character + 0
  EXPECT_EQ(spread[17], 0x03);           // i = 1: second character + 1
  EXPECT_EQ(spread[34], 0x01);           // i = 2: 0xFF + 2 wraps to 0x01
  EXPECT_EQ(spread[51], 0x04);           // i = 3: back to the first character, + 3
  EXPECT_EQ(spread[17 * 4 % 64], 0x06);  // i = 4: second character + 4
}

TEST(Cipher, StepsWithTheirOwnWordOnlyAddTheKey) {
  // k[i] mod 16 = i everywhere: each step meets its own word and the second assignment wins,
  // leaving b[i] + k[i].
  Cipher::Words key{};
  Cipher::Words block{};
  for (std::uint32_t i = 0; i < 16; ++i) {
    key[i] = 0x10u * (i + 1) + i;
    block[i] = 0xFFFFFFF0u + i;
  }
  Cipher::Words enciphered = block;
  Cipher::encipherWords(enciphered, key);
  for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(enciphered[i], block[i] + key[i]) << i;
}

TEST(Cipher, AStepMixesTwoWordsUnderTheMask) {
  Cipher::Words key{};
  for (std::uint32_t i = 0; i < 16; ++i) key[i] = 0x100u * i + i;  // all but word 0 meet themselves
  key[0] = 0xFFFF0001;                                             // word 0 meets word 1
  Cipher::Words block{};
  block[0] = 0x12345678;
  block[1] = 0x9ABCDEF0;
  Cipher::encipherWords(block, key);
  const std::uint32_t x = 0xFFFF0001;
  const std::uint32_t mixed1 = ((0x9ABCDEF0u & x) | (0x12345678u & ~x)) + x;  // = 0x9ABC5678 + x
  EXPECT_EQ(block[0], ((0x12345678u & x) | (0x9ABCDEF0u & ~x)) + x);
  EXPECT_EQ(block[1], mixed1 + key[1]);  // step 1 then adds its own key word
}

TEST(Cipher, DeciphersWhatItEnciphers) {
  for (const char* password :
       {"x", "owner", "a much longer password than sixty-four characters, to wrap around it"}) {
    const Cipher cipher(password);
    std::vector<std::uint8_t> data(64 * 9);
    std::mt19937 random(7);
    for (auto& byte : data) byte = static_cast<std::uint8_t>(random());
    auto copy = data;
    cipher.encipher(copy);
    EXPECT_NE(copy, data);
    cipher.decipher(copy);
    EXPECT_EQ(copy, data) << password;
  }
}

TEST(Cipher, BlocksAreEnciphered64BytesAtATimeAlike) {
  const Cipher cipher("owner");
  std::vector<std::uint8_t> data(128, 0x5A);
  cipher.encipher(data);
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + 64, data.begin() + 64));
  const Cipher other("Owner");
  std::vector<std::uint8_t> again(64, 0x5A);
  other.encipher(again);
  EXPECT_FALSE(std::equal(again.begin(), again.end(), data.begin()));
}

TEST(Cipher, ScheduleIsEncipheredTwiceWithItself) {
  const auto spread = Cipher::spreadPassword("pw");
  Cipher::Words words{};
  for (std::size_t i = 0; i < 16; ++i) {
    words[i] = std::uint32_t{spread[4 * i]} | std::uint32_t{spread[4 * i + 1]} << 8 |
               std::uint32_t{spread[4 * i + 2]} << 16 | std::uint32_t{spread[4 * i + 3]} << 24;
  }
  Cipher::encipherWords(words, words);
  Cipher::encipherWords(words, words);
  EXPECT_EQ(Cipher("pw").schedule(), words);
}

}  // namespace
}  // namespace veltrano::storage
