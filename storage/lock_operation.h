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
#pragma once

#include <functional>
#include <mutex>

#include "storage/lock_station.h"

namespace veltrano::storage {

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
  StationLocks& locks_;
  LockPolicy policy_;
  std::function<void()> refresh_;
  // Recursive: an operation may run another on the same file (a BUILD opening its file).
  std::recursive_mutex turn_;
};

class OperationLock final : public LockWaitHook {
 public:
  // Takes the lock, waiting; `ok()` is false when the operating system refused a lock request.
  OperationLock(OperationGate& gate, bool changes);
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
  LockPolicy taken_policy_ = LockPolicy::None;  // the gate's policy when the lock was taken
  bool held_ = false;
  bool ok_ = false;
};

}  // namespace veltrano::storage
