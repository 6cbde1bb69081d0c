#include "framework/report/timed_batches.h"

#include <gtest/gtest.h>

namespace veltrano::framework {
namespace {

// A clock that moves only when a batch ends: every batch takes the hundredths the case says,
// however many records it holds.
struct FakeBatches {
  std::int64_t now = 1000;
  std::int32_t batch = 0;        // records read in the current batch
  std::int32_t* size = nullptr;  // the batch size being adapted
  std::function<std::int64_t(int batch_number)> cost;
  int batches = 0;
  std::int64_t records_left = std::int64_t{1} << 40;

  Level next() {
    if (records_left-- <= 0) return kLevelNotify;
    if (++batch == *size) {
      batch = 0;
      now += cost(++batches);
    }
    return kLevelBenign;
  }
};

TickResult tick(FakeBatches& fake, std::int32_t& size, std::uint16_t timeslice) {
  fake.size = &size;
  fake.batch = 0;
  fake.batches = 0;
  return runTimedBatches(
      size, timeslice, [&] { return fake.now; }, [&] { return fake.next(); }, [] { return 0; });
}

TEST(TimedBatches, AdaptTheBatchSizeToTheTimeslice) {
  struct Case {
    const char* what;
    std::int32_t size;
    std::uint16_t timeslice;
    std::function<std::int64_t(int)> cost;
    std::int32_t size_after;
    int batches;
    std::int64_t elapsed;
  };
  const Case cases[] = {
      // 10, 20, 30, 40 and 50 hundredths: each below 80 doubles the size; at 50 the tick ends.
      {"batches of 10 with a timeslice of 100", 4, 100, [](int) { return 10; }, 4 * 32, 5, 50},
      // 160 is past 150: the size doubles no more, and is halved at the end of the tick.
      {"a batch of 160", 8, 100, [](int) { return 160; }, 4, 1, 160},
      {"a batch of 160 with one record a batch", 1, 100, [](int) { return 160; }, 1, 1, 160},
      // Exactly 150 is not more than one and a half timeslices: kept.
      {"a batch of 150", 8, 100, [](int) { return 150; }, 8, 1, 150},
      // 80 is not below 80: kept, and the tick ends (80 × 2 ≥ 100).
      {"a batch of 80", 8, 100, [](int) { return 80; }, 8, 1, 80},
      // 79 doubles; 60 ends the tick.
      {"a batch of 79", 8, 100, [](int) { return 79; }, 16, 1, 79},
      {"30 then 30", 8, 100, [](int) { return 30; }, 32, 2, 60},
      // 49 is under half a timeslice: another batch; 98 then ends it without halving.
      {"49 then 49", 2, 100, [](int) { return 49; }, 4, 2, 98},
      {"a batch that takes no time", 1, 10, [](int batch) { return batch >= 20 ? 5 : 0; }, 1 << 20, 20, 5},
  };
  for (const Case& c : cases) {
    FakeBatches fake;
    fake.cost = c.cost;
    std::int32_t size = c.size;
    TickResult result = tick(fake, size, c.timeslice);
    EXPECT_EQ(result.outcome, TickResult::kMore) << c.what;
    EXPECT_EQ(size, c.size_after) << c.what;
    EXPECT_EQ(fake.batches, c.batches) << c.what;
    EXPECT_EQ(result.elapsed, c.elapsed) << c.what;
  }
}

TEST(TimedBatches, EndTheTickAtTheEndOfTheRecordsAStopOrAFailure) {
  FakeBatches fake;
  fake.cost = [](int) { return 1; };
  fake.records_left = 5;
  std::int32_t size = 4;
  TickResult result = tick(fake, size, 100);
  EXPECT_EQ(result.outcome, TickResult::kNoMoreRecords);
  EXPECT_EQ(result.records, 5);

  int printed = 0;
  result = runTimedBatches(
      size, 100, [] { return 0; }, [] { return kLevelBenign; }, [&] { return ++printed == 3 ? 1 : 0; });
  EXPECT_EQ(result.outcome, TickResult::kStopped);
  EXPECT_EQ(printed, 3);

  int reads = 0;
  result = runTimedBatches(
      size, 100, [] { return 0; }, [&] { return ++reads == 2 ? kLevelFatal : kLevelBenign; },
      [] { return 0; });
  EXPECT_EQ(result.outcome, TickResult::kFatal);
  EXPECT_EQ(result.records, 1);
}

}  // namespace
}  // namespace veltrano::framework
