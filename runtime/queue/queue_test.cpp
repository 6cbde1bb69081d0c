#include "runtime/queue/queue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "runtime/datetime/calendar.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/datetime/environment.h"
#include "runtime/errors/error_state.h"
#include "runtime/queue/field_compare.h"
#include "runtime/values/decimal.h"

namespace veltrano::runtime {
namespace {

// Fields: 1 NAME STRING(8), 2 AGE SHORT, 3 SALARY DECIMAL(7,2), 4 BORN DATE, 5 RATE REAL.
class QueueTest : public ::testing::Test {
 protected:
  QueueTest() : queue(makeLayout()) {}
  static RecordLayout makeLayout() {
    RecordLayoutBuilder builder;
    builder.string("Q:NAME", 8)
        .scalar("Q:AGE", TypeCode::Short)
        .decimal("Q:SALARY", 7, 2)
        .scalar("Q:BORN", TypeCode::Date)
        .scalar("Q:RATE", TypeCode::Real);
    return builder.build();
  }
  void SetUp() override {
    charTables() = CharTables::defaults();
    clearErrors();
  }
  void TearDown() override { charTables() = CharTables::defaults(); }

  std::span<std::uint8_t> field(int number) {
    const FieldDescriptor& descriptor = queue.layout().field(static_cast<std::size_t>(number - 1));
    return queue.buffer().subspan(descriptor.offset, descriptor.size);
  }
  void fill(std::string_view name, std::int16_t age, std::string_view salary = "0", std::int32_t born = 0,
            double rate = 0) {
    auto text = field(1);
    std::fill(text.begin(), text.end(), std::uint8_t{' '});
    std::memcpy(text.data(), name.data(), std::min(name.size(), text.size()));
    std::memcpy(field(2).data(), &age, 2);
    Decimal::fromText(salary).storePacked(field(3), TypeCode::Decimal, 2, 7);
    const std::uint32_t packed = packedFromDateSerial(born);
    std::memcpy(field(4).data(), &packed, 4);
    std::memcpy(field(5).data(), &rate, 8);
  }
  void add(std::string_view name, std::int16_t age, std::string_view salary = "0", std::int32_t born = 0,
           double rate = 0) {
    fill(name, age, salary, born, rate);
    queue.add();
    ASSERT_EQ(errorCode(), 0);
  }
  std::string name() {
    auto text = field(1);
    std::string value(text.begin(), text.end());
    return value.substr(0, value.find_last_not_of(' ') + 1);
  }
  std::int16_t age() {
    std::int16_t value;
    std::memcpy(&value, field(2).data(), 2);
    return value;
  }
  // The names in the current order.
  std::string names() {
    std::string all;
    for (std::int32_t position = 1; position <= static_cast<std::int32_t>(queue.records()); ++position) {
      queue.get(position);
      if (!all.empty()) all += ',';
      all += name();
    }
    return all;
  }

