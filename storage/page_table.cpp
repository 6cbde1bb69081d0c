#include "storage/page_table.h"

#include <bit>
#include <stdexcept>
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

std::size_t PageTable::slotOf(std::uint32_t id) const {
  if (size_ == 0) return slots_.size();
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = home(id);; at = (at + 1) & mask) {
    if (slots_[at].page == nullptr) return slots_.size();
    if (slots_[at].id == id) return at;
  }
}

CachedPage* PageTable::find(std::uint32_t id) const {
  const std::size_t at = slotOf(id);
  return at < slots_.size() ? slots_[at].page : nullptr;
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
  std::size_t hole = slotOf(id);
  if (hole == slots_.size()) throw std::out_of_range("no changed page with that number");
  const std::size_t mask = slots_.size() - 1;
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
  // The larger table is made before anything changes, so that running out of memory leaves the
  // table as it was.
  const std::size_t count = slots_.empty() ? kFirstSlots : slots_.size() * 2;
  std::vector<Slot> grown(count);
  const unsigned shift = 32 - static_cast<unsigned>(std::countr_zero(count));
  const std::size_t mask = count - 1;
  for (const Slot& slot : slots_) {
    if (slot.page == nullptr) continue;
    std::size_t at = static_cast<std::size_t>((slot.id * kFibonacci) >> shift);
    while (grown[at].page != nullptr) at = (at + 1) & mask;
    grown[at] = slot;
  }
  slots_.swap(grown);
  shift_ = shift;
}

}  // namespace veltrano::storage
