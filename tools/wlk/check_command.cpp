// wlk check FILE — verifies a whole storage file: its header and pages as the page file reads
// them, that the page runs hold only pages of the tree, the order of every entry, and each
// table's definition, counters, records, memos and keys.
#include <cstdio>
#include <optional>

#include "platform/codepage.h"
#include "storage/file_name.h"
#include "storage/lock_operation.h"
#include "storage/storage_failure.h"
#include "storage/wendlock_check.h"
#include "storage/wendlock_driver.h"
#include "storage/wendlock_station.h"
#include "tools/wlk/file_verification.h"
#include "tools/wlk/storage_commands.h"
#include "tools/wlk/table_access.h"

namespace veltrano::wlk {

int checkCommand(const CommonOptions& options, std::span<const std::string> arguments) {
  if (arguments.size() != 1) return usageError("usage: wlk check FILE");
  const auto name = storage::parseFileName(platform::cp1251FromUtf8(arguments[0]));
  if (!name) return usageError("not a file name: " + arguments[0]);
  std::vector<std::string> problems;
  try {
    int error = 0;
    const std::string owner = platform::cp1251FromUtf8(options.owner);
    auto file = storage::wendlockDriver().catalog().open({name->path, owner, true, false}, &error);
    if (!file) {
      problems.push_back(error == 36 ? "not a storage file (header), or one enciphered with a password: give "
                                       "the password with --owner"
                         : error == 2 ? "cannot open: there is no such file"
                                      : "cannot open: error " + std::to_string(error));
    } else {
      // A reader slot for the whole check, so that another station's update is not seen half
      // written.
      std::optional<storage::OperationLock> reading;
      if (auto* station = file->station()) reading.emplace(station->gate(), false);
      // Keys in another collation would show as hundreds of missing entries: say that instead.
      problems = collationProblems(file->tree(), options.oem);
      if (problems.empty()) problems = storage::checkEntries(file->tree(), options.oem);
    }
  } catch (const storage::StorageFailure& failure) {
    problems.push_back("storage failure " + std::to_string(failure.number()) + " while opening the file");
  }
  if (problems.empty()) {
    std::puts("ok");
    return 0;
  }
  for (const auto& problem : problems) std::puts(platform::utf8From1251(problem).c_str());
  return 1;
}

}  // namespace veltrano::wlk
