#include "storage/cipher.h"

#include "storage/page_format.h"

namespace veltrano::storage {
namespace {

Cipher::Words loadWords(const std::uint8_t* bytes) {
  Cipher::Words words{};
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = loadLe32(bytes + 4 * i);
  return words;
}

void storeWords(const Cipher::Words& words, std::uint8_t* bytes) {
  for (std::size_t i = 0; i < words.size(); ++i) storeLe32(bytes + 4 * i, words[i]);
}

}  // namespace

std::array<std::uint8_t, 64> Cipher::spreadPassword(std::string_view password) {
  std::array<std::uint8_t, 64> bytes{};
  std::size_t next = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto character = static_cast<std::uint8_t>(password[next]);
    bytes[17 * i % 64] = static_cast<std::uint8_t>(character + i);
    next = next + 1 == password.size() ? 0 : next + 1;
  }
  return bytes;
}

Cipher::Cipher(std::string_view password) {
  const auto spread = spreadPassword(password);
  schedule_ = loadWords(spread.data());
  encipherWords(schedule_, schedule_);
  encipherWords(schedule_, schedule_);
}

void Cipher::encipherWords(Words& block, const Words& key) {
  for (std::size_t i = 0; i < 16; ++i) {
    const std::uint32_t x = key[i];
    const std::size_t j = x % 16;
    const std::uint32_t a = block[i];
    const std::uint32_t c = block[j];
    block[j] = ((c & x) | (a & ~x)) + x;
    block[i] = ((a & x) | (c & ~x)) + x;
  }
}

void Cipher::decipherWords(Words& block, const Words& key) {
  for (std::size_t step = 16; step-- > 0;) {
    const std::uint32_t x = key[step];
    const std::size_t j = x % 16;
    const std::uint32_t u = block[step] - x;
    const std::uint32_t v = block[j] - x;
    block[step] = (u & x) | (v & ~x);
    block[j] = (v & x) | (u & ~x);
  }
}

void Cipher::encipher(std::span<std::uint8_t> data) const {
  for (std::size_t at = 0; at + kCipherBlockBytes <= data.size(); at += kCipherBlockBytes) {
    Words block = loadWords(data.data() + at);
    encipherWords(block, schedule_);
    storeWords(block, data.data() + at);
  }
}

void Cipher::decipher(std::span<std::uint8_t> data) const {
  for (std::size_t at = 0; at + kCipherBlockBytes <= data.size(); at += kCipherBlockBytes) {
    Words block = loadWords(data.data() + at);
    decipherWords(block, schedule_);
    storeWords(block, data.data() + at);
  }
}

}  // namespace veltrano::storage
