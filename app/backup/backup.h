// Backups of a data directory and their restoring.
//
// A backup is one consistent state of every storage file and the transaction control file
// (storage/consistent_state.h), written either into a new directory named after the moment
// ("veltrano-2026-12-09-193015") inside the destination, or into the .tar.gz archive the
// destination names. Beside the files it holds VELTRANO.BACKUP, written last: a first line
// "veltrano backup 1", then one line per file, "NAME TAB SIZE TAB CRC32" (hexadecimal), which
// restoring checks every file against.
//
// Nothing half written ever looks like a backup: the directory or archive is written under a
// temporary name (".partial") and renamed when everything is on the medium; after a failure (a
// full disk, a write error) the partial one is removed and the result says why. Restoring works
// the same way into a directory that must be empty, so a failed restore leaves it empty.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace veltrano::app::backup {

inline constexpr std::string_view kManifestName = "VELTRANO.BACKUP";
inline constexpr std::chrono::seconds kDefaultPatience{30};

struct Outcome {
  bool ok = false;
  std::string message;  // UTF-8, a sentence for the user
  std::string path;     // the backup made, or the directory restored
  std::size_t files = 0;
  std::uint64_t bytes = 0;
};

// Whether a destination names an archive rather than a directory to make the backup in.
bool isArchivePath(std::string_view destination);

// Paths are UTF-8. `patience`: how long stations busy with the files are waited for.
Outcome makeBackup(std::string_view data_directory, std::string_view destination,
                   std::chrono::milliseconds patience = kDefaultPatience);
Outcome restoreBackup(std::string_view backup, std::string_view directory);

}  // namespace veltrano::app::backup
