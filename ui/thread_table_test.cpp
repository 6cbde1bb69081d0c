#include "ui/thread_table.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <thread>

#include "runtime/values/value_stacks.h"

namespace veltrano::ui {
namespace {

using namespace std::chrono_literals;

// Slot 0 for the test's own thread, holding the run lock, as the program's first thread does.
class ThreadTableTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(table.attachFirstThread()); }
  void TearDown() override {
    table.waitForAllThreads();
    table.detachFirstThread();
  }
  ThreadTable table;
};

TEST_F(ThreadTableTest, FirstThreadHoldsSlotZeroAndTheLock) {
  EXPECT_EQ(table.slotOfCallingThread(), 0);
  EXPECT_EQ(table.currentSlot(), 0);
  EXPECT_EQ(table.lastTakerSlot(), 0);
  EXPECT_TRUE(table.runLock().heldByCallingThread());
  EXPECT_FALSE(table.attachFirstThread());
  int slot_elsewhere = 0;
  std::thread([&] { slot_elsewhere = table.slotOfCallingThread(); }).join();
  EXPECT_EQ(slot_elsewhere, -1);
}

TEST_F(ThreadTableTest, ProcedureRunsOnItsSlotUnderTheRunLock) {
  int seen_slot = -2;
  int seen_current = -2;
  bool held = false;
  std::uintptr_t seen_argument = 0;
  std::vector<ThreadMessage> messages;
  int slot = table.start(
      [&](std::uintptr_t argument) {
        seen_slot = table.slotOfCallingThread();
        seen_current = table.currentSlot();
        held = table.runLock().heldByCallingThread();
        seen_argument = argument;
        messages = table.takeThreadMessages();
      },
      42, 25000);
  EXPECT_EQ(slot, 1);
  // The new thread cannot run while the starter holds the lock.
  EXPECT_EQ(seen_slot, -2);
  EXPECT_EQ(table.slotInfo(1)->argument, 42u);
  table.waitForAllThreads();
  EXPECT_EQ(seen_slot, 1);
  EXPECT_EQ(seen_current, 1);
  EXPECT_TRUE(held);
  EXPECT_EQ(seen_argument, 42u);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].message, 0x2414u);
  EXPECT_EQ(messages[0].parameter, 1u);
  // Back on the first thread, with the lock, its slot current again; the slot is free.
  EXPECT_TRUE(table.runLock().heldByCallingThread());
  EXPECT_EQ(table.currentSlot(), 0);
  EXPECT_EQ(table.slotInfo(1)->thread_id, 0u);
}

TEST_F(ThreadTableTest, SmallStacksAreRecordedAsTwentyThousandAndGetAtLeastOneMebibyte) {
  std::atomic<std::size_t> real_stack{0};
  auto measure = [&](std::uintptr_t) {
    pthread_attr_t attributes;
    std::size_t size = 0;
    if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
      pthread_attr_getstacksize(&attributes, &size);
      pthread_attr_destroy(&attributes);
    }
    real_stack = size;
  };
  int zero = table.start(measure, 0, 0);
  int small = table.start(measure, 0, 5000);
  int usual = table.start(measure, 0, 25000);
  EXPECT_EQ(table.slotInfo(zero)->stack_size, 20000u);
  EXPECT_EQ(table.slotInfo(small)->stack_size, 20000u);
  EXPECT_EQ(table.slotInfo(usual)->stack_size, 25000u);
  table.waitForAllThreads();
  EXPECT_GE(real_stack.load(), kLeastRealStackSize);
}

TEST_F(ThreadTableTest, SixtyFourthStartFindsNoSlot) {
  std::atomic<int> ran{0};
  for (int i = 1; i <= 63; ++i) {
    ASSERT_EQ(table.start([&](std::uintptr_t) { ++ran; }, 0, 25000), i);
  }
  EXPECT_EQ(table.startedThreads(), 63);
  EXPECT_EQ(table.start([&](std::uintptr_t) { ++ran; }, 0, 25000), -1);
  EXPECT_EQ(table.startedThreads(), 63);
  table.waitForAllThreads();
  EXPECT_EQ(ran.load(), 63);
  // Freed slots are handed out again from the lowest.
  EXPECT_EQ(table.start([](std::uintptr_t) {}, 0, 0), 1);
}

