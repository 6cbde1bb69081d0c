#include "framework/report/timed_batches.h"

#include <limits>

#include "platform/clock.h"

namespace veltrano::framework {

std::int64_t hundredthsNow() {
  return static_cast<std::int64_t>(platform::tickMilliseconds() / 10);
}

TickResult runTimedBatches(std::int32_t& records_per_cycle, std::uint16_t timeslice,
                           const HundredthsClock& clock, const std::function<Level()>& next,
                           const std::function<int()>& on_record) {
  TickResult result;
  const std::int64_t start = clock();
  const std::int64_t slice = timeslice;
  if (records_per_cycle < 1) records_per_cycle = 1;
  for (;;) {
    for (std::int32_t record = 0; record < records_per_cycle; ++record) {
      Level level = next();
      if (level != kLevelBenign) {
        // 5 is the end of the records; anything else (3 above all) a read that failed.
        result.outcome = level == kLevelNotify ? TickResult::kNoMoreRecords : TickResult::kFatal;
        result.elapsed = clock() - start;
        return result;
      }
      ++result.records;
      if (on_record() != 0) {
        result.outcome = TickResult::kStopped;
        result.elapsed = clock() - start;
        return result;
      }
    }
    result.elapsed = clock() - start;
    if (result.elapsed * 5 < slice * 4 && records_per_cycle <= std::numeric_limits<std::int32_t>::max() / 2) {
      records_per_cycle *= 2;
    }
    if (result.elapsed * 2 >= slice) break;
  }
  if (slice * 3 < result.elapsed * 2 && records_per_cycle > 1) records_per_cycle /= 2;
  return result;
}

}  // namespace veltrano::framework
