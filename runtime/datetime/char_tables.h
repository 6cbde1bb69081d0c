// The character tables that comparisons, UPPER/LOWER and the character tests use: collation
// weights (one table for Windows-charset data and one for OEM data), the case table (each
// character's other-case partner and its flags), and the digraph list. The environment-file
// loader fills them at start-up (or on an explicit load); everything else only reads them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace veltrano::runtime {

inline constexpr std::uint8_t kCaseUpper = 1;
inline constexpr std::uint8_t kCaseLower = 2;
inline constexpr std::uint8_t kCaseDigit = 4;

struct Digraph {
  std::uint8_t character = 0;  // the character …
  std::uint8_t first = 0;      // … sorts as these two
  std::uint8_t second = 0;
};

struct CharTables {
  std::array<std::uint8_t, 256> collation{};      // weights for Windows-charset text
  std::array<std::uint8_t, 256> collation_oem{};  // weights for OEM-charset text
  std::array<std::uint8_t, 256> partner{};        // other-case partner; 0 when none
  std::array<std::uint8_t, 256> flags{};          // kCaseUpper | kCaseLower | kCaseDigit
  std::vector<Digraph> digraphs;                  // at most 16
  std::vector<Digraph> digraphs_oem;              // the same, in the OEM character set

  // The built-in tables: every character weighs its own code, A–Z ↔ a–z, digits flagged.
  static CharTables defaults();
};

// The process's tables. Written only at start-up or by an explicit locale load.
CharTables& charTables();

}  // namespace veltrano::runtime
