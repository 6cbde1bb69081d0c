// The log each station of storage_stations_torture keeps of its durable updates, and what the
// logs of all stations say the files must hold.
//
// Before a durable update (a PUT, ADD or DELETE outside a transaction, or a COMMIT) the station
// appends its intent, and once the driver has answered it appends the outcome:
//
//   I <operation> <change> …   intent: each change is "<kind> <id> <amount> <before>"
//   D <operation>              done: the driver returned success
//   F <operation> <error>      failed: the driver refused it, nothing was written
//   R <operation> 0|1          resolved after a restart: the station was killed between intent
//                              and outcome, and what the files hold said whether it was applied
//   S <name> <count> …         statistics of one station's run
//
// Kinds: 'a' 'p' 'd' add, change and delete of an owned item (amount = its new value), 'A' 'P'
// 'D' the same for an owned note, 'c' a counter increment and 'x' a pair increment (before =
// the total the increment was added to), 'm' the station's mark set to the stamp of the
// operation (every transaction sets it).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace veltrano::torture {

struct Change {
  char kind = 0;
  std::int64_t id = 0;
  std::int64_t amount = 0;
  std::int64_t before = 0;
};

enum class Outcome { Unknown, Applied, NotApplied };

struct Intent {
  std::int64_t operation = 0;
  std::vector<Change> changes;
  Outcome outcome = Outcome::Unknown;
};

// Appends lines to a station's log, each with one write, so that a kill leaves whole lines.
class StationLog {
 public:
  explicit StationLog(const std::string& path);
  ~StationLog();
  StationLog(const StationLog&) = delete;
  StationLog& operator=(const StationLog&) = delete;

  void intent(std::int64_t operation, const std::vector<Change>& changes);
  void done(std::int64_t operation);
  void failed(std::int64_t operation, int error);
  void resolved(std::int64_t operation, bool applied);
  void statistics(const std::map<std::string, std::int64_t>& counts);

 private:
  void line(const std::string& text);
  int descriptor_ = -1;
};

std::string stationLogPath(const std::string& directory, int station);

struct ParsedLog {
  std::vector<Intent> intents;                     // in log order
  std::map<std::string, std::int64_t> statistics;  // summed over the station's runs
  std::int64_t last_operation = 0;
};
// Reads a station's log; a last line cut short by a kill is ignored. nullopt with `why` for a
// malformed log.
std::optional<ParsedLog> readStationLog(const std::string& path, std::string& why);

// What the files must hold according to the logs.
struct OwnedRecord {
  std::int64_t value = 0;
  std::int64_t stamp = 0;
  friend bool operator==(const OwnedRecord&, const OwnedRecord&) = default;
};
struct ExpectedState {
  std::map<std::int64_t, OwnedRecord> items, notes;
  std::map<std::int64_t, std::int64_t> counter_totals, counter_updates;
  std::map<std::int64_t, std::int64_t> pair_totals;
  std::map<std::int64_t, std::vector<std::int64_t>> pair_stamps;  // stamps that may be last
  std::map<int, std::int64_t> marks;                              // station → stamp
  // Each increment applied to a counter or a pair, as the total it found and what it added,
  // with the station and operation that made it: serialised increments form one chain.
  struct Increment {
    std::int64_t before = 0, amount = 0;
    int station = 0;
    std::int64_t operation = 0;
  };
  std::map<std::int64_t, std::vector<Increment>> counter_chains, pair_chains;
};
// Empty when the increments of every counter and pair follow each other, each adding to the
// total the one before left; else the first break.
std::string chainProblem(const ExpectedState& state);
// Applies one station's applied intents in order. `why` names an intent left unresolved.
bool applyStationLog(int station, const ParsedLog& log, ExpectedState& state, std::string& why);

}  // namespace veltrano::torture
