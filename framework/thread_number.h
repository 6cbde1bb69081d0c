// The number of the calling procedure thread, which keys the per-thread state of files
// declared THREAD. The thread table of the window and thread layer will own this number; until
// it does, a thread is number 1 unless a scope says otherwise (tests that play two threads,
// and the thread start-up code once it exists).
#pragma once

#include <cstdint>

namespace veltrano::framework {

std::int32_t currentThreadNumber();

// Sets the calling thread's number for a scope and puts the previous one back at its end.
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
