// storage_bench: the same storage workloads on our engine and on SQLite, over the same KARTA
// cards, in one run. Prints for each workload the median time of each side and their ratio
// (ours / SQLite), then the file sizes after the loads, then the largest workload ratio:
//
//   bulk_load<TAB>ours_seconds<TAB>sqlite_seconds<TAB>ratio<TAB>CPU seconds of each side<TAB>
//     our cache's misses and hits<TAB>minor page faults of each side
//   …
//   file_size<TAB>ours_bytes<TAB>sqlite_bytes<TAB>ratio
//   max_ratio<TAB>R
//
// Options: --records N (cards of the bulk load; the other workloads scale with it),
// --repetitions R (at least 3), --dir D (where the files go; a fresh directory under the
// system's temporary directory by default, removed at the end). Notes go to standard error,
// among them the load average before and after the run, since the machine may be shared.
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <numeric>
#include <random>
#include <string>

#include "bench/karta_cards.h"
#include "bench/storage_workloads.h"

namespace veltrano::bench {
namespace {

struct Options {
  std::size_t records = 100000;
  int repetitions = 3;
  std::string directory;
};

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool has_value = i + 1 < argc;
    if (argument == "--records" && has_value) {
      options.records = std::max<std::size_t>(100, std::stoul(argv[++i]));
    } else if (argument == "--repetitions" && has_value) {
      options.repetitions = std::max(3, std::stoi(argv[++i]));
    } else if (argument == "--dir" && has_value) {
      options.directory = argv[++i];
    } else {
      std::cerr << "usage: storage_bench [--records N] [--repetitions R] [--dir DIRECTORY]\n";
      std::exit(2);
    }
  }
  return options;
}

// Distinct card numbers in random order.
std::vector<std::int64_t> sample(std::size_t count, std::size_t cards, std::mt19937_64& random) {
  std::vector<std::int64_t> all(cards);
  std::iota(all.begin(), all.end(), 1);
  std::shuffle(all.begin(), all.end(), random);
  all.resize(std::min(count, cards));
  return all;
}

WorkloadPlan plan(std::size_t records, const CardSet& cards, CardMaker& maker) {
  WorkloadPlan plan;
  plan.bulk = records;
  plan.durable = std::max<std::size_t>(10, records / 100);
  plan.reads = records;
  plan.updates = std::max<std::size_t>(10, records / 10);
  plan.deletes = plan.updates;
  std::mt19937_64 random(1801);
  const std::size_t total = plan.bulk + plan.durable;
  std::uniform_int_distribution<std::int64_t> any(1, static_cast<std::int64_t>(total));
  for (std::size_t i = 0; i < plan.reads; ++i) plan.read_numbers.push_back(any(random));
  plan.update_numbers = sample(plan.updates, total, random);
  for (std::size_t i = 0; i < plan.updates; ++i) plan.new_positions.push_back(maker.position());
  plan.delete_numbers = sample(plan.deletes, total, random);
  for (std::size_t card = 0; card < total; ++card)
    plan.current_cards += cardIsCurrent(*cards.layout, cards.image(card)) ? 1 : 0;
  return plan;
}

double processSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Pages the process touched for the first time: in a virtual machine each costs microseconds,
// so a side that allocates more fresh memory pays for it here as well as in the kernel's time.
long minorFaults() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

struct Timing {
  double wall = 0;
  double cpu = 0;
  double faults = 0;
  Engine::PageCounts pages;  // during the work
};

Timing timed(Engine& engine, const std::function<void()>& work) {
  const Engine::PageCounts pages = engine.pageCounts();
  const double cpu = processSeconds();
  const long faults = minorFaults();
  const auto start = std::chrono::steady_clock::now();
  work();
  Timing timing;
  timing.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  timing.cpu = processSeconds() - cpu;
  timing.faults = static_cast<double>(minorFaults() - faults);
  const Engine::PageCounts after = engine.pageCounts();
  timing.pages = {after.hits - pages.hits, after.loads - pages.loads};
  return timing;
}

std::string loadAverage() {
  double loads[3] = {};
  if (::getloadavg(loads, 3) != 3) return "unknown";
  char text[64];
  std::snprintf(text, sizeof text, "%.2f %.2f %.2f", loads[0], loads[1], loads[2]);
  return text;
}

void expect(std::int64_t got, std::int64_t wanted, const std::string& what) {
  if (got != wanted)
    throw WorkloadError(what + ": " + std::to_string(got) + " where " + std::to_string(wanted) + " were due");
}

constexpr std::size_t kWorkloads = 8;
const char* const kNames[kWorkloads] = {"bulk_load",      "durable_inserts", "random_reads",   "ordered_scan",
                                        "filtered_count", "filtered_scan",   "update_indexed", "delete"};

struct Run {
  std::array<Timing, kWorkloads> workloads{};
  std::uint64_t file_bytes = 0;
};

