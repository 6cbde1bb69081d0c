// The file the change history of the cards is kept in, ISTORIYA in the data directory beside the
// dictionary's files, declared the way they are (created when missing, strings stored in the OEM
// code page) but with one instance for the whole program: the history is only ever added to
// inside one change, or read through at once.
//
// One record per change: its number (one more than the highest the station saw, the order of
// the history; two stations changing at the same moment may give theirs the same number), the
// date and time, the station and the operating-system user that made it, the file
// and the employee's number, what was done, and in the memo one line per changed field:
//
//   label TAB old value TAB new value LF
//
// with backslash, tab and line feed inside a value written as \\, \t and \n.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/dictionary/dictionary_tables.h"
#include "framework/change_history.h"
#include "storage/declared_file.h"
#include "storage/driver.h"

namespace veltrano::app::history {

inline constexpr std::string_view kHistoryLabel = "ISTORIYA";

const FileSpec& historyFileSpec();
// The history file of a data directory (1251; empty for the working directory).
std::unique_ptr<storage::DeclaredFile> declareHistoryFile(storage::Driver& driver,
                                                          std::string_view directory);

struct FieldChange {
  std::string label;  // "KAR:FAM", "KAR:PROF[2]"
  std::string old_value;
  std::string new_value;
  bool operator==(const FieldChange&) const = default;
};

struct HistoryEntry {
  std::int32_t number = 0;
  std::int32_t date = 0;  // date serial
  std::int32_t time = 0;  // time serial
  std::string station;
  std::string user;
  std::string file;
  std::int64_t employee = 0;
  framework::Change change = framework::Change::kUpdate;
  std::vector<FieldChange> fields;
};

std::string encodeFieldChanges(const std::vector<FieldChange>& fields);
// Lines that do not hold three parts are skipped: a damaged memo loses those lines, not the rest.
std::vector<FieldChange> decodeFieldChanges(std::string_view text);

// What was done, as the lists show it: "добавление", "изменение", "удаление" (1251).
std::string changeText(framework::Change change);

// Every entry of an open history file, or those of one employee, newest first. The runtime's
// error code of a failed read in *error (0 when the file was read to its end).
std::vector<HistoryEntry> readHistory(storage::DeclaredFile& history, const std::int64_t* employee,
                                      int* error);

}  // namespace veltrano::app::history
