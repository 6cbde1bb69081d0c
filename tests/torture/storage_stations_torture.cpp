// storage_stations_torture: several stations — processes of their own, forked before anything is
// opened — change the same two storage files at once through the driver, as copies of the
// program on different workstations do, for a given time or number of steps.
//
// Each station works on ALPHA.WLK and BETA.WLK in the directory (stations_torture_tables.h):
// ADD, PUT and DELETE of records it owns (with and without HOLD and WATCH), HOLD of anyone's
// records (which must not change while held), increments of shared counters under HOLD or WATCH
// (89 is retried after reading the record again), transactions over one file and over both
// (LOGOUT … COMMIT and LOGOUT … ROLLBACK), pairs of records — one in each file — changed only
// together in a transaction, readers that walk the keys and read both sides of every pair,
// closing and reopening the tables now and then, and operations on whole tables and files
// (BUILD, PACK, CREATE over a table, COPY, RENAME, EMPTY, REMOVE, a copy of a whole file:
// stations_torture_whole_file.h) beside all of it.
// Each station logs what the driver acknowledged as written (stations_torture_log.h).
//
// When every station has finished, the files are checked entry by entry (the check of
// `wlk check`, and the `wlk` binary itself when it is built) and their contents compared with
// what the logs say: owned records as their owners last wrote them, counters as the sum of the
// committed increments, pairs equal on both sides and the sum of their committed increments.
// Any divergence, any error the other stations cannot explain, and a station that hangs print
// the seed and end with a non-zero status.
//
//   storage_stations_torture [--seed S] [--seconds T | --steps N] [--processes P] [--dir D]
//                            [--kill] [--keep] [--wlk PATH]
//
//   --seed S       the run's seed, printed first (default: from the clock); each station derives
//                  its own from it. Which statements interleave depends on timing, so a seed
//                  repeats each station's choices, not the whole run.
//   --seconds T    how long the stations work (default 10); --steps N: steps per station instead
//   --processes P  how many stations (default 4)
//   --dir D        the working directory (default: a fresh one under the temporary directory,
//                  removed after a run without failure; D and a failed run's directory are kept)
//   --kill         the parent kills a random station with SIGKILL now and then and starts it
//                  again; the restarted station decides from the files whether its last logged
//                  update was written, and the checks must still hold
//   --wlk PATH     the wlk binary for the final check (default: the one built beside this)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "storage/page_file.h"
#include "storage/wendlock_check.h"
#include "tests/torture/stations_torture_log.h"
#include "tests/torture/stations_torture_station.h"
#include "tests/torture/stations_torture_tables.h"

#ifndef VELTRANO_WLK_BINARY
#define VELTRANO_WLK_BINARY ""
#endif

namespace veltrano::torture {
namespace {

using Clock = std::chrono::steady_clock;
using storage::DeclaredFile;
using storage::Operation;

struct Options {
  std::uint64_t seed = 0;
  double seconds = 10;
  std::optional<std::uint64_t> steps;
  int processes = 4;
  std::string directory;
  bool kill = false;
  std::string wlk = VELTRANO_WLK_BINARY;
};

// Runs `body` in a child process whose exit status is what it returns.
pid_t spawn(const std::function<int()>& body) {
  std::cout.flush();
  const pid_t child = ::fork();
  if (child == 0) {
    const int status = body();
    std::cout.flush();
    ::_exit(status);
  }
  return child;
}

// "exit N", "signal N": how a child ended.
std::string ending(int status) {
  if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  return "status " + std::to_string(status);
}

class Run {
 public:
  explicit Run(Options options) : options_(std::move(options)), random_(options_.seed) {}

  // The stations' work; false (with `failure_` set) when a station failed or hung.
  bool work();
  // The logs against the files; false with `failure_` set on a divergence.
  bool verify();
  bool checkFiles();

  const std::string& failure() const { return failure_; }
  void report() const;

 private:
  pid_t startStation(int station, int incarnation);
  void killAll();
  bool verifyTables(const ExpectedState& expected);

