#include "tests/torture/stations_torture_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/torture/stations_torture_tables.h"

namespace veltrano::torture {

StationLog::StationLog(const std::string& path) {
  descriptor_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (descriptor_ < 0) throw std::runtime_error("cannot open the log " + path);
}

StationLog::~StationLog() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

void StationLog::line(const std::string& text) {
  const std::string whole = text + "\n";
  if (::write(descriptor_, whole.data(), whole.size()) != static_cast<ssize_t>(whole.size()))
    throw std::runtime_error("cannot write the log");
}

void StationLog::intent(std::int64_t operation, const std::vector<Change>& changes) {
  std::string text = "I " + std::to_string(operation);
  for (const auto& change : changes)
    text += std::string(" ") + change.kind + " " + std::to_string(change.id) + " " +
            std::to_string(change.amount) + " " + std::to_string(change.before);
  line(text);
}

void StationLog::done(std::int64_t operation) {
  line("D " + std::to_string(operation));
}

void StationLog::failed(std::int64_t operation, int error) {
  line("F " + std::to_string(operation) + " " + std::to_string(error));
}

void StationLog::resolved(std::int64_t operation, bool applied) {
  line("R " + std::to_string(operation) + (applied ? " 1" : " 0"));
}

void StationLog::statistics(const std::map<std::string, std::int64_t>& counts) {
  std::string text = "S";
  for (const auto& [name, count] : counts) text += " " + name + " " + std::to_string(count);
  line(text);
}

std::string stationLogPath(const std::string& directory, int station) {
  return directory + "/station-" + std::to_string(station) + ".log";
}

std::optional<ParsedLog> readStationLog(const std::string& path, std::string& why) {
  std::ifstream input(path, std::ios::binary);
  if (!input) {
    why = "no log " + path;
    return std::nullopt;
  }
  std::stringstream whole;
  whole << input.rdbuf();
  std::string contents = whole.str();
  // A kill may cut the last line short: only whole lines count.
  contents.erase(contents.find_last_of('\n') == std::string::npos ? 0 : contents.find_last_of('\n') + 1);
  ParsedLog log;
  std::map<std::int64_t, std::size_t> by_operation;
  std::istringstream lines(contents);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    char kind = 0;
    fields >> kind;
    if (kind == 'S') {
      std::string name;
      std::int64_t count = 0;
      while (fields >> name >> count) log.statistics[name] += count;
      continue;
    }
    std::int64_t operation = 0;
    if (!(fields >> operation)) {
      why = "malformed line in " + path + ": " + line;
      return std::nullopt;
    }
    if (kind == 'I') {
      if (by_operation.count(operation) != 0 || operation <= log.last_operation) {
        why = "operation " + std::to_string(operation) + " logged twice in " + path;
        return std::nullopt;
      }
      Intent intent;
      intent.operation = operation;
      Change change;
      while (fields >> change.kind >> change.id >> change.amount >> change.before)
        intent.changes.push_back(change);
      by_operation[operation] = log.intents.size();
      log.intents.push_back(intent);
      log.last_operation = operation;
      continue;
    }
    const auto found = by_operation.find(operation);
    if (found == by_operation.end() || log.intents[found->second].outcome != Outcome::Unknown) {
      why = "outcome without a pending intent in " + path + ": " + line;
      return std::nullopt;
    }
    Intent& intent = log.intents[found->second];
    int flag = 0;
    if (kind == 'D') {
      intent.outcome = Outcome::Applied;
    } else if (kind == 'F') {
      intent.outcome = Outcome::NotApplied;
    } else if (kind == 'R' && (fields >> flag)) {
      intent.outcome = flag != 0 ? Outcome::Applied : Outcome::NotApplied;
    } else {
      why = "malformed line in " + path + ": " + line;
      return std::nullopt;
    }
  }
  return log;
}

bool applyStationLog(int station, const ParsedLog& log, ExpectedState& state, std::string& why) {
  for (const auto& intent : log.intents) {
    if (intent.outcome == Outcome::Unknown) {
      why = "station " + std::to_string(station) + " left operation " + std::to_string(intent.operation) +
            " unresolved";
      return false;
    }
    if (intent.outcome != Outcome::Applied) continue;
    const std::int64_t stamp = stampOf(station, intent.operation);
    for (const auto& change : intent.changes) {
      switch (change.kind) {
        case 'a':
        case 'p': state.items[change.id] = {change.amount, stamp}; break;
        case 'd': state.items.erase(change.id); break;
        case 'A':
        case 'P': state.notes[change.id] = {change.amount, stamp}; break;
        case 'D': state.notes.erase(change.id); break;
        case 'c':
          state.counter_totals[change.id] += change.amount;
          state.counter_updates[change.id] += 1;
          state.counter_chains[change.id].push_back(
              {change.before, change.amount, station, intent.operation});
          break;
        case 'x':
          state.pair_totals[change.id] += change.amount;
          state.pair_stamps[change.id].push_back(stamp);
          state.pair_chains[change.id].push_back({change.before, change.amount, station, intent.operation});
          break;
        case 'm': state.marks[station] = stamp; break;
        default: why = std::string("unknown change kind ") + change.kind; return false;
      }
    }
  }
  return true;
}

std::string chainProblem(const ExpectedState& state) {
  for (const auto* chains : {&state.counter_chains, &state.pair_chains}) {
    for (auto [id, chain] : *chains) {
      std::stable_sort(chain.begin(), chain.end(),
                       [](const auto& left, const auto& right) { return left.before < right.before; });
      std::int64_t total = 0;
      for (std::size_t i = 0; i < chain.size(); ++i) {
        if (chain[i].before == total) {
          total += chain[i].amount;
          continue;
        }
        std::string what = std::string(chains == &state.counter_chains ? "counter " : "pair ") +
                           std::to_string(id) + ": station " + std::to_string(chain[i].station) +
                           " operation " + std::to_string(chain[i].operation) + " added " +
                           std::to_string(chain[i].amount) + " to " + std::to_string(chain[i].before) +
                           ", but the increments before it left " + std::to_string(total);
        if (i > 0)
          what += " (the one before: station " + std::to_string(chain[i - 1].station) + " operation " +
                  std::to_string(chain[i - 1].operation) + ", which added " +
                  std::to_string(chain[i - 1].amount) + " to " + std::to_string(chain[i - 1].before) + ")";
        return what;
      }
    }
  }
  return {};
}

}  // namespace veltrano::torture
