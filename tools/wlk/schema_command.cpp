// wlk schema TARGET — the table's declaration, in the text form wlk create reads, from the
// definition stored in the file.
#include <cstdio>

#include "platform/codepage.h"
#include "storage/declaration_dump.h"
#include "storage/driver.h"
#include "tools/wlk/storage_commands.h"
#include "tools/wlk/table_access.h"

namespace veltrano::wlk {

int schemaCommand(const CommonOptions& options, std::span<const std::string> arguments) {
  if (arguments.size() != 1) return usageError("usage: wlk schema TARGET");
  auto file = openStoredTable(options, arguments[0], Access::Read);
  if (!file) return 1;
  storage::fileStatement(storage::Operation::Close, file->file());
  // The dump names the file by its table; the storage file name is the command's business.
  file->file().external_name.reset();
  file->file().owner.reset();
  std::string text = storage::dumpDeclaration(file->file());
  std::string out;
  for (const char c : text) {
    if (c != '\r') out += c;
  }
  std::fputs(platform::utf8From1251(out).c_str(), stdout);
  return 0;
}

}  // namespace veltrano::wlk
