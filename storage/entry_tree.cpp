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

}  // namespace veltrano::storage
