// Views over a storage file of 100,000 cards, as browses and reports read them: a filtered scan
// of the whole view, a page of 20 rows in key order, and a scan sorted by an order no key has.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "runtime/errors/error_state.h"
#include "runtime/expr/binding_scopes.h"
#include "runtime/values/field_value.h"
#include "storage/declared_file.h"
#include "storage/driver.h"
#include "storage/view_cursor.h"
#include "storage/wendlock_driver.h"

namespace {

using namespace veltrano;
using storage::Operation;

constexpr int kCards = 100000;

// The card file, made once per run in a temporary directory and removed at exit.
struct CardFile {
  std::filesystem::path directory;
  std::unique_ptr<storage::DeclaredFile> file;

  CardFile() {
    directory =
        std::filesystem::temp_directory_path() / ("veltrano_view_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    runtime::RecordLayoutBuilder fields;
    fields.scalar("KAR:NUM", runtime::TypeCode::Long)
        .string("KAR:FAM", 20)
        .string("KAR:NOM", 15)
        .scalar("KAR:UVOL", runtime::TypeCode::Byte)
        .scalar("KAR:DATA_R", runtime::TypeCode::Long)
        .decimal("KAR:STAVKA", 5, 2)
        .string("KAR:OTD", 6);
    file = storage::DeclaredFile::make("KARTA", fields.build());
    file->setName((directory / "KARTA").string());
    file->setDriver(storage::wendlockDriver());
    file->addKey("KAR:NUM_KEY", {"+KAR:NUM"}, storage::kKeyPrimary);
    file->addKey("KAR:FAM_KEY", {"+KAR:FAM", "+KAR:NUM"}, storage::kKeyNocase);
    storage::fileStatement(Operation::Create, file->file());
    storage::OperationArguments open;
    open.access_mode = 0x22;
    storage::fileStatement(Operation::Open, file->file(), open);
    // One transaction, so the file is written once rather than after every record.
    storage::fileStatement(Operation::Logout, file->file());
    const auto& layout = file->layout();
    auto field = [&](const char* name) -> const runtime::FieldDescriptor& {
      return layout.field(static_cast<std::size_t>(layout.find(name)));
    };
    static const char* const kSurnames[] = {"Ivanov", "Petrova",  "Sidorov",  "Kuznetsova", "Smirnov",
                                            "Popova", "Vasiliev", "Sokolova", "Mikhailov",  "Novikova"};
    for (int n = 1; n <= kCards; ++n) {
      runtime::clearRecord(layout, file->record());
      runtime::storeInteger(field("KAR:NUM"), file->record(), n);
      runtime::storeText(field("KAR:FAM"), file->record(),
                         std::string(kSurnames[n % 10]) + std::to_string(n * 7919 % kCards));
      runtime::storeText(field("KAR:NOM"), file->record(), "Anna");
      runtime::storeInteger(field("KAR:UVOL"), file->record(), n % 5 == 0 ? 1 : 0);
      runtime::storeInteger(field("KAR:DATA_R"), file->record(), 50000 + n * 37 % 20000);
      runtime::storeText(field("KAR:STAVKA"), file->record(), n % 4 == 0 ? "0.50" : "1.00");
      runtime::storeText(field("KAR:OTD"), file->record(), n % 3 == 0 ? "TER" : "XIR");
      storage::fileStatement(Operation::Add, file->file());
    }
    storage::fileStatement(Operation::Commit, file->file());
    runtime::pushScope(true);
    runtime::bindFileFields(storage::viewFileOf(file->file()));
  }
  ~CardFile() {
    storage::fileStatement(Operation::Close, file->file());
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
  }
};

CardFile& cards() {
  static CardFile made;
  return made;
}

void filteredScan(benchmark::State& state) {
  auto& file = cards().file->file();
  storage::ViewCursor view;
  view.open(runtime::ViewDescriptor{}, {&file});
  view.setFilter("KAR:UVOL = 0 AND KAR:STAVKA >= 1 AND KAR:OTD = 'TER'");
  std::int64_t accepted = 0;
  for (auto _ : state) {
    view.setToStart();
    while (view.next() == 0) ++accepted;
  }
  state.SetItemsProcessed(state.iterations() * kCards);
  state.counters["accepted"] = static_cast<double>(accepted) / static_cast<double>(state.iterations());
}
BENCHMARK(filteredScan)->Unit(benchmark::kMillisecond);

void pageInKeyOrder(benchmark::State& state) {
  auto& file = cards().file->file();
  storage::ViewCursor view;
  view.open(runtime::ViewDescriptor{}, {&file});
  view.setOrder("+KAR:FAM");
  view.setFilter("KAR:UVOL = 0");
  view.setToStart();
  for (int row = 0; row < 5000; ++row) view.next();
  const std::string middle = view.position();
  for (auto _ : state) {
    view.resetTo(middle);
    for (int row = 0; row < 20; ++row) view.next();
  }
  state.SetItemsProcessed(state.iterations() * 20);
}
BENCHMARK(pageInKeyOrder);

void sortedScan(benchmark::State& state) {
  auto& file = cards().file->file();
  storage::ViewCursor view;
  view.open(runtime::ViewDescriptor{}, {&file});
  view.setOrder("-KAR:DATA_R, +KAR:FAM");
  view.setFilter("KAR:UVOL = 0");
  for (auto _ : state) {
    view.setToStart();
    while (view.next() == 0) {
    }
  }
  state.SetItemsProcessed(state.iterations() * kCards);
}
BENCHMARK(sortedScan)->Unit(benchmark::kMillisecond);

}  // namespace
