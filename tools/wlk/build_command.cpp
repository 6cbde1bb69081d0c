// wlk build TARGET — rebuilds every key of the table from its records, and says so only when the
// file is sound afterwards.
#include "platform/codepage.h"
#include "runtime/errors/error_state.h"
#include "storage/driver.h"
#include "storage/wendlock_driver.h"
#include "tools/wlk/storage_commands.h"
#include "tools/wlk/table_access.h"

namespace veltrano::wlk {

int buildCommand(const CommonOptions& options, std::span<const std::string> arguments) {
  if (arguments.size() != 1) return usageError("usage: wlk build TARGET");
  auto file = openStoredTable(options, arguments[0], Access::Rebuild);
  if (!file) return 1;
  storage::OperationArguments full;
  full.text = "FULLBUILD=ON";
  storage::fileStatement(storage::Operation::Send, file->file(), full);
  storage::fileStatement(storage::Operation::BuildFile, file->file());
  int status = runtime::errorCode() != 0 ? reportFileError() : 0;
  if (status == 0) {
    if (const auto problems = problemsOf(options, *file); !problems.empty()) {
      const auto* state = storage::WendlockDriver::stateOf(file->file());
      reportDamage(platform::utf8From1251(state->name.path), problems,
                   "BUILD rebuilt the keys but cannot mend the rest");
      status = 1;
    }
  }
  storage::fileStatement(storage::Operation::Close, file->file());
  return status;
}

}  // namespace veltrano::wlk
