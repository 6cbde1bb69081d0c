// The tables of one storage file: their name entries, numbers, definitions and counters.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/definition_stream.h"
#include "storage/entry_tree.h"

namespace veltrano::storage {

// Storage failure raised for a table whose name entry or definition is damaged.
inline constexpr int kFailureDefinition = 3104;

struct TableListing {
  std::string name;  // upper case, code page 1251
  std::uint32_t number = 0;
};

// The number of the table with this (upper-case) name.
std::optional<std::uint32_t> findTable(EntryTree& tree, std::string_view upper_name);
// Every table, in name order.
std::vector<TableListing> listTables(EntryTree& tree);
// The table's definition stream, its chunks put together; empty when there is none.
std::vector<std::uint8_t> readDefinitionStream(EntryTree& tree, std::uint32_t table);
// The table's definition, or nullopt when the stream is missing or damaged.
std::optional<TableDefinition> readTableDefinition(EntryTree& tree, std::uint32_t table,
                                                   std::string* problem);

// Creates the table (replacing a table of that name, whose entries all go) with a new number:
// its name entry, definition chunks, record counter and one counter per key.
std::uint32_t createTable(EntryTree& tree, std::string_view upper_name, const TableDefinition& definition);
// Removes every entry of the table and its name entry.
void removeTable(EntryTree& tree, std::string_view upper_name, std::uint32_t table);
// Gives the table another name (its number and contents stay).
void renameTable(EntryTree& tree, std::string_view upper_name, std::uint32_t table,
                 std::string_view new_upper_name);

}  // namespace veltrano::storage
