// The employee list, the personnel card and the appointment list's recount over 10,000 demo
// employees, as the program runs them (the real procedures' controllers on the headless engine):
// the list opened up to its first page with the count shown, the count pass alone, one keystroke
// of the surname locator, the card opened for a change with every drop-down filled, and an
// appointment written with the card's derived fields recomputed from the employee's
// appointments (and, apart, the appointment's durable write alone).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <stdexcept>

#include "app/card/card_form.h"
#include "app/card/card_procedures.h"
#include "app/card/employee_list.h"
#include "app/computations/derived_records.h"
#include "app/demo/demo_data.h"
#include "app/dictionary/application_globals.h"
#include "app/dictionary/record_access.h"
#include "app/reference/reference_procedures.h"
#include "bench/demo_program.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"
#include "runtime/datetime/environment.h"
#include "storage/wendlock_driver.h"
#include "ui/headless_engine.h"

namespace {

using namespace veltrano;
using bench::DemoProgram;
using bench::kEmployees;

// Made on first use, and ended by main() while the thread's runtime state still exists (the file
// statements of its tear-down need it; a static would end after it).
std::unique_ptr<DemoProgram> made;

DemoProgram& demo() {
  if (!made) made = std::make_unique<DemoProgram>();
  return *made;
}

// The list as its procedure opens it: the window, the first page and the count (what the
// window's first event does).
struct OpenList {
  app::card::EmployeeList list;

  explicit OpenList(DemoProgram& program) : list(*program.application) {
    if (list.Init() != framework::kLevelBenign) throw std::runtime_error("the employee list did not open");
    list.Reset(true);
  }
  ~OpenList() { list.Kill(); }
};

void openEmployeeList(benchmark::State& state) {
  DemoProgram& program = demo();
  std::int64_t counted = 0;
  for (auto _ : state) {
    auto opened = std::make_unique<OpenList>(program);
    counted = opened->list.browse().Count();
    state.PauseTiming();
    opened.reset();  // closing the list is not part of opening it
    state.ResumeTiming();
  }
  state.counters["counted"] = static_cast<double>(counted);
}
BENCHMARK(openEmployeeList)->Unit(benchmark::kMillisecond);

void countPass(benchmark::State& state) {
  OpenList opened(demo());
  for (auto _ : state) opened.list.browse().OnRefilled();
  state.counters["counted"] = static_cast<double>(opened.list.browse().Count());
}
BENCHMARK(countPass)->Unit(benchmark::kMillisecond);

// One keystroke into the surname tab's entry: "Ку" and "К" in turn, each found and its page
// shown as the entry's accepted event makes the list do.
void locatorKeystroke(benchmark::State& state) {
  DemoProgram& program = demo();
  OpenList opened(program);
  const ui::WindowId window = opened.list.window();
  bool grow = true;
  for (auto _ : state) {
    program.engine.setValue(window, app::card::kFirstLocator, platform::ru(grow ? "Ку" : "К"));
    opened.list.OnEvent(ui::Event{ui::event::kAccepted, app::card::kFirstLocator, window, 0, 0});
    grow = !grow;
  }
}
BENCHMARK(locatorKeystroke)->Unit(benchmark::kMillisecond);

// The card of an employee in the middle of the list opened for a change, up to the window shown
// with the record and every drop-down filled from its book.
void openCardForChange(benchmark::State& state) {
  DemoProgram& program = demo();
  OpenList opened(program);
  opened.list.browse().OnEvent(
      ui::Event{ui::event::kScrollDrag, app::card::kEmployeeRows, opened.list.window(), 0, 50});
  for (auto _ : state) {
    opened.list.browse().RefetchViewRecord();
    auto card = std::make_unique<app::card::CardForm>(
        *program.application, framework::ProcedureCall{framework::kRequestChange, nullptr});
    if (card->Init() != framework::kLevelBenign) throw std::runtime_error("the card did not open");
    card->Reset(true);
    state.PauseTiming();
    card->Kill();
    card.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(openCardForChange)->Unit(benchmark::kMillisecond);

// A new appointment, later than the employee's others, for the next employee in turn: the card
// read (untimed), the appointment written, with `recount` the card's derived fields and the
// latest-record flags recomputed as the appointment list does after its form.
void addAppointment(benchmark::State& state, bool recount) {
  DemoProgram& program = demo();
  app::Dictionary& dictionary = *program.dictionary;
  framework::TableManager& karta = dictionary.manager("KARTA");
  framework::TableManager& rabota = dictionary.manager("RABOTA");
  karta.Open();
  rabota.Open();
  app::RecordAccess card(dictionary.file("KARTA"));
  app::RecordAccess appointment(dictionary.file("RABOTA"));
  std::int64_t employee = recount ? 1000 : 5000;  // the two runs leave each other's employees alone
  for (auto _ : state) {
    state.PauseTiming();
    card.setInteger("KAR:NUM", ++employee);
    if (karta.Fetch(dictionary.file("KARTA").key("KAR:NUM_KEY")) != framework::kLevelBenign)
      throw std::runtime_error("no card " + std::to_string(employee));
    rabota.PrepareRecord();
    appointment.setInteger("RAB:NUM", employee);
    appointment.setInteger("RAB:DATA", runtime::today() + 1);
    appointment.setText("RAB:STRUKT", platform::ru("Поликлиника"));
    appointment.setText("RAB:OTDELENIE", platform::ru("Терапевтическое"));
    appointment.setText("RAB:DOLGNOST", platform::ru("Врач-терапевт участковый"));
    state.ResumeTiming();
    if (rabota.Insert() != framework::kLevelBenign) throw std::runtime_error("the appointment was refused");
    if (recount && app::updateLatestRecord(dictionary, app::LatestRecordList::Appointments, employee) !=
                       framework::kLevelBenign)
      throw std::runtime_error("the recount failed");
  }
  rabota.Close();
  karta.Close();
}
BENCHMARK_CAPTURE(addAppointment, withRecount, true)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK_CAPTURE(addAppointment, writeAlone, false)->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  made.reset();
  return 0;
}
