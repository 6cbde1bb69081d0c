#include "storage/wendlock_key_order.h"

#include <set>

#include "storage/wendlock_driver.h"
#include "storage/wendlock_entries.h"
#include "storage/wendlock_tables.h"

namespace veltrano::storage {
namespace {

using runtime::TypeCode;

bool hasTextComponent(const KeyDefinition& key, const runtime::RecordLayout& layout) {
  for (const auto& component : key.components) {
    switch (layout.field(component.position).type) {
      case TypeCode::String:
      case TypeCode::Cstring:
      case TypeCode::Pstring:
      case TypeCode::Group: return true;
      default: break;
    }
  }
  return false;
}

// The records key `k` of the table names: the last four bytes of a DUP key's entry, a unique
// key's data.
std::set<std::uint32_t> namedRecords(EntryTree& tree, std::uint32_t table, std::size_t k, bool unique) {
  std::set<std::uint32_t> named;
  const auto prefix = entries::tablePrefix(table, static_cast<std::uint8_t>(k));
  Entry entry;
  bool found = tree.seek(prefix, Seek::AtOrAfter, entry);
  while (found && entries::startsWith(entry.key(), prefix)) {
    const auto number = unique ? entry.data() : entry.key().last(std::min<std::size_t>(4, entry.key_length));
    if (number.size() == 4) named.insert(entries::big32(number.data()));
    const std::vector<std::uint8_t> at(entry.key().begin(), entry.key().end());
    found = tree.seek(at, Seek::After, entry);
  }
  return named;
}

}  // namespace

std::vector<KeyOrderDisagreement> keyOrderDisagreements(EntryTree& tree, bool oem,
                                                        std::string_view only_table, std::size_t sample) {
  std::vector<KeyOrderDisagreement> disagreements;
  for (const auto& listing : listTables(tree)) {
    if (!only_table.empty() && listing.name != only_table) continue;
    std::string problem;
    const auto definition = readTableDefinition(tree, listing.number, &problem);
    if (!definition) continue;  // the full check reports it
    const auto layout = layoutOf(*definition);
    if (!layout) continue;
    WendlockTable as_given(tree, listing.number, tableShapeOf(*definition, *layout, oem));
    WendlockTable as_other(tree, listing.number, tableShapeOf(*definition, *layout, !oem));
    std::vector<std::uint8_t> given_buffer(layout->size()), other_buffer(layout->size());
    std::vector<std::uint8_t> key, data;
    Entry entry;
    for (std::size_t k = 0; k < definition->keys.size(); ++k) {
      const auto& key_definition = definition->keys[k];
      if ((key_definition.attributes & kStoredKeyDynamic) != 0 || !hasTextComponent(key_definition, *layout))
        continue;
      const bool unique = (key_definition.attributes & kStoredKeyDup) == 0;
      const auto named = namedRecords(tree, listing.number, k, unique);
      KeyOrderDisagreement found{listing.name, key_definition.name.value_or("?")};
      std::size_t other_missing = 0;
      for (auto record = named.begin(); record != named.end() && found.sampled < sample; ++record) {
        if (!as_given.readRecordImage(*record, given_buffer) ||
            !as_other.readRecordImage(*record, other_buffer))
          continue;
        ++found.sampled;
        const int key_number = static_cast<int>(k);
        if (!as_given.keyEntryOf(key_number, given_buffer, *record, key, data) || !tree.find(key, entry))
          ++found.disagreeing;
        if (!as_other.keyEntryOf(key_number, other_buffer, *record, key, data) || !tree.find(key, entry))
          ++other_missing;
      }
      if (found.disagreeing == 0) continue;
      found.other_character_set_agrees = other_missing == 0;
      disagreements.push_back(std::move(found));
    }
  }
  return disagreements;
}

}  // namespace veltrano::storage
