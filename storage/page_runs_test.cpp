#include "storage/page_runs.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "storage/storage_failure.h"

namespace veltrano::storage {
namespace {

// Live pages by unit, moved as the allocator says; every move must start at a live page and end
// on units no live page covers.
struct Layout {
  PageRuns runs;
  std::map<std::uint32_t, int> pages;  // unit → class
  int moves = 0;

  PageMover mover() {
    return [this](std::uint32_t from, std::uint32_t to) {
      ++moves;
      const auto found = pages.find(from);
      ASSERT_NE(found, pages.end()) << "moved a unit with no page: " << from;
      const int size = found->second;
      pages.erase(found);
      ASSERT_TRUE(free(to, size)) << "moved onto a live page at " << to;
      pages[to] = size;
    };
  }
  bool free(std::uint32_t unit, int size) const {
    for (const auto& [at, other] : pages) {
      if (at < unit + static_cast<std::uint32_t>(size) && unit < at + static_cast<std::uint32_t>(other))
        return false;
    }
    return true;
  }
  std::uint32_t allocate(int size) {
    std::vector<std::uint32_t> placed;
    allocatePages(runs, size, 1, mover(), placed);
    const std::uint32_t unit = placed.front();
    EXPECT_TRUE(free(unit, size));
    pages[unit] = size;
    return unit;
  }
  void release(std::uint32_t unit) {
    const int size = pages.at(unit);
    pages.erase(unit);
    releasePage(runs, unit, size, mover());
  }
  // Every page lies in its class's run, every run holds only live pages.
  ::testing::AssertionResult sound() const {
    if (!runs.consistent()) return ::testing::AssertionFailure() << "runs out of order";
    std::size_t units = 0;
    for (const auto& [unit, size] : pages) {
      if (runs.classOfPage(unit) != size)
        return ::testing::AssertionFailure() << "page at " << unit << " misplaced";
      units += static_cast<std::size_t>(size);
    }
    std::size_t run_units = 0;
    for (std::size_t c = 1; c < kRunCount; ++c) run_units += runs.end[c] - runs.start[c];
    if (run_units != units) return ::testing::AssertionFailure() << "runs hold free units";
    return ::testing::AssertionSuccess();
  }
};

TEST(PageRuns, FirstPagesOpenTheirRunsInOrder) {
  Layout layout;
  EXPECT_EQ(layout.allocate(3), 0u);
  EXPECT_EQ(layout.allocate(3), 3u);
  EXPECT_EQ(layout.allocate(1), 0u);  // run 1 lies below run 3, which moves up a page
  EXPECT_EQ(layout.runs.start[3], 3u);
  EXPECT_EQ(layout.runs.end[3], 9u);
  EXPECT_EQ(layout.moves, 1);
  EXPECT_EQ(layout.runs.pageAreaEnd(), 9u);
  EXPECT_TRUE(layout.sound());
}

TEST(PageRuns, FreedPagesLeaveRoomAtTheFrontOfTheirRun) {
  Layout layout;
  for (int i = 0; i < 4; ++i) layout.allocate(2);
  const std::uint32_t top = layout.allocate(5);
  layout.release(2);  // the first page of run 2 fills the hole; run 2 starts a page later
  EXPECT_EQ(layout.runs.start[2], 2u);
  EXPECT_EQ(layout.moves, 1);
  EXPECT_EQ(layout.allocate(2), 0u);  // the front of run 2 has room again: no move
  EXPECT_EQ(layout.moves, 1);
  EXPECT_EQ(layout.pages.count(top), 1u);
  EXPECT_TRUE(layout.sound());
}

TEST(PageRuns, LowerRunsSlideDownToPassFreeUnitsUp) {
  Layout layout;
  layout.allocate(1);
  layout.allocate(1);
  layout.allocate(1);
  layout.allocate(2);
  layout.release(0);
  layout.release(1);  // two free units in front of run 1
  EXPECT_EQ(layout.runs.start[1], 2u);
  const int before = layout.moves;
  EXPECT_EQ(layout.allocate(2), 1u);  // run 1 slides down to 0, its free units now below run 2
  EXPECT_EQ(layout.runs.start[1], 0u);
  EXPECT_EQ(layout.moves, before + 1);
  EXPECT_TRUE(layout.sound());
}

TEST(PageRuns, CompactionClosesGapsOfAWholePageOrMore) {
  Layout layout;
  for (int i = 0; i < 3; ++i) layout.allocate(4);
  for (int i = 0; i < 3; ++i) layout.allocate(7);
  layout.release(0);
  layout.release(4);
  EXPECT_EQ(layout.runs.start[4], 8u);
  compactRuns(layout.runs, layout.mover());
  EXPECT_EQ(layout.runs.start[4], 0u);
  EXPECT_EQ(layout.runs.start[7], 5u);  // eight free units: run 7 slides one page, one unit stays
  EXPECT_EQ(layout.runs.pageAreaEnd(), 26u);
  EXPECT_TRUE(layout.sound());
}

TEST(PageRuns, ReleasingSeveralPagesAtOnceNeverMovesADeadOne) {
  Layout layout;
  std::vector<std::uint32_t> units;
  for (int i = 0; i < 10; ++i) units.push_back(layout.allocate(3));
  std::vector<std::uint32_t> gone{units[0], units[3], units[9], units[1]};
  for (const auto unit : gone) layout.pages.erase(unit);
  releasePages(layout.runs, 3, gone, layout.mover());
  EXPECT_EQ(layout.runs.end[3] - layout.runs.start[3], 18u);
  EXPECT_TRUE(layout.sound());
}

TEST(PageRuns, RandomAllocationsAndReleasesKeepEveryPageInItsRun) {
  std::mt19937 random(5);
  Layout layout;
  for (int step = 0; step < 5000; ++step) {
    if (layout.pages.empty() || random() % 5 < 3) {
      const int size =
          random() % 4 == 0 ? static_cast<int>(1 + random() % 59) : static_cast<int>(1 + random() % 6);
      layout.allocate(size);
    } else {
      auto at = layout.pages.begin();
      std::advance(at, static_cast<std::ptrdiff_t>(random() % layout.pages.size()));
      layout.release(at->first);
    }
    if (step % 97 == 0) compactRuns(layout.runs, layout.mover());
    ASSERT_TRUE(layout.sound()) << "step " << step;
  }
}

// A batch makes room above its run once: however many pages it places, every page above moves
// at most once, and all the places are free units of the run.
TEST(PageRuns, PlacingManyPagesAtOnceMovesEachPageAboveOnce) {
  Layout layout;
  for (int size = 2; size <= 5; ++size) {
    for (int i = 0; i < 20; ++i) layout.allocate(size);
  }
  layout.moves = 0;
  for (const std::size_t count : {3u, 100u}) {
    std::vector<std::uint32_t> units;
    allocatePages(layout.runs, 1, count, layout.mover(), units);
    ASSERT_EQ(units.size(), count);
    for (const std::uint32_t unit : units) {
      ASSERT_TRUE(layout.free(unit, 1)) << unit;
      layout.pages[unit] = 1;
    }
    ASSERT_TRUE(layout.sound());
  }
  EXPECT_LE(layout.moves, 2 * 80);
}

TEST(PageRuns, PageSizesMapToClasses) {
  EXPECT_EQ(classForBytes(13), 1);
  EXPECT_EQ(classForBytes(256), 1);
  EXPECT_EQ(classForBytes(257), 2);
  EXPECT_EQ(classForBytes(15104), 59);
  try {
    classForBytes(15105);
    FAIL();
  } catch (const StorageFailure& failure) {
    EXPECT_EQ(failure.number(), 1678);
  }
}

}  // namespace
}  // namespace veltrano::storage
