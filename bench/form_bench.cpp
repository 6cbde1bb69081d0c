// The personnel card over demo data on the headless engine: opening the change form of a card
// (its tabs, 21 drop-down lists filled from the reference books, the record shown) and
// completing the change (the fields read back through their pictures, the card written through
// its relation guard inside the guard's transaction, the list's page refilled around it).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "app/demo/demo_data.h"
#include "runtime/datetime/environment.h"
#include "storage/driver.h"
#include "storage/wendlock_driver.h"
#include "tests/windows/karta_windows.h"
#include "ui/headless_engine.h"

namespace {

using namespace veltrano;

constexpr int kEmployees = 1000;
constexpr ui::ControlId kPassport = 117;  // the card's "Паспорт:" entry

struct DemoCards {
  std::filesystem::path directory;
  ui::HeadlessEngine engine;
  std::unique_ptr<ui::ScopedWindowEngine> installed;
  framework::ErrorManager errors;
  std::unique_ptr<app::Dictionary> dictionary;
  framework::WindowController list;
  testing::EmployeeBrowse employees;

  DemoCards() {
    runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
    directory =
        std::filesystem::temp_directory_path() / ("veltrano_form_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    app::DemoOptions options;
    options.directory = directory.string();
    options.employees = kEmployees;
    if (const std::string failed = app::generateDemoData(options); !failed.empty())
      throw std::runtime_error(failed);
    installed = std::make_unique<ui::ScopedWindowEngine>(engine);
    errors.Init();
    dictionary = std::make_unique<app::Dictionary>(storage::wendlockDriver(), directory.string());
    dictionary->Init(errors);
    // The employee list the form is called from, on the page of a card in the middle.
    list.Describe(testing::employeeListWindow());
    list.PRIMARY = &dictionary->guard("KARTA");
    list.ERRORS = &errors;
    list.Init();
    employees.Init(list, *dictionary);
    employees.browse.ReloadSort(true);
    employees.browse.OnEvent(ui::Event{ui::event::kScrollDrag, testing::kEmployeeList, list.window(), 0, 50});
  }
  ~DemoCards() {
    list.Kill();
    dictionary->Kill();
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
  }
};

// Made on first use, and ended by main() while the thread's runtime state still exists (the file
// statements of its tear-down need it; a static would end after it).
std::unique_ptr<DemoCards> made;

DemoCards& demo() {
  if (!made) made = std::make_unique<DemoCards>();
  return *made;
}

// The change form as the list's change request runs it, up to the window shown with the record.
struct ChangeForm {
  testing::CardForm made;
  framework::WindowController form;
  testing::CardCombos combos;

  explicit ChangeForm(DemoCards& cards) : made(testing::cardForm(*cards.dictionary, true)) {
    form.Describe(std::move(made.definition));
    form.PRIMARY = &cards.dictionary->guard("KARTA");
    form.ERRORS = &cards.errors;
    form.ORIGINALREQUEST = framework::kRequestChange;
    combos.Init(form, *cards.dictionary, made.combos);
    cards.employees.browse.RefetchViewRecord();
    form.Init();
    form.Reset(true);  // what the window's first event does: the lists filled, the record shown
  }
  ~ChangeForm() { form.Kill(); }
};

void openChangeForm(benchmark::State& state) {
  DemoCards& cards = demo();
  std::size_t lists = 0;
  for (auto _ : state) {
    auto change = std::make_unique<ChangeForm>(cards);
    lists = change->made.combos.size();
    state.PauseTiming();
    change.reset();  // closing the form is not part of opening it
    state.ResumeTiming();
  }
  state.counters["combos"] = static_cast<double>(lists);
}

void completeChange(benchmark::State& state) {
  DemoCards& cards = demo();
  bool other = false;
  for (auto _ : state) {
    state.PauseTiming();
    auto change = std::make_unique<ChangeForm>(cards);
    const ui::WindowId window = change->form.window();
    cards.engine.setValue(window, kPassport, other ? "75 00 262583" : "75 00 262584");
    other = !other;
    state.ResumeTiming();
    change->form.ValidateFields();
    cards.dictionary->guard("KARTA").Update(2);
    cards.employees.browse.ReloadFromBuffer(true);
    state.PauseTiming();
    change.reset();
    state.ResumeTiming();
  }
}

// The durable write alone, so that the rest of the completion can be told apart from it.
void durableUpdate(benchmark::State& state) {
  DemoCards& cards = demo();
  framework::RelationGuard& karta = cards.dictionary->guard("KARTA");
  storage::DeclaredFile& file = cards.dictionary->file("KARTA");
  const runtime::FieldDescriptor& passport =
      file.layout().field(static_cast<std::size_t>(file.layout().find("KAR:PASE")));
  karta.Open();
  cards.employees.browse.RefetchViewRecord();
  bool other = false;
  for (auto _ : state) {
    runtime::storeText(passport, file.record(), other ? "75 00 262583" : "75 00 262584");
    other = !other;
    karta.Update(2);
  }
  karta.Close();
}

}  // namespace

BENCHMARK(openChangeForm)->Unit(benchmark::kMillisecond);
BENCHMARK(completeChange)->Unit(benchmark::kMillisecond);
BENCHMARK(durableUpdate)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  made.reset();
  return 0;
}
