// Queues: in-memory tables of records with the layout of a declared structure.
//
// A queue copies between its record buffer and its stored entries. It keeps its entries in
// insertion order and in up to 15 sort orders over its fields, built on demand and kept most
// recently used first (16 orders in all, the insertion order included), so that switching back
// to a recent order costs nothing. The first order of the list is the current one; positions
// (POINTER) are 1-based within it. The entry last read or added stays current when another
// order is made current, and POINTER then gives its position in that order.
//
// Failures post an error code (runtime::postError) and leave the queue unchanged; nothing stops
// the program. Every operation that can fail clears the error state first:
//   30 "Entry Not Found"   a position out of range, no current entry, or no entry with the key
//    8 "Insufficient Memory"
//   75 "Invalid Field Type Descriptor"   a sort field beyond the record's fields
//    7                     an operation on a queue that was never declared (the statement forms)
//
// Field lists name fields by their position in the layout (from 1), negative for descending;
// a 0 ends the list, and at most 16 fields count. An empty list names the insertion order.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "runtime/values/record_layout.h"

namespace veltrano::runtime {

inline constexpr std::size_t kMaxQueueOrders = 16;
inline constexpr std::size_t kMaxSortFields = 16;

class Queue {
 public:
  explicit Queue(RecordLayout layout);
  ~Queue();
  Queue(const Queue&) = delete;
  Queue& operator=(const Queue&) = delete;

  const RecordLayout& layout() const { return layout_; }
  // The record buffer every operation copies from or into.
  std::span<std::uint8_t> buffer() { return buffer_; }

  // RECORDS: the number of entries.
  std::uint32_t records() const;
  // POINTER: the position of the current entry in the current order; 0 when there is none.
  std::int32_t pointer() const;
  // Increased by every operation that adds, changes or deletes entries.
  std::uint64_t changes() const { return changes_; }

  // GET(queue, pointer): copies that entry into the buffer and makes it current. Pointer 0
  // also clears the current position.
  void get(std::int32_t position);
  // GET(queue, key fields): makes the order by those fields current and copies the first entry
  // whose key fields equal the buffer's.
  void get(std::span<const int> key_fields);
  // ADD(queue): appends a copy of the buffer (placed by key in every sort order).
  void add();
  // ADD(queue, pointer): inserts a copy at that position of the insertion order; a position of
  // RECORDS + 1 appends.
  void add(std::int32_t position);
  // ADD(queue, key fields): makes that order current and adds the copy at its sorted place
  // (after entries with equal keys).
  void add(std::span<const int> key_fields);
  // PUT: writes the buffer over the current entry and moves it to its place in every order.
  void put();
  // DELETE: removes the current entry from every order and frees it.
  void remove();
  // SORT: makes the order by these fields current.
  void sort(std::span<const int> fields);
  // FREE: deletes every entry and every sort order.
  void free();

  // Orders kept, the insertion order included (for tests and diagnostics).
  std::size_t keptOrders() const;
  bool keepsOrder(std::span<const int> fields) const;

 private:
  struct Entry;
  struct Order;
  Order* selectOrder(std::span<const int> fields);
  void insertEntry(std::unique_ptr<Entry> entry, std::int64_t insertion_index);
  int compareEntries(const std::vector<int>& fields, std::span<const std::uint8_t> left,
                     std::span<const std::uint8_t> right) const;
  // Puts the entry at its place in the order; returns the index it took.
  std::size_t placeInOrder(Order& order, Entry* entry);
  // Takes the entry out of the order; returns the index it had, or -1.
  std::int64_t takeFromOrder(Order& order, Entry* entry);
  void locateCurrent(Order& order);

  RecordLayout layout_;
  std::vector<std::uint8_t> buffer_;
  std::vector<std::unique_ptr<Entry>> entries_;  // storage; each entry knows its slot
  std::vector<Order> orders_;                    // most recently used first
  std::uint64_t changes_ = 0;
};

// The statement forms, over a queue reference: a null queue posts error 7.
std::uint32_t queueRecords(Queue* queue);
std::int32_t queuePointer(Queue* queue);
void queueGet(Queue* queue, std::int32_t position);
void queueGet(Queue* queue, std::span<const int> key_fields);
void queueAdd(Queue* queue);
void queueAdd(Queue* queue, std::int32_t position);
void queueAdd(Queue* queue, std::span<const int> key_fields);
void queuePut(Queue* queue);
void queueDelete(Queue* queue);
void queueSort(Queue* queue, std::span<const int> fields);
void queueFree(Queue* queue);

}  // namespace veltrano::runtime
