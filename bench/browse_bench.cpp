// The employee list over 100,000 cards: KARTA in KAR:FAM_KEY order with the filter of current
// employees, a page of 20 rows, through the browse manager on the headless engine. Each
// browse figure has beside it the raw view reads the same step does, so that what the browse
// adds (rows made, columns formatted, the list and the thumb updated) can be told apart from
// what reading costs.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "bench/karta_cards.h"
#include "framework/browse/browse_manager.h"
#include "framework/window/window_builder.h"
#include "platform/codepage.h"
#include "runtime/datetime/environment.h"
#include "runtime/errors/error_state.h"
#include "runtime/expr/binding_scopes.h"
#include "storage/driver.h"
#include "storage/wendlock_driver.h"
#include "ui/headless_engine.h"

namespace {

using namespace veltrano;
using storage::Operation;

constexpr int kCards = 100000;
constexpr int kPage = 20;
constexpr ui::ControlId kList = 1;
constexpr std::string_view kCurrent = "(KAR:data_uvol='')";

struct EmployeeList {
  std::filesystem::path directory;
  std::unique_ptr<storage::DeclaredFile> karta;
  ui::HeadlessEngine engine;
  std::unique_ptr<ui::ScopedWindowEngine> installed;
  framework::ErrorManager errors;
  framework::TableManager manager;
  framework::RelationGuard guard;
  framework::WindowController window;
  framework::BrowseManager browse;
  framework::TextStep step;
  framework::EntryLocator locator;
  storage::ViewCursor raw;  // the same view, read directly

