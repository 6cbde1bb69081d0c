// wlk tables FILE — one line per table of a storage file: name, number, record count.
#include <cstdio>

#include "platform/codepage.h"
#include "storage/file_name.h"
#include "storage/storage_failure.h"
#include "storage/wendlock_driver.h"
#include "storage/wendlock_entries.h"
#include "storage/wendlock_tables.h"
#include "tools/wlk/storage_commands.h"
#include "tools/wlk/table_access.h"

namespace veltrano::wlk {

int tablesCommand(const CommonOptions& options, std::span<const std::string> arguments) {
  if (arguments.size() != 1) return usageError("usage: wlk tables FILE");
  const auto name = storage::parseFileName(platform::cp1251FromUtf8(arguments[0]));
  if (!name) return usageError("not a file name: " + arguments[0]);
  int error = 0;
  try {
    const std::string owner = platform::cp1251FromUtf8(options.owner);
    auto file = storage::wendlockDriver().catalog().open({name->path, owner, true, false}, &error);
    if (!file) {
      std::fprintf(stderr, "Error %d: %s\n", error,
                   error == 2    ? "File Not Found"
                   : error == 36 ? "Invalid Data File"
                                 : "Open failed");
      return 1;
    }
    storage::Entry entry;
    for (const auto& table : storage::listTables(file->tree())) {
      std::uint32_t records = 0;
      if (file->tree().find(
              storage::entries::counterKey(table.number, storage::entries::kRecordCounterSelector), entry) &&
          entry.data().size() == 8) {
        records = storage::entries::little32(entry.data().data());
      }
      std::printf("%s\t%u\t%u\n", platform::utf8From1251(table.name).c_str(), table.number, records);
    }
  } catch (const storage::StorageFailure& failure) {
    std::fprintf(stderr, "Error 90: File System Error\n  Possible data corruption in file (%d)\n",
                 failure.number());
    return 1;
  }
  return 0;
}

}  // namespace veltrano::wlk
