// The card history and the backups over 10,000 demo employees on the disk: a card renamed through
// its relation guard with and without the history (the history's share of a card change), and a
// backup of the whole data directory into a dated directory and into a .tar.gz. Google Benchmark
// prints CPU time beside wall time; give the load average (uptime) with the figures.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <stdexcept>

#include "app/backup/backup.h"
#include "app/demo/demo_data.h"
#include "app/dictionary/record_access.h"
#include "app/history/card_history.h"
#include "platform/codepage.h"
#include "runtime/datetime/environment.h"
#include "storage/wendlock_driver.h"
#include "ui/headless_engine.h"

namespace {

using namespace veltrano;

constexpr int kEmployees = 10000;

struct DemoDirectory {
  std::filesystem::path directory;
  ui::HeadlessEngine engine;
  std::unique_ptr<ui::ScopedWindowEngine> installed;
  framework::ErrorManager errors;

  DemoDirectory() {
    runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
    directory =
        std::filesystem::temp_directory_path() / ("veltrano_history_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory / "data");
    app::DemoOptions options;
    options.directory = (directory / "data").string();
    options.employees = kEmployees;
    if (const std::string failed = app::generateDemoData(options); !failed.empty())
      throw std::runtime_error(failed);
    installed = std::make_unique<ui::ScopedWindowEngine>(engine);
    errors.Init();
  }
  ~DemoDirectory() {
    errors.Kill();
    std::filesystem::remove_all(directory);
  }
};

DemoDirectory& demo() {
  static DemoDirectory made;
  return made;
}

// A card renamed back and forth through KARTA's relation guard, as the card's "Ввод" writes it.
void renameCards(benchmark::State& state, bool with_history) {
  DemoDirectory& data = demo();
  app::Dictionary dictionary(storage::wendlockDriver(), (data.directory / "data").string());
  dictionary.Init(data.errors);
  if (with_history) dictionary.adoptChangeHistory(std::make_unique<app::history::CardHistory>(dictionary));
  framework::RelationGuard& guard = dictionary.guard("KARTA");
  framework::TableManager& karta = dictionary.manager("KARTA");
  app::RecordAccess card(dictionary.file("KARTA"));
  if (guard.Open() != framework::kLevelBenign) throw std::runtime_error("KARTA does not open");
  std::int64_t employee = 1;
  int round = 0;
  for (auto _ : state) {
    card.setInteger("KAR:NUM", employee);
    if (karta.Fetch(dictionary.file("KARTA").key("KAR:NUM_KEY")) != framework::kLevelBenign)
      throw std::runtime_error("no card " + std::to_string(employee));
    guard.SaveLinkValues();
    // Each visit of a card changes it: the other award than last time.
    card.setText("KAR:NAGRADA",
                 platform::ru((round / kEmployees) % 2 == 0 ? "Почетная грамота" : "Благодарность"));
    if (guard.Update(0) != framework::kLevelBenign) throw std::runtime_error("the change failed");
    employee = employee % kEmployees + 1;
    ++round;
  }
  guard.Close();
  dictionary.Kill();
}

void BM_CardChange(benchmark::State& state) {
  renameCards(state, false);
}
BENCHMARK(BM_CardChange)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_CardChangeWithHistory(benchmark::State& state) {
  renameCards(state, true);
}
BENCHMARK(BM_CardChangeWithHistory)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void backupInto(benchmark::State& state, const std::string& name) {
  DemoDirectory& data = demo();
  const std::filesystem::path destination = data.directory / name;
  for (auto _ : state) {
    const app::backup::Outcome made =
        app::backup::makeBackup((data.directory / "data").string(), destination.string());
    if (!made.ok) throw std::runtime_error(made.message);
    state.counters["MB"] = static_cast<double>(made.bytes) / 1e6;
    state.PauseTiming();
    std::filesystem::remove_all(made.path);
    state.ResumeTiming();
  }
}

void BM_BackupToDirectory(benchmark::State& state) {
  backupInto(state, "copies");
}
BENCHMARK(BM_BackupToDirectory)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_BackupToArchive(benchmark::State& state) {
  backupInto(state, "copy.tar.gz");
}
BENCHMARK(BM_BackupToArchive)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
