#include "runtime/values/value_stacks.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "runtime/errors/runtime_error.h"
#include "runtime/values/string_assign.h"

namespace veltrano::runtime {
namespace {

[[noreturn]] void stringStackError() {
  haltWithRuntimeError(kStringStackError, "String Stack Error");
}
[[noreturn]] void decimalStackError() {
  haltWithRuntimeError(kStringStackError, "Decimal Stack Error");
}

}  // namespace

void StringStack::push(std::string_view text) {
  if (count_ == kCapacity) return;
  StringStackEntry& entry = entries_[count_];
  char* destination = entry.inline_text.data();
  if (text.size() > StringStackEntry::kInlineBytes) {
    if (entry.heap_capacity < text.size()) {
      entry.heap = std::make_unique_for_overwrite<char[]>(text.size());
      entry.heap_capacity = text.size();
    }
    destination = entry.heap.get();
  }
  if (!text.empty()) std::memcpy(destination, text.data(), text.size());
  entry.length = text.size();
  ++count_;
}

const StringStackEntry& StringStack::topEntry() const {
  if (count_ == 0) stringStackError();
  return entries_[count_ - 1];
}

std::string_view StringStack::top() const {
  return topEntry().text();
}

void StringStack::pop() {
  if (count_ == 0) stringStackError();
  --count_;
}

void StringStack::popToString(std::span<std::uint8_t> field) {
  assignString(field, top());
  pop();
}

void StringStack::popToCstring(std::span<std::uint8_t> field) {
  assignCstring(field, top());
  pop();
}

void StringStack::popToPstring(std::span<std::uint8_t> field) {
  assignPstring(field, top());
  pop();
}

std::string StringStack::popCopy() {
  std::string copy(top());
  pop();
  return copy;
}

std::unique_ptr<SavedStringStack> StringStack::save() {
  if (count_ == 0) return nullptr;
  auto saved = std::make_unique<SavedStringStack>();
  saved->count = count_;
  for (std::size_t i = 0; i < count_; ++i) saved->entries[i] = std::move(entries_[i]);
  for (std::size_t i = 0; i < count_; ++i) entries_[i] = StringStackEntry{};
  count_ = 0;
  return saved;
}

void StringStack::restore(std::unique_ptr<SavedStringStack> saved) {
  count_ = 0;
  if (!saved) return;
  const std::size_t count = std::min(saved->count, kCapacity);
  for (std::size_t i = 0; i < count; ++i) entries_[i] = std::move(saved->entries[i]);
  count_ = count;
}

StringStack& stringStack() {
  thread_local StringStack stack;
  return stack;
}

void DecimalStack::push(const Decimal& value) {
  if (count_ == kCapacity) decimalStackError();
  entries_[count_++] = value;
}

Decimal DecimalStack::pop() {
  if (count_ == 0) decimalStackError();
  return entries_[--count_];
}

Decimal& DecimalStack::top() {
  if (count_ == 0) decimalStackError();
  return entries_[count_ - 1];
}

std::unique_ptr<SavedDecimalStack> DecimalStack::save() {
  if (count_ == 0) return nullptr;
  auto saved = std::make_unique<SavedDecimalStack>();
  saved->count = static_cast<std::uint8_t>(count_);
  std::copy_n(entries_.begin(), count_, saved->entries.begin());
  count_ = 0;
  return saved;
}

void DecimalStack::restore(std::unique_ptr<SavedDecimalStack> saved) {
  count_ = 0;
  if (!saved) return;
  count_ = std::min<std::size_t>(saved->count, kCapacity);
  std::copy_n(saved->entries.begin(), count_, entries_.begin());
}

DecimalStack& decimalStack() {
  thread_local DecimalStack stack;
  return stack;
}

bool stringStackCarries(TypeCode type) {
  switch (type) {
    case TypeCode::Date:
    case TypeCode::Time:
    case TypeCode::String:
    case TypeCode::Cstring:
    case TypeCode::Pstring:
    case TypeCode::Group:
    case TypeCode::Any: return true;
    default: return isNumericType(type);
  }
}

void requireStringStackType(TypeCode type) {
  if (!stringStackCarries(type)) stringStackError();
}

}  // namespace veltrano::runtime
