// The pages of one open storage file held in memory.
//
// Unchanged pages are hashed by unit into 100 chains and kept on a least-recently-used list; a
// use clock ticks at every page access, and each page remembers the tick it was loaded at and
// the tick it was last used at. Before a page is loaded the list is trimmed: while it holds 100
// or more pages its least recently used page goes; while it holds 20 or more, that page goes if
// the ticks since its last use are at least four times the ticks since its load divided by the
// number of pages on the list. A short list is never trimmed, so a small working set stays.
//
// Changed pages are held apart, in a table of their own, until the file's update is written;
// they are never dropped. Pages not yet placed in the file are changed pages too, known by
// numbers from kFirstUnplacedId up.
//
// Page objects are recycled, so once the cache is warm loading a page allocates nothing.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "storage/cache_counts.h"
#include "storage/page.h"
#include "storage/page_table.h"

namespace veltrano::storage {

struct CachedPage : Page {
  std::uint32_t id = kNoPage;  // the unit, or an unplaced number
  bool changed = false;
  std::uint64_t load_tick = 0;
  std::uint64_t use_tick = 0;
  // The page's image while an update is being written (valid when image_ready; whoever changes
  // the entries clears it, while a move only changes the home and child numbers it patches).
  std::vector<std::uint8_t> image;
  bool image_ready = false;

 private:
  friend class PageCache;
  CachedPage* newer_ = nullptr;
  CachedPage* older_ = nullptr;
  std::unique_ptr<CachedPage> chain_next_;
};

class PageCache {
 public:
  static constexpr std::size_t kChains = 100;
  static constexpr std::size_t kTrimAlways = 100;
  static constexpr std::size_t kTrimNever = 20;

  PageCache() = default;
  PageCache(const PageCache&) = delete;
  PageCache& operator=(const PageCache&) = delete;
  ~PageCache();

  // The page with this number, or null. Does not count as a use.
  CachedPage* find(std::uint32_t id);
  // Counts a use: ticks the clock, stamps the page, and moves an unchanged page to the front.
  void use(CachedPage& page);
  // Trims the least-recently-used list by the rule above.
  void trimBeforeLoad();
  // A blank unchanged page for `id`, at the front of the list, stamped as loaded now.
  // REQUIRES: no page with this id is cached.
  CachedPage& addLoaded(std::uint32_t id);
  // A blank changed page for `id`. REQUIRES: no page with this id is cached.
  CachedPage& addChanged(std::uint32_t id);
  void markChanged(CachedPage& page);
  // After an update is written: every changed page becomes an ordinary cached page, and the
  // list is cut back below 100 pages, least recently used first.
  void markAllUnchanged();
  // Gives a page (changed or not) a new number.
  void renumber(CachedPage& page, std::uint32_t id);
  void remove(CachedPage& page);
  void removeUnchanged();
  void removeChanged();

  std::size_t unchangedCount() const { return lru_count_; }
  std::size_t changedCount() const { return changed_.size(); }
  std::uint64_t clock() const { return clock_; }
  const CacheCounts& counts() const { return counts_; }
  // The numbers of the changed pages, in increasing order (the order an update places them in).
  void changedIds(std::vector<std::uint32_t>& out) const;

 private:
  std::unique_ptr<CachedPage> takeSpare();
  void recycle(std::unique_ptr<CachedPage> page);
  std::unique_ptr<CachedPage> unlinkUnchanged(CachedPage& page);
  void linkUnchanged(std::unique_ptr<CachedPage> page);
  void dropOldest();

  std::array<std::unique_ptr<CachedPage>, kChains> chains_;
  CachedPage* newest_ = nullptr;
  CachedPage* oldest_ = nullptr;
  std::size_t lru_count_ = 0;
  PageTable changed_;
  std::vector<std::unique_ptr<CachedPage>> spare_;
  std::uint64_t clock_ = 0;
  CacheCounts counts_;
};

}  // namespace veltrano::storage
