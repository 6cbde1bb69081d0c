#include "storage/page_table.h"

#include <bit>
#include <utility>

#include "storage/page_cache.h"

namespace veltrano::storage {
namespace {

constexpr std::size_t kFirstSlots = 64;
constexpr std::size_t kKeptSlots = 1024;

}  // namespace

PageTable::~PageTable() {
  for (Slot& slot : slots_) delete slot.page;
}

CachedPage* PageTable::find(std::uint32_t id) const {
  if (size_ == 0) return nullptr;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = home(id);; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (slot.page == nullptr) return nullptr;
    if (slot.id == id) return slot.page;
  }
}

std::size_t PageTable::slotOf(std::uint32_t id) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = home(id);
  while (slots_[at].page == nullptr || slots_[at].id != id) at = (at + 1) & mask;
  return at;
}

void PageTable::insert(std::unique_ptr<CachedPage> page) {
  if (2 * (size_ + 1) > slots_.size()) grow();
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = home(page->id);
  while (slots_[at].page != nullptr) at = (at + 1) & mask;
  slots_[at] = {page->id, page.release()};
  ++size_;
}

std::unique_ptr<CachedPage> PageTable::take(std::uint32_t id) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t hole = slotOf(id);
  std::unique_ptr<CachedPage> taken(slots_[hole].page);
  slots_[hole] = Slot{};
  --size_;
  // Slots after the hole whose probe passed through it move back into it, so that every page
  // stays reachable from its home without markers for emptied slots.
  for (std::size_t at = (hole + 1) & mask; slots_[at].page != nullptr; at = (at + 1) & mask) {
    const std::size_t wanted = home(slots_[at].id);
    // The page at `at` may fill the hole unless its home lies cyclically in (hole, at].
    const bool home_after_hole =
        hole <= at ? (wanted > hole && wanted <= at) : (wanted > hole || wanted <= at);
    if (home_after_hole) continue;
    slots_[hole] = std::exchange(slots_[at], Slot{});
    hole = at;
  }
  return taken;
}

std::vector<std::unique_ptr<CachedPage>> PageTable::takeAll() {
  std::vector<std::unique_ptr<CachedPage>> pages;
  pages.reserve(size_);
  for (Slot& slot : slots_) {
    if (slot.page != nullptr) pages.emplace_back(std::exchange(slot, Slot{}).page);
  }
  size_ = 0;
  // The slots a large update needed are given back, so that the many small updates after it do
  // not walk them.
  if (slots_.size() > kKeptSlots) {
    slots_ = {};
    shift_ = 32;
  }
  return pages;
}

void PageTable::grow() {
  std::vector<Slot> old = std::move(slots_);
  const std::size_t count = old.empty() ? kFirstSlots : old.size() * 2;
  slots_.assign(count, Slot{});
  shift_ = 32 - static_cast<unsigned>(std::countr_zero(count));
  const std::size_t mask = count - 1;
  for (const Slot& slot : old) {
    if (slot.page == nullptr) continue;
    std::size_t at = home(slot.id);
    while (slots_[at].page != nullptr) at = (at + 1) & mask;
    slots_[at] = slot;
  }
}

}  // namespace veltrano::storage
