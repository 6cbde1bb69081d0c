// The operations of WENDLOCK on a whole table or storage file: CREATE, REMOVE, COPY and RENAME.
// Each reads and writes the file under a WholeFileHold, so that other stations' updates wait for
// it instead of being written over. (BUILD runs under the operation lock of its open table.)
#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "storage/declaration_check.h"
#include "storage/storage_failure.h"
#include "storage/wendlock_driver.h"
#include "storage/wendlock_station.h"
#include "storage/wendlock_tables.h"
#include "storage/whole_file_hold.h"

namespace veltrano::storage {
namespace {

constexpr int kAccessDenied = 5;

OperationResult openFailure(int error) {
  return error == 2 || error == 3 || error == 5 || error == 36 ? OperationResult{error, 0, 0}
                                                               : OperationResult{0, 0, error};
}

OperationResult written(int error) {
  return error == 0 ? OperationResult{} : OperationResult{0, 0, error};
}

// Holds two files at once. The second is only tried, never waited for while the first is held:
// a transaction of another station may hold the second and wait for the first. When it is
// busy both are let go and taken again a little later. 0, or the error of either hold.
struct TwoFileHold {
  std::optional<WholeFileHold> first, second;
};
int holdBoth(StorageFile& first, bool first_writes, StorageFile& second, TwoFileHold& hold) {
  for (int attempt = 0;; ++attempt) {
    hold.first.emplace(first, first_writes);
    if (hold.first->error() != 0) return hold.first->error();
    hold.second.emplace(second, true, false);
    if (!hold.second->busy()) return hold.second->error();
    hold.second.reset();
    hold.first.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(50, 1 << std::min(attempt, 6))));
  }
}

}  // namespace

OperationResult WendlockDriver::create(FileControlBlock& file, WendlockState& state) {
  if (state.open) return {52, 0, 0};
  if (!state.declared) return {47, 0, 0};
  if (const int invalid = checkCreatable(file, *state.declared); invalid != 0) return {invalid, 0, 0};
  int error = 0;
  auto shared = files_.acquire({state.name.path, state.owner, false, true}, &error);
  if (!shared) return openFailure(error);
  WholeFileHold hold(*shared);
  if (hold.error() != 0) return {hold.error(), 0, 0};
  createTable(shared->tree(), state.name.table, *state.declared);
  if (const int failed = shared->writeUpdate(); failed != 0) {
    shared->discardChanges();
    return written(failed);
  }
  return {};
}

OperationResult WendlockDriver::remove(WendlockState& state) {
  if (state.open) return {52, 0, 0};
  int error = 0;
  auto shared = files_.acquire({state.name.path, state.owner, false, false}, &error);
  if (!shared) return openFailure(error);
  WholeFileHold hold(*shared);
  if (hold.error() != 0) return {hold.error(), 0, 0};
  EntryTree& tree = shared->tree();
  const auto number = findTable(tree, state.name.table);
  if (!number) return {2, 0, 0};
  // The disk file goes with its last table, unless another table of it is still open here; no
  // other station may have it open then, or its next update would go to a file no longer there.
  const bool last = listTables(tree).size() == 1 && shared.use_count() == 1;
  if (last && hold.claimWhole() != 0) return {kAccessDenied, 0, 0};
  removeTable(tree, state.name.table, *number);
  if (const int failed = shared->writeUpdate(); failed != 0) {
    shared->discardChanges();
    return written(failed);
  }
  if (last) return written(catalog().remove(state.name.path));
  return {};
}