  Queue queue;
};

using Fields = std::vector<int>;

TEST_F(QueueTest, AddsInInsertionOrderAndGetsByPosition) {
  add("Carol", 30);
  add("Alice", 40);
  add("Bob", 20);
  EXPECT_EQ(queue.records(), 3u);
  EXPECT_EQ(queue.pointer(), 3);  // the added entry is current
  EXPECT_EQ(names(), "Carol,Alice,Bob");
  queue.get(2);
  EXPECT_EQ(name(), "Alice");
  EXPECT_EQ(queue.pointer(), 2);
  EXPECT_EQ(queue.changes(), 3u);
}

TEST_F(QueueTest, PositionsOutOfRangePostEntryNotFound) {
  add("Carol", 30);
  add("Alice", 40);
  queue.get(1);
  fill("x", 0);
  queue.get(3);  // RECORDS + 1
  EXPECT_EQ(errorCode(), 30);
  EXPECT_EQ(errorState().text, "Entry Not Found");
  EXPECT_EQ(name(), "x");  // the buffer is untouched
  EXPECT_EQ(queue.pointer(), 1);
  queue.get(-1);
  EXPECT_EQ(errorCode(), 30);
  EXPECT_EQ(queue.pointer(), 1);
  queue.get(0);  // also clears the current position
  EXPECT_EQ(errorCode(), 30);
  EXPECT_EQ(queue.pointer(), 0);
  queue.put();
  EXPECT_EQ(errorCode(), 30);
  queue.get(1);
  EXPECT_EQ(errorCode(), 0);  // a successful statement clears the error
}

TEST_F(QueueTest, AddAtAPosition) {
  add("A", 1);
  add("C", 3);
  fill("B", 2);
  queue.add(2);
  fill("D", 4);
  queue.add(4);  // RECORDS + 1 appends
  fill("Z", 9);
  queue.add(6);
  EXPECT_EQ(errorCode(), 30);
  queue.add(0);
  EXPECT_EQ(errorCode(), 30);
  EXPECT_EQ(names(), "A,B,C,D");
}

TEST_F(QueueTest, SortOrdersAscendingDescendingAndByType) {
  add("Carol", 30, "100.50", serialFromParts(1990, 5, 1), 2.5);
  add("alice", 40, "99.99", serialFromParts(1985, 1, 1), -1.0);
  add("Bob", 20, "1000", serialFromParts(2001, 12, 31), 10.0);
  add("Dave", 30, "-5", serialFromParts(1970, 6, 15), 0.5);
  queue.sort(Fields{1, 0});
  EXPECT_EQ(names(), "Bob,Carol,Dave,alice");  // byte order: capitals first
  queue.sort(Fields{-1});
  EXPECT_EQ(names(), "alice,Dave,Carol,Bob");
  queue.sort(Fields{3});  // decimals numerically, not by their bytes
  EXPECT_EQ(names(), "Dave,alice,Carol,Bob");
  queue.sort(Fields{4});
  EXPECT_EQ(names(), "Dave,alice,Carol,Bob");
  queue.sort(Fields{5});
  EXPECT_EQ(names(), "alice,Dave,Carol,Bob");
  queue.sort(Fields{2, -1});  // age, then name descending among equal ages
  EXPECT_EQ(names(), "Bob,Dave,Carol,alice");
  queue.sort(Fields{});
  EXPECT_EQ(names(), "Carol,alice,Bob,Dave");
}

TEST_F(QueueTest, StringFieldsFollowTheCollation) {
  add("b", 1);
  add("B", 2);
  add("a", 3);
  applyEnvironmentText("VESCOLSEQ=aAbB\r\n");
  queue.sort(Fields{1});
  EXPECT_EQ(names(), "a,b,B");
}

TEST_F(QueueTest, SortingTwiceReusesTheOrderAndTheOldestIsDropped) {
  for (int index = 0; index < 5; ++index)
    add(std::string(1, static_cast<char>('a' + index)), static_cast<std::int16_t>(index));
  queue.sort(Fields{1});
  queue.sort(Fields{1});
  EXPECT_EQ(queue.keptOrders(), 2u);
  // Seventeen different lists: the insertion order and 15 sort orders fit; the least recently
  // used go.
  std::vector<Fields> lists = {{1},  {-1},   {2},     {-2},   {3},     {-3},   {4},     {-4},  {5},
                               {-5}, {1, 2}, {1, -2}, {2, 1}, {2, -1}, {3, 1}, {3, -1}, {4, 1}};
  for (const Fields& list : lists) queue.sort(list);
  EXPECT_EQ(queue.keptOrders(), kMaxQueueOrders);
  EXPECT_FALSE(queue.keepsOrder(Fields{1}));
  EXPECT_FALSE(queue.keepsOrder(Fields{-1}));
  EXPECT_TRUE(queue.keepsOrder(Fields{2}));
  EXPECT_TRUE(queue.keepsOrder(Fields{4, 1}));
  EXPECT_TRUE(queue.keepsOrder(Fields{}));  // the insertion order is never dropped
  // Using an order makes it the most recent: {2} survives the next new order, {-2} does not.
  queue.sort(Fields{2});
  queue.sort(Fields{4, -1});
  EXPECT_TRUE(queue.keepsOrder(Fields{2}));
  EXPECT_FALSE(queue.keepsOrder(Fields{-2}));
  queue.sort(Fields{});
  EXPECT_EQ(names(), "a,b,c,d,e");
}

TEST_F(QueueTest, InvalidSortFieldPostsErrorAndChangesNothing) {
  add("b", 1);
  add("a", 2);
  queue.sort(Fields{1});
  queue.sort(Fields{6});
  EXPECT_EQ(errorCode(), 75);
  queue.sort(Fields{1, -6});
  EXPECT_EQ(errorCode(), 75);
  EXPECT_EQ(queue.keptOrders(), 2u);
  EXPECT_EQ(names(), "a,b");  // still the order by name
  // Only the first 16 fields count, so a bad 17th is never looked at.
  Fields long_list(16, 1);
  long_list.push_back(99);
  queue.sort(long_list);
  EXPECT_EQ(errorCode(), 0);
}

TEST_F(QueueTest, KeyedGetAndAdd) {
  add("Carol", 30);
  add("Alice", 40);
  add("Bob", 20);
  fill("Bob", 0);
  queue.get(Fields{1});
  EXPECT_EQ(errorCode(), 0);
  EXPECT_EQ(age(), 20);
  EXPECT_EQ(queue.pointer(), 2);  // in the order by name
  fill("Zed", 0);
  queue.get(Fields{1});
  EXPECT_EQ(errorCode(), 30);
  fill("Bea", 25);
  queue.add(Fields{1});
  EXPECT_EQ(queue.pointer(), 2);
  EXPECT_EQ(names(), "Alice,Bea,Bob,Carol");
  queue.sort(Fields{});
  EXPECT_EQ(names(), "Carol,Alice,Bob,Bea");
  Queue empty(makeLayout());
  empty.get(Fields{1});
  EXPECT_EQ(errorCode(), 30);
}

TEST_F(QueueTest, PutMovesTheEntryInEveryOrder) {
  add("Carol", 30);
  add("Alice", 40);
  add("Bob", 20);
  queue.sort(Fields{2});  // Bob, Carol, Alice
  queue.sort(Fields{1});  // Alice, Bob, Carol
  queue.get(1);           // Alice
  fill("Zoe", 10);
  queue.put();
  EXPECT_EQ(queue.pointer(), 3);  // found at its new place
  EXPECT_EQ(names(), "Bob,Carol,Zoe");
  fill("Zoe", 0);
  queue.get(Fields{1});
  EXPECT_EQ(errorCode(), 0);
  EXPECT_EQ(age(), 10);
  queue.sort(Fields{2});
  EXPECT_EQ(names(), "Zoe,Bob,Carol");
  queue.sort(Fields{});
  EXPECT_EQ(names(), "Carol,Zoe,Bob");  // keeps its insertion place
  EXPECT_EQ(queue.changes(), 4u);
}

TEST_F(QueueTest, DeleteRemovesFromEveryOrder) {
  add("Carol", 30);
  add("Alice", 40);
  add("Bob", 20);
  queue.sort(Fields{1});
  queue.get(2);  // Bob
  queue.remove();
  EXPECT_EQ(errorCode(), 0);
  EXPECT_EQ(queue.records(), 2u);
  EXPECT_EQ(queue.pointer(), 0);
  queue.remove();
  EXPECT_EQ(errorCode(), 30);  // no current entry any more
  EXPECT_EQ(names(), "Alice,Carol");
  queue.sort(Fields{});
  EXPECT_EQ(names(), "Carol,Alice");
  queue.sort(Fields{-2});
  EXPECT_EQ(names(), "Alice,Carol");
}

TEST_F(QueueTest, FreeEmptiesTheQueue) {
  add("Carol", 30);
  queue.sort(Fields{1});
  const std::uint64_t before = queue.changes();
  queue.free();
  EXPECT_EQ(queue.records(), 0u);
  EXPECT_EQ(queue.keptOrders(), 1u);
  EXPECT_EQ(queue.pointer(), 0);
  EXPECT_GT(queue.changes(), before);
  add("Dan", 1);
  EXPECT_EQ(names(), "Dan");
}

TEST_F(QueueTest, NullQueuePostsErrorSeven) {
  EXPECT_EQ(queueRecords(nullptr), 0u);
  EXPECT_EQ(errorCode(), 7);
  queueSort(nullptr, Fields{1});
  EXPECT_EQ(errorCode(), 7);
  queueAdd(&queue);
  EXPECT_EQ(errorCode(), 0);
  EXPECT_EQ(queueRecords(&queue), 1u);
  EXPECT_EQ(queuePointer(&queue), 1);
}

// Random operations against a plain model: every order must always list exactly the model's
// entries, sorted.
TEST_F(QueueTest, RandomOperationsKeepEveryOrderConsistent) {
  std::mt19937 random(99);
  struct Row {
    std::string name;
    std::int16_t age;
  };
  std::vector<Row> model;  // insertion order
  const std::vector<Fields> lists = {{1}, {-2, 1}, {2}, {}};
  for (int step = 0; step < 3000; ++step) {
    const auto operation = random() % 6;
    const std::string row_name(1, static_cast<char>('a' + random() % 6));
    const auto row_age = static_cast<std::int16_t>(random() % 5);
    if (operation <= 1 || model.empty()) {
      fill(row_name, row_age);
      queue.add();
      queue.sort(Fields{});
      queue.get(static_cast<std::int32_t>(queue.records()));
      model.push_back({row_name, row_age});
    } else if (operation == 2) {
      queue.sort(lists[random() % lists.size()]);
    } else {
      queue.sort(Fields{});
      const auto position = static_cast<std::int32_t>(1 + random() % model.size());
      queue.get(position);
      ASSERT_EQ(name(), model[static_cast<std::size_t>(position - 1)].name);
      queue.sort(lists[random() % lists.size()]);
      if (operation == 3) {
        queue.remove();
        model.erase(model.begin() + position - 1);
      } else {
        fill(row_name, row_age);
        queue.put();
        model[static_cast<std::size_t>(position - 1)] = {row_name, row_age};
      }
      ASSERT_EQ(errorCode(), 0);
    }
    ASSERT_EQ(queue.records(), model.size());
  }
  for (const Fields& list : lists) {
    queue.sort(list);
    std::vector<std::pair<std::string, int>> seen;
    for (std::int32_t position = 1; position <= static_cast<std::int32_t>(queue.records()); ++position) {
      queue.get(position);
      seen.emplace_back(name(), age());
    }
    std::vector<std::pair<std::string, int>> expected;
    for (const Row& row : model) expected.emplace_back(row.name, row.age);
    if (list == Fields{1}) {
      std::stable_sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.first < b.first; });
      for (std::size_t index = 0; index < seen.size(); ++index)
        EXPECT_EQ(seen[index].first, expected[index].first);
    } else if (list == Fields{}) {
      EXPECT_EQ(seen, expected);
    } else {
      auto sorted = seen;
      std::sort(sorted.begin(), sorted.end());
      auto all = expected;
      std::sort(all.begin(), all.end());
      EXPECT_EQ(sorted, all);                                      // the same entries …
      for (std::size_t index = 1; index < seen.size(); ++index) {  // … in order
        if (list == Fields{2}) {
          EXPECT_LE(seen[index - 1].second, seen[index].second);
        } else {
          EXPECT_GE(seen[index - 1].second, seen[index].second);
        }
      }
    }
  }
}

