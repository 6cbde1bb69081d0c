#include "storage/wendlock_check.h"

#include <map>
#include <set>

#include "storage/memo_chunks.h"
#include "storage/page_file.h"
#include "storage/storage_failure.h"
#include "storage/wendlock_driver.h"
#include "storage/wendlock_entries.h"
#include "storage/wendlock_tables.h"

namespace veltrano::storage {
namespace {

using entries::big32;

std::string hex(std::span<const std::uint8_t> bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < bytes.size() && i < 24; ++i) {
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 15];
  }
  if (bytes.size() > 24) out += "...";
  return out;
}

// Walks every entry once, in order, checking that the order holds.
void checkOrder(EntryTree& tree, std::vector<CheckProblem>& problems,
                std::map<std::uint32_t, std::size_t>& entries_per_table) {
  Entry entry;
  std::vector<std::uint8_t> previous;
  bool found = tree.seek(std::span<const std::uint8_t>(), Seek::AtOrAfter, entry);
  std::size_t count = 0;
  while (found) {
    if (count > 0 && compareKeys(previous, entry.key()) >= 0) {
      problems.push_back(CheckProblem{"entries out of order at key " + hex(entry.key())});
      return;
    }
    previous.assign(entry.key().begin(), entry.key().end());
    if (entry.key_length >= 4 && entry.bytes[0] < entries::kNameKind)
      ++entries_per_table[big32(entry.bytes.data())];
    ++count;
    found = tree.seek(previous, Seek::After, entry);
  }
}

