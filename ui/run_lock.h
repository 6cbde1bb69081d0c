// The run lock: one procedure thread runs program code at a time. A thread holds the lock
// while it runs and gives it up only while it waits: for its next event, for a dialog's
// answer, for other threads at shutdown. Program, framework and runtime code therefore need
// no locks of their own between two waits.
//
// The lock is a semaphore (count 1 while free) rather than a mutex because the thread that
// ends a procedure hands it on from its clean-up, and because a thread may release it in one
// call frame and take it again in another.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace veltrano::ui {

class RunLock {
 public:
  RunLock() = default;
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  // Waits without limit. REQUIRES: the calling thread does not hold the lock.
  void take();
  // Waits at most `limit`; false when it passed without the lock coming free.
  bool tryTake(std::chrono::milliseconds limit);
  // REQUIRES: the calling thread holds the lock. A release by another thread is refused
  // (returns false) rather than breaking the one-runner rule.
  bool release();

  bool heldByCallingThread() const;
  std::thread::id holder() const;

  // Called on the taking thread each time it has taken the lock (the thread table makes the
  // taker's slot current there).
  void setOnTaken(std::function<void()> on_taken);

 private:
  void taken();

  mutable std::mutex mutex_;
  std::condition_variable free_;
  bool held_ = false;
  std::thread::id holder_;
  std::function<void()> on_taken_;
};

// The run lock the calling thread holds, if any (a thread holds at most one).
RunLock* runLockHeldByCallingThread();

// Gives up the calling thread's run lock for the scope of a wait and takes it back at its end;
// does nothing on a thread that holds none (the engine's own thread, a test's thread).
class RunLockReleasedForWait {
 public:
  RunLockReleasedForWait();
  ~RunLockReleasedForWait();
  RunLockReleasedForWait(const RunLockReleasedForWait&) = delete;
  RunLockReleasedForWait& operator=(const RunLockReleasedForWait&) = delete;

 private:
  RunLock* released_;
};

}  // namespace veltrano::ui
