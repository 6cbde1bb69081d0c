// The employee list of 10,000 demo employees written out through its "Экспорт…" as CSV and as a
// workbook (every current card, nine columns formatted as the list shows them), and the
// reminders read over the same employees with their certificates, attestations and training,
// as the window "Напоминания" reads them when it opens and after each change of its horizon, and
// the window itself opened as the menu opens it.
#include <benchmark/benchmark.h>

#include <thread>

#include "app/card/employee_list.h"
#include "app/reminders/reminders.h"
#include "app/reminders/reminders_window.h"
#include "bench/demo_program.h"
#include "bench/running_program.h"
#include "runtime/datetime/calendar.h"
#include "ui/thread_table.h"

namespace {

using namespace veltrano;

std::unique_ptr<bench::DemoProgram> made;

bench::DemoProgram& demo() {
  if (!made) made = std::make_unique<bench::DemoProgram>();
  return *made;
}

void exportEmployeeList(benchmark::State& state, const char* name) {
  bench::DemoProgram& program = demo();
  app::card::EmployeeList list(*program.application);
  if (list.Init() != framework::kLevelBenign) throw std::runtime_error("the employee list did not open");
  list.Reset(true);
  const std::string path = (program.directory / name).string();
  for (auto _ : state) {
    program.engine.queueFileDialogAnswer(path);
    if (list.browse().Export() != framework::ExportOutcome::kWritten)
      state.SkipWithError("the export failed");
  }
  state.counters["rows"] = static_cast<double>(list.browse().Count());
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
  list.Kill();
}

void exportCsv(benchmark::State& state) {
  exportEmployeeList(state, "list.csv");
}
BENCHMARK(exportCsv)->Unit(benchmark::kMillisecond);

void exportXlsx(benchmark::State& state) {
  exportEmployeeList(state, "list.xlsx");
}
BENCHMARK(exportXlsx)->Unit(benchmark::kMillisecond);

void readReminders(benchmark::State& state) {
  bench::DemoProgram& program = demo();
  std::size_t listed = 0;
  for (auto _ : state) {
    listed = app::reminders::readReminders(*program.dictionary, runtime::today(),
                                           app::reminders::kDefaultHorizonDays)
                 .reminders.size();
  }
  state.counters["listed"] = static_cast<double>(listed);
}
BENCHMARK(readReminders)->Unit(benchmark::kMillisecond);

// The window from the menu's start of its procedure until it shows its first page and waits for
// the clerk: the reading above, the lines formatted, the window opened.
void openRemindersWindow(benchmark::State& state) {
  using namespace std::chrono_literals;
  bench::DemoProgram& program = demo();
  static const bool registered = [&] {
    app::reminders::registerReminderProcedures(*program.application);
    return true;
  }();
  (void)registered;
  double cpu = 0;
  for (auto _ : state) {
    const double cpu_before = bench::processCpuMilliseconds();
    std::thread procedure([&] {
      ui::ThreadTable threads;
      threads.attachFirstThread();
      program.application->call(app::reminders::kRemindersProcedure, framework::kRequestNone);
      threads.detachFirstThread();
    });
    const ui::WindowId window = program.engine.waitForWindow("Reminders", 30s);
    if (window == 0 || !program.engine.waitUntilIdle(window, 30s))
      state.SkipWithError("the window did not open");
    cpu += bench::processCpuMilliseconds() - cpu_before;
    state.PauseTiming();
    program.engine.userCloses(window);
    procedure.join();
    state.ResumeTiming();
  }
  // The procedure's thread works, not the benchmark's: the process's CPU time per window.
  state.counters["process_cpu_ms"] = cpu / static_cast<double>(state.iterations());
}
BENCHMARK(openRemindersWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  made.reset();
  return 0;
}
