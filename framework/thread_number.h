// The number of the calling procedure thread, which keys the per-thread state of files declared
// THREAD. Threads are numbered from 1 as the runtime numbers them: the thread in slot s of the
// program's thread table is number s + 1, so the main frame's thread (slot 0) is 1. A thread
// without a slot (tools, tests, the program before its table exists) is number 1, and a scope
// may set the calling thread's number outright (tests that play two threads on one).
#pragma once

#include <cstdint>

namespace veltrano::ui {
class ThreadTable;
}

namespace veltrano::framework {

std::int32_t currentThreadNumber();

// Start-up installs the program's thread table before the first procedure thread starts and
// removes it (null) after the last one has ended.
void useThreadTable(const ui::ThreadTable* table);

// Sets the calling thread's number for a scope and puts the previous setting back at its end.
// REQUIRES: number >= 1.
class ScopedThreadNumber {
 public:
  explicit ScopedThreadNumber(std::int32_t number);
  ~ScopedThreadNumber();
  ScopedThreadNumber(const ScopedThreadNumber&) = delete;
  ScopedThreadNumber& operator=(const ScopedThreadNumber&) = delete;

 private:
  std::int32_t previous_;
};

}  // namespace veltrano::framework
