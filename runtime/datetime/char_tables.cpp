#include "runtime/datetime/char_tables.h"

namespace veltrano::runtime {

CharTables CharTables::defaults() {
  CharTables tables;
  for (std::size_t code = 0; code < 256; ++code) {
    tables.collation[code] = static_cast<std::uint8_t>(code);
    tables.collation_oem[code] = static_cast<std::uint8_t>(code);
  }
  for (std::uint8_t letter = 'A'; letter <= 'Z'; ++letter) {
    const auto lower = static_cast<std::uint8_t>(letter + ('a' - 'A'));
    tables.partner[letter] = lower;
    tables.partner[lower] = letter;
    tables.flags[letter] = kCaseUpper;
    tables.flags[lower] = kCaseLower;
  }
  for (std::uint8_t digit = '0'; digit <= '9'; ++digit) tables.flags[digit] = kCaseDigit;
  return tables;
}

CharTables& charTables() {
  static CharTables tables = CharTables::defaults();
  return tables;
}

}  // namespace veltrano::runtime
