// wlk build TARGET — rebuilds every key of the table from its records.
#include "runtime/errors/error_state.h"
#include "storage/driver.h"
#include "tools/wlk/storage_commands.h"
#include "tools/wlk/table_access.h"

namespace veltrano::wlk {

int buildCommand(const CommonOptions& options, std::span<const std::string> arguments) {
  if (arguments.size() != 1) return usageError("usage: wlk build TARGET");
  auto file = openStoredTable(options, arguments[0], true);
  if (!file) return 1;
  storage::OperationArguments full;
  full.text = "FULLBUILD=ON";
  storage::fileStatement(storage::Operation::Send, file->file(), full);
  storage::fileStatement(storage::Operation::BuildFile, file->file());
  const int status = runtime::errorCode() != 0 ? reportFileError() : 0;
  storage::fileStatement(storage::Operation::Close, file->file());
  return status;
}

}  // namespace veltrano::wlk
