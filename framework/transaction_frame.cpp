#include "framework/transaction_frame.h"

#include "framework/driver_calls.h"

namespace veltrano::framework {
namespace {

TransactionFrame*& innermostFrame() {
  thread_local TransactionFrame* frame = nullptr;
  return frame;
}

constexpr int kLogoutWaitSeconds = 2;

}  // namespace

TransactionFrame::TransactionFrame() : outer_(innermostFrame()) {
  innermostFrame() = this;
}

TransactionFrame::~TransactionFrame() {
  // A frame left running by an early return must not keep the files locked in a transaction.
  rollBack();
  innermostFrame() = outer_;
}

int TransactionFrame::begin(const std::vector<storage::FileControlBlock*>& files) {
  if (files.empty()) return 0;
  storage::OperationArguments arguments;
  arguments.files = files;
  arguments.seconds = kLogoutWaitSeconds;
  const int code = fileCall(storage::Operation::Logout, *files.front(), arguments);
  if (code == 0) {
    file_ = files.front();
    active_ = true;
  }
  return code;
}

int TransactionFrame::commit() {
  if (!active_) return 0;
  const int code = fileCall(storage::Operation::Commit, *file_);
  if (code == 0) active_ = false;
  return code;
}

void TransactionFrame::rollBack() {
  if (!active_) return;
  active_ = false;
  fileCall(storage::Operation::Rollback, *file_);
}

bool transactionRunning() {
  for (const TransactionFrame* frame = innermostFrame(); frame != nullptr; frame = frame->outer()) {
    if (frame->active()) return true;
  }
  return false;
}

void rollBackActive() {
  if (TransactionFrame* frame = innermostFrame(); frame != nullptr) frame->rollBack();
}

}  // namespace veltrano::framework