  Options options_;
  std::mt19937_64 random_;
  Clock::time_point deadline_;
  std::vector<pid_t> children_;
  std::vector<int> incarnations_;
  std::string failure_;
  std::map<std::string, std::int64_t> statistics_;
  std::int64_t done_ = 0, failed_ = 0, kills_ = 0;
};

pid_t Run::startStation(int station, int incarnation) {
  StationOptions station_options;
  station_options.directory = options_.directory;
  station_options.station = station;
  station_options.stations = options_.processes;
  station_options.seed = options_.seed;
  station_options.incarnation = incarnation;
  station_options.deadline = deadline_;
  station_options.steps = options_.steps;
  station_options.kill_mode = options_.kill;
  return spawn([station_options] { return runStation(station_options); });
}

void Run::killAll() {
  for (const pid_t child : children_) {
    if (child > 0) ::kill(child, SIGKILL);
  }
  for (pid_t& child : children_) {
    if (child > 0) ::waitpid(child, nullptr, 0);
    child = -1;
  }
}

bool Run::work() {
  const pid_t creator = spawn([this] { return createFiles(options_.directory, options_.processes); });
  int status = 0;
  if (::waitpid(creator, &status, 0) != creator || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    failure_ = "creating the files failed (" + ending(status) + ")";
    return false;
  }
  const auto length =
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options_.seconds));
  deadline_ = options_.steps ? Clock::time_point::max() : Clock::now() + length;
  for (int station = 0; station < options_.processes; ++station) {
    children_.push_back(startStation(station, 0));
    incarnations_.push_back(0);
  }
  // A station still running this long after the end waits for something that never comes.
  const auto patience = std::chrono::seconds(120);
  const auto started = Clock::now();
  auto next_kill = Clock::now() + std::chrono::milliseconds(300 + random_() % 1200);
  for (;;) {
    bool running = false;
    for (int station = 0; station < options_.processes; ++station) {
      pid_t& child = children_[static_cast<std::size_t>(station)];
      if (child <= 0) continue;
      const pid_t ended = ::waitpid(child, &status, WNOHANG);
      if (ended == 0) {
        running = true;
        continue;
      }
      child = -1;
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        failure_ = "station " + std::to_string(station) + " failed (" + ending(status) + ")";
        killAll();
        return false;
      }
    }
    if (!running) return true;
    const auto now = Clock::now();
    const bool overdue =
        options_.steps ? now - started > patience + std::chrono::seconds(600) : now > deadline_ + patience;
    if (overdue) {
      failure_ = "a station is still running long after the end: it waits for a lock that is never given";
      killAll();
      return false;
    }
    if (options_.kill && !options_.steps && now >= next_kill &&
        now + std::chrono::milliseconds(200) < deadline_) {
      next_kill = now + std::chrono::milliseconds(300 + random_() % 1200);
      const int station = static_cast<int>(random_() % static_cast<std::uint64_t>(options_.processes));
      pid_t& child = children_[static_cast<std::size_t>(station)];
      if (child > 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
          child = -1;
          failure_ = "station " + std::to_string(station) + " failed (" + ending(status) + ")";
          killAll();
          return false;
        }
        ++kills_;
        child = startStation(station, ++incarnations_[static_cast<std::size_t>(station)]);
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool Run::verify() {
  ExpectedState expected;
  for (int station = 0; station < options_.processes; ++station) {
    std::string why;
    const auto log = readStationLog(stationLogPath(options_.directory, station), why);
    if (!log || !applyStationLog(station, *log, expected, why)) {
      failure_ = why;
      return false;
    }
    for (const auto& [name, count] : log->statistics) statistics_[name] += count;
    for (const auto& intent : log->intents) {
      if (intent.outcome == Outcome::Applied) ++done_;
      if (intent.outcome == Outcome::NotApplied) ++failed_;
    }
  }
  if (const auto problem = chainProblem(expected); !problem.empty()) {
    failure_ = "increments were not serialised: " + problem;
    return false;
  }
  return verifyTables(expected);
}

// The tables as the logs say they must be, read through the driver by a process that opens
// them for the first time (and so recovers what a killed station left pending).
bool Run::verifyTables(const ExpectedState& expected) {
  Tables tables(options_.directory);
  std::string why;
  auto problem = [&](const std::string& what) {
    if (why.empty()) why = what;
  };
  for (auto* table : tables.all()) {
    if (const int error = openShared(*table); error != 0)
      problem("OPEN of " + table->file().label + " gave " + describeError(error));
  }
  // Every record of a table in its primary key's order: id → the buffer's check.
  auto walk = [&](DeclaredFile& file, const std::function<void(std::int64_t)>& check) {
    storage::OperationArguments set;
    set.key = file.file().keys.at(0);
    if (const int error = statement(file, Operation::SetKey, set); error != 0)
      problem("SET gave " + describeError(error));
    std::int64_t count = 0;
    for (;;) {
      const int error = statement(file, Operation::Next);
      if (error == 33) break;
      if (error != 0) {
        problem("NEXT in " + file.file().label + " gave " + describeError(error));
        break;
      }
      ++count;
      check(number(file, 0));
    }
    const auto records = storage::fileStatement(Operation::RecordsFile, file.file());
    if (records != count)
      problem(file.file().label + " counts " + std::to_string(records) + " records, its key gives " +
              std::to_string(count));
    return count;
  };
  if (why.empty()) {
    auto& items = *tables.items;
    const auto count = walk(items, [&](std::int64_t id) {
      const auto found = expected.items.find(id);
      const std::int64_t value = number(items, kItemValue), stamp = number(items, kItemStamp);
      if (found == expected.items.end()) {
        problem("item " + std::to_string(id) + " (stamp " + std::to_string(stamp) + ") is not in the logs");
      } else if (value != found->second.value || stamp != found->second.stamp) {
        problem("item " + std::to_string(id) + " holds " + std::to_string(value) + "/" +
                std::to_string(stamp) + ", the log says " + std::to_string(found->second.value) + "/" +
                std::to_string(found->second.stamp));
      } else if (number(items, kItemCheck) != itemCheck(id, value, stamp) ||
                 text(items, kItemName) != itemName(value) || number(items, kItemOwner) != ownerOfItem(id)) {
        problem("item " + std::to_string(id) + " is torn");
      }
    });
    if (count != static_cast<std::int64_t>(expected.items.size()))
      problem("ITEMS holds " + std::to_string(count) + " records, the logs say " +
              std::to_string(expected.items.size()));

    auto& notes = *tables.notes;
    const auto note_count = walk(notes, [&](std::int64_t id) {
      const auto found = expected.notes.find(id);
      const std::int64_t value = number(notes, kNoteValue), stamp = number(notes, kNoteStamp);
      if (found == expected.notes.end()) {
        problem("note " + std::to_string(id) + " (stamp " + std::to_string(stamp) + ") is not in the logs");
      } else if (value != found->second.value || stamp != found->second.stamp) {
        problem("note " + std::to_string(id) + " holds " + std::to_string(value) + "/" +
                std::to_string(stamp) + ", the log says " + std::to_string(found->second.value) + "/" +
                std::to_string(found->second.stamp));
      } else if (text(notes, kNoteTitle) != noteTitle(value) || memo(notes) != noteText(value, stamp)) {
        problem("note " + std::to_string(id) + " is torn");
      }
    });
    if (note_count != static_cast<std::int64_t>(expected.notes.size()))
      problem("NOTES holds " + std::to_string(note_count) + " records, the logs say " +
              std::to_string(expected.notes.size()));

    auto& counters = *tables.counters;
    const auto counter_count = walk(counters, [&](std::int64_t id) {
      const auto total = expected.counter_totals.count(id) != 0 ? expected.counter_totals.at(id) : 0;
      const auto updates = expected.counter_updates.count(id) != 0 ? expected.counter_updates.at(id) : 0;
      if (number(counters, kCounterTotal) != total || number(counters, kCounterUpdates) != updates) {
        problem("counter " + std::to_string(id) + " holds " +
                std::to_string(number(counters, kCounterTotal)) + " after " +
                std::to_string(number(counters, kCounterUpdates)) + " updates, the logs say " +
                std::to_string(total) + " after " + std::to_string(updates));
      }
    });
    if (counter_count != kCounters) problem("COUNTERS holds " + std::to_string(counter_count) + " records");

    auto& marks = *tables.marks;
    const auto mark_count = walk(marks, [&](std::int64_t station) {
      const auto found = expected.marks.find(static_cast<int>(station));
      const std::int64_t due = found == expected.marks.end() ? 0 : found->second;
      if (number(marks, kMarkStamp) != due)
        problem("the mark of station " + std::to_string(station) + " is " +
                std::to_string(number(marks, kMarkStamp)) + ", its log says " + std::to_string(due));
    });
    if (mark_count != options_.processes) problem("MARKS holds " + std::to_string(mark_count) + " records");

    auto &a = *tables.pairs_a, &b = *tables.pairs_b;
    const auto pair_count = walk(a, [&](std::int64_t id) {
      if (const int error = getById(b, id); error != 0) {
        problem("pair " + std::to_string(id) + " has no second side: " + describeError(error));
        return;
      }
      if (number(a, kPairTotal) != number(b, kPairTotal) || number(a, kPairStamp) != number(b, kPairStamp) ||
          text(a, kPairWho) != text(b, kPairWho))
        problem("pair " + std::to_string(id) + " is torn");
      const auto total = expected.pair_totals.count(id) != 0 ? expected.pair_totals.at(id) : 0;
      if (number(a, kPairTotal) != total)
        problem("pair " + std::to_string(id) + " holds " + std::to_string(number(a, kPairTotal)) +
                ", the logs say " + std::to_string(total));
      const auto stamps = expected.pair_stamps.find(id);
      const std::int64_t stamp = number(a, kPairStamp);
      const bool known =
          stamps == expected.pair_stamps.end()
              ? stamp == 0
              : std::find(stamps->second.begin(), stamps->second.end(), stamp) != stamps->second.end();
      if (!known) problem("pair " + std::to_string(id) + " was last written by no committed transaction");
    });
    if (pair_count != kPairs || storage::fileStatement(Operation::RecordsFile, b.file()) != kPairs)
      problem("PAIRS does not hold its " + std::to_string(kPairs) + " pairs");
  }
  for (auto* table : tables.all()) statement(*table, Operation::Close);
  if (why.empty()) return true;
  failure_ = why;
  return false;
}

bool Run::checkFiles() {
  const std::string paths[] = {alphaPath(options_.directory), betaPath(options_.directory),
                               options_.directory + "/wendlock.tcf"};
  for (const auto& path : paths) {
    if (!std::filesystem::exists(path)) {
      if (path == paths[2]) continue;  // made by the first commit over both files
      failure_ = path + " is missing";
      return false;
    }
    storage::PageFileOptions page_options;
    page_options.read_only = true;
    int error = 0;
    auto file = storage::PageFile::open(path, platform::Creation::OpenExisting, page_options, &error);
    if (!file) {
      failure_ = "the entry check cannot open " + path + ": " + std::to_string(error);
      return false;
    }
    // A station killed in the middle of a commit over both files leaves its identifier in the
    // control file, which the entry check (made for files of tables) takes for a stray entry.
    if (path == paths[2] && kills_ > 0) continue;
    const auto problems = storage::checkEntries(*file);
    if (!problems.empty()) {
      failure_ = path + " fails the entry check: " + problems.front();
      return false;
    }
    if (options_.wlk.empty() || !std::filesystem::exists(options_.wlk)) continue;
    // The stations key their text without an environment file, as wlk must read it.
    const std::string command =
        "'" + options_.wlk + "' --env NONE check '" + path + "' > '" + path + ".check' 2>&1";
    const int status = std::system(command.c_str());
    if (status != 0) {
      failure_ = "wlk check " + path + " failed (" + ending(status) + "), see " + path + ".check";
      return false;
    }
    std::filesystem::remove(path + ".check");
    ++statistics_["wlk-checks"];
  }
  return true;
}

void Run::report() const {
  std::cout << "storage_stations_torture: seed " << options_.seed << ": " << options_.processes
            << " stations, " << done_ << " updates written, " << failed_ << " refused";
  if (options_.kill) std::cout << ", " << kills_ << " stations killed";
  std::cout << ";";
  for (const auto& [name, count] : statistics_) std::cout << " " << name << " " << count;
  std::cout << "; no divergence" << std::endl;
}

}  // namespace
}  // namespace veltrano::torture

