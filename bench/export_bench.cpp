// Export of the employee list of 10,000 cards: KARTA in KAR:FAM_KEY order with the filter of
// current employees, every row of the view with its nine columns formatted as the list shows
// them, written through the browse's "Экспорт…" as CSV and as a workbook. The file goes to the
// temporary directory; the save dialog is answered by the headless engine.
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
#include "storage/driver.h"
#include "storage/wendlock_driver.h"
#include "ui/headless_engine.h"

namespace {

using namespace veltrano;
using storage::Operation;

constexpr int kCards = 10000;
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

  EmployeeList() {
    runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
    directory =
        std::filesystem::temp_directory_path() / ("veltrano_export_bench_" + std::to_string(::getpid()));
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
  }
  ~EmployeeList() {
    browse.Kill();
    window.Kill();
    manager.Close();
    storage::fileStatement(Operation::Close, karta->file());
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
  }
  void exportTo(benchmark::State& state, const char* name) {
    const std::string path = (directory / name).string();
    for (auto _ : state) {
      engine.queueFileDialogAnswer(path);
      if (browse.Export() != framework::ExportOutcome::kWritten) state.SkipWithError("the export failed");
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
  }
};

std::unique_ptr<EmployeeList> made;

EmployeeList& list() {
  if (!made) made = std::make_unique<EmployeeList>();
  return *made;
}

void exportCsv(benchmark::State& state) {
  list().exportTo(state, "list.csv");
}
BENCHMARK(exportCsv)->Unit(benchmark::kMillisecond);

void exportXlsx(benchmark::State& state) {
  list().exportTo(state, "list.xlsx");
}
BENCHMARK(exportXlsx)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  made.reset();
  return 0;
}
