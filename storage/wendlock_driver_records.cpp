// The operations of WENDLOCK on an open table: records, reads, sequences, positions, BUILD of an
// open table and the simple transaction seam.
#include <algorithm>
#include <optional>

#include "runtime/values/field_value.h"
#include "storage/wendlock_driver.h"
#include "storage/wendlock_station.h"

namespace veltrano::storage {
namespace {

// The 0-based number of the key a key-form operation names, or -1.
int keyIndex(const FileControlBlock& file, const WendlockState& state, const KeyDescriptor* key) {
  if (key == nullptr) return -1;
  for (std::size_t k = 0; k < file.keys.size(); ++k) {
    if (file.keys[k] == key) return static_cast<int>(k);
  }
  // A table opened without a declaration knows its keys by their stored labels.
  if (state.stored) {
    for (std::size_t k = 0; k < state.stored->keys.size(); ++k) {
      if (state.stored->keys[k].name && *state.stored->keys[k].name == key->label) return static_cast<int>(k);
    }
  }
  return -1;
}

bool usesKey(Operation operation) {
  switch (operation) {
    case Operation::GetFileKey:
    case Operation::GetKeyPtr:
    case Operation::SetFileKey:
    case Operation::SetKey:
    case Operation::SetKeyKey:
    case Operation::SetKeyPtr:
    case Operation::SetKeyKeyPtr:
    case Operation::PointerKey:
    case Operation::RecordsKey:
    case Operation::PositionKey:
    case Operation::ResetKey:
    case Operation::RegetKey:
    case Operation::DuplicateKey:
    case Operation::BuildKey:
    case Operation::BuildDyn:
    case Operation::BuildDynFilter: return true;
    default: return false;
  }
}

OperationResult withWrite(int error, int written) {
  if (error != 0) return {error, 0, 0};
  return written == 0 ? OperationResult{} : OperationResult{0, 0, written};
}

}  // namespace

bool changesRecords(Operation operation) {
  switch (operation) {
    case Operation::Add:
    case Operation::Append:
    case Operation::Put:
    case Operation::PutFilePtr:
    case Operation::Delete:
    case Operation::Empty:
    case Operation::BuildFile:
    case Operation::BuildKey:
    case Operation::BuildDyn:
    case Operation::BuildDynFilter:
    case Operation::BuildEvent: return true;
    default: return false;
  }
}

OperationResult WendlockDriver::scanRecords(FileControlBlock& file, RecordScan& scan, std::size_t records) {
  WendlockState* state = stateOf(file);
  if (state == nullptr || !state->open || !state->table) return {37, 0, 0};
  const int key = keyIndex(file, *state, scan.key);
  if (scan.key != nullptr && key < 0) return {80, 0, 0};
  StationFile* station = state->file->station();
  std::optional<OperationLock> operation_lock;
  if (station != nullptr) {
    operation_lock.emplace(station->gate(), false);
    if (!operation_lock->ok()) return {5, 0, 0};
  }
  const bool refreshed = station != nullptr && station->gate().policy() == LockPolicy::Full;
  if (!refreshed && !state->building && in_transaction_.count(state->file.get()) == 0) state->file->refresh();
  state->table->scanRecords(key, scan, records, recordOf(file));
  return {};
}

OperationResult WendlockDriver::onOpenTable(Operation operation, FileControlBlock& file, WendlockState& state,
                                            OperationArguments& arguments) {
  WendlockTable& table = *state.table;
  const RecordBuffers buffers{recordOf(file), &file.memo_values};
  const int key = keyIndex(file, state, arguments.key);
  if (usesKey(operation) && key < 0) return {80, 0, 0};
  if (changesRecords(operation) && state.read_only) return {5, 0, 0};
  // Under operation locks the lock's take has just looked at the header (or a read run did).
  StationFile* station = state.file->station();
  const bool refreshed = station != nullptr && station->gate().policy() == LockPolicy::Full;
  if (!refreshed && !state.building && in_transaction_.count(state.file.get()) == 0) state.file->refresh();

  switch (operation) {
    // A refused change writes whatever it left changed, as PUT and DELETE do: changes left in
    // the cache would keep it from taking in other stations' updates.
    case Operation::Add: {
      const int error = table.add(buffers);
      return withWrite(error, endOperation(state));
    }
    case Operation::Append: {
      const int error = table.append(buffers);
      return withWrite(error, endOperation(state));
    }
    case Operation::Put: {
      const int error = table.put(buffers);
      return withWrite(error, endOperation(state));
    }
    case Operation::PutFilePtr: {
      if (!table.makeCurrent(arguments.pointer)) return {33, 0, 0};
      const int error = table.put(buffers);
      return withWrite(error, endOperation(state));
    }
    case Operation::Delete: {
      const int error = table.erase();
      return withWrite(error, endOperation(state));
    }
    case Operation::Empty: table.empty(); return withWrite(0, endOperation(state));
    case Operation::Duplicate: return {0, table.duplicate(buffers.record, -1) ? 1 : 0, 0};
    case Operation::DuplicateKey: return {0, table.duplicate(buffers.record, key) ? 1 : 0, 0};

    case Operation::GetFileKey: return {table.getByKey(key, buffers), 0, 0};
    case Operation::GetFilePtr:
    case Operation::GetKeyPtr: return {table.getByPointer(arguments.pointer, buffers), 0, 0};
    case Operation::HoldFile:
    case Operation::HoldFileSec: table.hold(arguments.seconds); return {};
    case Operation::Watch: table.watch(); return {};
    case Operation::NoMemo: table.noMemo(); return {};
    case Operation::Release: table.release(); return {};

    case Operation::SetFile: table.setFile(); return {};
    case Operation::SetFilePtr: table.setFilePointer(arguments.pointer); return {};
    case Operation::SetFileKey: table.setFileKey(key, buffers.record); return {};
    case Operation::SetKey: table.setKey(key); return {};
    case Operation::SetKeyKey: table.setKeyValue(key, buffers.record); return {};
    case Operation::SetKeyPtr: table.setKeyPointer(key, arguments.pointer); return {};
    case Operation::SetKeyKeyPtr: table.setKeyValuePointer(key, buffers.record, arguments.pointer); return {};
    case Operation::Next: return {table.next(buffers, arguments.filter), 0, 0};
    case Operation::Previous: return {table.previous(buffers, arguments.filter), 0, 0};
    case Operation::Skip: return {table.skip(arguments.count), 0, 0};
    case Operation::Bof: return {0, table.atStart() ? 1 : 0, 0};
    case Operation::Eof: return {0, table.atEnd() ? 1 : 0, 0};
    case Operation::QueryKey: return {0, table.sequenceKey(), 0};

    case Operation::PointerFile:
    case Operation::PointerKey: return {0, table.currentRecord(), 0};
    case Operation::PositionFile: arguments.result_text = table.positionFile(); return {};
    case Operation::PositionKey: arguments.result_text = table.positionKey(key); return {};
    case Operation::ResetFile: return {table.resetFile(arguments.text), 0, 0};
    case Operation::ResetKey: return {table.resetKey(key, arguments.text), 0, 0};
    case Operation::RegetFile: return {table.regetFile(arguments.text, buffers), 0, 0};
    case Operation::RegetKey: return {table.regetKey(key, arguments.text, buffers), 0, 0};

    case Operation::RecordsFile: return {0, table.records(), 0};
    case Operation::RecordsKey: return {0, table.keyEntries(key), 0};
    case Operation::Bytes:
      return {
          0,
          static_cast<std::int64_t>(table.records()) * static_cast<std::int64_t>(table.shape().record_size),
          0};

    case Operation::BuildFile: return build(state, operation, -1);
    case Operation::BuildKey: return build(state, operation, key);
    case Operation::BuildDyn:
    case Operation::BuildDynFilter:
      // A dynamic index is built as declared; redefining its components or adding a filter at
      // BUILD time is not supported.
      if (!arguments.text.empty()) return {76, 0, 0};
      return build(state, operation, key);
    case Operation::BuildEvent: {
      if (state.recorded_build == Operation::None) return {};
      state.building = true;
      const int error = table.build(state.recorded_build_key, state.full_build);
      state.building = false;
      const int written = endOperation(state);
      return withWrite(error, written);
    }

    case Operation::Clear:
      if (const auto* layout = layoutOf(file)) runtime::clearRecord(*layout, buffers.record);
      for (auto& memo : file.memo_values) memo.clear();
      return {};

    // Locks and transactions are settled in wendlock_locking.cpp; a file only this process
    // sees has nothing to lock.
    case Operation::LockFile:
    case Operation::LockFileSec:
    case Operation::Unlock:
    case Operation::Stream:
    case Operation::InView: return {};
    // Every update compacts the page runs and cuts the file at the end of the page area, so the
    // file never keeps free space for PACK to take out.
    case Operation::Pack: return {};
    case Operation::Flush:
    case Operation::EndView: return withWrite(0, endOperation(state));

    default: return {};
  }
}

}  // namespace veltrano::storage
