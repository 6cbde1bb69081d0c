#include "storage/lock_operation.h"

namespace veltrano::storage {

OperationLock::OperationLock(OperationGate& gate, bool changes, bool wait)
    : gate_(gate), changes_(changes), wait_(wait) {
  if (OperationLock* run = gate.runOfThisThread(); run != nullptr) {
    if (!changes) {
      borrowed_from_ = run;
      ok_ = run->ok_;
      return;
    }
    // The update's flush takes every reader slot, this station's own included.
    paused_run_ = run;
    run->beforePause();
  }
  ok_ = take();
}

OperationLock::~OperationLock() {
  if (held_) give();
  if (paused_run_ != nullptr) paused_run_->afterPause();
}

bool OperationLock::take() {
  gate_.turn_.lock();
  LockOutcome outcome = LockOutcome::Granted;
  taken_policy_ = gate_.policy_;
  if (taken_policy_ == LockPolicy::Full) {
    outcome = changes_ ? gate_.locks_.lock(writerByteRange(),
                                           wait_ ? LockPatience::forever() : LockPatience::none())
                       : gate_.locks_.lockReaderSlot();
  }
  if (outcome != LockOutcome::Granted) {
    gate_.turn_.unlock();
    return false;
  }
  held_ = true;
  if (gate_.refresh_) gate_.refresh_();
  return true;
}

void OperationLock::give() {
  if (taken_policy_ == LockPolicy::Full) {
    if (changes_) {
      gate_.locks_.unlock(writerByteRange());
    } else {
      gate_.locks_.unlockReaderSlot();
    }
  }
  held_ = false;
  gate_.turn_.unlock();
}

void OperationLock::beforePause() {
  if (borrowed_from_ != nullptr) {
    borrowed_from_->beforePause();
  } else if (held_) {
    give();
  }
}

void OperationLock::afterPause() {
  if (borrowed_from_ != nullptr) {
    borrowed_from_->afterPause();
    ok_ = borrowed_from_->ok_ && ok_;
  } else if (!held_) {
    ok_ = take() && ok_;
  }
}

ReadRunLock::ReadRunLock(OperationGate& gate) : gate_(gate), lock_(gate, false) {
  if (gate.runOfThisThread() != nullptr || !lock_.ok()) return;
  gate.run_ = &lock_;
  gate.run_thread_.store(std::this_thread::get_id(), std::memory_order_release);
  registered_ = true;
}

ReadRunLock::~ReadRunLock() {
  if (!registered_) return;
  gate_.run_thread_.store(std::thread::id{}, std::memory_order_release);
  gate_.run_ = nullptr;
}

}  // namespace veltrano::storage