TEST(FieldCompareTest, NumbersByValueAndStringsWithoutTrailingBlanks) {
  charTables() = CharTables::defaults();
  RecordLayoutBuilder builder;
  builder.scalar("A", TypeCode::Short).cstring("B", 5).pstring("C", 5).scalar("D", TypeCode::Ulong);
  const RecordLayout layout = builder.build();
  std::vector<std::uint8_t> left(layout.size(), 0), right(layout.size(), 0);
  const std::int16_t minus = -1, plus = 1;
  std::memcpy(left.data(), &minus, 2);
  std::memcpy(right.data(), &plus, 2);
  EXPECT_LT(compareField(layout.field(0), left, right), 0);
  std::memcpy(left.data() + 2, "ab\0zz", 5);
  std::memcpy(right.data() + 2, "ab \0q", 5);
  EXPECT_EQ(compareField(layout.field(1), left, right), 0);
  const std::uint8_t short_text[] = {1, 'x', 'z', 'z', 'z'}, long_text[] = {2, 'x', 'y', 0, 0};
  std::memcpy(left.data() + 7, short_text, 5);
  std::memcpy(right.data() + 7, long_text, 5);
  EXPECT_LT(compareField(layout.field(2), left, right), 0);  // "x" before "xy"
  const std::uint32_t big = 4000000000u, small = 5;
  std::memcpy(left.data() + 12, &big, 4);
  std::memcpy(right.data() + 12, &small, 4);
  EXPECT_GT(compareField(layout.field(3), left, right), 0);
}

}  // namespace
}  // namespace veltrano::runtime
