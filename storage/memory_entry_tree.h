// The ordered tree of entries held in memory: the model that tests compare the page file
// against, and a tree for code that needs entries without a disk file.
#pragma once

#include <map>
#include <vector>

#include "storage/entry_tree.h"

namespace veltrano::storage {

class MemoryEntryTree final : public EntryTree {
 public:
  bool find(std::span<const std::uint8_t> key, Entry& out) override;
  bool seek(std::span<const std::uint8_t> key, Seek where, Entry& out) override;
  void insert(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) override;
  bool erase(std::span<const std::uint8_t> key) override;
  std::uint32_t lastNumber() const override { return last_number_; }
  void setLastNumber(std::uint32_t number) override { last_number_ = number; }

  std::size_t size() const { return entries_.size(); }
  bool operator==(const MemoryEntryTree& other) const = default;

 private:
  struct KeyOrder {
    using is_transparent = void;
    bool operator()(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) const {
      return compareKeys(a, b) < 0;
    }
    bool operator()(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) const {
      return compareKeys(a, b) < 0;
    }
    bool operator()(const std::vector<std::uint8_t>& a, std::span<const std::uint8_t> b) const {
      return compareKeys(a, b) < 0;
    }
    bool operator()(std::span<const std::uint8_t> a, const std::vector<std::uint8_t>& b) const {
      return compareKeys(a, b) < 0;
    }
  };
  std::map<std::vector<std::uint8_t>, std::vector<std::uint8_t>, KeyOrder> entries_;
  std::uint32_t last_number_ = 0;
};

}  // namespace veltrano::storage
