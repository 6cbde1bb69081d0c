// Whether the keys of a file's tables were built with the collation in use. A key's entries hold
// its text components mapped through the collation and case tables of the environment file, in
// the character set the program declares (OEM or not, which the file does not record): a
// program or tool with other tables would find none of its entries where it looks, report every
// record as missing from the key, and write new entries out of order. A sample tells before
// anything is read or written: for some records that a key names, is the entry the tables in use
// give them in the key?
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "storage/entry_tree.h"

namespace veltrano::storage {

struct KeyOrderDisagreement {
  std::string table;  // 1251
  std::string key;    // the key's label
  std::size_t sampled = 0;
  std::size_t disagreeing = 0;  // sampled records whose entry, as the tables in use give it, is not there
  // With the other character set (OEM for a file read as Windows text, or the reverse) every
  // sampled entry is there: the character set is what differs, not the collation.
  bool other_character_set_agrees = false;
};

// For each key with a text component of every table (or of the table `only_table` names), up
// to `sample` records the key names, in record order. Empty when every sampled entry is found.
// Storage failures met on the way are raised.
std::vector<KeyOrderDisagreement> keyOrderDisagreements(EntryTree& tree, bool oem,
                                                        std::string_view only_table = {},
                                                        std::size_t sample = 64);

}  // namespace veltrano::storage
