// What the storage commands of wlk share: opening a TARGET (a storage file name with an optional
// "\!" table part) with the declaration stored in the file, and reporting a failed file
// statement as "Error N: TEXT" with what it means and what to do.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "storage/declared_file.h"
#include "tools/wlk/commands.h"
#include "tools/wlk/file_verification.h"

namespace veltrano::wlk {

enum class Access {
  Read,
  Write,    // records: the file is verified first (file_verification.h)
  Rebuild,  // keys: the file is verified first, damage to keys allowed
};

// Opens the table TARGET names (UTF-8) with the definition stored in its file. Null after
// printing the error (the exit status is then 1): a missing table of an existing file and a
// damaged file are told apart; a file that may not be written is closed again.
std::unique_ptr<storage::DeclaredFile> openStoredTable(const CommonOptions& options, std::string_view target,
                                                       Access access);

// Prints the error state of the last file statement to stderr, with a line on what it means
// when there is more to say; returns 1.
int reportFileError();

// Prints "wlk: MESSAGE" to stderr; returns 2.
int usageError(std::string_view message);

}  // namespace veltrano::wlk
