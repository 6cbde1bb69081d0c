// The work of one station. Every error the driver returns is either one that another station can
// legitimately cause — 43 "Record Is Already Held", 5 "Access Denied" for a PUT of a record held
// elsewhere, 33 "Record Not Available" for such a DELETE, 89 "Record Changed By Another Station"
// after WATCH, 32 "File Is Already Locked" — which is counted and the step given up (or the record
// re-read and the step retried), or a failure. Which of them may occur is decided by what the
// station asked for: a PUT of a record this station holds may not give 5, a WATCH of a record
// only this station changes may not give 89.
//
// Rules the stations keep among themselves, as a program's procedures would:
// - ITEMS change only outside transactions, so that a record a station holds cannot change
//   under it (a transaction's PUT lets go of the record before its COMMIT writes it);
// - a transaction changes ALPHA.WLK before BETA.WLK: its first change of a file keeps that
//   file's writer byte until the transaction ends, and two transactions taking the files in
//   opposite order would wait for each other for ever;
// - counters are incremented under WATCH, with or without HOLD: a transaction's PUT lets go of
//   the record before its COMMIT writes it, so a HOLD alone does not keep another station's
//   committed total from being overwritten (a transaction that has already changed ALPHA.WLK
//   holds its writer byte, and so may read and change a counter under HOLD alone);
// - PAIRS are read and changed only under LOCK of the PAIRS table in ALPHA.WLK, so a reader sees
//   both sides of a pair as one committed transaction left them.
#include "tests/torture/stations_torture_station.h"

#include <algorithm>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>

#include "tests/torture/stations_torture_log.h"
#include "tests/torture/stations_torture_tables.h"
#include "tests/torture/stations_torture_whole_file.h"

namespace veltrano::torture {
namespace {

using storage::DeclaredFile;
using storage::Operation;
using storage::OperationArguments;

constexpr int kAccessDenied = 5;
constexpr int kFileAlreadyLocked = 32;
constexpr int kRecordNotAvailable = 33;
constexpr int kRecordNotFound = 35;
constexpr int kRecordAlreadyHeld = 43;
constexpr int kRecordChanged = 89;
constexpr int kCreatesDuplicateKey = 40;

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::uint64_t mix(std::uint64_t value) {
  value += 0x9E3779B97F4A7C15ULL;
  value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
  value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
  return value ^ (value >> 31);
}

class Station {
 public:
  explicit Station(const StationOptions& options)
      : options_(options),
        me_(options.station),
        random_(mix(options.seed ^ mix(static_cast<std::uint64_t>(options.station) * 1000 +
                                       static_cast<std::uint64_t>(options.incarnation)))),
        tables_(options.directory),
        log_(stationLogPath(options.directory, options.station)) {}

  void run();

 private:
  [[noreturn]] void fail(const std::string& what) { throw Failure(step_name_ + ": " + what); }
  void expect(int error, const char* what) {
    if (error != 0) fail(std::string(what) + " gave " + describeError(error));
  }
  void contention(const std::string& name) { ++statistics_[name]; }
  int chance(int percent) { return static_cast<int>(random_() % 100) < percent; }
  int below(int count) { return static_cast<int>(random_() % static_cast<std::uint64_t>(count)); }
  // Now and then a pause between reading a record and writing it back, as a clerk takes, so that
  // other stations get between the two.
  void think() {
    if (chance(30)) std::this_thread::sleep_for(std::chrono::microseconds(below(2000)));
  }
  // Most choices fall on a few records, so that stations meet on them.
  int slot(int slots) { return chance(70) ? below(std::min(slots, 6)) : below(slots); }

  void openAll();
  void closeAll();
  void restore();
  bool appliedBeforeKill(const Intent& intent);
  void verifyOwnRecords();

  // Steps.
  void addItem();
  void changeItem();
  void deleteItem();
  void holdAnyItem();
  void incrementCounter();
  void pairTransaction();
  void noteOutside();
  void noteTransaction();
  void readShared();
  void scan();
  void reopen();
  void wholeFile();

