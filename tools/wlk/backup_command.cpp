// wlk backup DATADIR DEST [--wait SECONDS] — one consistent copy of the storage files and the
// transaction control file of DATADIR: a new dated directory inside DEST, or the archive DEST
// when it ends in ".tar.gz".
// wlk restore BACKUP DIR — the copy put back into DIR, which must be empty (or not yet exist).
#include <cstdio>
#include <cstdlib>

#include "app/backup/backup.h"
#include "tools/wlk/storage_commands.h"
#include "tools/wlk/table_access.h"

namespace veltrano::wlk {
namespace {

int report(const app::backup::Outcome& outcome) {
  std::fprintf(outcome.ok ? stdout : stderr, "%s\n", outcome.message.c_str());
  return outcome.ok ? 0 : 1;
}

}  // namespace

int backupCommand(const CommonOptions&, std::span<const std::string> arguments) {
  constexpr std::string_view kUsage = "usage: wlk backup DATADIR DEST [--wait SECONDS]";
  std::chrono::milliseconds patience = app::backup::kDefaultPatience;
  if (arguments.size() == 4) {
    char* end = nullptr;
    const long seconds = std::strtol(arguments[3].c_str(), &end, 10);
    if (arguments[2] != "--wait" || arguments[3].empty() || *end != '\0' || seconds < 0 || seconds > 3600)
      return usageError(kUsage);
    patience = std::chrono::seconds(seconds);
  } else if (arguments.size() != 2) {
    return usageError(kUsage);
  }
  return report(app::backup::makeBackup(arguments[0], arguments[1], patience));
}

int restoreCommand(const CommonOptions&, std::span<const std::string> arguments) {
  if (arguments.size() != 2) return usageError("usage: wlk restore BACKUP DIR");
  return report(app::backup::restoreBackup(arguments[0], arguments[1]));
}

}  // namespace veltrano::wlk
