// The thread table: every procedure the main menu starts runs on an operating-system thread of
// its own, and the run lock lets one of them run at a time. Slot 0 is the program's first
// thread (the main frame); slots 1 to 63 are handed to started procedures.
//
// Per-thread runtime state. The string and decimal stacks are thread_local areas, so they
// follow the running thread by themselves and nothing is copied when the run lock changes
// hands; the same holds for the thread's object list, kept in its slot and reached through
// the calling thread's slot. "Switching state to a slot" therefore only records which slot is
// current. The one time state must cross threads is at start: the starter moves the string
// arguments into a saved block in the new slot, and the new thread restores that block onto
// its own stack before the procedure runs, so the procedure finds its arguments exactly as if
// the stacks had been swapped.
#pragma once

#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <semaphore>
#include <span>
#include <string>
#include <vector>

#include "ui/run_lock.h"

namespace veltrano::runtime {
struct SavedStringStack;
}

namespace veltrano::ui {

inline constexpr int kThreadSlots = 64;
// The stack size a slot records: requests below this become this.
inline constexpr std::size_t kLeastStackSize = 20000;
// What a thread really gets at least: the recorded sizes are far too small for C++ frames.
inline constexpr std::size_t kLeastRealStackSize = std::size_t{1} << 20;
// Posted to a new thread with its slot number once it has started.
inline constexpr std::uint32_t kThreadStartedMessage = 0x2414;

using Procedure = std::function<void(std::uintptr_t argument)>;

// An object that must be closed when its thread ends (a per-thread file buffer, a window
// controller left open). Added to the calling thread's object list.
class ThreadObject {
 public:
  virtual ~ThreadObject() = default;
  virtual void endOfThread() = 0;
};

// What the window engine hears about slots.
class ThreadObserver {
 public:
  virtual ~ThreadObserver() = default;
  virtual void slotStarted(int /*slot*/) {}
  // On the ending thread, before its objects close: release what the thread still owns.
  virtual void threadEnding(int /*slot*/) {}
};

struct ThreadMessage {
  std::uint32_t message = 0;
  std::uintptr_t parameter = 0;
};

struct ThreadSlotInfo {
  std::uint32_t thread_id = 0;  // 0: free
  std::size_t stack_size = 0;   // as recorded (at least kLeastStackSize)
  std::uintptr_t argument = 0;
};

class ThreadTable {
 public:
  ThreadTable();
  // Waits for every started thread.
  ~ThreadTable();
  ThreadTable(const ThreadTable&) = delete;
  ThreadTable& operator=(const ThreadTable&) = delete;

  // The calling thread becomes slot 0 and takes the run lock; false when slot 0 is taken.
  bool attachFirstThread();
  // Slot 0 gives up the run lock and its slot (the first thread ends).
  void detachFirstThread();

  // Starts `procedure` on a new thread (see thread_table.cpp). Returns its slot (1–63), -1
  // when no slot is free or the thread cannot be created, 0 when nothing was started because
  // of single-thread mode (the procedure ran on the caller) or closing down (it did not run).
  // At most three string arguments are handed over; further ones are ignored.
  // REQUIRES: the caller holds the run lock (the starter runs program code).
  int start(Procedure procedure, std::uintptr_t argument, std::size_t stack_size,
            std::span<const std::string> arguments = {});

  void setSingleThreadMode(bool on);
  void setClosingDown(bool on);
  bool closingDown() const;
  void setObserver(ThreadObserver* observer);
  // Called on every ending thread, after the engine has released the thread's windows.
  void setEndOfThreadCallback(std::function<void()> callback);
  // Called on the taking thread each time a thread takes the run lock, once its slot is
  // current: the program brings in the state it keeps per thread (its files' instances).
  void setLockTakenCallback(std::function<void()> callback);

  RunLock& runLock() { return run_lock_; }
  void takeRunLock() { run_lock_.take(); }
  bool takeRunLock(std::chrono::milliseconds limit) { return run_lock_.tryTake(limit); }
  bool releaseRunLock() { return run_lock_.release(); }

  // Makes `slot` current and returns the slot that was (see the header comment).
  int switchTo(int slot);
  int currentSlot() const;
  // The slot of the thread that last took the run lock.
  int lastTakerSlot() const;
  // The slot whose thread is the calling thread, or -1.
  int slotOfCallingThread() const;

  // The runtime's "last active" and "last focus" slot numbers (-1: none); a thread that ends
  // while either names its slot leaves it at -1.
  void setLastActiveSlot(int slot);
  int lastActiveSlot() const;
  void setLastFocusSlot(int slot);
  int lastFocusSlot() const;

  // The calling thread's object list; false on a thread without a slot.
  bool addThreadObject(ThreadObject& object);
  bool removeThreadObject(ThreadObject& object);

  // Takes the thread messages posted to the calling thread's slot, oldest first.
  std::vector<ThreadMessage> takeThreadMessages();

  // Shutdown: gives up the run lock (when the caller holds it), waits until no started thread
  // is left, and takes the lock back.
  void waitForAllThreads();

  std::optional<ThreadSlotInfo> slotInfo(int slot) const;
  int startedThreads() const;  // occupied slots 1–63

 private:
  struct Slot;
  Slot& at(int slot) const;
  static void* threadEntry(void* start);
  void threadBody(int slot);
  void endThread(int slot);
  void joinEndedThreads();

  mutable std::mutex mutex_;
  std::condition_variable slot_freed_;
  std::unique_ptr<Slot[]> slots_;
  RunLock run_lock_;
  int current_slot_ = -1;
  int last_taker_slot_ = -1;
  int last_active_slot_ = -1;
  int last_focus_slot_ = -1;
  bool single_thread_mode_ = false;
  bool closing_down_ = false;
  ThreadObserver* observer_ = nullptr;
  std::function<void()> end_of_thread_;
  std::function<void()> lock_taken_;
  std::vector<pthread_t> ended_;  // ended threads not yet joined
};

}  // namespace veltrano::ui