  // Records.
  void fillItem(std::int64_t id, std::int64_t value, std::int64_t stamp);
  std::string itemProblem() { return torture::itemProblem(*tables_.items); }
  void expectOwnItem(std::int64_t id);
  std::string noteProblem();
  // A change of an owned note: picked (the note read and the buffer filled), then carried out
  // and applied to `model`, giving the statement's error.
  Change planNote(const std::map<std::int64_t, OwnedRecord>& model, std::int64_t stamp);
  int carryOutNote(std::map<std::int64_t, OwnedRecord>& model, std::int64_t stamp, const Change& change);
  void setMark(std::int64_t stamp);
  void rollback() { expect(statement(*tables_.marks, Operation::Rollback), "ROLLBACK"); }
  void commit(std::int64_t operation, const std::vector<Change>& changes);
  void applyOwn(const std::vector<Change>& changes, std::int64_t stamp);
  void rereadChangedCounter(std::int64_t id, std::int64_t watched_total);

  std::int64_t ownAbsent(const std::map<std::int64_t, OwnedRecord>& model, bool notes);
  std::int64_t ownPresent(const std::map<std::int64_t, OwnedRecord>& model);
  // An ADD of an own record that is there, which must be refused as a duplicate and leave
  // nothing behind: changes left in the cache would hide other stations' updates from this
  // station and be written over them.
  void addPresent(DeclaredFile& file, int id_field, const std::map<std::int64_t, OwnedRecord>& model);

