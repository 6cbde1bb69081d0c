#include "storage/entry_tree.h"

#include <algorithm>
#include <cstring>

namespace veltrano::storage {

int compareKeys(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  const std::size_t common = std::min(a.size(), b.size());
  if (common > 0) {
    if (const int order = std::memcmp(a.data(), b.data(), common); order != 0) return order;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

void Entry::assign(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) {
  bytes.resize(key.size() + data.size());
  std::copy(key.begin(), key.end(), bytes.begin());
  std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(key.size()));
  key_length = key.size();
}

}  // namespace veltrano::storage
