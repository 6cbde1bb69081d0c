// What a file's page cache has served since the file was opened: pages found in it, and pages
// it had to read from the file (a miss each: a read, a decipher, an unpack).
#pragma once

#include <cstdint>

namespace veltrano::storage {

struct CacheCounts {
  std::uint64_t hits = 0;
  std::uint64_t loads = 0;
};

}  // namespace veltrano::storage