void checkTable(EntryTree& tree, const TableListing& listing, bool oem, std::vector<CheckProblem>& problems,
                std::size_t& accounted) {
  const std::string where = "table " + listing.name + " (" + std::to_string(listing.number) + "): ";
  std::string problem;
  const auto definition = readTableDefinition(tree, listing.number, &problem);
  if (!definition) {
    problems.push_back(CheckProblem{where + "definition unreadable: " + problem});
    return;
  }
  accounted += (readDefinitionStream(tree, listing.number).size() / entries::kDefinitionChunkBytes) + 1;
  const auto layout = layoutOf(*definition);
  if (!layout) {
    problems.push_back(CheckProblem{where + "definition describes no record layout"});
    return;
  }
  const std::uint32_t table_number = listing.number;
  Entry entry;
  std::uint32_t record_count = 0, record_second = 0;
  if (!tree.find(entries::counterKey(table_number, entries::kRecordCounterSelector), entry) ||
      entry.data().size() != 8) {
    problems.push_back(CheckProblem{where + "record counter missing or damaged"});
    return;
  }
  record_count = entries::little32(entry.data().data());
  record_second = entries::little32(entry.data().data() + 4);
  (void)record_second;
  ++accounted;
  WendlockTable table(tree, table_number, tableShapeOf(*definition, *layout, oem));
  // Every data record: its size, and the key entries it should have.
  std::vector<std::uint8_t> record(layout->size());
  std::vector<std::uint32_t> marks(definition->keys.size(), 0);
  for (std::size_t k = 0; k < definition->keys.size(); ++k) {
    if (!tree.find(entries::counterKey(table_number, static_cast<std::uint8_t>(k)), entry) ||
        entry.data().size() != 8) {
      problems.push_back(CheckProblem{where + "counter of key " + std::to_string(k) + " missing or damaged"});
      return;
    }
    ++accounted;
    marks[k] = entries::little32(entry.data().data() + 4);
  }
  std::vector<std::set<std::vector<std::uint8_t>>> expected(definition->keys.size());
  std::map<std::vector<std::uint8_t>, std::vector<std::uint8_t>> expected_data;
  std::set<std::uint32_t> records;
  const auto records_prefix = entries::tablePrefix(table_number, entries::kRecordKind);
  bool found = tree.seek(records_prefix, Seek::AtOrAfter, entry);
  std::vector<std::uint8_t> key, data;
  while (found && entries::startsWith(entry.key(), records_prefix)) {
    const std::vector<std::uint8_t> at(entry.key().begin(), entry.key().end());
    if (entry.key_length != 9 || entry.data().size() != layout->size()) {
      problems.push_back(CheckProblem{where + "data record of the wrong shape at " + hex(entry.key())});
    } else {
      const std::uint32_t number = big32(entry.bytes.data() + 5);
      records.insert(number);
      table.shape().image.toBuffer(entry.data(), record);
      for (std::size_t k = 0; k < definition->keys.size(); ++k) {
        const bool dynamic = (definition->keys[k].attributes & kStoredKeyDynamic) != 0;
        if (dynamic || (marks[k] != 0 && number >= marks[k])) continue;
        if (!table.keyEntryOf(static_cast<int>(k), record, number, key, data)) continue;
        if (!expected[k].insert(key).second) {
          problems.push_back(CheckProblem{where + "records collide in unique key " +
                                          definition->keys[k].name.value_or("?")});
        }
        expected_data[key] = data;
      }
    }
    ++accounted;
    found = tree.seek(at, Seek::After, entry);
  }
  // Every number in use was issued by the file's counter: one beyond it would be given out again.
  if (!records.empty() && *records.rbegin() > tree.lastNumber()) {
    problems.push_back(CheckProblem{where + "record number " + std::to_string(*records.rbegin()) +
                                    " is in use, but the file's number counter is at " +
                                    std::to_string(tree.lastNumber())});
  }
  if (records.size() != record_count) {
    problems.push_back(CheckProblem{where + "record counter says " + std::to_string(record_count) +
                                    ", the table holds " + std::to_string(records.size())});
  }
  // Every key: exactly the entries expected, and its counter.
  for (std::size_t k = 0; k < definition->keys.size(); ++k) {
    const auto prefix = entries::tablePrefix(table_number, static_cast<std::uint8_t>(k));
    const std::string key_name = definition->keys[k].name.value_or("?");
    const bool dynamic = (definition->keys[k].attributes & kStoredKeyDynamic) != 0;
    std::size_t held = 0;
    found = tree.seek(prefix, Seek::AtOrAfter, entry);
    while (found && entries::startsWith(entry.key(), prefix)) {
      const std::vector<std::uint8_t> at(entry.key().begin(), entry.key().end());
      ++held;
      ++accounted;
      if (!dynamic) {
        if (expected[k].erase(at) == 0) {
          problems.push_back(
              {where + "key " + key_name + " holds an entry no record gives: " + hex(at), true});
        } else if (!std::equal(entry.data().begin(), entry.data().end(), expected_data[at].begin(),
                               expected_data[at].end())) {
          problems.push_back({where + "key " + key_name + " entry names the wrong record: " + hex(at), true});
        }
      }
      found = tree.seek(at, Seek::After, entry);
    }
    if (!dynamic && !expected[k].empty()) {
      problems.push_back(
          {where + "key " + key_name + " lacks " + std::to_string(expected[k].size()) + " entries", true});
    }
    tree.find(entries::counterKey(table_number, static_cast<std::uint8_t>(k)), entry);
    if (entries::little32(entry.data().data()) != held) {
      problems.push_back({where + "counter of key " + key_name + " says " +
                              std::to_string(entries::little32(entry.data().data())) + ", the key holds " +
                              std::to_string(held),
                          true});
    }
  }
  // Memo chunks: of existing records and declared memos, numbered without gaps.
  const auto memo_prefix = entries::tablePrefix(table_number, entries::kMemoKind);
  found = tree.seek(memo_prefix, Seek::AtOrAfter, entry);
  std::vector<std::uint8_t> contents;
  Entry scratch;
  while (found && entries::startsWith(entry.key(), memo_prefix)) {
    const std::vector<std::uint8_t> at(entry.key().begin(), entry.key().end());
    if (at.size() != 12 || !records.count(big32(at.data() + 5)) || at[9] >= definition->memos.size()) {
      problems.push_back(CheckProblem{where + "memo chunk of no record or memo: " + hex(at)});
      ++accounted;
      found = tree.seek(at, Seek::After, entry);
      continue;
    }
    const MemoPlace place{table_number, big32(at.data() + 5), at[9],
                          (definition->memos[at[9]].attributes & 0x04) != 0};
    if (!readMemoChunks(tree, place, contents, scratch)) {
      problems.push_back(CheckProblem{where + "memo " + std::to_string(at[9]) + " of record " +
                                      std::to_string(place.record) + " is damaged"});
    }
    // Skip to after the last chunk of this memo.
    auto last = entries::memoKey(table_number, place.record, place.memo, 0xFFFF);
    const auto first = entries::memoKey(table_number, place.record, place.memo, 0);
    found = tree.seek(first, Seek::AtOrAfter, entry);
    while (found && entries::startsWith(entry.key(), std::span<const std::uint8_t>(first.data(), 10))) {
      ++accounted;
      found =
          tree.seek(std::vector<std::uint8_t>(entry.key().begin(), entry.key().end()), Seek::After, entry);
    }
    found = tree.seek(last, Seek::After, entry);
  }
}

}  // namespace

