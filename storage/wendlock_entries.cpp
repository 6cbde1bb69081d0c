#include "storage/wendlock_entries.h"

#include "storage/page_format.h"
#include "storage/storage_failure.h"

namespace veltrano::storage::entries {

std::vector<std::uint8_t> nameKey(std::string_view upper_name) {
  std::vector<std::uint8_t> key;
  key.reserve(upper_name.size() + 1);
  key.push_back(kNameKind);
  for (const char c : upper_name) key.push_back(static_cast<std::uint8_t>(c));
  return key;
}

void eraseAll(EntryTree& tree, std::span<const std::uint8_t> prefix, Entry& scratch) {
  while (tree.seek(prefix, Seek::AtOrAfter, scratch) && startsWith(scratch.key(), prefix)) {
    if (!tree.erase(scratch.key())) fail(failure::kEntriesDoNotFill);
  }
}

}  // namespace veltrano::storage::entries