int main(int argc, char** argv) {
  using veltrano::torture::Options;
  Options options;
  bool seeded = false, keep = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool has_value = i + 1 < argc;
    if (argument == "--seed" && has_value) {
      options.seed = std::stoull(argv[++i]);
      seeded = true;
    } else if (argument == "--seconds" && has_value) {
      options.seconds = std::stod(argv[++i]);
    } else if (argument == "--steps" && has_value) {
      options.steps = std::stoull(argv[++i]);
    } else if (argument == "--processes" && has_value) {
      options.processes = std::max(1, std::stoi(argv[++i]));
    } else if (argument == "--dir" && has_value) {
      options.directory = argv[++i];
    } else if (argument == "--wlk" && has_value) {
      options.wlk = argv[++i];
    } else if (argument == "--kill") {
      options.kill = true;
    } else if (argument == "--keep") {
      keep = true;
    } else {
      std::cerr << "usage: storage_stations_torture [--seed S] [--seconds T | --steps N] [--processes P] "
                   "[--dir D] [--kill] [--keep] [--wlk PATH]\n";
      return 2;
    }
  }
  if (options.processes > 90) options.processes = 90;
  if (!seeded)
    options.seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  const bool own_directory = options.directory.empty();
  if (own_directory) {
    options.directory =
        (std::filesystem::temp_directory_path() / ("storage_stations_torture." + std::to_string(::getpid())))
            .string();
    std::filesystem::remove_all(options.directory);
  }
  std::filesystem::create_directories(options.directory);
  for (const auto& entry : std::filesystem::directory_iterator(options.directory)) {
    if (entry.path().extension() == ".log" || entry.path().extension() == ".WLK" ||
        entry.path().filename() == "wendlock.tcf")
      std::filesystem::remove(entry.path());
  }
  std::cout << "storage_stations_torture: seed " << options.seed << std::endl;
  veltrano::torture::Run run(options);
  const bool passed = run.work() && run.verify() && run.checkFiles();
  if (!passed) {
    std::cout << "storage_stations_torture: seed " << options.seed << ": FAILED: " << run.failure()
              << " — files kept in " << options.directory << std::endl;
    return 1;
  }
  run.report();
  if (own_directory && !keep) std::filesystem::remove_all(options.directory);
  return 0;
}