OperationResult WendlockDriver::copyOrRenameFile(WendlockState& state, const StorageFileName& target,
                                                 bool rename) {
  if (rename && files_.isOpen(state.name.path)) return {kAccessDenied, 0, 0};
  if (!catalog().exists(state.name.path)) return {2, 0, 0};
  if (storageFileIdentity(state.name.path) == storageFileIdentity(target.path)) return {};
  int error = 0;
  auto source = files_.acquire({state.name.path, state.owner, !rename, false}, &error);
  if (!source) return openFailure(error);
  // The source's writer byte keeps every update out while its bytes are copied, so that the copy
  // is the file as one update left it; a renamed file must be closed by every other station. A
  // file that is replaced must not be open anywhere: its stations would go on writing into a
  // file that is gone.
  std::shared_ptr<StorageFile> replaced;
  if (catalog().exists(target.path)) {
    if (files_.isOpen(target.path)) return {kAccessDenied, 0, 0};
    replaced = files_.acquire({target.path, state.owner, false, false}, &error);
  }
  TwoFileHold hold;
  std::optional<WholeFileHold> source_only;
  if (replaced) {
    if (const int refused = holdBoth(*source, rename, *replaced, hold); refused != 0) return {refused, 0, 0};
    if (hold.second->claimWhole() != 0) return {kAccessDenied, 0, 0};
  } else {
    source_only.emplace(*source, rename);
    if (source_only->error() != 0) return {source_only->error(), 0, 0};
  }
  WholeFileHold& source_hold = replaced ? *hold.first : *source_only;
  if (rename && source_hold.claimWhole() != 0) return {kAccessDenied, 0, 0};
  const int outcome =
      rename ? catalog().rename(state.name.path, target.path) : catalog().copy(state.name.path, target.path);
  if (outcome == 0) return {};
  return outcome == 2 ? OperationResult{2, 0, 0} : OperationResult{0, 0, outcome};
}

OperationResult WendlockDriver::copyOrRename(FileControlBlock& file, WendlockState& state,
                                             std::string_view target, bool rename) {
  (void)file;
  auto target_name = parseFileName(target);
  if (!target_name) return {45, 0, 0};
  const bool one_table = target.find("\\!") != std::string_view::npos || state.table_given;
  if (!one_table) return copyOrRenameFile(state, *target_name, rename);
  int error = 0;
  auto source = files_.acquire({state.name.path, state.owner, false, false}, &error);
  if (!source) return openFailure(error);
  const bool same_file = storageFileIdentity(state.name.path) == storageFileIdentity(target_name->path);
  auto destination =
      same_file ? source : files_.acquire({target_name->path, state.owner, false, true}, &error);
  if (!destination) return openFailure(error);
  TwoFileHold hold;
  if (same_file) {
    hold.first.emplace(*source);
    if (hold.first->error() != 0) return {hold.first->error(), 0, 0};
  } else if (const int refused = holdBoth(*source, rename, *destination, hold); refused != 0) {
    return {refused, 0, 0};
  }
  const auto number = findTable(source->tree(), state.name.table);
  if (!number) return {2, 0, 0};
  if (rename && same_file) {
    renameTable(source->tree(), state.name.table, *number, target_name->table);
    return written(source->writeUpdate());
  }
  std::string problem;
  const auto definition = readTableDefinition(source->tree(), *number, &problem);
  if (!definition) fail(kFailureDefinition);
  const auto layout = storage::layoutOf(*definition);
  if (!layout) return {47, 0, 0};
  EntryTree& to = destination->tree();
  EntryTree& from = source->tree();
  const std::uint32_t copy = createTable(to, target_name->table, *definition);
  WendlockTable reader(from, *number, tableShapeOf(*definition, *layout, state.oem));
  WendlockTable writer(to, copy, tableShapeOf(*definition, *layout, state.oem));
  std::vector<std::uint8_t> record(layout->size());
  std::vector<std::vector<std::uint8_t>> memos;
  reader.setFile();
  // Records take new numbers in the copy: numbers are unique within a storage file.
  while (reader.next({record, &memos}) == 0) {
    if (const int added = writer.add({record, &memos}); added != 0) {
      destination->discardChanges();
      return {added, 0, 0};
    }
  }
  writer.setFlagsWord(reader.flagsWord());
  if (rename) removeTable(from, state.name.table, *number);
  int failed = destination->writeUpdate();
  if (failed == 0 && rename && !same_file) failed = source->writeUpdate();
  return written(failed);
}

}  // namespace veltrano::storage