  EmployeeList() {
    runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
    directory =
        std::filesystem::temp_directory_path() / ("veltrano_browse_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    karta = bench::declareKarta((directory / "KARTA").string());
    karta->setDriver(storage::wendlockDriver());
    storage::fileStatement(Operation::Create, karta->file());
    storage::OperationArguments open;
    open.access_mode = 0x42;
    storage::fileStatement(Operation::Open, karta->file(), open);
    storage::fileStatement(Operation::Logout, karta->file());
    bench::CardMaker maker(karta->layout());
    for (int n = 1; n <= kCards; ++n) {
      maker.fill(n, karta->record(), karta->file().memo_values.front());
      storage::fileStatement(Operation::Add, karta->file());
    }
    storage::fileStatement(Operation::Commit, karta->file());

    installed = std::make_unique<ui::ScopedWindowEngine>(engine);
    errors.Init();
    manager.Init(&karta->file(), &errors);
    manager.FILENAMEVALUE = "KARTA";
    guard.Init(&manager, false);
    manager.Open();
    framework::WindowBuilder list("veltrano$VELTR006", "Karta", "Список сотрудников");
    list.list(kList,
              "20R(2)|M~Ид.№~C(0)@n4@50L(2)|M~Фамилия~C(0)@s20@50L(2)|M~Имя~C(0)@s20@"
              "50L(2)|M~Отчество~C(0)@s20@44L(2)|M~Дата рожд.~C(0)@d6.@65L(2)|M~Подразделение~C(0)@s60@"
              "65L(2)|M~Отделение~C(0)@s60@65L(2)|M~Должность~C(0)@s60@240L(2)|M~Профессия~C(0)@s60@",
              {8, 8, 900, 22 + kPage * 18});
    window.Describe(*list.build());
    window.PRIMARY = &guard;
    window.ERRORS = &errors;
    window.Open();
    browse.Init(kList, framework::ViewDefinition{{}, {&karta->file()}}, &guard, &window);
    step.Init(framework::kStepLetters, framework::kStepLookupLimits);
    browse.RegisterSortOrder(&step, karta->key("KAR:FAM_KEY"));
    browse.SetFilter(kCurrent, framework::kStandardFilter);
    browse.RegisterLocator(&locator);
    for (const char* name : {"KAR:NUM", "KAR:FAM", "KAR:NOM", "KAR:PER", "KAR:DATR", "KAR:STRUKT",
                             "KAR:OTDELENIE", "KAR:POST", "KAR:PROFF"}) {
      browse.AddField(framework::fieldOf(karta->layout(), karta->record(),
                                         static_cast<std::size_t>(karta->layout().find(name))));
    }
    browse.ReloadSort(true);  // the first page, and the thumb's limits read once

    runtime::pushScope(true);
    runtime::bindFileFields(storage::viewFileOf(karta->file()));
    raw.open(runtime::ViewDescriptor{}, {&karta->file()});
    raw.setOrder("+KAR:FAM,+KAR:NOM");
    raw.setFilter(kCurrent);
    runtime::popScope();
  }
  ~EmployeeList() {
    raw.close();
    browse.Kill();
    window.Kill();
    manager.Close();
    storage::fileStatement(Operation::Close, karta->file());
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
  }
  // The middle of the file, by the thumb.
  void middle() { browse.OnEvent(ui::Event{ui::event::kScrollDrag, kList, window.window(), 0, 50}); }
  // Reads `rows` records from `position` as a page fill does (each with its position).
  void readRaw(const std::string& position, int rows, bool forward = true) {
    if (position.empty()) {
      raw.setToStart();
    } else {
      raw.resetTo(position);
    }
    for (int row = 0; row < rows && (forward ? raw.next() : raw.previous()) == 0; ++row)
      benchmark::DoNotOptimize(raw.position());
  }
};

// Made on first use, and ended by main() while the thread's runtime state still exists (the file
// statements of its tear-down need it; a static would end after it).
std::unique_ptr<EmployeeList> made;

EmployeeList& list() {
  if (!made) made = std::make_unique<EmployeeList>();
  return *made;
}

void pageFill(benchmark::State& state) {
  EmployeeList& l = list();
  l.middle();
  for (auto _ : state) l.browse.ReloadQueue(framework::kReloadKeepPage);
  state.counters["rows"] = static_cast<double>(l.browse.Rows());
}
BENCHMARK(pageFill)->Unit(benchmark::kMillisecond);

void pageFillRawReads(benchmark::State& state) {
  EmployeeList& l = list();
  l.middle();
  const std::string first = l.browse.Row(0).position;
  for (auto _ : state) l.readRaw(first, kPage);
}
BENCHMARK(pageFillRawReads)->Unit(benchmark::kMillisecond);

// One keystroke of the entry locator: the typed prefix grows or shrinks and the page is read
// again from it ("Ку" and "К" in turn).
void locatorKeystroke(benchmark::State& state) {
  EmployeeList& l = list();
  l.locator.Reset();
  l.browse.OnKey(static_cast<unsigned char>(platform::ru("К")[0]));
  bool grow = true;
  for (auto _ : state) {
    l.browse.OnKey(grow ? static_cast<unsigned char>(platform::ru("у")[0]) : ui::key::kBackspace);
    grow = !grow;
  }
}
BENCHMARK(locatorKeystroke)->Unit(benchmark::kMillisecond);

void locatorRawReads(benchmark::State& state) {
  EmployeeList& l = list();
  for (auto _ : state) {
    l.browse.SetFreeElement(platform::ru("Ку"));
    l.raw.resetToRecord();
    for (int row = 0; row < kPage && l.raw.next() == 0; ++row) benchmark::DoNotOptimize(l.raw.position());
  }
}
BENCHMARK(locatorRawReads)->Unit(benchmark::kMillisecond);

void pageDown(benchmark::State& state) {
  EmployeeList& l = list();
  l.middle();
  for (auto _ : state) l.browse.StepPage(ui::event::kPageDown);
}
BENCHMARK(pageDown)->Unit(benchmark::kMillisecond);

void pageDownRawReads(benchmark::State& state) {
  EmployeeList& l = list();
  l.middle();
  std::string last = l.browse.Row(l.browse.Rows() - 1).position;
  for (auto _ : state) {
    l.raw.resetTo(last);
    l.raw.next();  // the last row itself, skipped
    for (int row = 0; row < kPage && l.raw.next() == 0; ++row) last = l.raw.position();
  }
}
BENCHMARK(pageDownRawReads)->Unit(benchmark::kMillisecond);

void thumbDragTo75(benchmark::State& state) {
  EmployeeList& l = list();
  for (auto _ : state) l.browse.OnEvent(ui::Event{ui::event::kScrollDrag, kList, l.window.window(), 0, 75});
}
BENCHMARK(thumbDragTo75)->Unit(benchmark::kMillisecond);

void thumbDragRawReads(benchmark::State& state) {
  EmployeeList& l = list();
  for (auto _ : state) {
    l.browse.SetFreeElement(l.step.GetValue(75));
    l.raw.resetToRecord();
    for (int row = 0; row < kPage && l.raw.next() == 0; ++row) benchmark::DoNotOptimize(l.raw.position());
  }
}
BENCHMARK(thumbDragRawReads)->Unit(benchmark::kMillisecond);

void stepEndToTheBottom(benchmark::State& state) {
  EmployeeList& l = list();
  for (auto _ : state) l.browse.StepEnd(ui::event::kScrollBottom);
}
BENCHMARK(stepEndToTheBottom)->Unit(benchmark::kMillisecond);

void stepEndRawReads(benchmark::State& state) {
  EmployeeList& l = list();
  for (auto _ : state) l.readRaw({}, kPage, false);
}
BENCHMARK(stepEndRawReads)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  made.reset();
  return 0;
}
