// The program as the clerk meets it, headless, over the demonstration institution with 5,000
// employees and a staff schedule grown to 500 positions:
//
//   BM_ProgramToMainFrame    the program veltrano itself started as a process, its Qt windows on
//                            the offscreen platform, until its main frame waits for the clerk
//   BM_StartToMainFrame      the same start inside this process, headless: the program's objects
//                            and the frame without the process and the toolkit
//   BM_OpenReferenceList     "Дол&жность" chosen in the menu until its list waits for the clerk
//   BM_OpenStaffSchedule     "&Штатное расписание" likewise: three linked lists over 500 positions
//   BM_RecountOccupiedUnits  the recount behind "Обновить (займет некоторое время)" with every
//                            position's count wrong, so that each of the 500 is written
//
// The work runs on the program's threads, so each figure carries the process's CPU time beside
// the wall time (cpu_ms, per iteration, over the timed part only). The data directory is made
// once per run in a temporary directory and removed at exit; after the first start its files
// lie in the page cache, as on a clerk's second start of the day.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/demo/demo_data.h"
#include "app/dictionary/record_access.h"
#include "app/frame/program.h"
#include "app/program/application_procedures.h"
#include "app/reference/staff_recount.h"
#include "bench/running_program.h"
#include "platform/directory.h"
#include "runtime/datetime/environment.h"
#include "runtime/errors/error_state.h"
#include "ui/headless_engine.h"

extern char** environ;

namespace {

using namespace veltrano;
using bench::fail;
using bench::processCpuMilliseconds;
using namespace std::chrono_literals;
using storage::Operation;
namespace fs = std::filesystem;

constexpr std::int64_t kEmployees = 5000;
constexpr std::int64_t kPositions = 500;
constexpr ui::ControlId kMenuPositions = -15;  // "Дол&жность"
constexpr ui::ControlId kMenuSchedule = -6;    // "&Штатное расписание"

// The process's CPU time over the timed parts of a benchmark, reported per iteration.
class CpuCounter {
 public:
  void start() { started_ = processCpuMilliseconds(); }
  void stop() { total_ += processCpuMilliseconds() - started_; }
  void report(benchmark::State& state) const {
    state.counters["cpu_ms"] = benchmark::Counter(total_, benchmark::Counter::kAvgIterations);
  }

 private:
  double started_ = 0;
  double total_ = 0;
};

// Each record of a file in its physical order, through its buffer.
template <typename Visit>
void eachRecord(storage::DeclaredFile& file, Visit&& visit) {
  storage::fileStatement(Operation::SetFile, file.file());
  for (storage::fileStatement(Operation::Next, file.file()); runtime::errorCode() == 0;
       storage::fileStatement(Operation::Next, file.file()))
    visit(app::RecordAccess(file));
  runtime::clearErrors();
}

// `work` on a thread that is the first thread of a thread table, as main() is, with the
// program's objects started in the data directory.
template <typename Work>
void withProgram(const fs::path& data, Work&& work) {
  ui::ThreadTable threads;
  std::thread first([&] {
    threads.attachFirstThread();
    platform::changeDirectory(data.string());
    app::Program program(threads);
    program.Start(app::registerApplicationProcedures);
    work(program.application().dictionary);
    program.Stop();
    threads.detachFirstThread();
  });
  first.join();
}

// The demonstration institution, its schedule grown to kPositions positions spread over its
// departments (the added ones occupied by nobody).
struct DemoInstitution {
  ui::HeadlessEngine engine;
  ui::ScopedWindowEngine installed{engine};
  fs::path started_in = fs::current_path();
  fs::path directory = fs::temp_directory_path() / ("veltrano_frame_bench_" + std::to_string(::getpid()));

  DemoInstitution() {
    runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
    fs::remove_all(directory);
    fs::create_directories(directory);
    app::DemoOptions demo;
    demo.directory = directory.string();
    demo.employees = kEmployees;
    if (const std::string failure = app::generateDemoData(demo); !failure.empty()) fail(failure);
    withProgram(directory, [](app::Dictionary& dictionary) {
      framework::TableManager& positions = dictionary.manager("POSTT");
      dictionary.manager("OTDELENI").Open();
      positions.Open();
      std::vector<std::int64_t> departments;
      eachRecord(dictionary.file("OTDELENI"),
                 [&](const app::RecordAccess& record) { departments.push_back(record.integer("OTD:NUMO")); });
      std::int64_t present = 0;
      eachRecord(dictionary.file("POSTT"), [&](const app::RecordAccess&) { ++present; });
      if (departments.empty()) fail("the demonstration has no departments");
      for (std::int64_t added = present; added < kPositions; ++added) {
        if (positions.PrepareRecord() != framework::kLevelBenign) fail("cannot prepare a position");
        app::RecordAccess record(dictionary.file("POSTT"));
        record.setInteger("POS:NUMO", departments[static_cast<std::size_t>(added) % departments.size()]);
        record.setText("POS:NOM", "Position " + std::to_string(added));
        record.setText("POS:KOL", "1.00");
        if (positions.InsertQuiet() != framework::kLevelBenign) fail("cannot add a position");
      }
      positions.Close();
      dictionary.manager("OTDELENI").Close();
    });
  }
  ~DemoInstitution() {
    fs::current_path(started_in);
    fs::remove_all(directory);
  }
};

DemoInstitution& institution() {
  static DemoInstitution made;
  return made;
}

// The program with the menu chosen as the clerk chooses it.
class FrameProgram : public bench::RunningProgram {
 public:
  using RunningProgram::RunningProgram;

