// The two per-thread value stacks through which runtime operations pass strings and decimals.
//
// The stacks live in thread_local storage: each operating-system thread has its own, so the
// state follows the running thread. save()/restore() let the thread code move a stack's
// contents between threads (the start-up string arguments of a new procedure thread).
//
// Misuse — popping an empty stack, overrunning the decimal stack — is an internal inconsistency
// and stops the program with runtime error 501.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "runtime/values/decimal.h"
#include "runtime/values/type_codes.h"

namespace veltrano::runtime {

// One string of the stack. Texts of up to 20 bytes stay in the entry; a longer one lives in a
// heap block the entry owns. The block is kept when the entry is popped, so that a stack that
// keeps carrying long field values does not allocate on every push.
struct StringStackEntry {
  static constexpr std::size_t kInlineBytes = 20;
  std::unique_ptr<char[]> heap;
  std::size_t heap_capacity = 0;
  std::size_t length = 0;
  std::array<char, kInlineBytes> inline_text{};

  std::string_view text() const { return {length <= kInlineBytes ? inline_text.data() : heap.get(), length}; }
};

struct SavedStringStack {
  std::size_t count = 0;
  std::array<StringStackEntry, 32> entries;
};

class StringStack {
 public:
  static constexpr std::size_t kCapacity = 32;

  // Texts are counted and may hold any byte. A push onto a full stack is ignored.
  void push(std::string_view text);
  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  // REQUIRES: not empty. The view is valid until the entry is popped.
  std::string_view top() const;
  // Discards the top entry.
  void pop();

  void popToString(std::span<std::uint8_t> field);   // STRING(n): cut or space-padded
  void popToCstring(std::span<std::uint8_t> field);  // CSTRING(n)
  void popToPstring(std::span<std::uint8_t> field);  // PSTRING(n)
  std::string popCopy();                             // a copy owned by the caller

  // Moves the live entries into a heap block and empties the stack; nullptr when empty.
  std::unique_ptr<SavedStringStack> save();
  // Replaces the stack's contents by a saved block (an empty stack for nullptr).
  void restore(std::unique_ptr<SavedStringStack> saved);

 private:
  const StringStackEntry& topEntry() const;
  std::array<StringStackEntry, kCapacity> entries_;
  std::size_t count_ = 0;
};

// The calling thread's string stack.
StringStack& stringStack();

struct SavedDecimalStack {
  std::uint8_t count = 0;
  std::array<Decimal, 10> entries;
};

class DecimalStack {
 public:
  static constexpr std::size_t kCapacity = 10;

  // An eleventh pending operand stops the program instead of running past the stack.
  void push(const Decimal& value);
  Decimal pop();   // REQUIRES: not empty
  Decimal& top();  // REQUIRES: not empty
  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }

  std::unique_ptr<SavedDecimalStack> save();  // nullptr when empty; empties the stack
  void restore(std::unique_ptr<SavedDecimalStack> saved);

 private:
  std::array<Decimal, kCapacity> entries_;
  std::size_t count_ = 0;
};

// The calling thread's decimal stack.
DecimalStack& decimalStack();

// Whether a value of this type can be passed on the string stack: the numeric, date, time,
// string and group codes and ANY.
bool stringStackCarries(TypeCode type);
// Stops the program with 501 "String Stack Error" for a type the string stack cannot carry.
void requireStringStackType(TypeCode type);

}  // namespace veltrano::runtime
