#include "storage/memory_entry_tree.h"

namespace veltrano::storage {

bool MemoryEntryTree::find(std::span<const std::uint8_t> key, Entry& out) {
  const auto found = entries_.find(key);
  if (found == entries_.end()) return false;
  out.assign(found->first, found->second);
  return true;
}

bool MemoryEntryTree::seek(std::span<const std::uint8_t> key, Seek where, Entry& out) {
  auto position = entries_.end();
  switch (where) {
    case Seek::AtOrAfter: position = entries_.lower_bound(key); break;
    case Seek::After: position = entries_.upper_bound(key); break;
    case Seek::Before:
    case Seek::AtOrBefore: {
      auto bound = where == Seek::Before ? entries_.lower_bound(key) : entries_.upper_bound(key);
      if (bound == entries_.begin()) return false;
      position = std::prev(bound);
      break;
    }
  }
  if (position == entries_.end()) return false;
  out.assign(position->first, position->second);
  return true;
}

void MemoryEntryTree::insert(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> stored_key(key.begin(), key.end());
  entries_.insert_or_assign(std::move(stored_key), std::vector<std::uint8_t>(data.begin(), data.end()));
}

bool MemoryEntryTree::erase(std::span<const std::uint8_t> key) {
  const auto found = entries_.find(key);
  if (found == entries_.end()) return false;
  entries_.erase(found);
  return true;
}

}  // namespace veltrano::storage
