// The operation lock: what a process holds on a shared storage file while one operation runs.
//
// Between stations it is a reader slot (for an operation that only reads) or the writer byte
// (for one that may change the file), taken waiting. Within the process the threads take turns
// on the file's gate, because the open file, its cache and its header are shared by all of
// them. Once the lock is held the caller's refresh runs, which re-reads the header when another
// station's update moved the change counter.
//
// Which stations take the locks depends on how the file was opened (sharing_modes.h): a file
// others may write takes them all; a file others may only read takes the writer byte only while
// a pending area is applied or discarded; a file nobody else may open takes none.
//
//   OperationGate gate(locks, LockPolicy::Full, [&] { page_file.reloadIfChanged(); });
//   {
//     OperationLock operation(gate, /*changes=*/true);
//     … change the tree, write the update …
//   }
//
// A walk over many records (a view counting or sorting) holds one read lock for a run of reads
// instead of taking one per record: while a ReadRunLock lives, the reads of its thread borrow its
// lock, and an operation of that thread that changes the file lets go of the run's lock for its
// own duration (taking the run's lock back re-reads the header like any other take).
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "storage/lock_station.h"

namespace veltrano::storage {

class OperationLock;

enum class LockPolicy {
  Full,         // others may write: operation locks on every operation
  PendingOnly,  // others may only read: the writer byte around a pending area's handling
  None,         // nobody else may open the file
};

class OperationGate {
 public:
  OperationGate(StationLocks& locks, LockPolicy policy, std::function<void()> refresh)
      : locks_(locks), policy_(policy), refresh_(std::move(refresh)) {}
  OperationGate(const OperationGate&) = delete;
  OperationGate& operator=(const OperationGate&) = delete;

  StationLocks& locks() { return locks_; }
  LockPolicy policy() const { return policy_; }
  void setPolicy(LockPolicy policy) { policy_ = policy; }

 private:
  friend class OperationLock;
  friend class ReadRunLock;
  // The run's lock when the calling thread holds a read run on this gate, else null. Only the
  // run's thread ever sees its own run: every other thread finds another thread's id here.
  OperationLock* runOfThisThread() const {
    return run_thread_.load(std::memory_order_acquire) == std::this_thread::get_id() ? run_ : nullptr;
  }

  StationLocks& locks_;
  LockPolicy policy_;
  std::function<void()> refresh_;
  // Recursive: an operation may run another on the same file (a BUILD opening its file).
  std::recursive_mutex turn_;
  OperationLock* run_ = nullptr;  // written only by the run's thread, before and after it runs
  std::atomic<std::thread::id> run_thread_{};
};

class OperationLock final : public LockWaitHook {
 public:
  // Takes the lock, waiting; `ok()` is false when the operating system refused a lock request
  // (or, with `wait` false, when another thread or station holds the writer byte).
  OperationLock(OperationGate& gate, bool changes, bool wait = true);
  ~OperationLock() override;
  OperationLock(const OperationLock&) = delete;
  OperationLock& operator=(const OperationLock&) = delete;

  bool ok() const { return ok_; }

  // A waiting number-lock request lets go of the operation between its tries, and takes it
  // back (with the header re-read) before the next.
  void beforePause() override;
  void afterPause() override;

 private:
  bool take();
  void give();

  OperationGate& gate_;
  const bool changes_;
  const bool wait_;
  LockPolicy taken_policy_ = LockPolicy::None;  // the gate's policy when the lock was taken
  bool held_ = false;
  bool ok_ = false;
  OperationLock* borrowed_from_ = nullptr;  // a read inside a run: the run's lock
  OperationLock* paused_run_ = nullptr;     // a change inside a run: the run let go meanwhile
};

// Holds one read lock for a run of reads by the calling thread (see above). A run started while
// the thread already holds one on the same gate leaves that one in charge.
class ReadRunLock {
 public:
  explicit ReadRunLock(OperationGate& gate);
  ~ReadRunLock();
  ReadRunLock(const ReadRunLock&) = delete;
  ReadRunLock& operator=(const ReadRunLock&) = delete;

  bool ok() const { return lock_.ok(); }

 private:
  OperationGate& gate_;
  OperationLock lock_;
  bool registered_ = false;
};

}  // namespace veltrano::storage
