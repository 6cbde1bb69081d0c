// wlk create TARGET DECLFILE — creates the table from a declaration in its text form,
// replacing a table of that name (the other tables of the file stay).
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/codepage.h"
#include "runtime/errors/error_state.h"
#include "storage/declaration_parser.h"
#include "storage/driver.h"
#include "storage/wendlock_driver.h"
#include "tools/wlk/storage_commands.h"
#include "tools/wlk/table_access.h"

namespace veltrano::wlk {

int createCommand(const CommonOptions& options, std::span<const std::string> arguments) {
  if (arguments.size() != 2) return usageError("usage: wlk create TARGET DECLFILE");
  std::ifstream in(arguments[1], std::ios::binary);
  if (!in) return usageError("cannot read " + arguments[1]);
  std::ostringstream text;
  text << in.rdbuf();
  std::string problem;
  auto file = storage::parseDeclaration(platform::cp1251FromUtf8(text.str()), &problem);
  if (!file) return usageError(arguments[1] + ": " + platform::utf8From1251(problem));
  file->setName(platform::cp1251FromUtf8(arguments[0]));
  if (!options.owner.empty()) file->setOwner(platform::cp1251FromUtf8(options.owner));
  file->setDriver(storage::wendlockDriver());
  storage::fileStatement(storage::Operation::Create, file->file());
  if (runtime::errorCode() != 0) return reportFileError();
  return 0;
}

}  // namespace veltrano::wlk
