// Verifies the entries of a storage file: entry order across the whole tree, every table's
// name entry, definition, counters, data records and memo chunks, and that every key holds
// exactly the entries its records give (OPT included, records beyond a build mark excluded).
// Page-level checks belong to the page file, which verifies every page it reads on the way.
#pragma once

#include <string>
#include <vector>

#include "storage/entry_tree.h"

namespace veltrano::storage {

// One line per problem found; empty when the file is sound. Storage failures met while
// reading are caught and reported as problems. Keys are checked with the collation tables in
// force, first as `oem` says and, for a table that does not fit, with the other character set.
std::vector<std::string> checkEntries(EntryTree& tree, bool oem = false);

}  // namespace veltrano::storage
