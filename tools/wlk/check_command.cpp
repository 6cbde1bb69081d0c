// wlk check FILE — verifies a whole storage file: its header and pages as the page file reads
// them, the order of every entry, and each table's definition, counters, records, memos and keys.
#include <cstdio>

#include "platform/codepage.h"
#include "storage/file_name.h"
#include "storage/storage_failure.h"
#include "storage/wendlock_check.h"
#include "storage/wendlock_driver.h"
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
      problems.push_back(error == 36 ? "not a storage file (header)"
                                     : "cannot open: error " + std::to_string(error));
    } else {
      problems = storage::checkEntries(file->tree());
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