  StationOptions options_;
  int me_;
  std::mt19937_64 random_;
  Tables tables_;
  StationLog log_;
  std::string step_name_ = "start";
  std::int64_t operation_ = 0;
  std::map<std::int64_t, OwnedRecord> items_, notes_;
  std::int64_t mark_ = 0;
  std::map<std::int64_t, std::int64_t> seen_totals_;
  std::map<std::string, std::int64_t> statistics_;
};

void Station::openAll() {
  for (auto* table : tables_.all()) expect(openShared(*table), "OPEN");
}

void Station::closeAll() {
  for (auto* table : tables_.all()) expect(statement(*table, Operation::Close), "CLOSE");
}

// ---- Records ----

void Station::fillItem(std::int64_t id, std::int64_t value, std::int64_t stamp) {
  auto& file = *tables_.items;
  clearBuffer(file);
  setNumber(file, kItemId, id);
  setNumber(file, kItemOwner, ownerOfItem(id));
  setNumber(file, kItemValue, value);
  setNumber(file, kItemStamp, stamp);
  setNumber(file, kItemCheck, itemCheck(id, value, stamp));
  setText(file, kItemName, itemName(value));
}

void Station::expectOwnItem(std::int64_t id) {
  auto& file = *tables_.items;
  if (const auto problem = itemProblem(); !problem.empty()) fail(problem);
  const auto& known = items_.at(id);
  if (number(file, kItemValue) != known.value || number(file, kItemStamp) != known.stamp) {
    fail("own item " + std::to_string(id) + " holds value " + std::to_string(number(file, kItemValue)) +
         " stamp " + std::to_string(number(file, kItemStamp)) + ", this station wrote value " +
         std::to_string(known.value) + " stamp " + std::to_string(known.stamp));
  }
}

std::string Station::noteProblem() {
  auto& file = *tables_.notes;
  const std::int64_t id = number(file, kNoteId), value = number(file, kNoteValue),
                     stamp = number(file, kNoteStamp);
  if (number(file, kNoteOwner) != ownerOfItem(id) || text(file, kNoteTitle) != noteTitle(value) ||
      memo(file) != noteText(value, stamp)) {
    return "note " + std::to_string(id) + " is torn (value " + std::to_string(value) + ", stamp " +
           std::to_string(stamp) + ", memo of " + std::to_string(memo(file).size()) + " bytes)";
  }
  return {};
}

std::int64_t Station::ownAbsent(const std::map<std::int64_t, OwnedRecord>& model, bool notes) {
  const int slots = notes ? kNotesPerStation : kItemsPerStation;
  const int start = slot(slots);
  for (int i = 0; i < slots; ++i) {
    const int slot = (start + i) % slots;
    const std::int64_t id = notes ? noteId(me_, slot) : itemId(me_, slot);
    if (model.count(id) == 0) return id;
  }
  return 0;
}

std::int64_t Station::ownPresent(const std::map<std::int64_t, OwnedRecord>& model) {
  if (model.empty()) return 0;
  auto at = model.begin();
  std::advance(at, below(static_cast<int>(model.size())));
  return at->first;
}

void Station::setMark(std::int64_t stamp) {
  auto& file = *tables_.marks;
  expect(getById(file, me_), "GET of the station's mark");
  if (number(file, kMarkStamp) != mark_)
    fail("the mark holds " + std::to_string(number(file, kMarkStamp)) + ", this station last committed " +
         std::to_string(mark_));
  setNumber(file, kMarkStamp, stamp);
  expect(statement(file, Operation::Put), "PUT of the station's mark");
}

void Station::applyOwn(const std::vector<Change>& changes, std::int64_t stamp) {
  for (const auto& change : changes) {
    switch (change.kind) {
      case 'a':
      case 'p': items_[change.id] = {change.amount, stamp}; break;
      case 'd': items_.erase(change.id); break;
      case 'A':
      case 'P': notes_[change.id] = {change.amount, stamp}; break;
      case 'D': notes_.erase(change.id); break;
      case 'm': mark_ = stamp; break;
      default: break;
    }
  }
}

void Station::commit(std::int64_t operation, const std::vector<Change>& changes) {
  log_.intent(operation, changes);
  expect(statement(*tables_.marks, Operation::Commit), "COMMIT");
  log_.done(operation);
  applyOwn(changes, stampOf(me_, operation));
  ++statistics_["commits"];
}

// ---- Items: changed by their owner outside transactions, held by anyone ----

void Station::addPresent(DeclaredFile& file, int id_field, const std::map<std::int64_t, OwnedRecord>& model) {
  const std::int64_t id = ownPresent(model);
  if (id == 0) return;
  clearBuffer(file);
  setNumber(file, id_field, id);
  if (const int error = statement(file, Operation::Add); error != kCreatesDuplicateKey)
    fail("ADD of own record " + std::to_string(id) + ", which is there, gave " + describeError(error));
  ++statistics_["refused-adds"];
}

void Station::addItem() {
  step_name_ = "ADD of an item";
  if (chance(10)) addPresent(*tables_.items, kItemId, items_);
  const std::int64_t id = ownAbsent(items_, false);
  if (id == 0) return changeItem();
  const std::int64_t operation = ++operation_, value = below(1000000);
  fillItem(id, value, stampOf(me_, operation));
  log_.intent(operation, {{'a', id, value}});
  expect(statement(*tables_.items, Operation::Add), "ADD of an own item");
  log_.done(operation);
  items_[id] = {value, stampOf(me_, operation)};
}

void Station::changeItem() {
  step_name_ = "PUT of an item";
  const std::int64_t id = ownPresent(items_);
  if (id == 0) return addItem();
  auto& file = *tables_.items;
  const int mode = below(4);  // plain, HOLD with a wait, WATCH, HOLD and WATCH
  const bool held = mode == 1 || mode == 3;
  if (held) expect(hold(file, mode == 1 ? 1 : 0), "HOLD");
  if (mode >= 2) expect(statement(file, Operation::Watch), "WATCH");
  const int got = getById(file, id);
  if (held && got == kRecordAlreadyHeld) return contention("held-get");
  expect(got, "GET of an own item");
  expectOwnItem(id);
  think();
  const std::int64_t operation = ++operation_, value = below(1000000);
  fillItem(id, value, stampOf(me_, operation));
  log_.intent(operation, {{'p', id, value}});
  const int put = statement(file, Operation::Put);
  if (put == kAccessDenied && !held) {
    // Another station holds the record: nothing was written.
    log_.failed(operation, put);
    return contention("held-put");
  }
  if (put == kRecordChanged) fail("PUT of an own item that only this station changes gave 89");
  expect(put, held ? "PUT of an item this station holds" : "PUT of an own item");
  log_.done(operation);
  items_[id] = {value, stampOf(me_, operation)};
}

void Station::deleteItem() {
  step_name_ = "DELETE of an item";
  const std::int64_t id = ownPresent(items_);
  if (id == 0) return addItem();
  auto& file = *tables_.items;
  const bool held = chance(50);
  if (held) expect(hold(file, below(2)), "HOLD");
  const int got = getById(file, id);
  if (held && got == kRecordAlreadyHeld) return contention("held-get");
  expect(got, "GET of an own item");
  expectOwnItem(id);
  const std::int64_t operation = ++operation_;
  log_.intent(operation, {{'d', id, 0}});
  const int deleted = statement(file, Operation::Delete);
  if (deleted == kRecordNotAvailable && !held) {
    log_.failed(operation, deleted);
    return contention("held-delete");
  }
  expect(deleted, held ? "DELETE of an item this station holds" : "DELETE of an own item");
  log_.done(operation);
  items_.erase(id);
}

// Holds any station's item for a moment: while it is held, nobody may change or delete it.
void Station::holdAnyItem() {
  step_name_ = "HOLD of any item";
  auto& file = *tables_.items;
  const std::int64_t id = itemId(below(options_.stations), slot(kItemsPerStation));
  expect(hold(file, 1), "HOLD");
  const int got = getById(file, id);
  if (got == kRecordAlreadyHeld) return contention("held-get");
  const bool mine = ownerOfItem(id) == me_;
  if (got == kRecordNotFound) {
    if (mine && items_.count(id) != 0) fail("own item " + std::to_string(id) + " vanished");
    return;
  }
  expect(got, "GET with HOLD");
  if (mine) {
    if (items_.count(id) == 0) fail("own item " + std::to_string(id) + " is there after its DELETE");
    expectOwnItem(id);
  } else if (const auto problem = itemProblem(); !problem.empty()) {
    fail(problem);
  }
  const auto first = image(file);
  std::this_thread::sleep_for(std::chrono::microseconds(below(4000)));
  expect(hold(file, 0), "HOLD again");
  const int again = getById(file, id);
  if (again == kRecordNotFound)
    fail("item " + std::to_string(id) + " was deleted while this station held it");
  expect(again, "GET of the item this station holds");
  if (image(file) != first) fail("item " + std::to_string(id) + " changed while this station held it");
  expect(statement(file, Operation::Release), "RELEASE");
  ++statistics_["holds"];
}

// ---- Counters: incremented by everyone, with HOLD or WATCH ----

void Station::rereadChangedCounter(std::int64_t id, std::int64_t watched_total) {
  auto& file = *tables_.counters;
  expect(getById(file, id), "GET of a counter after 89");
  if (number(file, kCounterTotal) <= watched_total)
    fail("89 for counter " + std::to_string(id) + " whose total " +
         std::to_string(number(file, kCounterTotal)) + " did not move from " + std::to_string(watched_total));
}

void Station::incrementCounter() {
  step_name_ = "counter increment";
  auto& file = *tables_.counters;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const bool in_transaction = options_.kill_mode || chance(60);
    // Always WATCH: another station's transaction lets go of the record before its COMMIT writes
    // the new total, so HOLD alone would not keep this PUT from overwriting that total. A
    // transaction holds ALPHA.WLK's writer byte from its first change: it does not wait for a
    // held record.
    const bool held = chance(50);
    const std::int64_t id = 1 + below(kCounters);
    if (in_transaction) expect(logout({tables_.counters.get(), tables_.marks.get()}), "LOGOUT");
    if (held) expect(hold(file, in_transaction ? 0 : below(2)), "HOLD");
    expect(statement(file, Operation::Watch), "WATCH");
    const int got = getById(file, id);
    if (held && got == kRecordAlreadyHeld) {
      if (in_transaction) rollback();
      return contention("held-get");
    }
    expect(got, "GET of a counter");
    think();
    const std::int64_t total = number(file, kCounterTotal), increment = 1 + below(50);
    setNumber(file, kCounterTotal, total + increment);
    setNumber(file, kCounterUpdates, number(file, kCounterUpdates) + 1);
    const std::int64_t operation = ++operation_;
    const std::vector<Change> changes =
        in_transaction ? std::vector<Change>{{'c', id, increment, total}, {'m', me_, 0, 0}}
                       : std::vector<Change>{{'c', id, increment, total}};
    if (!in_transaction) log_.intent(operation, changes);
    const int put = statement(file, Operation::Put);
    if (put == kRecordChanged) {
      if (in_transaction) {
        rollback();
      } else {
        log_.failed(operation, put);
      }
      contention("changed-put");
      rereadChangedCounter(id, total);
      continue;  // read it again and retry
    }
    if (put == kAccessDenied && !held) {
      if (in_transaction) {
        rollback();
      } else {
        log_.failed(operation, put);
      }
      return contention("held-put");
    }
    expect(put, "PUT of a counter");
    if (!in_transaction) {
      log_.done(operation);
      ++statistics_["counter-puts"];
      return;
    }
    setMark(stampOf(me_, operation));
    if (chance(15)) {
      rollback();
      ++statistics_["rollbacks"];
      return;
    }
    commit(operation, changes);
    return;
  }
}

// ---- Notes: owned, changed inside and outside transactions, with a memo ----

Change Station::planNote(const std::map<std::int64_t, OwnedRecord>& model, std::int64_t stamp) {
  auto& file = *tables_.notes;
  std::int64_t id = ownAbsent(model, true);
  const int choice = below(100);
  Change change;
  if (id != 0 && (model.empty() || choice < 40)) {
    change = {'A', id, below(100000)};
    clearBuffer(file);
    setNumber(file, kNoteId, id);
    setNumber(file, kNoteOwner, me_);
  } else {
    id = ownPresent(model);
    if (chance(50)) expect(statement(file, Operation::Watch), "WATCH");
    expect(getById(file, id), "GET of an own note");
    if (const auto problem = noteProblem(); !problem.empty()) fail(problem);
    const auto& known = model.at(id);
    if (number(file, kNoteValue) != known.value || number(file, kNoteStamp) != known.stamp)
      fail("own note " + std::to_string(id) + " is not what this station wrote");
    if (choice >= 75) return {'D', id, 0};
    change = {'P', id, below(100000)};
  }
  setNumber(file, kNoteValue, change.amount);
  setNumber(file, kNoteStamp, stamp);
  setText(file, kNoteTitle, noteTitle(change.amount));
  memo(file) = noteText(change.amount, stamp);
  return change;
}

int Station::carryOutNote(std::map<std::int64_t, OwnedRecord>& model, std::int64_t stamp,
                          const Change& change) {
  auto& file = *tables_.notes;
  const Operation operation = change.kind == 'A'   ? Operation::Add
                              : change.kind == 'P' ? Operation::Put
                                                   : Operation::Delete;
  const int error = statement(file, operation);
  if (error == kRecordChanged) fail("a note only this station changes gave 89");
  if (error != 0) return error;
  if (change.kind == 'D') {
    model.erase(change.id);
  } else {
    model[change.id] = {change.amount, stamp};
  }
  return 0;
}

void Station::noteOutside() {
  step_name_ = "note change";
  auto model = notes_;
  const std::int64_t operation = ++operation_, stamp = stampOf(me_, operation);
  const Change change = planNote(model, stamp);
  log_.intent(operation, {change});
  expect(carryOutNote(model, stamp, change), "a change of an own note");
  log_.done(operation);
  notes_ = std::move(model);
}

void Station::noteTransaction() {
  step_name_ = "note transaction";
  expect(logout({tables_.marks.get(), tables_.notes.get()}), "LOGOUT");
  const std::int64_t operation = ++operation_, stamp = stampOf(me_, operation);
  setMark(stamp);
  std::vector<Change> changes{{'m', me_, 0}};
  auto model = notes_;
  if (chance(15)) addPresent(*tables_.notes, kNoteId, model);
  const int count = 1 + below(3);
  for (int i = 0; i < count; ++i) {
    const Change change = planNote(model, stamp);
    expect(carryOutNote(model, stamp, change), "a change of an own note in a transaction");
    changes.push_back(change);
  }
  if (chance(15)) {
    rollback();
    ++statistics_["rollbacks"];
    return;
  }
  commit(operation, changes);
}

// ---- Pairs: one record in each file, changed together under LOCK ----

void Station::pairTransaction() {
  step_name_ = "pair transaction";
  auto &a = *tables_.pairs_a, &b = *tables_.pairs_b;
  const int locked = lockTable(a, 2);
  if (locked == kFileAlreadyLocked) return contention("locked");
  expect(locked, "LOCK of PAIRS");
  expect(logout({&a, tables_.counters.get(), tables_.marks.get(), &b, tables_.notes.get()}), "LOGOUT");
  const std::int64_t id = 1 + below(kPairs);
  expect(hold(a, 0), "HOLD");
  expect(getById(a, id), "GET of a pair's first side under LOCK");
  expect(getById(b, id), "GET of a pair's second side");
  if (number(a, kPairTotal) != number(b, kPairTotal) || number(a, kPairStamp) != number(b, kPairStamp) ||
      text(a, kPairWho) != text(b, kPairWho)) {
    fail("pair " + std::to_string(id) + " is torn: " + std::to_string(number(a, kPairTotal)) + "/" +
         std::to_string(number(a, kPairStamp)) + " against " + std::to_string(number(b, kPairTotal)) + "/" +
         std::to_string(number(b, kPairStamp)));
  }
  const std::int64_t operation = ++operation_, stamp = stampOf(me_, operation), increment = 1 + below(9);
  const std::int64_t total = number(a, kPairTotal) + increment;
  const std::string who = "S" + std::to_string(me_) + "/" + std::to_string(operation % 1000);
  std::vector<Change> changes{{'x', id, increment, total - increment}};
  for (auto* side : {&a, &b}) {
    setNumber(*side, kPairTotal, total);
    setNumber(*side, kPairStamp, stamp);
    setText(*side, kPairWho, who);
  }
  expect(statement(a, Operation::Put), "PUT of a pair's first side");
  auto give_up = [&](const char* reason) {
    rollback();
    expect(statement(a, Operation::Unlock), "UNLOCK");
    contention(reason);
  };
  if (chance(50)) {
    auto& counters = *tables_.counters;
    const std::int64_t counter = 1 + below(kCounters);
    expect(hold(counters, 0), "HOLD");
    const int got = getById(counters, counter);
    if (got == kRecordAlreadyHeld) return give_up("held-get");
    expect(got, "GET of a counter");
    const std::int64_t counter_increment = 1 + below(50), counter_total = number(counters, kCounterTotal);
    setNumber(counters, kCounterTotal, counter_total + counter_increment);
    setNumber(counters, kCounterUpdates, number(counters, kCounterUpdates) + 1);
    expect(statement(counters, Operation::Put), "PUT of a counter this station holds");
    changes.push_back({'c', counter, counter_increment, counter_total});
  }
  setMark(stamp);
  changes.push_back({'m', me_, 0});
  // b's buffer still holds the new values and b's current record the pair.
  expect(statement(b, Operation::Put), "PUT of a pair's second side");
  if (chance(50)) {
    auto model = notes_;
    const Change change = planNote(model, stamp);
    expect(carryOutNote(model, stamp, change), "a change of an own note in a transaction");
    changes.push_back(change);
  }
  if (chance(15)) {
    rollback();
    ++statistics_["rollbacks"];
  } else {
    commit(operation, changes);
    ++statistics_["pair-commits"];
  }
  expect(statement(a, Operation::Unlock), "UNLOCK");
}

// ---- Readers ----

void Station::readShared() {
  step_name_ = "reading pairs and counters";
  auto &a = *tables_.pairs_a, &b = *tables_.pairs_b;
  const int locked = lockTable(a, 2);
  if (locked == kFileAlreadyLocked) {
    contention("locked");
  } else {
    expect(locked, "LOCK of PAIRS");
    for (std::int64_t id = 1; id <= kPairs; ++id) {
      expect(getById(a, id), "GET of a pair's first side");
      expect(getById(b, id), "GET of a pair's second side");
      if (number(a, kPairTotal) != number(b, kPairTotal) || number(a, kPairStamp) != number(b, kPairStamp) ||
          text(a, kPairWho) != text(b, kPairWho)) {
        fail("a reader under LOCK finds pair " + std::to_string(id) +
             " torn: " + std::to_string(number(a, kPairTotal)) + "/" + std::to_string(number(a, kPairStamp)) +
             " against " + std::to_string(number(b, kPairTotal)) + "/" +
             std::to_string(number(b, kPairStamp)));
      }
    }
    expect(statement(a, Operation::Unlock), "UNLOCK");
    ++statistics_["pair-reads"];
  }
  auto& counters = *tables_.counters;
  for (std::int64_t id = 1; id <= kCounters; ++id) {
    expect(getById(counters, id), "GET of a counter");
    const std::int64_t total = number(counters, kCounterTotal);
    if (total < seen_totals_[id])
      fail("counter " + std::to_string(id) + " went back from " + std::to_string(seen_totals_[id]) + " to " +
           std::to_string(total));
    if (number(counters, kCounterUpdates) > total) fail("counter " + std::to_string(id) + " is torn");
    seen_totals_[id] = total;
  }
  expect(getById(*tables_.marks, me_), "GET of the station's mark");
  if (number(*tables_.marks, kMarkStamp) != mark_) fail("the station's mark is not what it committed last");
}

// Walks ITEMS and NOTES in the order of a secondary key while others change them: every record
// read is whole, and this station's own records are all met, once each, as it left them.
void Station::scan() {
  step_name_ = "scan";
  auto walk = [&](DeclaredFile& file, int key, auto&& check) {
    OperationArguments set;
    set.key = file.file().keys.at(static_cast<std::size_t>(key));
    expect(statement(file, Operation::SetKey, set), "SET");
    std::set<std::int64_t> own;
    for (int read = 0; read < 5000; ++read) {
      const int next = statement(file, Operation::Next);
      if (next == kRecordNotAvailable) break;
      expect(next, "NEXT");
      const std::int64_t id = number(file, 0);
      check(id);
      if (ownerOfItem(id) == me_ && !own.insert(id).second)
        fail("NEXT met record " + std::to_string(id) + " twice");
    }
    return own;
  };
  const auto items = walk(*tables_.items, 1, [&](std::int64_t id) {
    if (ownerOfItem(id) != me_) {
      if (const auto problem = itemProblem(); !problem.empty()) fail(problem);
      return;
    }
    if (items_.count(id) == 0) fail("own item " + std::to_string(id) + " is there after its DELETE");
    expectOwnItem(id);
  });
  if (items.size() != items_.size())
    fail("the NAME_KEY walk met " + std::to_string(items.size()) + " own items of " +
         std::to_string(items_.size()));
  const auto notes = walk(*tables_.notes, 1, [&](std::int64_t id) {
    if (const auto problem = noteProblem(); !problem.empty()) fail(problem);
    if (ownerOfItem(id) != me_) return;
    const auto known = notes_.find(id);
    if (known == notes_.end() || number(*tables_.notes, kNoteStamp) != known->second.stamp)
      fail("own note " + std::to_string(id) + " is not what this station wrote");
  });
  std::size_t titled = 0;
  for (const auto& [id, note] : notes_) titled += noteTitle(note.value).empty() ? 0U : 1U;
  if (notes.size() != titled)
    fail("the TITLE_KEY walk met " + std::to_string(notes.size()) + " own notes of " +
         std::to_string(titled));
  ++statistics_["scans"];
}

// Closes every table and opens it again, as a procedure that ends and another that starts do:
// the last table closed closes the storage file, and the next open reads it afresh.
void Station::reopen() {
  step_name_ = "reopening";
  closeAll();
  openAll();
  verifyOwnRecords();
  ++statistics_["reopens"];
}

// An operation on a whole table or file (stations_torture_whole_file.h).
void Station::wholeFile() {
  step_name_ = "whole-file operation";
  WholeFileStation station{options_.directory, me_, tables_, items_, statistics_};
  runWholeFileOperation(station, random_);
}

// ---- Restart ----

bool Station::appliedBeforeKill(const Intent& intent) {
  const std::int64_t stamp = stampOf(me_, intent.operation);
  for (const auto& change : intent.changes) {
    if (change.kind == 'm') {
      expect(getById(*tables_.marks, me_), "GET of the station's mark");
      return number(*tables_.marks, kMarkStamp) == stamp;
    }
  }
  if (intent.changes.size() != 1) fail("an intent of several changes without a mark");
  const Change& change = intent.changes.front();
  const bool item = change.kind == 'a' || change.kind == 'p' || change.kind == 'd';
  if (!item && change.kind != 'A' && change.kind != 'P' && change.kind != 'D')
    fail(std::string("cannot tell whether a change of kind ") + change.kind + " was applied");
  auto& file = item ? *tables_.items : *tables_.notes;
  const int got = getById(file, change.id);
  if (got != 0 && got != kRecordNotFound) expect(got, "GET of an own record after a restart");
  if (change.kind == 'd' || change.kind == 'D') return got == kRecordNotFound;
  return got == 0 &&
         number(file, item ? static_cast<int>(kItemStamp) : static_cast<int>(kNoteStamp)) == stamp;
}

void Station::restore() {
  step_name_ = "restart";
  std::string why;
  auto log = readStationLog(stationLogPath(options_.directory, me_), why);
  if (!log) fail(why);
  operation_ = log->last_operation;
  int unresolved = 0;
  for (auto& intent : log->intents) {
    if (intent.outcome != Outcome::Unknown) continue;
    if (++unresolved > 1) fail("more than one unresolved intent in the log");
    const bool applied = appliedBeforeKill(intent);
    log_.resolved(intent.operation, applied);
    intent.outcome = applied ? Outcome::Applied : Outcome::NotApplied;
    ++statistics_[applied ? "resolved-applied" : "resolved-not-applied"];
  }
  for (const auto& intent : log->intents) {
    if (intent.outcome == Outcome::Applied) applyOwn(intent.changes, stampOf(me_, intent.operation));
  }
  verifyOwnRecords();
}

void Station::verifyOwnRecords() {
  for (int slot = 0; slot < kItemsPerStation; ++slot) {
    const std::int64_t id = itemId(me_, slot);
    const int got = getById(*tables_.items, id);
    if (got == kRecordNotFound && items_.count(id) == 0) continue;
    expect(got, "GET of an own item");
    if (items_.count(id) == 0) fail("own item " + std::to_string(id) + " is there after its DELETE");
    expectOwnItem(id);
  }
  for (int slot = 0; slot < kNotesPerStation; ++slot) {
    const std::int64_t id = noteId(me_, slot);
    const int got = getById(*tables_.notes, id);
    if (got == kRecordNotFound && notes_.count(id) == 0) continue;
    expect(got, "GET of an own note");
    const auto known = notes_.find(id);
    if (known == notes_.end() || number(*tables_.notes, kNoteStamp) != known->second.stamp ||
        number(*tables_.notes, kNoteValue) != known->second.value)
      fail("own note " + std::to_string(id) + " is not what this station wrote");
    if (const auto problem = noteProblem(); !problem.empty()) fail(problem);
  }
  expect(getById(*tables_.marks, me_), "GET of the station's mark");
  if (number(*tables_.marks, kMarkStamp) != mark_) fail("the station's mark is not what it committed last");
}

void Station::run() {
  openAll();
  if (options_.incarnation > 0) restore();
  std::uint64_t steps = 0;
  for (;;) {
    if (options_.steps ? steps >= *options_.steps : std::chrono::steady_clock::now() >= options_.deadline)
      break;
    ++steps;
    const int choice = below(100);
    if (choice < 12)
      addItem();
    else if (choice < 26)
      changeItem();
    else if (choice < 32)
      deleteItem();
    else if (choice < 42)
      holdAnyItem();
    else if (choice < 56)
      incrementCounter();
    else if (choice < 68)
      pairTransaction();
    else if (choice < 76)
      noteOutside();
    else if (choice < 84)
      noteTransaction();
    else if (choice < 94)
      readShared();
    else if (choice < 96)
      scan();
    else if (choice < 98)
      wholeFile();
    else
      reopen();
    ++statistics_["steps"];
    // Counted as the station goes, so that a kill loses only the last few steps' counts.
    if (steps % 64 == 0) {
      log_.statistics(statistics_);
      statistics_.clear();
    }
  }
  step_name_ = "end";
  verifyOwnRecords();
  closeAll();
  log_.statistics(statistics_);
}

}  // namespace

