// What the benchmarks of the program's windows share: the headless program started on its own
// threads over a data directory, the process's CPU time, and the way a benchmark gives up.
#pragma once

#include <time.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "app/frame/program.h"
#include "app/program/application_procedures.h"
#include "ui/headless_engine.h"

namespace veltrano::bench {

[[noreturn]] inline void fail(const std::string& why) {
  throw std::runtime_error(why);
}

// Every thread of this process together: the program's procedures run on threads of their own.
inline double processCpuMilliseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The headless program over `data`, from its start until the main frame waits for the clerk;
// closing every window at the end lets the frame close and the program end.
class RunningProgram {
 public:
  RunningProgram(ui::HeadlessEngine& engine, const std::filesystem::path& data, std::int64_t employees)
      : engine_(engine) {
    using namespace std::chrono_literals;
    first_ = std::thread([this, data, employees] {
      threads_.attachFirstThread();
      app::runProgram(app::ProgramOptions{data.string(), employees, app::registerApplicationProcedures},
                      threads_);
      threads_.waitForAllThreads();
      threads_.detachFirstThread();
    });
    frame_ = engine_.waitForWindow("Main", 60s);
    if (frame_ == 0 || !engine_.waitUntilIdle(frame_, 30s)) fail("the main frame did not open");
  }
  ~RunningProgram() {
    for (ui::WindowId window : engine_.openWindows()) engine_.userCloses(window);
    first_.join();
  }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  // Closes the window and waits until the engine no longer shows it.
  void close(ui::WindowId window) {
    using namespace std::chrono_literals;
    engine_.userCloses(window);
    while (engine_.snapshot(window)) std::this_thread::sleep_for(100us);
  }

 protected:
  ui::HeadlessEngine& engine_;
  ui::WindowId frame_ = 0;

 private:
  ui::ThreadTable threads_;
  std::thread first_;
};

}  // namespace veltrano::bench