TEST_F(ThreadTableTest, AThreadThatCannotBeCreatedGivesMinusOneAndFreesItsSlot) {
  bool ran = false;
  std::size_t impossible = std::size_t{1} << 60;
  EXPECT_EQ(table.start([&](std::uintptr_t) { ran = true; }, 0, impossible), -1);
  EXPECT_EQ(table.start([&](std::uintptr_t) { ran = true; }, 0, ~std::size_t{0}), -1);
  EXPECT_EQ(table.startedThreads(), 0);
  EXPECT_FALSE(ran);
  EXPECT_EQ(table.start([](std::uintptr_t) {}, 0, 0), 1);
}

TEST_F(ThreadTableTest, SingleThreadModeAndClosingDown) {
  table.setSingleThreadMode(true);
  int slot_inside = -2;
  std::string argument;
  std::vector<std::string> arguments{"only"};
  EXPECT_EQ(table.start(
                [&](std::uintptr_t) {
                  slot_inside = table.slotOfCallingThread();
                  argument = runtime::stringStack().popCopy();
                },
                0, 0, arguments),
            0);
  EXPECT_EQ(slot_inside, 0);
  EXPECT_EQ(argument, "only");
  table.setSingleThreadMode(false);

  table.setClosingDown(true);
  bool ran = false;
  EXPECT_EQ(table.start([&](std::uintptr_t) { ran = true; }, 0, 0, arguments), 0);
  table.waitForAllThreads();
  EXPECT_FALSE(ran);
  EXPECT_TRUE(runtime::stringStack().empty());
  table.setClosingDown(false);
}

TEST_F(ThreadTableTest, StringArgumentsMoveToTheNewThreadsStack) {
  runtime::StringStack& own = runtime::stringStack();
  own.push("starter's own");
  std::vector<std::string> arguments{"first", "second", "a third, longer than twenty bytes", "fourth"};
  std::vector<std::string> popped;
  table.start(
      [&](std::uintptr_t) {
        while (!runtime::stringStack().empty()) popped.push_back(runtime::stringStack().popCopy());
      },
      0, 0, arguments);
  ASSERT_EQ(own.size(), 1u);
  EXPECT_EQ(own.top(), "starter's own");
  table.waitForAllThreads();
  EXPECT_EQ(popped, (std::vector<std::string>{"a third, longer than twenty bytes", "second", "first"}));
  own.pop();
}

struct Recorder : ThreadObject {
  Recorder(std::vector<std::string>& into, std::string called) : log(into), name(std::move(called)) {}
  void endOfThread() override { log.push_back(name); }
  std::vector<std::string>& log;
  std::string name;
};

struct Observer : ThreadObserver {
  void slotStarted(int slot) override { started.push_back(slot); }
  void threadEnding(int slot) override { log->push_back("engine " + std::to_string(slot)); }
  std::vector<int> started;
  std::vector<std::string>* log = nullptr;
};

TEST_F(ThreadTableTest, EndingThreadClosesItsObjectsInOrderAndLetsGoOfTheGlobals) {
  std::vector<std::string> log;
  Observer observer;
  observer.log = &log;
  table.setObserver(&observer);
  table.setEndOfThreadCallback([&] { log.push_back("program"); });
  Recorder first(log, "first"), second(log, "second"), dropped(log, "dropped");
  int slot = table.start(
      [&](std::uintptr_t) {
        table.addThreadObject(first);
        table.addThreadObject(dropped);
        table.addThreadObject(second);
        table.removeThreadObject(dropped);
        table.setLastActiveSlot(table.slotOfCallingThread());
        table.setLastFocusSlot(table.slotOfCallingThread());
        runtime::decimalStack().push(runtime::Decimal{});
      },
      0, 0);
  table.waitForAllThreads();
  EXPECT_EQ(observer.started, std::vector<int>{slot});
  EXPECT_EQ(log, (std::vector<std::string>{"engine 1", "program", "first", "second"}));
  EXPECT_EQ(table.lastActiveSlot(), -1);
  EXPECT_EQ(table.lastFocusSlot(), -1);
  table.setObserver(nullptr);
  table.setEndOfThreadCallback(nullptr);
}