std::vector<CheckProblem> checkFile(EntryTree& tree, bool oem) {
  std::vector<CheckProblem> problems;
  try {
    // The pages first: a tree that has lost pages can look whole entry by entry.
    if (auto* pages = dynamic_cast<PageFile*>(&tree)) {
      for (auto& text : pages->checkPages()) problems.push_back(CheckProblem{std::move(text)});
      if (!problems.empty()) return problems;
    }
    // Numbers whose first byte reached 0xFE would sort among the name entries: none is ever given.
    if ((tree.lastNumber() >> 24) >= 0xFE) {
      problems.push_back(CheckProblem{"the file's number counter is at " + std::to_string(tree.lastNumber()) +
                                      ", beyond the last number a file may give out"});
    }
    std::map<std::uint32_t, std::size_t> entries_per_table;
    checkOrder(tree, problems, entries_per_table);
    if (!problems.empty()) return problems;
    const auto tables = listTables(tree);
    std::set<std::uint32_t> numbers;
    for (const auto& table : tables) {
      if (!numbers.insert(table.number).second) {
        problems.push_back(
            CheckProblem{"table " + table.name + ": number " + std::to_string(table.number) + " used twice"});
        continue;
      }
      if (table.number > tree.lastNumber()) {
        problems.push_back(CheckProblem{
            "table " + table.name + ": table number " + std::to_string(table.number) +
            " is in use, but the file's number counter is at " + std::to_string(tree.lastNumber())});
      }
      // The OEM attribute is the declaration's, not the file's: a table whose keys do not fit
      // the Windows character set is checked again as an OEM table.
      std::size_t accounted = 0;
      std::vector<CheckProblem> found;
      checkTable(tree, table, oem, found, accounted);
      if (!found.empty()) {
        std::vector<CheckProblem> as_other;
        std::size_t other_accounted = 0;
        checkTable(tree, table, !oem, as_other, other_accounted);
        if (as_other.size() < found.size()) {
          found = std::move(as_other);
          accounted = other_accounted;
        }
      }
      const bool table_sound = found.empty();
      problems.insert(problems.end(), found.begin(), found.end());
      if (accounted != entries_per_table[table.number] && table_sound) {
        problems.push_back(CheckProblem{"table " + table.name + ": " +
                                        std::to_string(entries_per_table[table.number] -
                                                       std::min(accounted, entries_per_table[table.number])) +
                                        " entries of no known kind"});
      }
      entries_per_table.erase(table.number);
    }
    for (const auto& [number, count] : entries_per_table) {
      problems.push_back(CheckProblem{std::to_string(count) + " entries of table number " +
                                      std::to_string(number) + ", which has no name"});
    }
  } catch (const StorageFailure& failure) {
    problems.push_back(
        CheckProblem{"storage failure " + std::to_string(failure.number()) + " while reading the file"});
  }
  return problems;
}

std::vector<std::string> checkEntries(EntryTree& tree, bool oem) {
  std::vector<std::string> texts;
  for (auto& problem : checkFile(tree, oem)) texts.push_back(std::move(problem.text));
  return texts;
}

}  // namespace veltrano::storage
