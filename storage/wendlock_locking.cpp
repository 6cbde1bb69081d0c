// WENDLOCK among other stations: every operation on an open table runs under the file's
// operation lock (a reader slot, or the writer byte for a change); HOLD, PUT and DELETE take the
// record's number lock and LOCK the table's; LOGOUT, COMMIT and ROLLBACK go through the
// process's transaction. Files only this process sees (the in-memory catalog) take no locks.
#include <optional>

#include "runtime/errors/error_state.h"
#include "storage/wendlock_driver.h"
#include "storage/wendlock_station.h"

namespace veltrano::storage {
namespace {

constexpr int kAccessDenied = 5;
constexpr int kFileAlreadyLocked = 32;
constexpr int kRecordNotAvailable = 33;
constexpr int kRecordAlreadyHeld = 43;

// Operations that may write the file: they take the writer byte rather than a reader slot.
bool changes(Operation operation) {
  return changesRecords(operation) || operation == Operation::Flush || operation == Operation::EndView ||
         operation == Operation::Send;
}

bool reads(Operation operation) {
  switch (operation) {
    case Operation::GetFileKey:
    case Operation::GetFilePtr:
    case Operation::GetKeyPtr:
    case Operation::Next:
    case Operation::Previous:
    case Operation::RegetFile:
    case Operation::RegetKey: return true;
    default: return false;
  }
}

// Operations that only record a request or work across files: no lock of this file.
bool lockless(Operation operation) {
  switch (operation) {
    case Operation::HoldFile:
    case Operation::HoldFileSec:
    case Operation::Watch:
    case Operation::NoMemo:
    case Operation::Clear:
    case Operation::Stream:
    case Operation::InView:
    case Operation::Logout:
    case Operation::Commit:
    case Operation::Rollback: return true;
    default: return false;
  }
}

OperationResult osResult(int written) {
  return written == 0 ? OperationResult{} : OperationResult{0, 0, written};
}

}  // namespace

void WendlockDriver::letGoOfLocks(WendlockState& state) {
  StationFile* station = state.file ? state.file->station() : nullptr;
  if (station != nullptr) {
    if (state.locked_record != 0) station->locks().unlock(numberLockRange(state.locked_record));
    if (state.table_locked && state.table) station->locks().unlock(numberLockRange(state.table->number()));
  }
  state.locked_record = 0;
  state.table_locked = false;
}

OperationResult WendlockDriver::logout(FileControlBlock& file, WendlockState& state,
                                       OperationArguments& arguments) {
  std::vector<WendlockState*> members;
  for (auto* member : arguments.files) {
    if (auto* member_state = stateOf(*member); member_state != nullptr && member_state->open) {
      members.push_back(member_state);
    }
  }
  if (arguments.files.empty()) members.push_back(&state);
  (void)file;
  transaction_.setControlFilePath(transaction_file_);
  for (WendlockState* member : members) {
    if (StationFile* station = member->file->station()) transaction_.join(*station);
    in_transaction_.insert(member->file.get());
  }
  return {};
}

OperationResult WendlockDriver::commit() {
  transaction_.setControlFilePath(transaction_file_);
  int written = transaction_.commit();
  // Files only this process sees have no pending area to stage; they are written in turn.
  for (StorageFile* member : in_transaction_) {
    if (member->station() != nullptr) continue;
    if (const int error = member->writeUpdate(); error != 0 && written == 0) written = error;
  }
  in_transaction_.clear();
  return osResult(written);
}

void WendlockDriver::rollback() {
  transaction_.rollback();
  for (StorageFile* member : in_transaction_) {
    if (member->station() == nullptr) member->discardChanges();
  }
  in_transaction_.clear();
}

namespace {

class StationReadRun final : public ReadRun {
 public:
  explicit StationReadRun(OperationGate& gate) : lock_(gate) {}
  bool ok() const { return lock_.ok(); }

