#include "runtime/datetime/cp1251_letters.h"

#include <array>

#include "platform/codepage.h"

namespace veltrano::runtime {
namespace {

// Lower-case Cyrillic letters of the code page in the order the alphabet puts them.
std::string cyrillicAlphabet() {
  return platform::ru("абвгґѓдђеёєжзѕиіїйјкќлљмнњопрстћуўфхцчџшщъыьэюя");
}

}  // namespace

std::vector<std::pair<std::uint8_t, std::uint8_t>> cp1251CasePairs() {
  std::vector<std::pair<std::uint8_t, std::uint8_t>> pairs;
  for (std::uint8_t letter = 'A'; letter <= 'Z'; ++letter)
    pairs.emplace_back(letter, static_cast<std::uint8_t>(letter + ('a' - 'A')));
  const std::string upper = platform::ru("ЂЃЉЊЌЋЏЎЈҐЁЄЇІЅ");
  const std::string lower = platform::ru("ђѓљњќћџўјґёєїіѕ");
  for (std::size_t i = 0; i < upper.size(); ++i)
    pairs.emplace_back(static_cast<std::uint8_t>(upper[i]), static_cast<std::uint8_t>(lower[i]));
  // А–Я and а–я are two runs of 32 codes.
  for (std::uint8_t offset = 0; offset < 32; ++offset)
    pairs.emplace_back(static_cast<std::uint8_t>(0xC0 + offset), static_cast<std::uint8_t>(0xE0 + offset));
  return pairs;
}

std::string cp1251AlphabeticalOrder() {
  std::array<std::uint8_t, 256> partner{};
  std::array<bool, 256> is_letter{};
  for (const auto& [upper, lower] : cp1251CasePairs()) {
    partner[lower] = upper;
    is_letter[upper] = is_letter[lower] = true;
  }
  std::string order;
  std::array<bool, 256> taken{};
  const auto add = [&](unsigned code) {
    if (code >= 1 && code <= 254 && !taken[code]) {
      taken[code] = true;
      order.push_back(static_cast<char>(code));
    }
  };
  const auto is_digit = [](unsigned code) { return code >= '0' && code <= '9'; };
  for (unsigned code = 1; code < 32; ++code) add(code);
  add(127);
  for (unsigned code = 32; code < 256; ++code)
    if (!is_letter[code] && !is_digit(code)) add(code);
  for (unsigned code = '0'; code <= '9'; ++code) add(code);
  for (unsigned code = 'a'; code <= 'z'; ++code) {
    add(code);
    add(partner[code]);
  }
  for (const char letter : cyrillicAlphabet()) {
    const auto code = static_cast<std::uint8_t>(letter);
    add(code);
    add(partner[code]);
  }
  return order;
}

}  // namespace veltrano::runtime