int createFiles(const std::string& directory, int stations) {
  Tables tables(directory);
  std::string failure;
  auto check = [&](int error, const std::string& what) {
    if (error != 0 && failure.empty()) failure = what + " gave " + describeError(error);
  };
  for (auto* table : tables.all()) {
    check(statement(*table, Operation::Create), "CREATE of " + table->file().label);
    check(openShared(*table), "OPEN of " + table->file().label);
  }
  auto add = [&](DeclaredFile& file, std::int64_t id) {
    clearBuffer(file);
    setNumber(file, 0, id);
    check(statement(file, Operation::Add), "ADD to " + file.file().label);
  };
  for (std::int64_t id = 1; id <= kCounters; ++id) add(*tables.counters, id);
  for (int station = 0; station < stations; ++station) add(*tables.marks, station);
  for (std::int64_t id = 1; id <= kPairs; ++id) {
    add(*tables.pairs_a, id);
    add(*tables.pairs_b, id);
  }
  for (auto* table : tables.all()) check(statement(*table, Operation::Close), "CLOSE");
  if (failure.empty()) return 0;
  std::cout << "storage_stations_torture: creating the files: " << failure << std::endl;
  return 1;
}

int runStation(const StationOptions& options) {
  try {
    Station station(options);
    station.run();
  } catch (const std::exception& failure) {
    std::cout << "storage_stations_torture: seed " << options.seed << ": station " << options.station
              << " (run " << options.incarnation + 1 << "): " << failure.what() << std::endl;
    return 1;
  }
  return 0;
}

}  // namespace veltrano::torture
