// wlk delete TARGET --filter EXPR — deletes every record the filter keeps; prints how many.
#include <cstdio>

#include "runtime/errors/error_state.h"
#include "runtime/expr/evaluate.h"
#include "storage/driver.h"
#include "tools/wlk/record_text.h"
#include "tools/wlk/storage_commands.h"
#include "tools/wlk/table_access.h"

namespace veltrano::wlk {

int deleteCommand(const CommonOptions& options, std::span<const std::string> arguments) {
  if (arguments.size() != 3 || arguments[1] != "--filter")
    return usageError("usage: wlk delete TARGET --filter EXPR");
  auto file = openStoredTable(options, arguments[0], Access::Write);
  if (!file) return 1;
  auto closeFile = [&] { storage::fileStatement(storage::Operation::Close, file->file()); };
  BoundRecord bound(*file);
  auto filter = parseOrReport(arguments[2]);
  if (!filter) {
    closeFile();
    return 2;
  }
  storage::fileStatement(storage::Operation::SetFile, file->file());
  long long deleted = 0;
  for (;;) {
    storage::fileStatement(storage::Operation::Next, file->file());
    if (runtime::errorCode() == 33) break;
    if (runtime::errorCode() != 0) {
      const int status = reportFileError();
      closeFile();
      return status;
    }
    if (!runtime::test(*filter)) continue;
    storage::fileStatement(storage::Operation::Delete, file->file());
    if (runtime::errorCode() != 0) {
      const int status = reportFileError();
      closeFile();
      return status;
    }
    ++deleted;
  }
  std::printf("%lld\n", deleted);
  closeFile();
  return 0;
}

}  // namespace veltrano::wlk
