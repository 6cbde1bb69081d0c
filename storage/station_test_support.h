// Other stations for tests: child processes that work on the same files, and pipes by which the
// test and its children tell each other how far they got. A child reports through its exit
// status (0 = as expected) and never through the test framework, which belongs to the parent.
#pragma once

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

namespace veltrano::storage::testing {

// A one-way signal between processes.
class Signal {
 public:
  Signal() {
    if (::pipe(ends_) != 0) std::abort();
  }
  ~Signal() {
    ::close(ends_[0]);
    ::close(ends_[1]);
  }
  Signal(const Signal&) = delete;
  Signal& operator=(const Signal&) = delete;

  void raise() {
    const char byte = 1;
    if (::write(ends_[1], &byte, 1) != 1) std::abort();
  }
  // True when the signal came within `milliseconds`.
  bool await(int milliseconds = 10000) {
    pollfd waiting{ends_[0], POLLIN, 0};
    if (::poll(&waiting, 1, milliseconds) != 1) return false;
    char byte = 0;
    return ::read(ends_[0], &byte, 1) == 1;
  }

 private:
  int ends_[2] = {-1, -1};
};

// Runs `body` in a child process, whose exit status is what `body` returns.
inline pid_t spawnStation(const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(body());
  return child;
}

// The child's exit status, or -1 when it did not exit normally.
inline int stationResult(pid_t child) {
  int status = 0;
  if (::waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A fresh directory for one test.
inline std::filesystem::path stationDirectory(const std::string& name) {
  auto directory =
      std::filesystem::temp_directory_path() / ("veltrano-" + name + "-" + std::to_string(::getpid()));
  std::filesystem::remove_all(directory);
  std::filesystem::create_directories(directory);
  return directory;
}

}  // namespace veltrano::storage::testing
