// What the host's string services would say about code page 1251, decided here once: which
// bytes are upper- and lower-case letters (and their partners), and the alphabetical order in
// which one-character strings compare. The environment file's WINDOWS values use these.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace veltrano::runtime {

// Every (upper, lower) letter pair of code page 1251: A–Z, А–Я, Ё, and the other Cyrillic
// letters of the code page (Ђ, Ѓ, Є, Ѕ, І, Ї, Ј, Љ, Њ, Ћ, Ќ, Ў, Џ, Ґ).
std::vector<std::pair<std::uint8_t, std::uint8_t>> cp1251CasePairs();

// The codes 1–254 in ascending order of comparison: control characters, then punctuation and
// symbols, digits, Latin letters, Cyrillic letters in alphabet order (Ё after Е, and the
// letters of the other Cyrillic alphabets beside their nearest Russian letter); within one
// letter the lower-case form comes first.
std::string cp1251AlphabeticalOrder();

}  // namespace veltrano::runtime