// One repetition of every workload on one side, checking each result.
Run runAll(Engine& engine, const std::string& directory, const CardSet& cards, const WorkloadPlan& plan,
           const std::string& side) {
  Run run;
  const auto total = static_cast<std::int64_t>(plan.bulk + plan.durable);
  engine.start(directory);
  auto& w = run.workloads;
  w[0] = timed(engine, [&] { engine.bulkLoad(cards, plan); });
  w[1] = timed(engine, [&] { engine.durableInserts(cards, plan); });
  expect(engine.cardCount(), total, side + " cards after the loads");
  run.file_bytes = engine.fileBytes();
  std::int64_t result = 0;
  w[2] = timed(engine, [&] { result = engine.randomReads(plan); });
  expect(result, static_cast<std::int64_t>(plan.read_numbers.size()), side + " cards read");
  w[3] = timed(engine, [&] { result = engine.orderedScan(); });
  expect(result, total, side + " cards scanned");
  w[4] = timed(engine, [&] { result = engine.countCurrent(); });
  expect(result, plan.current_cards, side + " current cards counted");
  w[5] = timed(engine, [&] { result = engine.scanDismissed(); });
  expect(result, total - plan.current_cards, side + " dismissed cards scanned");
  w[6] = timed(engine, [&] { engine.updatePositions(plan); });
  w[7] = timed(engine, [&] { engine.deleteCards(plan); });
  expect(engine.cardCount(), total - static_cast<std::int64_t>(plan.delete_numbers.size()),
         side + " cards after the deletions");
  engine.finish();
  return run;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The repetition whose wall time for workload `w` is the median one (the lower middle of an even
// count), so that the page counts printed belong to the run the time is taken from.
const Run& medianRun(const std::vector<Run>& runs, std::size_t w) {
  std::vector<const Run*> sorted;
  for (const auto& r : runs) sorted.push_back(&r);
  std::sort(sorted.begin(), sorted.end(),
            [w](const Run* a, const Run* b) { return a->workloads[w].wall < b->workloads[w].wall; });
  return *sorted[(sorted.size() - 1) / 2];
}

double medianOf(const std::vector<Run>& runs, std::size_t w, double Timing::*member) {
  std::vector<double> values;
  for (const auto& r : runs) values.push_back(r.workloads[w].*member);
  return median(values);
}

int run(const Options& options) {
  namespace fs = std::filesystem;
  const bool own_directory = options.directory.empty();
  const std::string directory =
      own_directory ? (fs::temp_directory_path() / ("storage_bench." + std::to_string(::getpid()))).string()
                    : options.directory;
  fs::create_directories(directory);

  auto shape = declareKarta(directory + "/SHAPE");
  CardSet cards;
  cards.layout = &shape->layout();
  cards.record_size = shape->layout().size();
  CardMaker maker(shape->layout());
  const std::size_t total = options.records + std::max<std::size_t>(10, options.records / 100);
  cards.images.resize(total * cards.record_size);
  cards.memos.resize(total);
  for (std::size_t card = 0; card < total; ++card) {
    maker.fill(cardNumber(card), {cards.images.data() + card * cards.record_size, cards.record_size},
               cards.memos[card]);
  }
  const WorkloadPlan workloads = plan(options.records, cards, maker);

  auto ours = makeOurEngine();
  auto sqlite = makeSqliteEngine();
  sqlite->prepare(cards);
  ours->prepare(cards);
  std::cerr << "storage_bench: " << workloads.bulk << " cards, " << workloads.durable << " durable inserts, "
            << workloads.reads << " reads, " << workloads.updates << " updates, " << workloads.deletes
            << " deletions, " << workloads.current_cards << " current; " << options.repetitions
            << " repetitions in " << directory << "; load average " << loadAverage() << "\n";

  std::vector<Run> our_runs, sqlite_runs;
  for (int repetition = 0; repetition < options.repetitions; ++repetition) {
    // Alternate which side goes first, so that neither always finds the disk's cache warm.
    if (repetition % 2 == 0) {
      our_runs.push_back(runAll(*ours, directory, cards, workloads, "ours"));
      sqlite_runs.push_back(runAll(*sqlite, directory, cards, workloads, "SQLite"));
    } else {
      sqlite_runs.push_back(runAll(*sqlite, directory, cards, workloads, "SQLite"));
      our_runs.push_back(runAll(*ours, directory, cards, workloads, "ours"));
    }
    std::cerr << "storage_bench: repetition " << repetition + 1 << " done\n";
  }

  double max_ratio = 0;
  for (std::size_t w = 0; w < kWorkloads; ++w) {
    const double a = medianOf(our_runs, w, &Timing::wall), b = medianOf(sqlite_runs, w, &Timing::wall);
    const double ratio = a / b;
    max_ratio = std::max(max_ratio, ratio);
    const Engine::PageCounts& pages = medianRun(our_runs, w).workloads[w].pages;
    std::printf("%s\t%.4f\t%.4f\t%.3f\t%.4f\t%.4f\t%llu\t%llu\t%.0f\t%.0f\n", kNames[w], a, b, ratio,
                medianOf(our_runs, w, &Timing::cpu), medianOf(sqlite_runs, w, &Timing::cpu),
                static_cast<unsigned long long>(pages.loads), static_cast<unsigned long long>(pages.hits),
                medianOf(our_runs, w, &Timing::faults), medianOf(sqlite_runs, w, &Timing::faults));
  }
  const auto our_bytes = our_runs.back().file_bytes, sqlite_bytes = sqlite_runs.back().file_bytes;
  std::printf("file_size\t%llu\t%llu\t%.3f\n", static_cast<unsigned long long>(our_bytes),
              static_cast<unsigned long long>(sqlite_bytes),
              static_cast<double>(our_bytes) / static_cast<double>(sqlite_bytes));
  std::printf("max_ratio\t%.3f\n", max_ratio);
  std::cerr << "storage_bench: load average " << loadAverage() << " at the end\n";
  if (const std::string note = ours->countNote(); !note.empty())
    std::cerr << "storage_bench: " << note << "\n";
  ours.reset();
  sqlite.reset();
  if (own_directory) fs::remove_all(directory);
  return 0;
}

}  // namespace
}  // namespace veltrano::bench

int main(int argc, char** argv) {
  try {
    return veltrano::bench::run(veltrano::bench::parse(argc, argv));
  } catch (const std::exception& failure) {
    std::cerr << "storage_bench: " << failure.what() << "\n";
    return 1;
  }
}
