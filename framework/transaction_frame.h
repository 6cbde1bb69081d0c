// The transaction a relation guard frames around a change that reaches related files. The
// guard that starts an update or delete owns the frame; the child steps it calls deep in the
// relation graph roll it back through rollBackActive() when they fail, without having to be
// handed the frame. Frames belong to the calling thread.
#pragma once

#include <vector>

#include "storage/file_control_block.h"

namespace veltrano::framework {

class TransactionFrame {
 public:
  TransactionFrame();
  ~TransactionFrame();
  TransactionFrame(const TransactionFrame&) = delete;
  TransactionFrame& operator=(const TransactionFrame&) = delete;

  // LOGOUT over `files` with a two-second wait; the runtime's error code (0 when started).
  // REQUIRES: files is not empty.
  int begin(const std::vector<storage::FileControlBlock*>& files);
  // COMMIT; the runtime's error code. Nothing to do (0) when no transaction is running. After
  // a failed COMMIT the transaction is still running, for rollBack().
  int commit();
  // ROLLBACK, once; nothing when no transaction is running.
  void rollBack();
  bool active() const { return active_; }
  const TransactionFrame* outer() const { return outer_; }

 private:
  storage::FileControlBlock* file_ = nullptr;
  bool active_ = false;
  TransactionFrame* outer_ = nullptr;
};

// Rolls back the calling thread's innermost running transaction, if there is one.
void rollBackActive();
// Whether the calling thread runs a transaction begun through a frame.
bool transactionRunning();

}  // namespace veltrano::framework
