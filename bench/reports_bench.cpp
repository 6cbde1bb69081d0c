// The reports as the clerk meets them, over the demonstration institution with 10,000
// employees:
//
//   BM_Form17SheetToPreview/N   "Форма №17 листN" chosen in the menu of the headless program
//                               until the preview shows the first page: the cards read in timed
//                               batches (the progress window's timer ticked as soon as the
//                               previous batch is done), the counts laid out, the preview opened
//   BM_GeneralListToPdf         `veltrano --report VELTR113 --pdf FILE` as a process: the
//                               program's start, "Общий список" read, laid out and drawn into PDF
//   BM_TrainingPlanBuild        the doctors' plan made anew from the cards and their children
//
// Each figure carries the CPU time beside the wall time (cpu_ms per iteration: this process's
// over the timed part, or the child process's whole). The data directory is made once per run
// in a temporary directory and removed at exit.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "app/demo/demo_data.h"
#include "app/frame/program.h"
#include "app/program/application_procedures.h"
#include "app/reports/training_plan_build.h"
#include "bench/running_program.h"
#include "framework/report/page_preview.h"
#include "platform/codepage.h"
#include "platform/directory.h"
#include "runtime/datetime/calendar.h"
#include "runtime/datetime/environment.h"
#include "ui/headless_engine.h"

extern char** environ;

namespace {

using namespace veltrano;
using bench::fail;
using bench::processCpuMilliseconds;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr std::int64_t kEmployees = 10000;

void reportCpu(benchmark::State& state, double milliseconds) {
  state.counters["cpu_ms"] = benchmark::Counter(milliseconds, benchmark::Counter::kAvgIterations);
}

struct DemoInstitution {
  ui::HeadlessEngine engine;
  ui::ScopedWindowEngine installed{engine};
  fs::path started_in = fs::current_path();
  fs::path directory = fs::temp_directory_path() / ("veltrano_reports_bench_" + std::to_string(::getpid()));

  DemoInstitution() {
    runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
    fs::remove_all(directory);
    fs::create_directories(directory);
    app::DemoOptions demo;
    demo.directory = directory.string();
    demo.employees = kEmployees;
    if (const std::string failure = app::generateDemoData(demo); !failure.empty()) fail(failure);
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

// The program with the reports chosen from its menu.
class ReportsProgram : public bench::RunningProgram {
 public:
  using RunningProgram::RunningProgram;

  // Chooses the menu item and works the progress window until the preview waits for the clerk.
  ui::WindowId preview(ui::ControlId item) {
    if (!engine_.userPresses(frame_, item)) fail("the menu item cannot be chosen");
    for (;;) {
      const ui::WindowId shown = engine_.findWindow(framework::kPreviewSection);
      if (shown != 0 && engine_.waitUntilIdle(shown, 30s)) {
        if (!showsForm17(shown)) fail("the preview does not show form No. 17");
        return shown;
      }
      bool ticked = false;
      for (const ui::WindowId window : engine_.openWindows()) {
        if (window != frame_ && engine_.waitUntilIdle(window, 30s) && engine_.timerTick(window))
          ticked = true;
      }
      if (!ticked) std::this_thread::sleep_for(100us);
    }
  }
  bool showsForm17(ui::WindowId preview) {
    const auto snapshot = engine_.snapshot(preview);
    for (const auto& [id, control] : snapshot->controls) {
      if (control.pages.pages.empty()) continue;
      for (const ui::report::PageText& text : control.pages.pages.front()->texts)
        if (text.text.find(platform::ru("Форма №17")) != std::string::npos) return true;
    }
    return false;
  }
};

// The menu items of the sheets: 77 the title sheet, then sheets 2 to 4.
ui::ControlId sheetItem(std::int64_t sheet) {
  return static_cast<ui::ControlId>(-40 - sheet);
}

void BM_Form17SheetToPreview(benchmark::State& state) {
  DemoInstitution& demo = institution();
  ReportsProgram program(demo.engine, demo.directory, kEmployees);
  double cpu_ms = 0;
  for (auto _ : state) {
    const double started = processCpuMilliseconds();
    const ui::WindowId preview = program.preview(sheetItem(state.range(0)));
    cpu_ms += processCpuMilliseconds() - started;
    state.PauseTiming();
    program.close(preview);
    state.ResumeTiming();
  }
  reportCpu(state, cpu_ms);
}
BENCHMARK(BM_Form17SheetToPreview)->DenseRange(1, 4)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VELTRANO_BINARY
void BM_GeneralListToPdf(benchmark::State& state) {
  DemoInstitution& demo = institution();
  const std::string directory = demo.directory.string();
  const std::string pdf = (demo.directory / "general.pdf").string();
  std::vector<char*> argv{const_cast<char*>(VELTRANO_BINARY),   const_cast<char*>("--data"),
                          const_cast<char*>(directory.c_str()), const_cast<char*>("--report"),
                          const_cast<char*>("VELTR113"),        const_cast<char*>("--pdf"),
                          const_cast<char*>(pdf.c_str()),       nullptr};
  double cpu_ms = 0;
  for (auto _ : state) {
    pid_t pid = -1;
    if (posix_spawn(&pid, VELTRANO_BINARY, nullptr, nullptr, argv.data(), environ) != 0) fail("no program");
    int status = 0;
    rusage used{};
    if (::wait4(pid, &status, 0, &used) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      state.SkipWithError("the report command failed");
    cpu_ms += static_cast<double>(used.ru_utime.tv_sec + used.ru_stime.tv_sec) * 1e3 +
              static_cast<double>(used.ru_utime.tv_usec + used.ru_stime.tv_usec) / 1e3;
  }
  state.counters["pdf_bytes"] = static_cast<double>(fs::file_size(pdf));
  reportCpu(state, cpu_ms);
}
BENCHMARK(BM_GeneralListToPdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
#endif

// The build runs on the program's first thread, the one thread that works the files.
void BM_TrainingPlanBuild(benchmark::State& state) {
  DemoInstitution& demo = institution();
  ui::ThreadTable threads;
  std::thread first([&] {
    threads.attachFirstThread();
    platform::changeDirectory(demo.directory.string());
    app::Program program(threads);
    program.Start(app::registerApplicationProcedures);
    app::Dictionary& dictionary = program.application().dictionary;
    dictionary.manager("UCHEBA").Close();
    app::reports::PlanSlots slots;
    double cpu_ms = 0;
    for (auto _ : state) {
      const double started = processCpuMilliseconds();
      const app::reports::PlanBuilt built =
          app::reports::buildTrainingPlan(dictionary, slots, runtime::today());
      cpu_ms += processCpuMilliseconds() - started;
      if (!built.built || built.doctors == 0) state.SkipWithError("the plan was not built");
      state.counters["doctors"] = static_cast<double>(built.doctors);
    }
    reportCpu(state, cpu_ms);
    program.Stop();
    threads.detachFirstThread();
  });
  first.join();
}
BENCHMARK(BM_TrainingPlanBuild)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
