// The import of employees from KA2, the reduced card layout that cards arrive in from other
// systems: every KA2 record with a number becomes a new KARTA card of that number with the
// fields the two layouts share, in KA2's physical order. A card whose number KARTA already has
// is not added, and the import goes on with the next.
#pragma once

#include <cstdint>

#include "app/dictionary/dictionary.h"

namespace veltrano::app::card {

struct ImportCount {
  std::int64_t added = 0;
  std::int64_t refused = 0;  // ADD failed: the number is taken, or the file refused the record
};

// The KARTA buffer is left cleared. REQUIRES: the caller may lose KARTA's current record.
ImportCount importFromKa2(Dictionary& dictionary);

}  // namespace veltrano::app::card
