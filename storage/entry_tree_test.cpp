#include "storage/entry_tree.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "storage/memory_entry_tree.h"
#include "storage/storage_failure.h"
#include "storage/wendlock_entries.h"

namespace veltrano::storage {
namespace {

std::vector<std::uint8_t> b(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (const int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

TEST(EntryOrder, UnsignedBytesThenShorterFirst) {
  EXPECT_LT(compareKeys(b({0x01}), b({0xFF})), 0);  // unsigned: 0xFF is large
  EXPECT_LT(compareKeys(b({0x7F, 0xFF}), b({0x80})), 0);
  EXPECT_LT(compareKeys(b({1, 2}), b({1, 2, 0})), 0);  // a prefix sorts first
  EXPECT_EQ(compareKeys(b({1, 2}), b({1, 2})), 0);
  EXPECT_EQ(compareKeys(b({}), b({})), 0);
  EXPECT_LT(compareKeys(b({}), b({0})), 0);
}

// Keys are compared a word at a time: the first differing byte decides wherever it lies in its
// word, as a plain byte-by-byte comparison would say.
TEST(EntryOrder, WordAtATimeAgreesWithByteByByteAtEveryPlace) {
  const auto plain = [](const std::vector<std::uint8_t>& x, const std::vector<std::uint8_t>& y) {
    const bool less = std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end());
    return less ? -1 : x == y ? 0 : 1;
  };
  const auto sign = [](int value) { return value < 0 ? -1 : value > 0 ? 1 : 0; };
  for (std::size_t length = 0; length <= 20; ++length) {
    for (std::size_t place = 0; place < length; ++place) {
      std::vector<std::uint8_t> x(length, 0x41), y(length, 0x41);
      y[place] = 0xC1;  // differs in its high bit: signed bytes would order it wrongly
      if (place + 1 < length) x[place + 1] = 0xFF;
      ASSERT_EQ(sign(compareKeys(x, y)), plain(x, y)) << length << " " << place;
      ASSERT_EQ(sign(compareKeys(y, x)), plain(y, x)) << length << " " << place;
      std::vector<std::uint8_t> shorter(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(place));
      ASSERT_EQ(sign(compareKeys(shorter, x)), plain(shorter, x)) << length << " " << place;
    }
  }
}

TEST(MemoryEntryTree, SeekInEveryDirection) {
  MemoryEntryTree tree;
  tree.insert(b({1}), b({10}));
  tree.insert(b({3}), b({30}));
  tree.insert(b({3, 0}), b({31}));
  Entry entry;
  ASSERT_TRUE(tree.seek(b({2}), Seek::AtOrAfter, entry));
  EXPECT_EQ(entry.bytes, b({3, 30}));
  ASSERT_TRUE(tree.seek(b({3}), Seek::After, entry));
  EXPECT_EQ(entry.bytes, b({3, 0, 31}));
  EXPECT_EQ(entry.key_length, 2u);
  ASSERT_TRUE(tree.seek(b({3}), Seek::Before, entry));
  EXPECT_EQ(entry.bytes, b({1, 10}));
  ASSERT_TRUE(tree.seek(b({3}), Seek::AtOrBefore, entry));
  EXPECT_EQ(entry.bytes, b({3, 30}));
  EXPECT_FALSE(tree.seek(b({1}), Seek::Before, entry));
  EXPECT_FALSE(tree.seek(b({3, 0}), Seek::After, entry));
}

TEST(MemoryEntryTree, ScanVisitsInOrderFromItsStartUntilTold) {
  MemoryEntryTree tree;
  for (const int key : {5, 1, 3, 4, 2}) tree.insert(b({key}), b({key * 10}));
  struct Case {
    int from;
    bool inclusive;
    std::size_t wanted;
    std::vector<std::uint8_t> visited;  // key, data, key, data …
  };
  for (const Case& test : {Case{3, true, 9, b({3, 30, 4, 40, 5, 50})}, Case{3, false, 9, b({4, 40, 5, 50})},
                           Case{0, true, 2, b({1, 10, 2, 20})}, Case{5, false, 9, b({})}}) {
    std::vector<std::uint8_t> visited;
    tree.scan(b({test.from}), test.inclusive, [&](auto key, auto data) {
      visited.insert(visited.end(), key.begin(), key.end());
      visited.insert(visited.end(), data.begin(), data.end());
      return visited.size() / 2 < test.wanted;
    });
    EXPECT_EQ(visited, test.visited) << test.from << " " << test.inclusive;
  }
}

TEST(MemoryEntryTree, InsertReplacesAndEraseRemoves) {
  MemoryEntryTree tree;
  tree.insert(b({5}), b({1}));
  tree.insert(b({5}), b({2, 2}));
  Entry entry;
  ASSERT_TRUE(tree.find(b({5}), entry));
  EXPECT_EQ(entry.data().size(), 2u);
  EXPECT_EQ(tree.size(), 1u);
  EXPECT_TRUE(tree.erase(b({5})));
  EXPECT_FALSE(tree.erase(b({5})));
  EXPECT_FALSE(tree.find(b({5}), entry));
}

// A damaged tree can show an entry that erasing by its key does not find: clearing a range of
// keys must fail then, not look at the same entry for ever.
TEST(MemoryEntryTree, ClearingARangeTheTreeCannotEraseFails) {
  struct Damaged final : EntryTree {
    MemoryEntryTree shown;
    bool find(std::span<const std::uint8_t> key, Entry& out) override { return shown.find(key, out); }
    bool seek(std::span<const std::uint8_t> key, Seek where, Entry& out) override {
      return shown.seek(key, where, out);
    }
    void insert(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) override {
      shown.insert(key, data);
    }
    bool erase(std::span<const std::uint8_t>) override { return false; }
    std::uint32_t lastNumber() const override { return shown.lastNumber(); }
    void setLastNumber(std::uint32_t number) override { shown.setLastNumber(number); }
  } tree;
  tree.insert(b({7, 1}), {});
  Entry scratch;
  EXPECT_THROW(entries::eraseAll(tree, b({7}), scratch), StorageFailure);
}

}  // namespace
}  // namespace veltrano::storage
