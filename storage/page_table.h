// The changed pages of a page cache, by number.
//
// A large update (a bulk load, a delete of thousands of cards in one transaction) holds tens of
// thousands of changed pages, and every step down the tree looks one up. The table is open
// addressed: slots of number and page side by side, found by linear probing from the number's
// Fibonacci hash, kept at most half full, and emptied by shifting later slots back instead of
// leaving markers. A look-up is one cache line where a node-based map costs two or three.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace veltrano::storage {

struct CachedPage;

class PageTable {
 public:
  PageTable() = default;
  PageTable(const PageTable&) = delete;
  PageTable& operator=(const PageTable&) = delete;
  ~PageTable();

  // The page with this number, or null.
  CachedPage* find(std::uint32_t id) const;
  // Adds a page under its id. REQUIRES: no page with that id is held.
  void insert(std::unique_ptr<CachedPage> page);
  // Gives up the page with this number; std::out_of_range when none is held.
  std::unique_ptr<CachedPage> take(std::uint32_t id);
  // Gives up every page, in no particular order; the table is empty afterwards.
  std::vector<std::unique_ptr<CachedPage>> takeAll();

  std::size_t size() const { return size_; }
  template <typename Visit>
  void forEach(Visit&& visit) const {
    for (const Slot& slot : slots_) {
      if (slot.page != nullptr) visit(*slot.page);
    }
  }

 private:
  struct Slot {
    std::uint32_t id = 0;
    CachedPage* page = nullptr;  // owned; null for an empty slot
  };

  static constexpr std::uint32_t kFibonacci = 0x9E3779B9u;  // 2^32 divided by the golden ratio
  std::size_t home(std::uint32_t id) const { return static_cast<std::size_t>((id * kFibonacci) >> shift_); }
  std::size_t slotOf(std::uint32_t id) const;  // the slot holding id, or slots_.size()
  void grow();

  std::vector<Slot> slots_;
  std::size_t size_ = 0;
  unsigned shift_ = 32;  // 32 − log2(slots); home() is used only once there are slots
};

}  // namespace veltrano::storage
