// The recount of occupied staff units ("Обновить (займет некоторое время)" in the staff
// schedule): every position of the schedule ends with POS:KOLV the sum of the staff units
// (RAB:STAVKA) of the current employees (KAR:DATA_UVOL empty) whose latest appointment
// (RAB:IND = 1, the only ones in RAB:IND_KEY) names that department (RAB:NUMO = POS:NUMO) and
// exactly that position text (RAB:DOLGNOST = POS:NOM, byte for byte), and 0 when none does.
//
// It is done in one pass: the appointments that count are summed per department and position
// first, then each position is read once and written when its count changes, rather than the
// whole schedule being rewritten once per employee. A record that cannot be read or written
// (another station holds it) is left as it was and counted, so that the clerk can be told.
#pragma once

#include <cstddef>

#include "app/dictionary/dictionary.h"

namespace veltrano::app::reference {

struct RecountResult {
  std::size_t positions = 0;  // positions of the schedule read
  std::size_t changed = 0;    // positions whose count was written
  std::size_t unwritten = 0;  // positions whose new count could not be written
};

// Opens POSTT, RABOTA and KARTA through their managers (shared with the other stations) for the
// time of the recount; the files' positions and buffers are as they were afterwards.
RecountResult recountOccupiedUnits(Dictionary& dictionary);

}  // namespace veltrano::app::reference
