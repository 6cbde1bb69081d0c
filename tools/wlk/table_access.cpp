#include "tools/wlk/table_access.h"

#include <cstdio>

#include "platform/codepage.h"
#include "runtime/errors/error_state.h"
#include "storage/driver.h"
#include "storage/wendlock_driver.h"
#include "storage/wendlock_tables.h"

namespace veltrano::wlk {
namespace {

// What an error means for the person at the command line, when the text alone does not say.
const char* hintFor(int code) {
  switch (code) {
    case 5:
      return "another station has the file (or the record) in use in a way that keeps this command out; "
             "try again when it has finished";
    case 32: return "another station has locked the table; try again when it has finished";
    case 36: return "not a storage file, or one enciphered with a password: give the password with --owner";
    case 43: return "another station holds the record; try again when it has finished";
    case 90: return "the file is damaged: wlk check lists what is wrong";
    default: return nullptr;
  }
}

// After OPEN gave 2 for a file that exists: the table is missing, or the file is too damaged to
// find it.
void reportMissingTable(const CommonOptions& options, const storage::WendlockState& state) {
  const std::string path = platform::utf8From1251(state.name.path);
  if (const auto damage = damageOfFile(options, state.name.path); !damage.empty()) {
    reportDamage(path, damage, "table " + platform::utf8From1251(state.name.table) + " cannot be read");
    return;
  }
  std::string tables;
  try {
    int error = 0;
    const std::string owner = platform::cp1251FromUtf8(options.owner);
    if (auto file = storage::wendlockDriver().catalog().open({state.name.path, owner, true, false}, &error)) {
      for (const auto& table : storage::listTables(file->tree()))
        tables += (tables.empty() ? "" : ", ") + platform::utf8From1251(table.name);
    }
  } catch (const std::exception&) {
    // Listing them is only a help; the message stands without it.
  }
  std::fprintf(stderr, "wlk: %s holds no table %s (its tables: %s)\n", path.c_str(),
               platform::utf8From1251(state.name.table).c_str(), tables.empty() ? "none" : tables.c_str());
}

}  // namespace

int reportFileError() {
  const auto& state = runtime::errorState();
  std::string text = platform::utf8From1251(state.text);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  std::fprintf(stderr, "Error %d: %s\n", state.code, text.c_str());
  if (!state.file_error.empty()) {
    std::fprintf(stderr, "  %s (%s)\n", platform::utf8From1251(state.file_error).c_str(),
                 state.file_error_code.c_str());
  }
  if (const char* hint = hintFor(state.code)) std::fprintf(stderr, "  wlk: %s\n", hint);
  return 1;
}

int usageError(std::string_view message) {
  std::fprintf(stderr, "wlk: %s\n", std::string(message).c_str());
  return 2;
}

std::unique_ptr<storage::DeclaredFile> openStoredTable(const CommonOptions& options, std::string_view target,
                                                       Access access) {
  using storage::Operation;
  const std::string name = platform::cp1251FromUtf8(target);
  // First open without a declaration: the driver takes the stored one, which then declares the
  // file the command works with.
  storage::FileControlBlock bare;
  bare.label = "WLK";
  bare.external_name = name;
  if (!options.owner.empty()) bare.owner = platform::cp1251FromUtf8(options.owner);
  if (options.oem) bare.attributes |= storage::kFileOem;
  bare.driver = &storage::wendlockDriver();
  storage::OperationArguments open_read_only;
  open_read_only.access_mode = 0x40;
  storage::fileStatement(Operation::Open, bare, open_read_only);
  auto* state = storage::WendlockDriver::stateOf(bare);
  if (const int error = runtime::errorCode(); error != 0) {
    if (error == 2 && state != nullptr && storage::wendlockDriver().catalog().exists(state->name.path)) {
      reportMissingTable(options, *state);
    } else {
      reportFileError();
    }
    return nullptr;
  }
  std::unique_ptr<storage::DeclaredFile> file;
  if (state != nullptr && state->stored)
    file = storage::DeclaredFile::fromDefinition(state->name.table, *state->stored);
  storage::fileStatement(Operation::Close, bare);
  if (!file) {
    std::fprintf(stderr, "Error 47: Invalid Record Declaration\n");
    return nullptr;
  }
  file->setName(name);
  if (bare.owner) file->setOwner(*bare.owner);
  file->setAttributes(static_cast<std::uint8_t>(file->file().attributes | bare.attributes));
  file->setDriver(storage::wendlockDriver());
  storage::OperationArguments open;
  open.access_mode = access == Access::Read ? 0x40 : 0x42;
  storage::fileStatement(Operation::Open, file->file(), open);
  if (runtime::errorCode() != 0) {
    reportFileError();
    return nullptr;
  }
  if (access != Access::Read &&
      !verifiedForWriting(options, *file,
                          access == Access::Rebuild ? WriteIntent::Keys : WriteIntent::Records)) {
    storage::fileStatement(Operation::Close, file->file());
    return nullptr;
  }
  return file;
}

}  // namespace veltrano::wlk
