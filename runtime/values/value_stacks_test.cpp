#include "runtime/values/value_stacks.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "runtime/values/halt_for_tests.h"
#include "runtime/values/runtime_array.h"
#include "runtime/values/string_assign.h"

namespace veltrano::runtime {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

TEST(StringAssign, CutsEightLettersToEachStringType) {
  Bytes string(5, 0xAA);
  assignString(string, "ABCDEFGH");
  EXPECT_EQ(string, bytes("ABCDE"));
  Bytes cstring(5, 0xAA);
  assignCstring(cstring, "ABCDEFGH");
  EXPECT_EQ(cstring, (Bytes{'A', 'B', 'C', 'D', 0}));
  Bytes pstring(5, 0xAA);
  assignPstring(pstring, "ABCDEFGH");
  EXPECT_EQ(pstring, (Bytes{4, 'A', 'B', 'C', 'D'}));
}

TEST(StringAssign, PadsShortTextsAndReadsThemBack) {
  Bytes string(5, 0xAA);
  assignString(string, "AB");
  EXPECT_EQ(string, bytes("AB   "));
  Bytes cstring(5, 0xAA);
  assignCstring(cstring, "AB");
  EXPECT_EQ(Bytes(cstring.begin(), cstring.begin() + 3), (Bytes{'A', 'B', 0}));
  EXPECT_EQ(stringValue(TypeCode::Cstring, cstring), "AB");
  Bytes pstring(5, 0xAA);
  assignPstring(pstring, std::string_view("A\0B", 3));
  EXPECT_EQ(stringValue(TypeCode::Pstring, pstring), std::string_view("A\0B", 3));
  EXPECT_EQ(stringValue(TypeCode::String, string), "AB   ");
}

TEST(StringAssign, DamagedFieldsReadWithinTheirBytes) {
  const Bytes no_nul = bytes("ABC");
  EXPECT_EQ(stringValue(TypeCode::Cstring, no_nul), "ABC");
  const Bytes long_count = {200, 'A', 'B'};
  EXPECT_EQ(stringValue(TypeCode::Pstring, long_count), "AB");
  EXPECT_EQ(stringValue(TypeCode::Pstring, {}), "");
  Bytes empty;
  assignCstring(empty, "X");
  assignPstring(empty, "X");
  clearStringType(TypeCode::Pstring, empty, 1);
}

TEST(StringAssign, ClearsWithEachDirection) {
  Bytes field(4, 0xAA);
  clearStringType(TypeCode::String, field, 0);
  EXPECT_EQ(field, bytes("    "));
  clearStringType(TypeCode::String, field, 1);
  EXPECT_EQ(field, Bytes(4, 0xFF));
  clearStringType(TypeCode::String, field, -1);
  EXPECT_EQ(field, Bytes(4, 0x00));

  field.assign(4, 0xAA);
  clearStringType(TypeCode::Cstring, field, 1);
  EXPECT_EQ(field, (Bytes{0xFF, 0xFF, 0xFF, 0x00}));
  clearStringType(TypeCode::Cstring, field, -1);
  EXPECT_EQ(field[0], 0);
  field.assign(4, 0xAA);
  clearStringType(TypeCode::Cstring, field, 0);
  EXPECT_EQ(stringValue(TypeCode::Cstring, field), "");

  field.assign(4, 0xAA);
  clearStringType(TypeCode::Pstring, field, 1);
  EXPECT_EQ(field, (Bytes{3, 0xFF, 0xFF, 0xFF}));
  clearStringType(TypeCode::Pstring, field, -1);
  EXPECT_EQ(field, (Bytes{3, 0, 0, 0}));
  clearStringType(TypeCode::Pstring, field, 0);
  EXPECT_EQ(field[0], 0);
}

TEST(StringStackTest, PushesShortAndLongTextsAndPopsThemIntoFields) {
  StringStack& stack = stringStack();
  stack.restore(nullptr);
  stack.push("short");
  const std::string long_text(300, 'x');
  stack.push(long_text);
  stack.push(std::string_view("\0\xFF", 2));
  EXPECT_EQ(stack.size(), 3u);
  EXPECT_EQ(stack.top(), std::string_view("\0\xFF", 2));
  stack.pop();
  EXPECT_EQ(stack.popCopy(), long_text);
  Bytes field(8, 0xAA);
  stack.popToString(field);
  EXPECT_EQ(field, bytes("short   "));
  EXPECT_TRUE(stack.empty());

  // An entry that once held a long text reuses its block for a longer one, and takes a short
  // text inline again.
  stack.push(std::string(40, 'a'));
  stack.pop();
  stack.push(std::string(60, 'b'));
  EXPECT_EQ(stack.top(), std::string(60, 'b'));
  stack.pop();
  stack.push("c");
  Bytes cstring(3, 0xAA);
  stack.popToCstring(cstring);
  EXPECT_EQ(stringValue(TypeCode::Cstring, cstring), "c");
  stack.push("pascal");
  Bytes pstring(4, 0xAA);
  stack.popToPstring(pstring);
  EXPECT_EQ(pstring, (Bytes{3, 'p', 'a', 's'}));
}

TEST(StringStackTest, IgnoresAPushOntoAFullStack) {
  StringStack& stack = stringStack();
  stack.restore(nullptr);
  for (int i = 0; i < 32; ++i) stack.push(std::to_string(i));
  stack.push("ignored");
  EXPECT_EQ(stack.size(), 32u);
  EXPECT_EQ(stack.top(), "31");
  stack.restore(nullptr);
  EXPECT_TRUE(stack.empty());
}

TEST(StringStackTest, PoppingAnEmptyStackIsRuntimeError501) {
  stringStack().restore(nullptr);
  const RuntimeHalt halt = haltOf([] { stringStack().popCopy(); });
  EXPECT_EQ(halt.code, 501);
  EXPECT_EQ(halt.text, "String Stack Error");
}

TEST(StringStackTest, SaveEmptiesTheStackAndRestoreBringsItBack) {
  StringStack& stack = stringStack();
  stack.restore(nullptr);
  EXPECT_EQ(stack.save(), nullptr);
  stack.push("first");
  stack.push(std::string(100, 'L'));
  auto saved = stack.save();
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(saved->count, 2u);
  EXPECT_TRUE(stack.empty());
  stack.push("other");
  stack.restore(std::move(saved));
  EXPECT_EQ(stack.size(), 2u);
  EXPECT_EQ(stack.popCopy(), std::string(100, 'L'));
  EXPECT_EQ(stack.popCopy(), "first");
}

TEST(StringStackTest, SavedStringsMoveToAnotherThreadsStack) {
  stringStack().restore(nullptr);
  stringStack().push("argument one");
  stringStack().push(std::string(50, 'z'));
  auto saved = stringStack().save();
  std::string seen_top;
  std::size_t seen_size = 0;
  std::thread worker([&] {
    EXPECT_TRUE(stringStack().empty());  // every thread starts with its own empty stack
    stringStack().restore(std::move(saved));
    seen_size = stringStack().size();
    seen_top = stringStack().popCopy();
  });
  worker.join();
  EXPECT_EQ(seen_size, 2u);
  EXPECT_EQ(seen_top, std::string(50, 'z'));
  EXPECT_TRUE(stringStack().empty());
}

TEST(StringStackTest, CarriesOnlyValueTypes) {
  EXPECT_TRUE(stringStackCarries(TypeCode::Decimal));
  EXPECT_TRUE(stringStackCarries(TypeCode::Date));
  EXPECT_TRUE(stringStackCarries(TypeCode::Group));
  EXPECT_TRUE(stringStackCarries(TypeCode::Any));
  EXPECT_TRUE(stringStackCarries(TypeCode::Bfloat8));
  EXPECT_FALSE(stringStackCarries(TypeCode::Memo));
  EXPECT_FALSE(stringStackCarries(TypeCode::Queue));
  EXPECT_FALSE(stringStackCarries(TypeCode::End));
  EXPECT_EQ(haltOf([] { requireStringStackType(TypeCode::Class); }).code, 501);
  EXPECT_EQ(haltOf([] { requireStringStackType(TypeCode::Cstring); }).code, 0);
}

TEST(DecimalStackTest, PushPopSaveAndRestore) {
  DecimalStack& stack = decimalStack();
  stack.restore(nullptr);
  stack.push(Decimal::fromInteger(2));
  stack.push(Decimal::fromText("1.25"));
  stack.top() = stack.top() * Decimal::fromInteger(2);
  auto saved = stack.save();
  ASSERT_NE(saved, nullptr);
  EXPECT_TRUE(stack.empty());
  EXPECT_EQ(stack.save(), nullptr);
  stack.restore(std::move(saved));
  EXPECT_EQ(stack.pop().toText(), "2.50");
  EXPECT_EQ(stack.pop().toText(), "2");
}

TEST(DecimalStackTest, OverrunAndUnderrunStopTheProgram) {
  decimalStack().restore(nullptr);
  EXPECT_EQ(haltOf([] { decimalStack().pop(); }).code, 501);
  const RuntimeHalt overrun = haltOf([] {
    for (int i = 0; i <= 10; ++i) decimalStack().push(Decimal::fromInteger(i));
  });
  EXPECT_EQ(overrun.code, 501);
  EXPECT_EQ(decimalStack().size(), 10u);
  decimalStack().restore(nullptr);
}

TEST(RuntimeArrayTest, GrowsAndStopsWhenMemoryRunsOut) {
  RuntimeArray<int*> array(2);
  int values[20] = {};
  for (auto& value : values) array.append(&value);
  array.insert(0, nullptr);
  array.remove(1);
  EXPECT_EQ(array.size(), 20u);
  EXPECT_EQ(array[0], nullptr);
  EXPECT_EQ(array[1], &values[1]);
  const RuntimeHalt halt = haltOf([&] { array.reserve(static_cast<std::size_t>(-1) / 2); });
  EXPECT_EQ(halt.code, 501);
  EXPECT_EQ(halt.text, "Out of memory in VESARRAY!");
}

}  // namespace
}  // namespace veltrano::runtime
