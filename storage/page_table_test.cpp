#include "storage/page_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <stdexcept>

#include "storage/page_cache.h"
#include "storage/page_format.h"

namespace veltrano::storage {
namespace {

// Random inserts, removals and renumberings against a map, through growth from empty to
// thousands of pages and back. Numbers come from the shapes an update gives them: units that are
// multiples of one class (many share their low bits), new pages numbered up from
// kFirstUnplacedId, and a few at random, so that probes run long and wrap the table's end.
TEST(PageTable, HoldsWhatAMapHoldsThroughGrowthRemovalAndRenumbering) {
  for (const std::uint32_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    PageTable table;
    std::map<std::uint32_t, CachedPage*> model;
    std::uint32_t next_unplaced = kFirstUnplacedId;
    auto freshId = [&] {
      for (;;) {
        const auto shape = random() % 3;
        const std::uint32_t id = shape == 0   ? static_cast<std::uint32_t>(random() % 4000) * 64
                                 : shape == 1 ? next_unplaced++
                                              : static_cast<std::uint32_t>(random());
        if (!model.contains(id)) return id;
      }
    };
    for (int step = 0; step < 40000; ++step) {
      const auto action = random() % 100;
      // The table grows to a few thousand pages in the first half and empties in the second.
      const bool growing = step < 20000;
      if (action < (growing ? 60u : 30u)) {
        auto page = std::make_unique<CachedPage>();
        page->id = freshId();
        model[page->id] = page.get();
        table.insert(std::move(page));
      } else if (!model.empty() && action < 90) {
        // Any held page: the first at or after a number drawn as numbers are given.
        const auto shape = random() % 3;
        const std::uint32_t near =
            shape == 0   ? static_cast<std::uint32_t>(random() % 4000) * 64
            : shape == 1 ? kFirstUnplacedId +
                               static_cast<std::uint32_t>(random() % (next_unplaced - kFirstUnplacedId + 1))
                         : static_cast<std::uint32_t>(random());
        auto at = model.lower_bound(near);
        if (at == model.end()) at = model.begin();
        auto taken = table.take(at->first);
        ASSERT_EQ(taken.get(), at->second) << "step " << step;
        model.erase(at);
        if (action >= 80) {  // renumbered: back under a new number
          taken->id = freshId();
          model[taken->id] = taken.get();
          table.insert(std::move(taken));
        }
      } else {
        const std::uint32_t absent = freshId();
        ASSERT_EQ(table.find(absent), nullptr) << "step " << step;
        ASSERT_THROW(table.take(absent), std::out_of_range) << "step " << step;
      }
      ASSERT_EQ(table.size(), model.size());
      if (step % 997 == 0) {
        for (const auto& [id, page] : model)
          ASSERT_EQ(table.find(id), page) << "step " << step << " id " << id;
        std::size_t visited = 0;
        table.forEach([&](const CachedPage& page) {
          ++visited;
          EXPECT_EQ(model.at(page.id), &page);
        });
        ASSERT_EQ(visited, model.size());
      }
    }
    auto all = table.takeAll();
    EXPECT_EQ(table.size(), 0u);
    EXPECT_EQ(all.size(), model.size());
    for (const auto& page : all) EXPECT_EQ(model.at(page->id), page.get());
    EXPECT_EQ(table.find(all.empty() ? 0 : all.front()->id), nullptr);
  }
}

}  // namespace
}  // namespace veltrano::storage
