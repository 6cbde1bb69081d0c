#include "runtime/queue/queue.h"

#include <algorithm>
#include <new>
#include <utility>

#include "runtime/errors/error_state.h"
#include "runtime/queue/field_compare.h"

namespace veltrano::runtime {
namespace {

constexpr int kEntryNotFound = 30;
constexpr int kInsufficientMemory = 8;
constexpr int kInvalidFieldDescriptor = 75;
constexpr int kQueueNotDeclared = 7;

// The field numbers of a list up to its 0, at most kMaxSortFields of them.
std::vector<int> fieldList(std::span<const int> fields) {
  const auto end = std::find(fields.begin(), fields.end(), 0);
  const auto count = std::min<std::size_t>(static_cast<std::size_t>(end - fields.begin()), kMaxSortFields);
  return {fields.begin(), fields.begin() + static_cast<std::ptrdiff_t>(count)};
}

}  // namespace

struct Queue::Entry {
  std::vector<std::uint8_t> bytes;
  std::size_t slot = 0;  // index in entries_
};

struct Queue::Order {
  std::vector<int> fields;  // empty for the insertion order
  std::vector<Entry*> entries;
  std::int32_t position = -1;  // 1-based; -1 when not set
  Entry* current = nullptr;
};

Queue::Queue(RecordLayout layout) : layout_(std::move(layout)), buffer_(layout_.size(), 0) {
  orders_.emplace_back();  // the insertion order
}

Queue::~Queue() = default;

std::uint32_t Queue::records() const {
  return static_cast<std::uint32_t>(entries_.size());
}

std::int32_t Queue::pointer() const {
  return orders_.front().position < 0 ? 0 : orders_.front().position;
}

int Queue::compareEntries(const std::vector<int>& fields, std::span<const std::uint8_t> left,
                          std::span<const std::uint8_t> right) const {
  for (int number : fields) {
    const int index = (number < 0 ? -number : number) - 1;
    const int result = compareField(layout_.field(static_cast<std::size_t>(index)), left, right);
    if (result != 0) return number < 0 ? -result : result;
  }
  return 0;
}

std::size_t Queue::placeInOrder(Order& order, Entry* entry) {
  if (order.fields.empty()) {
    order.entries.push_back(entry);
    return order.entries.size() - 1;
  }
  const auto place = std::upper_bound(order.entries.begin(), order.entries.end(), entry,
                                      [&](const Entry* left, const Entry* right) {
                                        return compareEntries(order.fields, left->bytes, right->bytes) < 0;
                                      });
  const auto inserted = order.entries.insert(place, entry);  // may reallocate: begin() only after
  return static_cast<std::size_t>(inserted - order.entries.begin());
}

std::int64_t Queue::takeFromOrder(Order& order, Entry* entry) {
  auto found = order.entries.end();
  if (!order.fields.empty()) {
    // Entries with equal keys lie together: search only among them.
    auto [first, last] = std::equal_range(
        order.entries.begin(), order.entries.end(), entry, [&](const Entry* left, const Entry* right) {
          return compareEntries(order.fields, left->bytes, right->bytes) < 0;
        });
    found = std::find(first, last, entry);
    if (found == last) found = order.entries.end();
  }
  if (found == order.entries.end()) found = std::find(order.entries.begin(), order.entries.end(), entry);
  if (found == order.entries.end()) return -1;
  const auto index = found - order.entries.begin();
  order.entries.erase(found);
  if (order.current == entry) {
    order.current = nullptr;
    order.position = -1;
  } else if (order.position > index) {
    --order.position;
  }
  return index;
}

// Recomputes an order's position from its current entry.
void Queue::locateCurrent(Order& order) {
  order.position = -1;
  if (order.current == nullptr) return;
  const auto found = std::find(order.entries.begin(), order.entries.end(), order.current);
  if (found == order.entries.end()) {
    order.current = nullptr;
  } else {
    order.position = static_cast<std::int32_t>(found - order.entries.begin()) + 1;
  }
}

Queue::Order* Queue::selectOrder(std::span<const int> fields) {
  std::vector<int> list = fieldList(fields);
  for (int number : list) {
    if (static_cast<std::size_t>(number < 0 ? -static_cast<long>(number) : number) > layout_.fieldCount()) {
      postError(kInvalidFieldDescriptor);
      return nullptr;
    }
  }
  Entry* const current = orders_.front().current;
  const auto existing =
      std::find_if(orders_.begin(), orders_.end(), [&](const Order& order) { return order.fields == list; });
  if (existing != orders_.end()) {
    // The entry last read stays current across the switch, so that a PUT or DELETE after a
    // SORT acts on it.
    std::rotate(orders_.begin(), existing, existing + 1);
    if (orders_.front().current != current) {
      orders_.front().current = current;
      locateCurrent(orders_.front());
    }
    return &orders_.front();
  }
  try {
    Order order;
    order.fields = std::move(list);
    const Order& insertion =
        *std::find_if(orders_.begin(), orders_.end(), [](const Order& kept) { return kept.fields.empty(); });
    order.entries = insertion.entries;
    std::stable_sort(order.entries.begin(), order.entries.end(), [&](const Entry* left, const Entry* right) {
      return compareEntries(order.fields, left->bytes, right->bytes) < 0;
    });
    order.current = current;
    locateCurrent(order);
    if (orders_.size() >= kMaxQueueOrders) {
      // The least recently used sort order goes; never the current one, never the insertion
      // order (the only record of the order in which entries came).
      for (auto victim = orders_.end(); victim != orders_.begin() + 1;) {
        --victim;
        if (!victim->fields.empty()) {
          orders_.erase(victim);
          break;
        }
      }
    }
    orders_.push_back(std::move(order));
    std::rotate(orders_.begin(), orders_.end() - 1, orders_.end());
  } catch (const std::bad_alloc&) {
    postError(kInsufficientMemory);
    return nullptr;
  }
  return &orders_.front();
}

void Queue::get(std::int32_t position) {
  clearErrors();
  Order& order = orders_.front();
  if (position < 1 || static_cast<std::size_t>(position) > order.entries.size()) {
    if (position == 0) {
      order.position = -1;
      order.current = nullptr;
    }
    postError(kEntryNotFound);
    return;
  }
  Entry* entry = order.entries[static_cast<std::size_t>(position - 1)];
  std::copy(entry->bytes.begin(), entry->bytes.end(), buffer_.begin());
  order.current = entry;
  order.position = position;
}

void Queue::get(std::span<const int> key_fields) {
  clearErrors();
  Order* order = selectOrder(key_fields);
  if (order == nullptr) return;
  const auto found = std::lower_bound(
      order->entries.begin(), order->entries.end(), 0,
      [&](const Entry* entry, int) { return compareEntries(order->fields, entry->bytes, buffer_) < 0; });
  if (found == order->entries.end() || compareEntries(order->fields, (*found)->bytes, buffer_) != 0) {
    postError(kEntryNotFound);
    return;
  }
  std::copy((*found)->bytes.begin(), (*found)->bytes.end(), buffer_.begin());
  order->current = *found;
  order->position = static_cast<std::int32_t>(found - order->entries.begin()) + 1;
}

void Queue::insertEntry(std::unique_ptr<Entry> entry, std::int64_t insertion_index) {
  Entry* raw = entry.get();
  raw->slot = entries_.size();
  entries_.push_back(std::move(entry));
  for (Order& order : orders_) {
    std::size_t index = 0;
    if (order.fields.empty() && insertion_index >= 0) {
      index = static_cast<std::size_t>(insertion_index);
      order.entries.insert(order.entries.begin() + insertion_index, raw);
    } else {
      index = placeInOrder(order, raw);
    }
    // An entry placed before an order's current entry moves that entry one position on.
    if (order.position > static_cast<std::int64_t>(index)) ++order.position;
    if (&order == &orders_.front()) {
      order.current = raw;
      order.position = static_cast<std::int32_t>(index) + 1;
    }
  }
  ++changes_;
}

void Queue::add() {
  clearErrors();
  try {
    auto entry = std::make_unique<Entry>();
    entry->bytes = buffer_;
    insertEntry(std::move(entry), -1);
  } catch (const std::bad_alloc&) {
    postError(kInsufficientMemory);
  }
}

void Queue::add(std::int32_t position) {
  clearErrors();
  if (position < 1 || static_cast<std::size_t>(position) > entries_.size() + 1) {
    postError(kEntryNotFound);
    return;
  }
  try {
    auto entry = std::make_unique<Entry>();
    entry->bytes = buffer_;
    insertEntry(std::move(entry), position - 1);
  } catch (const std::bad_alloc&) {
    postError(kInsufficientMemory);
  }
}

void Queue::add(std::span<const int> key_fields) {
  clearErrors();
  if (selectOrder(key_fields) == nullptr) return;
  add();
}

void Queue::put() {
  clearErrors();
  Entry* entry = orders_.front().current;
  if (entry == nullptr) {
    postError(kEntryNotFound);
    return;
  }
  for (Order& order : orders_) {
    if (order.fields.empty()) continue;
    Entry* const kept_current = order.current;
    takeFromOrder(order, entry);
    order.current = kept_current;
  }
  std::copy(buffer_.begin(), buffer_.end(), entry->bytes.begin());
  for (Order& order : orders_) {
    if (!order.fields.empty()) placeInOrder(order, entry);
    if (order.current != nullptr) locateCurrent(order);
  }
  ++changes_;
}

void Queue::remove() {
  clearErrors();
  Entry* entry = orders_.front().current;
  if (entry == nullptr) {
    postError(kEntryNotFound);
    return;
  }
  for (Order& order : orders_) takeFromOrder(order, entry);
  const std::size_t slot = entry->slot;
  std::swap(entries_[slot], entries_.back());
  entries_[slot]->slot = slot;
  entries_.pop_back();
  ++changes_;
}

void Queue::sort(std::span<const int> fields) {
  clearErrors();
  selectOrder(fields);
}

void Queue::free() {
  clearErrors();
  orders_.clear();
  orders_.emplace_back();
  entries_.clear();
  ++changes_;
}

std::size_t Queue::keptOrders() const {
  return orders_.size();
}

bool Queue::keepsOrder(std::span<const int> fields) const {
  const std::vector<int> list = fieldList(fields);
  return std::any_of(orders_.begin(), orders_.end(),
                     [&](const Order& order) { return order.fields == list; });
}

// --- Statement forms ---------------------------------------------------------------------------

namespace {

template <typename Action>
void onQueue(Queue* queue, Action action) {
  if (queue == nullptr) {
    clearErrors();
    postError(kQueueNotDeclared);
    return;
  }
  action(*queue);
}

}  // namespace

std::uint32_t queueRecords(Queue* queue) {
  std::uint32_t count = 0;
  onQueue(queue, [&](Queue& q) { count = q.records(); });
  return count;
}

std::int32_t queuePointer(Queue* queue) {
  std::int32_t position = 0;
  onQueue(queue, [&](Queue& q) { position = q.pointer(); });
  return position;
}

void queueGet(Queue* queue, std::int32_t position) {
  onQueue(queue, [&](Queue& q) { q.get(position); });
}
void queueGet(Queue* queue, std::span<const int> key_fields) {
  onQueue(queue, [&](Queue& q) { q.get(key_fields); });
}
void queueAdd(Queue* queue) {
  onQueue(queue, [&](Queue& q) { q.add(); });
}
void queueAdd(Queue* queue, std::int32_t position) {
  onQueue(queue, [&](Queue& q) { q.add(position); });
}
void queueAdd(Queue* queue, std::span<const int> key_fields) {
  onQueue(queue, [&](Queue& q) { q.add(key_fields); });
}
void queuePut(Queue* queue) {
  onQueue(queue, [&](Queue& q) { q.put(); });
}
void queueDelete(Queue* queue) {
  onQueue(queue, [&](Queue& q) { q.remove(); });
}
void queueSort(Queue* queue, std::span<const int> fields) {
  onQueue(queue, [&](Queue& q) { q.sort(fields); });
}
void queueFree(Queue* queue) {
  onQueue(queue, [&](Queue& q) { q.free(); });
}

}  // namespace veltrano::runtime
