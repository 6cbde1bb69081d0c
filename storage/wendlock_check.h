// Verifies a storage file: for a page file that every page of its runs is in the tree (the page
// file verifies each page it reads on the way), then entry order across the whole tree, every
// table's name entry, definition, counters, data records and memo chunks, and that every key holds
// exactly the entries its records give (OPT included, records beyond a build mark excluded).
#pragma once

#include <string>
#include <vector>

#include "storage/entry_tree.h"

namespace veltrano::storage {

// One line per problem found; empty when the file is sound. Storage failures met while
// reading are caught and reported as problems. Keys are checked with the collation tables in
// force, first as `oem` says and, for a table that does not fit, with the other character set.
std::vector<std::string> checkEntries(EntryTree& tree, bool oem = false);

struct CheckProblem {
  std::string text;
  bool mended_by_build = false;  // a key's entries or its count, which BUILD makes anew
};
// The same, with what each problem is.
std::vector<CheckProblem> checkFile(EntryTree& tree, bool oem = false);

}  // namespace veltrano::storage
