#include "storage/wendlock_tables.h"

#include "storage/storage_failure.h"
#include "storage/wendlock_entries.h"
#include "storage/wendlock_table.h"

namespace veltrano::storage {

std::optional<std::uint32_t> findTable(EntryTree& tree, std::string_view upper_name) {
  Entry entry;
  if (!tree.find(entries::nameKey(upper_name), entry)) return std::nullopt;
  if (entry.data().size() != 4) fail(kFailureDefinition);
  return entries::big32(entry.data().data());
}

std::vector<TableListing> listTables(EntryTree& tree) {
  std::vector<TableListing> tables;
  Entry entry;
  const std::uint8_t start[1] = {entries::kNameKind};
  bool found = tree.seek(start, Seek::AtOrAfter, entry);
  while (found && entry.key_length >= 1 && entry.bytes[0] == entries::kNameKind) {
    if (entry.data().size() != 4) fail(kFailureDefinition);
    TableListing listing;
    listing.name.assign(entry.bytes.begin() + 1,
                        entry.bytes.begin() + static_cast<std::ptrdiff_t>(entry.key_length));
    listing.number = entries::big32(entry.data().data());
    tables.push_back(std::move(listing));
    const std::vector<std::uint8_t> key(entry.key().begin(), entry.key().end());
    found = tree.seek(key, Seek::After, entry);
  }
  return tables;
}

std::vector<std::uint8_t> readDefinitionStream(EntryTree& tree, std::uint32_t table) {
  std::vector<std::uint8_t> stream;
  Entry entry;
  for (std::uint32_t chunk = 0; chunk <= 0xFFFF; ++chunk) {
    if (!tree.find(entries::definitionKey(table, static_cast<std::uint16_t>(chunk)), entry)) break;
    stream.insert(stream.end(), entry.data().begin(), entry.data().end());
    if (entry.data().size() < entries::kDefinitionChunkBytes) break;
  }
  return stream;
}

std::optional<TableDefinition> readTableDefinition(EntryTree& tree, std::uint32_t table,
                                                   std::string* problem) {
  const auto stream = readDefinitionStream(tree, table);
  if (stream.empty()) {
    if (problem) *problem = "no definition";
    return std::nullopt;
  }
  return readDefinition(stream, problem);
}

namespace {

void eraseTableEntries(EntryTree& tree, std::uint32_t table) {
  std::uint8_t prefix[4];
  entries::putBig32(prefix, table);
  Entry entry;
  entries::eraseAll(tree, prefix, entry);
}

}  // namespace

std::uint32_t createTable(EntryTree& tree, std::string_view upper_name, const TableDefinition& definition) {
  if (const auto old = findTable(tree, upper_name)) removeTable(tree, upper_name, *old);
  const std::uint32_t table = takeNumber(tree);
  std::uint8_t number[4];
  entries::putBig32(number, table);
  tree.insert(entries::nameKey(upper_name), number);
  const auto stream = writeDefinition(definition);
  std::uint16_t chunk = 0;
  std::size_t at = 0;
  // A stream of an exact multiple of 512 bytes ends with an empty chunk, so that a reader knows
  // where it ends.
  for (;;) {
    const std::size_t take = std::min(entries::kDefinitionChunkBytes, stream.size() - at);
    tree.insert(entries::definitionKey(table, chunk),
                std::span<const std::uint8_t>(stream.data() + at, take));
    at += take;
    ++chunk;
    if (take < entries::kDefinitionChunkBytes) break;
  }
  std::uint8_t zero[8] = {};
  tree.insert(entries::counterKey(table, entries::kRecordCounterSelector), zero);
  for (std::size_t key = 0; key < definition.keys.size(); ++key) {
    tree.insert(entries::counterKey(table, static_cast<std::uint8_t>(key)), zero);
  }
  return table;
}

void removeTable(EntryTree& tree, std::string_view upper_name, std::uint32_t table) {
  eraseTableEntries(tree, table);
  tree.erase(entries::nameKey(upper_name));
}

void renameTable(EntryTree& tree, std::string_view upper_name, std::uint32_t table,
                 std::string_view new_upper_name) {
  if (const auto other = findTable(tree, new_upper_name); other && *other != table) {
    removeTable(tree, new_upper_name, *other);
  }
  tree.erase(entries::nameKey(upper_name));
  std::uint8_t number[4];
  entries::putBig32(number, table);
  tree.insert(entries::nameKey(new_upper_name), number);
}

}  // namespace veltrano::storage
