#include "storage/wendlock_entries.h"

namespace veltrano::storage::entries {

std::vector<std::uint8_t> nameKey(std::string_view upper_name) {
  std::vector<std::uint8_t> key;
  key.reserve(upper_name.size() + 1);
  key.push_back(kNameKind);
  for (const char c : upper_name) key.push_back(static_cast<std::uint8_t>(c));
  return key;
}

}  // namespace veltrano::storage::entries
