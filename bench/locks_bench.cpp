// The cost of the station locks: one number lock taken and let go, one read operation's lock
// (a reader slot and the header check), and one durable single-record ADD through the driver
// (operation lock, shadow-written update with its two flushes to the medium).
//
//   build/bench/locks_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// Files go to $VELTRANO_BENCH_DIR, else the system's temporary directory: a disk, since the
// durable ADD is only as fast as the medium's flush.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "runtime/values/field_value.h"
#include "storage/declared_file.h"
#include "storage/lock_operation.h"
#include "storage/lock_station.h"
#include "storage/page_file.h"
#include "storage/wendlock_driver.h"

namespace {

using namespace veltrano;

std::filesystem::path benchDirectory() {
  const char* chosen = std::getenv("VELTRANO_BENCH_DIR");
  auto directory =
      std::filesystem::path(chosen != nullptr ? chosen : std::filesystem::temp_directory_path().string()) /
      ("veltrano-locks-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(directory);
  return directory;
}

void NumberLockAndUnlock(benchmark::State& state) {
  const auto directory = benchDirectory();
  int error = 0;
  auto file = platform::fileSystem().open((directory / "L.WLK").string(), platform::Access::ReadWrite,
                                          platform::Creation::OpenOrCreate, &error);
  storage::StationLocks locks(*file, false);
  std::uint32_t number = 1;
  for (auto _ : state) {
    const auto range = storage::numberLockRange(number++ % 1000 + 1);
    benchmark::DoNotOptimize(locks.lock(range, storage::LockPatience::none()));
    locks.unlock(range);
  }
  std::filesystem::remove_all(directory);
}
BENCHMARK(NumberLockAndUnlock);

void ReadOperationLock(benchmark::State& state) {
  const auto directory = benchDirectory();
  int error = 0;
  auto page_file =
      storage::PageFile::open((directory / "R.WLK").string(), platform::Creation::OpenOrCreate, {}, &error);
  const std::uint8_t key[] = {1};
  page_file->insert(key, key);
  page_file->flush();
  storage::StationLocks locks(page_file->file(), false);
  storage::OperationGate gate(locks, storage::LockPolicy::Full, [&] { page_file->reloadIfChanged(); });
  for (auto _ : state) {
    storage::OperationLock reading(gate, false);
    benchmark::DoNotOptimize(reading.ok());
  }
  page_file.reset();
  std::filesystem::remove_all(directory);
}
BENCHMARK(ReadOperationLock);

void DurableAdd(benchmark::State& state) {
  const auto directory = benchDirectory();
  runtime::RecordLayoutBuilder fields;
  fields.scalar("CRD:ID", runtime::TypeCode::Long).string("CRD:NAME", 40);
  auto file = storage::DeclaredFile::make("CARDS", fields.build());
  file->setName((directory / "CARDS.WLK").string());
  file->setDriver(storage::wendlockDriver());
  file->addKey("CRD:ID_KEY", {"CRD:ID"}, storage::kKeyPrimary);
  storage::fileStatement(storage::Operation::Create, file->file());
  storage::OperationArguments open;
  open.access_mode = 0x42;
  storage::fileStatement(storage::Operation::Open, file->file(), open);
  long id = 0;
  const auto& id_field = file->layout().field(0);
  for (auto _ : state) {
    runtime::storeText(id_field, file->record(), std::to_string(++id));
    storage::fileStatement(storage::Operation::Add, file->file());
  }
  storage::fileStatement(storage::Operation::Close, file->file());
  std::filesystem::remove_all(directory);
}
BENCHMARK(DurableAdd)->Unit(benchmark::kMicrosecond);

}  // namespace
