// The employee's records of a child file in the order the card's child lists walk them: by a
// date key from the last entry to the first, so the latest record comes first.
//
// The lists walk the whole file by the date key and skip other employees' records. Here the
// employee's records are found through the file's employee-number key and put in that same
// order — the date descending and, among equal dates, the record added later first, as a DUP key
// orders equal values by record number — so that a card's refresh costs the employee's
// records, not the whole file. A date key is OPT: a record whose key fields are all empty has no
// entry in it, so the walk never meets it and neither does this.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "app/dictionary/dictionary.h"
#include "framework/level.h"

namespace veltrano::app {

struct ChildFileWalk {
  std::string_view file;        // "RABOTA"
  std::string_view number_key;  // "RAB:NUM_KEY": the employee number alone
  std::string_view number;      // "RAB:NUM"
  std::string_view date;        // "RAB:DATA": the date the walk is ordered by
  // The walked key also holds the employee number (RAB:DAT_KEY), so records without a date are
  // in it, before the dated ones.
  bool number_in_walked_key = false;
};

struct ChildRecord {
  std::int32_t date = 0;
  std::uint32_t pointer = 0;  // the record number, to read the record again
};

// Reads the employee's records (the file's buffer is left holding the last one read); `visit`
// is called with the buffer holding each record, and the records come back latest first.
// Returns 0, or the level of a failed read. REQUIRES: the file is open on this thread.
template <typename Visit>
framework::Level employeeRecordsLatestFirst(Dictionary& dictionary, const ChildFileWalk& walk,
                                            std::int64_t employee, std::vector<ChildRecord>& records,
                                            Visit&& visit);

// Reads the record at `pointer` into the file's buffer; the runtime's error code.
int readChildRecord(Dictionary& dictionary, std::string_view file, std::uint32_t pointer);

namespace detail {
// Positions the file's employee-number key at `employee` and reads the first record; the level
// of the read (5 at the end of the file).
framework::Level firstOfEmployee(Dictionary& dictionary, const ChildFileWalk& walk, std::int64_t employee);
bool belongsTo(Dictionary& dictionary, const ChildFileWalk& walk, std::int64_t employee);
ChildRecord currentRecord(Dictionary& dictionary, const ChildFileWalk& walk);
void sortLatestFirst(std::vector<ChildRecord>& records);
}  // namespace detail

template <typename Visit>
framework::Level employeeRecordsLatestFirst(Dictionary& dictionary, const ChildFileWalk& walk,
                                            std::int64_t employee, std::vector<ChildRecord>& records,
                                            Visit&& visit) {
  records.clear();
  framework::TableManager& manager = dictionary.manager(walk.file);
  framework::Level level = detail::firstOfEmployee(dictionary, walk, employee);
  while (level == framework::kLevelBenign && detail::belongsTo(dictionary, walk, employee)) {
    const ChildRecord record = detail::currentRecord(dictionary, walk);
    if (record.date != 0 || walk.number_in_walked_key) {
      records.push_back(record);
      visit(record);
    }
    level = manager.NextQuiet();
  }
  if (level != framework::kLevelBenign && !manager.AtFileEnd()) return level;
  detail::sortLatestFirst(records);
  return framework::kLevelBenign;
}

}  // namespace veltrano::app
