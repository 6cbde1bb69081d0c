// The environment-file loader on arbitrary bytes: it must never crash, and whatever it reads
// must leave the tables within their limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "runtime/datetime/char_tables.h"
#include "runtime/datetime/environment.h"
#include "runtime/datetime/locale.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace veltrano::runtime;
  resetLocaleToDefaults();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  applyEnvironmentText(text);
  for (const auto& line : parseEnvironmentLines(text))
    if (line.key.size() > 31 || line.value.size() > 1024) std::abort();
  const LocaleTables& locale = localeTables();
  for (std::size_t month = 0; month < 12; ++month)
    if (locale.month_names[month].size() > 12 || locale.month_abbreviations[month].size() > 3) std::abort();
  if (locale.am.size() > 2 || locale.pm.size() > 2) std::abort();
  if (charTables().digraphs.size() > 16 || charTables().digraphs_oem.size() != charTables().digraphs.size())
    std::abort();
  return 0;
}
