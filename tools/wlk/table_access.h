// What the storage commands of wlk share: opening a TARGET (a storage file name with an optional
// "\!" table part) with the declaration stored in the file, and reporting a failed file
// statement as "Error N: TEXT".
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "storage/declared_file.h"
#include "tools/wlk/commands.h"

namespace veltrano::wlk {

// Opens the table TARGET names (UTF-8) with the definition stored in its file, read-write or
// read-only. Null after printing the error (the exit status is then 1).
std::unique_ptr<storage::DeclaredFile> openStoredTable(const CommonOptions& options, std::string_view target,
                                                       bool write);

// Prints the error state of the last file statement to stderr; returns 1.
int reportFileError();

// Prints "wlk: MESSAGE" to stderr; returns 2.
int usageError(std::string_view message);

// Text for output: 1251 → UTF-8 with trailing blanks removed.
std::string outputText(std::string_view cp1251);

}  // namespace veltrano::wlk
