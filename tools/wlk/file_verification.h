// What wlk verifies before it writes, and how it tells damage from a missing table: a command
// never writes into a file with a known inconsistency, nor writes keys with a collation that
// disagrees with the order already in the file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "storage/declared_file.h"
#include "storage/entry_tree.h"
#include "tools/wlk/commands.h"

namespace veltrano::wlk {

// What a command may find before it writes. A BUILD makes every key's entries anew, so damage
// confined to them does not stop it.
enum class WriteIntent { Records, Keys };

// Verifies the open table's whole storage file under its read lock (so that another station's
// update cannot be half seen): the keys of the table must be in the order the collation and
// character set in use give, and the file must pass the check. False after printing why nothing
// will be written.
bool verifiedForWriting(const CommonOptions& options, storage::DeclaredFile& file, WriteIntent intent);

// The problems of the open table's whole storage file, read under its read lock.
std::vector<std::string> problemsOf(const CommonOptions& options, storage::DeclaredFile& file);

// The change counter of the open table's storage file as the last statement saw it: another
// station's update moves it. Zero for a file kept in memory.
std::uint32_t fileVersion(storage::DeclaredFile& file);

// One line per key whose entries disagree with the collation in use in a way the character set
// does not explain (the file was written with another environment file). For wlk check.
std::vector<std::string> collationProblems(storage::EntryTree& tree, bool oem);

// The problems of the storage file at `path` (1251), opened on its own and read-only; empty
// when it is sound or cannot be opened at all.
std::vector<std::string> damageOfFile(const CommonOptions& options, std::string_view path);

// Prints "wlk: PATH is damaged…" with the first problems and where to see the rest.
void reportDamage(std::string_view path_utf8, const std::vector<std::string>& problems,
                  std::string_view consequence);

}  // namespace veltrano::wlk
