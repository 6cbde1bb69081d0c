#include "framework/thread_number.h"

#include <atomic>

#include "ui/thread_table.h"

namespace veltrano::framework {
namespace {

constexpr std::int32_t kNotSet = 0;

std::atomic<const ui::ThreadTable*> installed_table{nullptr};

std::int32_t& scopedNumber() {
  thread_local std::int32_t number = kNotSet;
  return number;
}

}  // namespace

std::int32_t currentThreadNumber() {
  if (scopedNumber() != kNotSet) return scopedNumber();
  if (const ui::ThreadTable* table = installed_table.load(std::memory_order_acquire)) {
    if (const int slot = table->slotOfCallingThread(); slot >= 0) return slot + 1;
  }
  return 1;
}

void useThreadTable(const ui::ThreadTable* table) {
  installed_table.store(table, std::memory_order_release);
}

ScopedThreadNumber::ScopedThreadNumber(std::int32_t number) : previous_(scopedNumber()) {
  scopedNumber() = number;
}

ScopedThreadNumber::~ScopedThreadNumber() {
  scopedNumber() = previous_;
}

}  // namespace veltrano::framework