TEST_F(ThreadTableTest, LastActiveNamingAnotherSlotStays) {
  table.setLastActiveSlot(0);
  table.start([](std::uintptr_t) {}, 0, 0);
  table.waitForAllThreads();
  EXPECT_EQ(table.lastActiveSlot(), 0);
}

TEST_F(ThreadTableTest, ShutdownWaitsForEveryThread) {
  std::atomic<int> finished{0};
  std::atomic<bool> go{false};
  for (int i = 0; i < 5; ++i) {
    table.start(
        [&](std::uintptr_t) {
          // Each procedure waits outside the run lock, as it would for its next event.
          RunLockReleasedForWait waiting;
          while (!go) std::this_thread::sleep_for(1ms);
          ++finished;
        },
        0, 0);
  }
  std::thread opener([&] {
    std::this_thread::sleep_for(50ms);
    go = true;
  });
  table.waitForAllThreads();
  EXPECT_EQ(finished.load(), 5);
  EXPECT_EQ(table.startedThreads(), 0);
  opener.join();
}

TEST_F(ThreadTableTest, ProcedureThatThrowsStillFreesItsSlot) {
  table.setLastActiveSlot(1);
  table.start([](std::uintptr_t) { throw std::runtime_error("escaped"); }, 0, 0);
  table.waitForAllThreads();
  EXPECT_EQ(table.startedThreads(), 0);
  EXPECT_EQ(table.lastActiveSlot(), -1);
}

TEST_F(ThreadTableTest, RunLockLetsOneThreadRunAtATime) {
  // Unguarded shared state: only the run lock keeps the threads apart (ThreadSanitizer checks).
  long counter = 0;
  int inside = 0;
  int most_inside = 0;
  for (int i = 0; i < 8; ++i) {
    table.start(
        [&](std::uintptr_t) {
          for (int round = 0; round < 50; ++round) {
            ++inside;
            most_inside = std::max(most_inside, inside);
            ++counter;
            --inside;
            RunLockReleasedForWait hand_over;
          }
        },
        0, 0);
  }
  table.waitForAllThreads();
  EXPECT_EQ(counter, 400);
  EXPECT_EQ(most_inside, 1);
}

TEST(RunLock, TimedTakeAndForeignRelease) {
  RunLock lock;
  EXPECT_TRUE(lock.tryTake(10ms));
  EXPECT_TRUE(lock.heldByCallingThread());
  EXPECT_EQ(runLockHeldByCallingThread(), &lock);
  bool taken_elsewhere = true;
  bool released_elsewhere = true;
  std::thread([&] {
    taken_elsewhere = lock.tryTake(20ms);
    released_elsewhere = lock.release();
  }).join();
  EXPECT_FALSE(taken_elsewhere);
  EXPECT_FALSE(released_elsewhere);
  EXPECT_TRUE(lock.release());
  EXPECT_FALSE(lock.release());
  EXPECT_EQ(runLockHeldByCallingThread(), nullptr);
  std::thread([&] {
    taken_elsewhere = lock.tryTake(20ms);
    lock.release();
  }).join();
  EXPECT_TRUE(taken_elsewhere);
}

TEST(RunLock, SwitchToReturnsThePreviousSlot) {
  ThreadTable table;
  EXPECT_EQ(table.currentSlot(), -1);
  EXPECT_EQ(table.switchTo(3), -1);
  EXPECT_EQ(table.switchTo(5), 3);
  EXPECT_EQ(table.currentSlot(), 5);
  EXPECT_FALSE(table.slotInfo(64).has_value());
  EXPECT_FALSE(table.slotInfo(-1).has_value());
}

}  // namespace
}  // namespace veltrano::ui
