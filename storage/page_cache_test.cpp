#include "storage/page_cache.h"

#include <gtest/gtest.h>

namespace veltrano::storage {
namespace {

void load(PageCache& cache, std::uint32_t id) {
  cache.trimBeforeLoad();
  cache.addLoaded(id).reset(0);
}

TEST(PageCache, NeverHoldsAHundredUnchangedPagesBeforeALoad) {
  PageCache cache;
  for (std::uint32_t id = 0; id < 250; ++id) {
    load(cache, id);
    // Touch everything loaded so far lightly, so the ratio rule alone would keep them.
    ASSERT_LE(cache.unchangedCount(), 100u);
  }
  EXPECT_EQ(cache.find(0), nullptr);  // the oldest went first
  EXPECT_NE(cache.find(249), nullptr);
}

TEST(PageCache, ShortListsAreNeverTrimmed) {
  PageCache cache;
  for (std::uint32_t id = 0; id < 19; ++id) load(cache, id);
  CachedPage* hot = cache.find(18);
  for (int i = 0; i < 10000; ++i) cache.use(*hot);  // page 0 is now very stale
  load(cache, 100);
  EXPECT_NE(cache.find(0), nullptr);
  EXPECT_EQ(cache.unchangedCount(), 20u);
}

TEST(PageCache, StalePagesGoByTheRatioRule) {
  PageCache cache;
  for (std::uint32_t id = 0; id < 20; ++id) load(cache, id);
  // Page 0 was loaded at tick 1 and not used since; the clock is at 20. Ticks since use (19) are
  // at least 4 × 19 / 20 = 3, so it goes; page 1 likewise, and so on while the rule holds.
  CachedPage* recent = cache.find(19);
  cache.use(*recent);
  load(cache, 200);
  EXPECT_EQ(cache.find(0), nullptr);
  EXPECT_LE(cache.unchangedCount(), 20u);
}

TEST(PageCache, PagesInSteadyUseStay) {
  PageCache cache;
  for (std::uint32_t id = 0; id < 20; ++id) load(cache, id);  // ticks 1–20
  for (int round = 0; round < 10; ++round) {
    for (std::uint32_t id = 0; id < 20; ++id) cache.use(*cache.find(id));  // ticks 21–220
  }
  // The least recently used page, 0, was used 19 ticks ago and loaded 219 ago: 19 < 4 × 219 / 20.
  load(cache, 500);
  EXPECT_NE(cache.find(0), nullptr);
  EXPECT_EQ(cache.unchangedCount(), 21u);
  // Left alone long enough, it goes: 4 × (ticks since load) / 21 falls behind the ticks since use.
  for (int i = 0; i < 300; ++i) cache.use(*cache.find(500));
  load(cache, 501);
  EXPECT_EQ(cache.find(0), nullptr);
}

TEST(PageCache, ChangedPagesAreHeldApartAndNeverDropped) {
  PageCache cache;
  for (std::uint32_t id = 0; id < 5; ++id) load(cache, id);
  cache.markChanged(*cache.find(2));
  CachedPage& created = cache.addChanged(kFirstUnplacedId);
  created.reset(0);
  for (std::uint32_t id = 10; id < 400; ++id) load(cache, id);
  ASSERT_NE(cache.find(2), nullptr);
  EXPECT_TRUE(cache.find(2)->changed);
  EXPECT_NE(cache.find(kFirstUnplacedId), nullptr);
  EXPECT_EQ(cache.changedCount(), 2u);
  cache.renumber(*cache.find(kFirstUnplacedId), 77);
  EXPECT_EQ(cache.find(kFirstUnplacedId), nullptr);
  EXPECT_EQ(cache.find(77)->id, 77u);
  cache.markAllUnchanged();
  EXPECT_EQ(cache.changedCount(), 0u);
  EXPECT_FALSE(cache.find(77)->changed);
  cache.removeUnchanged();
  EXPECT_EQ(cache.find(2), nullptr);
  EXPECT_EQ(cache.unchangedCount(), 0u);
}

// After a large update the cache keeps only as many pages as the bound allows: the changed
// pages used last (the upper levels of the tree), ahead of older unchanged ones.
TEST(PageCache, WrittenUpdateKeepsTheLastUsedChangedPagesWithinTheBound) {
  PageCache cache;
  for (std::uint32_t id = 1; id <= 10; ++id) load(cache, id);
  for (std::uint32_t id = 1000; id < 6000; ++id) cache.addChanged(id);
  for (std::uint32_t id = 1000; id < 1030; ++id) cache.use(*cache.find(id));  // used again
  cache.markAllUnchanged();
  EXPECT_EQ(cache.changedCount(), 0u);
  EXPECT_EQ(cache.unchangedCount(), PageCache::kTrimAlways - 1);
  for (std::uint32_t id = 1000; id < 1030; ++id) EXPECT_NE(cache.find(id), nullptr) << id;
  for (std::uint32_t id = 1; id <= 10; ++id) EXPECT_EQ(cache.find(id), nullptr) << id;
  std::size_t newest_kept = 0;
  for (std::uint32_t id = 5931; id < 6000; ++id) newest_kept += cache.find(id) != nullptr ? 1u : 0u;
  EXPECT_EQ(newest_kept, 69u);
  // The list is whole: trimming empties it page by page.
  cache.removeUnchanged();
  EXPECT_EQ(cache.unchangedCount(), 0u);
}

TEST(PageCache, UnitsThatShareAChainAreKeptApart) {
  PageCache cache;
  load(cache, 7);
  load(cache, 107);
  load(cache, 207);
  cache.find(107)->insertAt(0, std::vector<std::uint8_t>{1}, {});
  cache.remove(*cache.find(7));
  EXPECT_EQ(cache.find(7), nullptr);
  EXPECT_EQ(cache.find(107)->count(), 1u);
  EXPECT_NE(cache.find(207), nullptr);
}

}  // namespace
}  // namespace veltrano::storage
