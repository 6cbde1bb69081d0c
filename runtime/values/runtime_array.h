// The runtime's growable arrays for its internal lists. Each starts with a capacity chosen for
// its kind of list and grows by reallocation; running out of memory while growing is not
// something a list can recover from, so it stops the program with runtime error 501
// "Out of memory in VESARRAY!" instead of throwing through code that does not expect it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

namespace veltrano::runtime {

[[noreturn]] void haltOutOfArrayMemory();

template <typename T>
class RuntimeArray {
 public:
  explicit RuntimeArray(std::size_t initial_capacity = 8) { reserve(initial_capacity); }

  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  std::size_t capacity() const { return items_.capacity(); }
  T& operator[](std::size_t index) { return items_[index]; }
  const T& operator[](std::size_t index) const { return items_[index]; }
  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  void append(T item) {
    if (items_.size() == items_.capacity()) reserve(items_.capacity() < 4 ? 8 : items_.capacity() * 2);
    items_.push_back(std::move(item));
  }
  // REQUIRES: index <= size().
  void insert(std::size_t index, T item) {
    if (items_.size() == items_.capacity()) reserve(items_.capacity() < 4 ? 8 : items_.capacity() * 2);
    items_.push_back(std::move(item));
    std::rotate(items_.begin() + static_cast<std::ptrdiff_t>(index), items_.end() - 1, items_.end());
  }
  // REQUIRES: index < size().
  void remove(std::size_t index) { items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index)); }
  void clear() { items_.clear(); }

  void reserve(std::size_t capacity) {
    try {
      items_.reserve(capacity);
    } catch (const std::bad_alloc&) {
      haltOutOfArrayMemory();
    } catch (const std::length_error&) {
      haltOutOfArrayMemory();
    }
  }

 private:
  std::vector<T> items_;
};

}  // namespace veltrano::runtime
