// wlk tables FILE — one line per table of a storage file: name, number, record count; a damaged
// file is reported as damaged.
#include <cstdio>
#include <optional>

#include "platform/codepage.h"
#include "storage/file_name.h"
#include "storage/lock_operation.h"
#include "storage/storage_failure.h"
#include "storage/wendlock_check.h"
#include "storage/wendlock_driver.h"
#include "storage/wendlock_entries.h"
#include "storage/wendlock_station.h"
#include "storage/wendlock_tables.h"
#include "tools/wlk/file_verification.h"
#include "tools/wlk/storage_commands.h"
#include "tools/wlk/table_access.h"

namespace veltrano::wlk {

int tablesCommand(const CommonOptions& options, std::span<const std::string> arguments) {
  if (arguments.size() != 1) return usageError("usage: wlk tables FILE");
  const auto name = storage::parseFileName(platform::cp1251FromUtf8(arguments[0]));
  if (!name) return usageError("not a file name: " + arguments[0]);
  int error = 0;
  std::vector<std::string> lines, problems;
  try {
    const std::string owner = platform::cp1251FromUtf8(options.owner);
    auto file = storage::wendlockDriver().catalog().open({name->path, owner, true, false}, &error);
    if (!file) {
      std::fprintf(stderr, "Error %d: %s\n", error,
                   error == 2    ? "File Not Found"
                   : error == 36 ? "Invalid Data File"
                                 : "Open failed");
      if (error == 36)
        std::fprintf(stderr,
                     "  wlk: not a storage file, or one enciphered with a password: give the password "
                     "with --owner\n");
      return 1;
    }
    std::optional<storage::OperationLock> reading;
    if (auto* station = file->station()) reading.emplace(station->gate(), false);
    // A file whose tree has lost its tables would list none: the whole file is checked first.
    problems = storage::checkEntries(file->tree(), options.oem);
    try {
      storage::Entry entry;
      for (const auto& table : storage::listTables(file->tree())) {
        std::uint32_t records = 0;
        if (file->tree().find(
                storage::entries::counterKey(table.number, storage::entries::kRecordCounterSelector),
                entry) &&
            entry.data().size() == 8) {
          records = storage::entries::little32(entry.data().data());
        }
        lines.push_back(platform::utf8From1251(table.name) + "\t" + std::to_string(table.number) + "\t" +
                        std::to_string(records));
      }
    } catch (const storage::StorageFailure& failure) {
      if (problems.empty())
        problems.push_back("storage failure " + std::to_string(failure.number()) + " while reading the file");
    }
  } catch (const storage::StorageFailure& failure) {
    problems.push_back("storage failure " + std::to_string(failure.number()) + " while opening the file");
  }
  for (const auto& line : lines) std::puts(line.c_str());
  if (problems.empty()) return 0;
  reportDamage(platform::utf8From1251(name->path), problems, "its tables may not all be listed");
  return 1;
}

}  // namespace veltrano::wlk