  // Chooses a menu item; the window its procedure opens, once that waits for the clerk.
  ui::WindowId choose(ui::ControlId item) {
    const std::vector<ui::WindowId> before = engine_.openWindows();
    if (!engine_.userPresses(frame_, item)) fail("the menu item cannot be chosen");
    for (int tries = 0; tries < 300000; ++tries) {
      for (ui::WindowId window : engine_.openWindows()) {
        if (std::find(before.begin(), before.end(), window) == before.end() &&
            engine_.waitUntilIdle(window, 30s))
          return window;
      }
      std::this_thread::sleep_for(100us);
    }
    fail("no window opened");
  }
};

#ifdef VELTRANO_BINARY
// The CPU time the process `pid` has used so far, from /proc.
double childCpuMilliseconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  // The fields after the command's name (which may hold blanks) in brackets; utime and stime
  // are the 14th and 15th of the line.
  std::istringstream fields(line.substr(line.rfind(')') + 2));
  std::string field;
  double ticks = 0;
  for (int index = 3; fields >> field && index <= 15; ++index) {
    if (index >= 14) ticks += std::stod(field);
  }
  return ticks * 1e3 / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// veltrano on the data directory with its inspector, asked for its windows until the main frame
// waits for the clerk; the process's CPU time until then is added to `cpu_ms`.
void startProgramProcess(const fs::path& data, double& cpu_ms) {
  int to_program[2];
  int from_program[2];
  if (::pipe(to_program) != 0 || ::pipe(from_program) != 0) fail("no pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, to_program[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, from_program[1], STDOUT_FILENO);
  const std::string directory = data.string();
  std::vector<char*> argv{const_cast<char*>(VELTRANO_BINARY), const_cast<char*>("--data"),
                          const_cast<char*>(directory.c_str()), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, VELTRANO_BINARY, &actions, nullptr, argv.data(), environ) != 0) fail("no program");
  posix_spawn_file_actions_destroy(&actions);
  ::close(to_program[0]);
  ::close(from_program[1]);
  std::string answer;
  bool shown = false;
  while (!shown) {
    if (::write(to_program[1], "windows\n", 8) != 8) fail("the program ended");
    answer.clear();
    while (answer.size() < 2 || answer.compare(answer.size() - 2, 2, ".\n") != 0) {
      char buffer[4096];
      const ssize_t got = ::read(from_program[0], buffer, sizeof buffer);
      if (got <= 0) fail("the program ended");
      answer.append(buffer, static_cast<std::size_t>(got));
    }
    shown = answer.find(" frame 1 Main\t") != std::string::npos;
    if (!shown) std::this_thread::sleep_for(1ms);
  }
  cpu_ms += childCpuMilliseconds(pid);
  ::close(to_program[1]);
  ::close(from_program[0]);
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
}

void BM_ProgramToMainFrame(benchmark::State& state) {
  DemoInstitution& demo = institution();
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::setenv("VELTRANO_INSPECT", "1", 1);
  double cpu_ms = 0;
  for (auto _ : state) startProgramProcess(demo.directory, cpu_ms);
  state.counters["cpu_ms"] = benchmark::Counter(cpu_ms, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ProgramToMainFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);
#endif

void BM_StartToMainFrame(benchmark::State& state) {
  DemoInstitution& demo = institution();
  CpuCounter cpu;
  for (auto _ : state) {
    cpu.start();
    std::optional<bench::RunningProgram> program;
    program.emplace(demo.engine, demo.directory, kEmployees);
    cpu.stop();
    // The frame's close, its threads' end and the files' tear-down are not the start.
    state.PauseTiming();
    program.reset();
    state.ResumeTiming();
  }
  cpu.report(state);
}
BENCHMARK(BM_StartToMainFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void openFromTheMenu(benchmark::State& state, ui::ControlId item) {
  DemoInstitution& demo = institution();
  FrameProgram program(demo.engine, demo.directory, kEmployees);
  CpuCounter cpu;
  for (auto _ : state) {
    cpu.start();
    const ui::WindowId window = program.choose(item);
    cpu.stop();
    state.PauseTiming();
    program.close(window);
    state.ResumeTiming();
  }
  cpu.report(state);
}

void BM_OpenReferenceList(benchmark::State& state) {
  openFromTheMenu(state, kMenuPositions);
}
BENCHMARK(BM_OpenReferenceList)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenStaffSchedule(benchmark::State& state) {
  openFromTheMenu(state, kMenuSchedule);
}
BENCHMARK(BM_OpenStaffSchedule)->Unit(benchmark::kMillisecond)->UseRealTime();

// The loop runs on the program's first thread, the one thread that then works the files.
void BM_RecountOccupiedUnits(benchmark::State& state) {
  DemoInstitution& demo = institution();
  withProgram(demo.directory, [&](app::Dictionary& dictionary) {
    framework::TableManager& positions = dictionary.manager("POSTT");
    storage::DeclaredFile& postt = dictionary.file("POSTT");
    CpuCounter cpu;
    for (auto _ : state) {
      state.PauseTiming();
      positions.Open();
      eachRecord(postt, [&](app::RecordAccess record) {
        record.setText("POS:KOLV", "999.99");
        storage::fileStatement(Operation::Put, postt.file());
      });
      positions.Close();
      state.ResumeTiming();
      cpu.start();
      const app::reference::RecountResult result = app::reference::recountOccupiedUnits(dictionary);
      cpu.stop();
      if (result.positions != static_cast<std::size_t>(kPositions) || result.changed != result.positions)
        state.SkipWithError("the recount did not count and write every position");
    }
    cpu.report(state);
  });
}
BENCHMARK(BM_RecountOccupiedUnits)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
