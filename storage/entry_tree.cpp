#include "storage/entry_tree.h"

#include <algorithm>
#include <cstring>

namespace veltrano::storage {

void Entry::assign(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) {
  bytes.resize(key.size() + data.size());
  std::copy(key.begin(), key.end(), bytes.begin());
  std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(key.size()));
  key_length = key.size();
}

void EntryTree::scan(std::span<const std::uint8_t> from, bool inclusive, const EntryVisitor& visit) {
  Entry entry;
  if (!seek(from, inclusive ? Seek::AtOrAfter : Seek::After, entry)) return;
  std::vector<std::uint8_t> key;
  for (;;) {
    if (!visit(entry.key(), entry.data())) return;
    key.assign(entry.key().begin(), entry.key().end());
    if (!seek(key, Seek::After, entry)) return;
  }
}

}  // namespace veltrano::storage
