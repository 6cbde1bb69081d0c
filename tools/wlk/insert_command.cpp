// wlk insert TARGET [--truncate] NAME=VALUE... — adds one record: a cleared buffer with the named
// fields (or memos) given their values, each read whole through its type (field_input.h);
// prints the new record's number. A value that does not read or fit stops the command before
// anything is written.
#include <cstdio>

#include "platform/codepage.h"
#include "runtime/errors/error_state.h"
#include "runtime/values/field_value.h"
#include "storage/driver.h"
#include "tools/wlk/field_input.h"
#include "tools/wlk/record_text.h"
#include "tools/wlk/storage_commands.h"
#include "tools/wlk/table_access.h"

namespace veltrano::wlk {

int insertCommand(const CommonOptions& options, std::span<const std::string> arguments) {
  constexpr const char* kUsage = "usage: wlk insert TARGET [--truncate] NAME=VALUE...";
  if (arguments.empty()) return usageError(kUsage);
  bool truncate = false;
  std::vector<std::string> assignments;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == "--truncate") {
      truncate = true;
    } else if (arguments[i].find('=') == std::string::npos) {
      return usageError("expected NAME=VALUE: " + arguments[i]);
    } else {
      assignments.push_back(arguments[i]);
    }
  }
  auto file = openStoredTable(options, arguments[0], Access::Write);
  if (!file) return 1;
  auto closeFile = [&] { storage::fileStatement(storage::Operation::Close, file->file()); };
  runtime::clearRecord(file->layout(), file->record());
  for (auto& memo : file->file().memo_values) memo.clear();
  for (const auto& assignment : assignments) {
    const std::size_t equals = assignment.find('=');
    const std::string name_utf8 = assignment.substr(0, equals);
    const std::string value = assignment.substr(equals + 1);
    std::string refused;
    std::string why_not_found;
    if (const auto reference =
            findField(file->layout(), platform::cp1251FromUtf8(name_utf8), &why_not_found)) {
      refused = storeTypedValue(file->layout().field(reference->field), file->record(), reference->element,
                                value, truncate);
    } else if (const int memo = file->memoIndex(platform::cp1251FromUtf8(name_utf8)); memo >= 0) {
      const auto& descriptor = *file->file().memos[static_cast<std::size_t>(memo)];
      refused = memoValue(name_utf8, (descriptor.attributes & storage::kMemoBlob) != 0, descriptor.size,
                          value, truncate, file->file().memo_values[static_cast<std::size_t>(memo)]);
    } else {
      closeFile();
      return usageError(why_not_found.empty() ? "no field " + name_utf8
                                              : platform::utf8From1251(why_not_found));
    }
    if (!refused.empty()) {
      closeFile();
      std::fprintf(stderr, "wlk: %s; nothing was written\n", refused.c_str());
      return 1;
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
  closeFile();
  return status;
}

}  // namespace veltrano::wlk