 private:
  ReadRunLock lock_;
};

}  // namespace

std::unique_ptr<ReadRun> WendlockDriver::holdReads(FileControlBlock& file) {
  WendlockState* state = stateOf(file);
  if (state == nullptr || state->table == nullptr || state->file == nullptr) return nullptr;
  StationFile* station = state->file->station();
  if (station == nullptr || station->gate().policy() != LockPolicy::Full) return nullptr;
  auto run = std::make_unique<StationReadRun>(station->gate());
  if (!run->ok()) return nullptr;
  return run;
}

std::optional<std::uint32_t> WendlockDriver::currentPointer(FileControlBlock& file) {
  // The table's current record is this station's own state: reading it touches no page.
  const WendlockState* state = stateOf(file);
  if (state == nullptr || state->failure != 0 || state->table == nullptr) return std::nullopt;
  return state->table->currentRecord();
}

OperationResult WendlockDriver::onSharedTable(Operation operation, FileControlBlock& file,
                                              WendlockState& state, OperationArguments& arguments) {
  WendlockTable& table = *state.table;
  StationFile* station = state.file->station();
  switch (operation) {
    case Operation::Logout: return logout(file, state, arguments);
    case Operation::Commit: return commit();
    case Operation::Rollback: rollback(); return {};
    case Operation::HoldFile:
    case Operation::HoldFileSec:
      state.hold_seconds = operation == Operation::HoldFileSec ? arguments.seconds : 0;
      table.hold(arguments.seconds);
      return {};
    case Operation::InView: state.in_view = true; return {};
    default: break;
  }
  if (station == nullptr || lockless(operation)) return onOpenTable(operation, file, state, arguments);

  const bool in_transaction = in_transaction_.count(state.file.get()) != 0;
  OperationLock operation_lock(station->gate(), changes(operation));
  if (!operation_lock.ok()) return {kAccessDenied, 0, 0};
  StationLocks& locks = station->locks();
  auto letGoOfRecord = [&] {
    if (state.locked_record != 0) locks.unlock(numberLockRange(state.locked_record));
    state.locked_record = 0;
  };

  OperationResult result;
  switch (operation) {
    case Operation::LockFile:
    case Operation::LockFileSec: {
      if (state.table_locked) return {};
      const auto patience =
          LockPatience::seconds(operation == Operation::LockFileSec ? arguments.seconds : 0);
      if (locks.lock(numberLockRange(table.number()), patience, &operation_lock) != LockOutcome::Granted) {
        return {kFileAlreadyLocked, 0, 0};
      }
      state.table_locked = true;
      return {};
    }
    case Operation::Unlock:
      if (state.table_locked) locks.unlock(numberLockRange(table.number()));
      state.table_locked = false;
      return {};
    case Operation::Release: letGoOfRecord(); return onOpenTable(operation, file, state, arguments);
    case Operation::EndView:
      if (!state.in_view) return {};
      state.in_view = false;
      return onOpenTable(Operation::Flush, file, state, arguments);
    case Operation::Put:
    case Operation::PutFilePtr:
    case Operation::Delete: {
      if (operation == Operation::PutFilePtr && !table.makeCurrent(arguments.pointer))
        return {kRecordNotAvailable, 0, 0};
      const std::uint32_t record = table.currentRecord();
      if (record != 0 && state.locked_record != record) {
        letGoOfRecord();
        if (locks.lock(numberLockRange(record), LockPatience::none()) != LockOutcome::Granted) {
          table.release();
          return {operation == Operation::Delete ? kRecordNotAvailable : kAccessDenied, 0, 0};
        }
        state.locked_record = record;
      }
      result = onOpenTable(operation == Operation::PutFilePtr ? Operation::Put : operation, file, state,
                           arguments);
      // Every PUT and DELETE ends the record's hold, whatever its outcome.
      letGoOfRecord();
      break;
    }
    default:
      if (!reads(operation)) {
        result = onOpenTable(operation, file, state, arguments);
        break;
      }
      result = onOpenTable(operation, file, state, arguments);
      if (table.heldRecord() == state.locked_record) break;
      // A read without HOLD ends an earlier hold; a read with one holds the record read.
      letGoOfRecord();
      if (const std::uint32_t record = table.heldRecord(); record != 0) {
        LockOutcome outcome = locks.lock(numberLockRange(record), LockPatience::none());
        if (outcome == LockOutcome::Busy && state.hold_seconds > 0) {
          outcome =
              locks.lock(numberLockRange(record), LockPatience::seconds(state.hold_seconds), &operation_lock);
          // The record may have changed while this station waited for it.
          if (outcome == LockOutcome::Granted) {
            // The read again keeps what the first was asked for: without its WATCH, a change
            // the holder made before letting go (a transaction's PUT, not yet committed) would
            // be overwritten by this station's PUT unnoticed.
            const bool watched = table.watching(), without_memos = table.readWithoutMemos();
            table.hold(state.hold_seconds);
            if (watched) table.watch();
            if (without_memos) table.noMemo();
            if (const int reread = table.getByPointer(record, {recordOf(file), &file.memo_values});
                reread != 0) {
              locks.unlock(numberLockRange(record));
              table.release();
              return {reread, 0, 0};
            }
          }
        }
        if (outcome != LockOutcome::Granted) {
          table.release();
          return {kRecordAlreadyHeld, 0, 0};
        }
        state.locked_record = record;
      }
      break;
  }
  // A refused change that still left something changed keeps the file to the transaction as
  // well: without the writer byte another station could update it, and this station, unable to
  // take that update in over its own changes, would commit stale pages over it.
  if (in_transaction && changes(operation) && (result.error == 0 || station->hasChanges()))
    station->keepWriterForTransaction();
  return result;
}

bool WendlockDriver::traces(FileControlBlock& file) {
  const auto* state = stateOf(file);
  return state != nullptr && state->trace.on;
}

void WendlockDriver::trace(Operation operation, FileControlBlock& file, const OperationArguments& arguments,
                           int error, std::uint64_t hundredths) {
  auto* state = stateOf(file);
  if (state == nullptr || !state->trace.on) return;
  TracedOperation traced;
  traced.operation = operation;
  traced.file_name = declaredFileName(file);
  traced.key = arguments.key;
  for (std::size_t k = 0; k < file.keys.size(); ++k) {
    if (file.keys[k] == arguments.key) traced.key_number = static_cast<int>(k) + 1;
  }
  traced.thread = traceLog().threadNumber();
  traced.layout = layoutOf(file);
  traced.record = recordOf(file);
  traced.error = error;
  const auto& posted = runtime::errorState();
  traced.error_text = posted.text;
  traced.file_error = posted.file_error;
  traced.hundredths = hundredths;
  traceLog().trace(state->trace, file, traced);
}

}  // namespace veltrano::storage
