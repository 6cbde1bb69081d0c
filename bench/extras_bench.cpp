// The employee list of 10,000 demo employees written out through its "Экспорт…" as CSV and as a
// workbook (every current card, nine columns formatted as the list shows them), and the
// reminders read over the same employees with their certificates, attestations and training,
// as the window "Напоминания" reads them when it opens and after each change of its horizon.
#include <benchmark/benchmark.h>

#include "app/card/employee_list.h"
#include "app/reminders/reminders.h"
#include "bench/demo_program.h"
#include "runtime/datetime/calendar.h"

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

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  made.reset();
  return 0;
}
