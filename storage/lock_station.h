// The locks one process holds on one open storage file, and the table that makes the threads
// of the process meet each other's locks as they meet another station's.
//
// The operating system cannot do that part: every table of a storage file in this process
// shares one open file (wendlock_files.h), and open-file-description locks taken through one
// open file never conflict with each other. So every request first consults the table of the
// ranges held here, by thread; a range held by another thread is busy exactly as if another
// station held it. Only when the table lets it through does the request reach the operating
// system. A thread may take a range it already holds again; the range is let go when its last
// holder unlocks it.
//
// Waits never hold anything the holder needs to let go: a request that must wait for another
// thread or station calls its LockWaitHook before every pause (to let go of the operation lock
// it is running under) and after it (to take the operation lock back).
//
//   StationLocks locks(page_file.file(), /*shared_only=*/false);
//   locks.lockReaderSlot();                         // a read operation
//   …
//   locks.unlockReaderSlot();
//   if (locks.lock(numberLockRange(record), LockPatience::seconds(5)) != LockOutcome::Granted) …
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/file.h"
#include "storage/lock_regions.h"

namespace veltrano::storage {

using platform::LockOutcome;

// How long a request may wait: not at all, up to a time, or until it is granted.
class LockPatience {
 public:
  static LockPatience none() { return LockPatience(std::chrono::milliseconds(0)); }
  static LockPatience forever() { return LockPatience(std::nullopt); }
  static LockPatience upTo(std::chrono::milliseconds limit) { return LockPatience(limit); }
  // A wait in seconds as the statements give it: 0 or less is no wait.
  static LockPatience seconds(std::int32_t count) {
    return count <= 0 ? none() : upTo(std::chrono::seconds(count));
  }

  bool waits() const { return !limit_ || limit_->count() > 0; }
  bool endless() const { return !limit_; }
  std::chrono::milliseconds limit() const { return limit_.value_or(std::chrono::milliseconds::max()); }

 private:
  explicit LockPatience(std::optional<std::chrono::milliseconds> limit) : limit_(limit) {}
  std::optional<std::chrono::milliseconds> limit_;
};

// Called around every pause of a waiting request.
class LockWaitHook {
 public:
  virtual ~LockWaitHook() = default;
  virtual void beforePause() = 0;
  virtual void afterPause() = 0;
};

class StationLocks {
 public:
  // `shared_only`: the file is open for reading only, and the operating system grants such a
  // file only shared locks. They still keep writers' exclusive locks out, which is what a
  // read-only station needs of them.
  StationLocks(platform::File& file, bool shared_only);
  // Lets go of every range still held.
  ~StationLocks();
  StationLocks(const StationLocks&) = delete;
  StationLocks& operator=(const StationLocks&) = delete;

  // Takes `range` for the calling thread: Granted, Busy (held by another thread or station
  // after the wait), or Failed (the operating system refused the request itself).
  LockOutcome lock(LockRange range, LockPatience patience, LockWaitHook* hook = nullptr);
  // Lets go of one hold of `range` by the calling thread (or, with `any_thread`, by whichever
  // thread of the process holds it: a transaction's locks end with COMMIT on any thread);
  // false when there was none.
  bool unlock(LockRange range, bool any_thread = false);
  bool heldByThisThread(LockRange range) const;
  // How many holds of ranges the process has (for tests and checks).
  std::size_t holdCount() const;

  // The driver's lock routine: a number or a region, never both (else failure 2328 or 2352).
  LockOutcome lock(const LockRequest& request, LockPatience patience, LockWaitHook* hook = nullptr);
  bool unlock(const LockRequest& request);

  // A reader slot for the calling thread, waiting until one is free: the current slot, or the
  // next ones in turn when another station holds it. The slot taken stays the current one.
  LockOutcome lockReaderSlot();
  void unlockReaderSlot();
  std::uint32_t currentSlot() const;

  // Lets go of everything the calling thread holds (its last table of the file closing).
  void releaseThread();

 private:
  struct Hold {
    LockRange range;
    std::thread::id owner;
    int count = 0;
    bool granted = false;               // false while the operating system is being asked
    std::optional<std::uint32_t> slot;  // a reader slot taken by lockReaderSlot()
  };

  enum class Table { Free, Mine, Busy };
  Table consult(LockRange range, std::thread::id owner, std::size_t* mine) const;
  LockOutcome ask(LockRange range, platform::LockWait wait);
  void letGo(std::size_t index, std::unique_lock<std::mutex>& guard);

  platform::File& file_;
  const platform::LockKind kind_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Hold> holds_;
  std::uint32_t slot_ = 0;
};

}  // namespace veltrano::storage
