#include "runtime/datetime/collation.h"

#include <algorithm>
#include <vector>

namespace veltrano::runtime {

std::array<std::uint8_t, 256> collationWeights(std::string_view sequence) {
  std::array<std::uint8_t, 256> weights{};
  for (std::size_t code = 0; code < 256; ++code) weights[code] = static_cast<std::uint8_t>(code);

  std::array<bool, 256> seen{};
  std::vector<std::uint8_t> listed;
  for (const char c : sequence) {
    const auto code = static_cast<std::uint8_t>(c);
    if (seen[code]) continue;
    seen[code] = true;
    listed.push_back(code);
  }
  constexpr std::size_t kPrintableCount = 222;
  if (listed.size() == kPrintableCount && sequence.size() == kPrintableCount) {
    for (std::size_t i = 0; i < listed.size(); ++i)
      weights[listed[i]] = static_cast<std::uint8_t>(i < 95 ? 32 + i : 128 + (i - 95));
    return weights;
  }
  std::vector<std::uint8_t> codes = listed;
  std::sort(codes.begin(), codes.end());
  for (std::size_t i = 0; i < listed.size(); ++i) weights[listed[i]] = codes[i];
  return weights;
}

}  // namespace veltrano::runtime
