// The work of one timer tick of a report: records are read and printed in batches of
// RECORDSPERCYCLE until the tick has used about half of TIMESLICE, and the batch size adapts so
// that a tick's work stays between half and one and a half TIMESLICE whatever the machine:
//
//   after each full batch, with e the hundredths of a second used so far in this tick,
//     e × 5 < TIMESLICE × 4   the batch size doubles;
//     e × 2 ≥ TIMESLICE       the tick ends, otherwise another batch is read;
//   at the end of the tick, when TIMESLICE × 3 < e × 2 and RECORDSPERCYCLE > 1, the batch size
//   is halved (never below 1).
//
// Reading a record gives a level: 0 a record, 5 no more records, 3 a fatal read; printing it
// gives non-zero to stop the report. The clock is passed in so that tests can make every
// batch take the time they choose.
#pragma once

#include <cstdint>
#include <functional>

#include "framework/level.h"

namespace veltrano::framework {

// Hundredths of a second from any fixed start.
using HundredthsClock = std::function<std::int64_t()>;
// The program's clock.
std::int64_t hundredthsNow();

struct TickResult {
  enum Outcome : std::uint8_t {
    kMore,           // records remain: the next tick goes on
    kNoMoreRecords,  // the reading came to the end
    kStopped,        // printing a record asked to stop the report
    kFatal,          // a read failed fatally
  } outcome = kMore;
  std::int64_t elapsed = 0;  // e at the end of the tick
  std::int64_t records = 0;  // records read and printed in this tick
};

// REQUIRES: records_per_cycle >= 1.
TickResult runTimedBatches(std::int32_t& records_per_cycle, std::uint16_t timeslice,
                           const HundredthsClock& clock, const std::function<Level()>& next,
                           const std::function<int()>& on_record);

}  // namespace veltrano::framework
