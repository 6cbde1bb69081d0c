// wlk insert TARGET NAME=VALUE... — adds one record: a cleared buffer with the named fields
// (or memos) assigned from text; prints the new record's number.
#include <cstdio>

#include "platform/codepage.h"
#include "runtime/errors/error_state.h"
#include "runtime/values/field_value.h"
#include "storage/driver.h"
#include "tools/wlk/record_text.h"
#include "tools/wlk/storage_commands.h"
#include "tools/wlk/table_access.h"

namespace veltrano::wlk {

int insertCommand(const CommonOptions& options, std::span<const std::string> arguments) {
  if (arguments.empty()) return usageError("usage: wlk insert TARGET NAME=VALUE...");
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (arguments[i].find('=') == std::string::npos)
      return usageError("expected NAME=VALUE: " + arguments[i]);
  }
  auto file = openStoredTable(options, arguments[0], true);
  if (!file) return 1;
  runtime::clearRecord(file->layout(), file->record());
  for (auto& memo : file->file().memo_values) memo.clear();
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& assignment = arguments[i];
    const std::size_t equals = assignment.find('=');
    const std::string name = platform::cp1251FromUtf8(assignment.substr(0, equals));
    const std::string value = platform::cp1251FromUtf8(assignment.substr(equals + 1));
    if (const auto reference = findField(file->layout(), name)) {
      runtime::storeText(file->layout().field(reference->field), file->record(), value, reference->element);
    } else if (const int memo = file->memoIndex(name); memo >= 0) {
      file->file().memo_values[static_cast<std::size_t>(memo)].assign(value.begin(), value.end());
    } else {
      storage::fileStatement(storage::Operation::Close, file->file());
      return usageError("no field " + assignment.substr(0, equals));
    }
  }
  storage::fileStatement(storage::Operation::Add, file->file());
  int status = 0;
  if (runtime::errorCode() != 0) {
    status = reportFileError();
  } else {
    std::printf("%lld\n", static_cast<long long>(
                              storage::fileStatement(storage::Operation::PointerFile, file->file())));
  }
  storage::fileStatement(storage::Operation::Close, file->file());
  return status;
}

}  // namespace veltrano::wlk
