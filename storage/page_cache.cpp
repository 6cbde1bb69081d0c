#include "storage/page_cache.h"

#include <algorithm>

namespace veltrano::storage {
namespace {

constexpr std::size_t kSparePages = 16;

}  // namespace

PageCache::~PageCache() {
  // Chains are singly linked through unique_ptr; unlink iteratively so a long chain cannot
  // exhaust the stack.
  for (auto& head : chains_) {
    while (head != nullptr) head = std::move(head->chain_next_);
  }
}

CachedPage* PageCache::find(std::uint32_t id) {
  for (CachedPage* page = chains_[id % kChains].get(); page != nullptr; page = page->chain_next_.get()) {
    if (page->id == id) return page;
  }
  return changed_.find(id);
}

void PageCache::use(CachedPage& page) {
  ++counts_.hits;
  page.use_tick = ++clock_;
  if (page.changed || newest_ == &page) return;
  // Move to the front of the list.
  if (page.newer_ != nullptr) page.newer_->older_ = page.older_;
  if (page.older_ != nullptr) page.older_->newer_ = page.newer_;
  if (oldest_ == &page) oldest_ = page.newer_;
  page.newer_ = nullptr;
  page.older_ = newest_;
  if (newest_ != nullptr) newest_->newer_ = &page;
  newest_ = &page;
  if (oldest_ == nullptr) oldest_ = &page;
}

void PageCache::trimBeforeLoad() {
  while (lru_count_ >= kTrimAlways) dropOldest();
  while (lru_count_ >= kTrimNever) {
    const std::uint64_t since_use = clock_ - oldest_->use_tick;
    const std::uint64_t since_load = clock_ - oldest_->load_tick;
    if (since_use < 4 * since_load / lru_count_) break;
    dropOldest();
  }
}

void PageCache::dropOldest() {
  recycle(unlinkUnchanged(*oldest_));
}

std::unique_ptr<CachedPage> PageCache::takeSpare() {
  if (spare_.empty()) return std::make_unique<CachedPage>();
  auto page = std::move(spare_.back());
  spare_.pop_back();
  return page;
}

void PageCache::recycle(std::unique_ptr<CachedPage> page) {
  if (spare_.size() < kSparePages) spare_.push_back(std::move(page));
}

CachedPage& PageCache::addLoaded(std::uint32_t id) {
  ++counts_.loads;
  auto page = takeSpare();
  page->id = id;
  page->changed = false;
  page->image_ready = false;
  page->load_tick = page->use_tick = ++clock_;
  CachedPage& result = *page;
  linkUnchanged(std::move(page));
  return result;
}

CachedPage& PageCache::addChanged(std::uint32_t id) {
  auto page = takeSpare();
  page->id = id;
  page->changed = true;
  page->image_ready = false;
  page->load_tick = page->use_tick = ++clock_;
  CachedPage& result = *page;
  changed_.insert(std::move(page));
  return result;
}

void PageCache::linkUnchanged(std::unique_ptr<CachedPage> page) {
  CachedPage& raw = *page;
  raw.newer_ = nullptr;
  raw.older_ = newest_;
  if (newest_ != nullptr) newest_->newer_ = &raw;
  newest_ = &raw;
  if (oldest_ == nullptr) oldest_ = &raw;
  ++lru_count_;
  auto& head = chains_[raw.id % kChains];
  raw.chain_next_ = std::move(head);
  head = std::move(page);
}

std::unique_ptr<CachedPage> PageCache::unlinkUnchanged(CachedPage& page) {
  if (page.newer_ != nullptr) page.newer_->older_ = page.older_;
  if (page.older_ != nullptr) page.older_->newer_ = page.newer_;
  if (newest_ == &page) newest_ = page.older_;
  if (oldest_ == &page) oldest_ = page.newer_;
  page.newer_ = page.older_ = nullptr;
  --lru_count_;
  std::unique_ptr<CachedPage>* link = &chains_[page.id % kChains];
  while (link->get() != &page) link = &(*link)->chain_next_;
  auto owned = std::move(*link);
  *link = std::move(owned->chain_next_);
  return owned;
}

void PageCache::markChanged(CachedPage& page) {
  if (page.changed) return;
  auto owned = unlinkUnchanged(page);
  owned->changed = true;
  changed_.insert(std::move(owned));
}

void PageCache::markAllUnchanged() {
  // A large update (a bulk load in one transaction) leaves thousands of pages here, and the list
  // goes back to its usual bound at once: waiting for the next load to trim it would let reads
  // walk chains hundreds of pages long. Only the pages that bound lets stay are linked — the
  // ones used last, which hold the upper levels of the tree — and the rest go straight away.
  std::vector<std::unique_ptr<CachedPage>> pages = changed_.takeAll();
  const auto latest_first = [](const std::unique_ptr<CachedPage>& a, const std::unique_ptr<CachedPage>& b) {
    return a->use_tick > b->use_tick;
  };
  const std::size_t kept = std::min(pages.size(), kTrimAlways - 1);
  std::nth_element(pages.begin(), pages.begin() + static_cast<std::ptrdiff_t>(kept), pages.end(),
                   latest_first);
  std::sort(pages.begin(), pages.begin() + static_cast<std::ptrdiff_t>(kept), latest_first);
  // Linked oldest first, so that the last used ends at the front; all count as used now.
  for (std::size_t i = kept; i-- > 0;) {
    auto owned = std::move(pages[i]);
    owned->changed = false;
    owned->image_ready = false;
    owned->image.clear();
    owned->use_tick = clock_;
    linkUnchanged(std::move(owned));
  }
  for (std::size_t i = kept; i < pages.size(); ++i) recycle(std::move(pages[i]));
  while (lru_count_ >= kTrimAlways) dropOldest();
}

void PageCache::renumber(CachedPage& page, std::uint32_t id) {
  if (page.changed) {
    auto owned = changed_.take(page.id);
    owned->id = id;
    changed_.insert(std::move(owned));
  } else {
    auto owned = unlinkUnchanged(page);
    owned->id = id;
    linkUnchanged(std::move(owned));
  }
}

void PageCache::remove(CachedPage& page) {
  if (page.changed) {
    recycle(changed_.take(page.id));
  } else {
    recycle(unlinkUnchanged(page));
  }
}

void PageCache::removeUnchanged() {
  while (oldest_ != nullptr) dropOldest();
}

void PageCache::removeChanged() {
  for (auto& page : changed_.takeAll()) recycle(std::move(page));
}

void PageCache::changedIds(std::vector<std::uint32_t>& out) const {
  out.clear();
  changed_.forEach([&out](const CachedPage& page) { out.push_back(page.id); });
  std::sort(out.begin(), out.end());
}

}  // namespace veltrano::storage
