#include "tools/wlk/table_access.h"

#include <cstdio>

#include "platform/codepage.h"
#include "runtime/errors/error_state.h"
#include "storage/driver.h"
#include "storage/wendlock_driver.h"

namespace veltrano::wlk {

int reportFileError() {
  const auto& state = runtime::errorState();
  std::string text = platform::utf8From1251(state.text);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  std::fprintf(stderr, "Error %d: %s\n", state.code, text.c_str());
  if (!state.file_error.empty()) {
    std::fprintf(stderr, "  %s (%s)\n", platform::utf8From1251(state.file_error).c_str(),
                 state.file_error_code.c_str());
  }
  return 1;
}

int usageError(std::string_view message) {
  std::fprintf(stderr, "wlk: %s\n", std::string(message).c_str());
  return 2;
}

std::string outputText(std::string_view cp1251) {
  while (!cp1251.empty() && cp1251.back() == ' ') cp1251.remove_suffix(1);
  return platform::utf8From1251(cp1251);
}

std::unique_ptr<storage::DeclaredFile> openStoredTable(const CommonOptions& options, std::string_view target,
                                                       bool write) {
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
  if (runtime::errorCode() != 0) {
    reportFileError();
    return nullptr;
  }
  auto* state = storage::WendlockDriver::stateOf(bare);
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
  open.access_mode = write ? 0x42 : 0x40;
  storage::fileStatement(Operation::Open, file->file(), open);
  if (runtime::errorCode() != 0) {
    reportFileError();
    return nullptr;
  }
  return file;
}

}  // namespace veltrano::wlk
