// The history of changes to chosen files: a ChangeHistory set on a table manager is told of every
// record that manager adds, rewrites or deletes, and writes what changed into a file of its own
// in the same transaction as the change, so that a change never stands without its history nor a
// history without its change. The framework only calls it; what a history record holds and
// where it lies belong to the application.
//
//   manager.SetChangeHistory(&history);   // history outlives the manager's use of it
//   … manager.Insert(), guard.Update(2), guard.Delete(false) now write their history …
//
// A change made outside a transaction runs in one over the changed file and the history file
// (ChangeStep below); inside a relation guard's transaction the guard takes the history file in.
#pragma once

#include <cstdint>
#include <string>

#include "framework/transaction_frame.h"
#include "storage/file_control_block.h"

namespace veltrano::framework {

class TableManager;

enum class Change : std::uint8_t { kInsert = 1, kUpdate = 2, kDelete = 3 };

class ChangeHistory {
 public:
  virtual ~ChangeHistory() = default;
  // The open history file, which every transaction over a recorded file takes in; null when it
  // cannot be opened (the change is then refused).
  virtual storage::FileControlBlock* historyFile() = 0;
  // Before a rewrite: keeps the record as it is stored at `position` (the manager's
  // CurrentPosition) to compare the new one with. The runtime's error code.
  virtual int rememberStored(TableManager& manager, const std::string& position) = 0;
  // The manager's current record was just added or rewritten, or is about to be deleted: writes
  // its history. The runtime's error code, 0 as well when nothing of it changed.
  virtual int record(TableManager& manager, Change change) = 0;
};

// One change of a manager's file with its history: begin() starts a transaction over the file
// and the history file unless the calling thread runs one already (which then carries both);
// finish() commits what begin() started; an unfinished step rolls back when it ends. Without a
// history every call is 0 and nothing is framed.
class ChangeStep {
 public:
  explicit ChangeStep(TableManager& manager);
  ChangeStep(const ChangeStep&) = delete;
  ChangeStep& operator=(const ChangeStep&) = delete;

  // 0, 37 when the history file cannot be opened, or the error of LOGOUT.
  int begin();
  int rememberStored(const std::string& position);
  int record(Change change);
  // COMMIT of the step's own transaction; 0 when it had none.
  int finish();
  void rollBack() { frame_.rollBack(); }

 private:
  TableManager& manager_;
  ChangeHistory* history_;
  TransactionFrame frame_;
};

}  // namespace veltrano::framework
