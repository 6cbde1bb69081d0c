#include "storage/lock_operation.h"

namespace veltrano::storage {

OperationLock::OperationLock(OperationGate& gate, bool changes) : gate_(gate), changes_(changes) {
  ok_ = take();
}

OperationLock::~OperationLock() {
  if (held_) give();
}

bool OperationLock::take() {
  gate_.turn_.lock();
  LockOutcome outcome = LockOutcome::Granted;
  taken_policy_ = gate_.policy_;
  if (taken_policy_ == LockPolicy::Full) {
    outcome = changes_ ? gate_.locks_.lock(writerByteRange(), LockPatience::forever())
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
  if (held_) give();
}

void OperationLock::afterPause() {
  if (!held_) ok_ = take() && ok_;
}

}  // namespace veltrano::storage
