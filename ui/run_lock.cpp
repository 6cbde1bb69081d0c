#include "ui/run_lock.h"

#include <utility>

namespace veltrano::ui {
namespace {
thread_local RunLock* held_lock = nullptr;
}  // namespace

void RunLock::take() {
  {
    std::unique_lock lock(mutex_);
    free_.wait(lock, [this] { return !held_; });
    held_ = true;
    holder_ = std::this_thread::get_id();
  }
  taken();
}

bool RunLock::tryTake(std::chrono::milliseconds limit) {
  {
    std::unique_lock lock(mutex_);
    if (!free_.wait_for(lock, limit, [this] { return !held_; })) return false;
    held_ = true;
    holder_ = std::this_thread::get_id();
  }
  taken();
  return true;
}

void RunLock::taken() {
  held_lock = this;
  std::function<void()> on_taken;
  {
    std::lock_guard lock(mutex_);
    on_taken = on_taken_;
  }
  if (on_taken) on_taken();
}

bool RunLock::release() {
  std::lock_guard lock(mutex_);
  if (!held_ || holder_ != std::this_thread::get_id()) return false;
  held_ = false;
  holder_ = {};
  if (held_lock == this) held_lock = nullptr;
  // Notified under the mutex: a waiter that takes the lock and then destroys this object
  // (a test's table going out of scope) cannot do so while we still touch it.
  free_.notify_one();
  return true;
}

bool RunLock::heldByCallingThread() const {
  std::lock_guard lock(mutex_);
  return held_ && holder_ == std::this_thread::get_id();
}

std::thread::id RunLock::holder() const {
  std::lock_guard lock(mutex_);
  return holder_;
}

void RunLock::setOnTaken(std::function<void()> on_taken) {
  std::lock_guard lock(mutex_);
  on_taken_ = std::move(on_taken);
}

RunLock* runLockHeldByCallingThread() {
  return held_lock;
}

RunLockReleasedForWait::RunLockReleasedForWait() : released_(held_lock) {
  if (released_ != nullptr && !released_->release()) released_ = nullptr;
}

RunLockReleasedForWait::~RunLockReleasedForWait() {
  if (released_ != nullptr) released_->take();
}

}  // namespace veltrano::ui
