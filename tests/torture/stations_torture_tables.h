// The tables the stations of storage_stations_torture share, and the rules that tie a record's
// fields to each other so that any station can tell a whole record from a torn one.
//
// ALPHA.WLK holds ITEMS (records owned by one station each), COUNTERS (incremented by all),
// MARKS (one record per station: the stamp of its last committed transaction) and one side of
// PAIRS; BETA.WLK holds NOTES (owned records with a memo) and the other side of PAIRS. A pair is
// only ever changed by a transaction over both files, so both sides always agree.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/declared_file.h"
#include "storage/driver.h"

namespace veltrano::torture {

inline constexpr int kItemsPerStation = 40;
inline constexpr int kNotesPerStation = 24;
inline constexpr int kCounters = 4;
inline constexpr int kPairs = 4;

// Ids of the records a station owns: disjoint ranges per station.
inline std::int64_t itemId(int station, int slot) {
  return 1000L * (station + 1) + slot;
}
inline std::int64_t noteId(int station, int slot) {
  return 1000L * (station + 1) + 500 + slot;
}
inline int ownerOfItem(std::int64_t id) {
  return static_cast<int>(id / 1000) - 1;
}

// Every write a station makes carries a stamp unique across stations: the station and its
// operation number.
inline std::int64_t stampOf(int station, std::int64_t operation) {
  return 10000000L * (station + 1) + operation;
}

// What an item's dependent fields must hold.
std::int64_t itemCheck(std::int64_t id, std::int64_t value, std::int64_t stamp);
std::string itemName(std::int64_t value);  // code page 1251, Latin and Cyrillic, mixed case
// Empty when the file's record buffer holds a whole item (ITEMS or a copy of it), else what is
// wrong with it.
std::string itemProblem(storage::DeclaredFile& file);
// What a note's title and memo must hold; a blank title leaves the note out of its OPT key.
std::string noteTitle(std::int64_t value);
std::vector<std::uint8_t> noteText(std::int64_t value, std::int64_t stamp);

// Field numbers (0-based) of each table.
enum ItemField { kItemId, kItemOwner, kItemValue, kItemStamp, kItemCheck, kItemName };
enum CounterField { kCounterId, kCounterTotal, kCounterUpdates };
enum MarkField { kMarkStation, kMarkStamp };
enum PairField { kPairId, kPairTotal, kPairStamp, kPairWho };
enum NoteField { kNoteId, kNoteOwner, kNoteValue, kNoteStamp, kNoteTitle };

// The six tables, declared as a station's program declares them (nothing is opened).
struct Tables {
  explicit Tables(const std::string& directory);

  std::unique_ptr<storage::DeclaredFile> items, counters, marks, pairs_a, notes, pairs_b;

  std::vector<storage::DeclaredFile*> all() {
    return {items.get(), counters.get(), marks.get(), pairs_a.get(), notes.get(), pairs_b.get()};
  }
};

// A table with ITEMS' record under another name in ALPHA.WLK or BETA.WLK: a station's own place
// for the operations on whole tables (CREATE over it, COPY into it, RENAME, EMPTY, REMOVE).
std::unique_ptr<storage::DeclaredFile> itemsLikeTable(const std::string& storage_path,
                                                      const std::string& name);

std::string alphaPath(const std::string& directory);
std::string betaPath(const std::string& directory);

// File statements: the error posted (0 = success).
int statement(storage::DeclaredFile& file, storage::Operation operation,
              storage::OperationArguments arguments = {});
int openShared(storage::DeclaredFile& file);  // 0x42: read and write, shared with all
int hold(storage::DeclaredFile& file, std::int32_t seconds);
int lockTable(storage::DeclaredFile& file, std::int32_t seconds);
// GET by the primary key (the first field) with the requests made before it.
int getById(storage::DeclaredFile& file, std::int64_t id);
// LOGOUT naming `members`.
int logout(const std::vector<storage::DeclaredFile*>& members);
// The posted error with its file error, for reports.
std::string describeError(int code);

std::int64_t number(storage::DeclaredFile& file, int field);
void setNumber(storage::DeclaredFile& file, int field, std::int64_t value);
std::string text(storage::DeclaredFile& file, int field);  // trailing blanks removed
void setText(storage::DeclaredFile& file, int field, const std::string& value);
void clearBuffer(storage::DeclaredFile& file);
std::vector<std::uint8_t> image(storage::DeclaredFile& file);  // the record buffer and memos
std::vector<std::uint8_t>& memo(storage::DeclaredFile& file);

}  // namespace veltrano::torture
