// Procedures on threads of their own, driving windows through the headless engine, as the
// menu starts them in the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/values/value_stacks.h"
#include "ui/headless_engine.h"
#include "ui/thread_table.h"

namespace veltrano::ui {
namespace {

using namespace std::chrono_literals;

constexpr ControlId kEntry = 1;
constexpr ControlId kOk = 2;

WindowDescription listWindow(const std::string& label) {
  WindowDescription window;
  window.label = label;
  window.caption = label;
  ControlDescription entry;
  entry.id = kEntry;
  entry.kind = ControlKind::kEntry;
  ControlDescription ok;
  ok.id = kOk;
  ok.kind = ControlKind::kButton;
  ok.text = "OK";
  window.controls = {entry, ok};
  return window;
}

class Procedures : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(table.attachFirstThread()); }
  void TearDown() override {
    table.waitForAllThreads();
    table.detachFirstThread();
  }
  // The first thread waits as the frame would: outside the run lock.
  WindowId waitForWindow(const std::string& label) {
    RunLockReleasedForWait waiting;
    return engine.waitForWindow(label, 10s);
  }
  bool waitUntilIdle(WindowId window) {
    RunLockReleasedForWait waiting;
    return engine.waitUntilIdle(window, 10s);
  }

  HeadlessEngine engine;
  ScopedWindowEngine installed{engine};
  ThreadTable table;
  // Written by procedures with nothing but the run lock around it.
  std::vector<std::string> log;
};

// A procedure of the usual shape: open, loop on events, close.
void echoProcedure(const std::string& label, std::vector<std::string>& log) {
  WindowEngine& engine = windowEngine();
  WindowId window = engine.openWindow(listWindow(label));
  for (;;) {
    Event next = engine.waitEvent(window);
    if (next.code == event::kAccepted && next.control == kEntry) {
      log.push_back(label + ":" + *engine.value(window, kEntry));
      engine.setValue(window, kEntry, "seen " + *engine.value(window, kEntry));
    } else {
      log.push_back(label + ":" + eventTraceName(next.code));
    }
    if (next.code == event::kCloseWindow || next.code == event::kCloseDown) break;
  }
  engine.closeWindow(window);
}

TEST_F(Procedures, AProcedureOpensAWindowAndAnswersEvents) {
  table.start([this](std::uintptr_t) { echoProcedure("A", log); }, 0, 25000);
  WindowId window = waitForWindow("A");
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(waitUntilIdle(window));
  EXPECT_TRUE(engine.userTypes(window, kEntry, "Иванов"));
  ASSERT_TRUE(waitUntilIdle(window));
  EXPECT_EQ(engine.value(window, kEntry), "seen Иванов");
  engine.userCloses(window);
  table.waitForAllThreads();
  EXPECT_EQ(log, (std::vector<std::string>{"A:EVENT:OpenWindow", "A:Иванов", "A:EVENT:CloseWindow"}));
  EXPECT_TRUE(engine.openWindows().empty());
}

TEST_F(Procedures, TwoProceduresInterleaveAtTheirEventWaits) {
  table.start([this](std::uintptr_t) { echoProcedure("A", log); }, 0, 25000);
  table.start([this](std::uintptr_t) { echoProcedure("B", log); }, 0, 25000);
  WindowId a = waitForWindow("A");
  WindowId b = waitForWindow("B");
  ASSERT_TRUE(waitUntilIdle(a));
  ASSERT_TRUE(waitUntilIdle(b));
  log.clear();  // the open events arrive in whichever order the threads ran
  for (int round = 0; round < 20; ++round) {
    WindowId window = round % 2 == 0 ? a : b;
    engine.userTypes(window, kEntry, std::to_string(round));
    ASSERT_TRUE(waitUntilIdle(window));
  }
  engine.userCloses(a);
  engine.userCloses(b);
  table.waitForAllThreads();
  ASSERT_EQ(log.size(), 22u);
  for (int round = 0; round < 20; ++round) {
    EXPECT_EQ(log[static_cast<std::size_t>(round)], (round % 2 == 0 ? "A:" : "B:") + std::to_string(round));
  }
}

TEST_F(Procedures, ProceduresKeepTheirOwnStacksAcrossHandOvers) {
  // Each procedure leaves values on its string stack, waits (the other runs and does the
  // same), and finds its own values afterwards.
  auto procedure = [this](const std::string& label) {
    runtime::StringStack& stack = runtime::stringStack();
    WindowEngine& windows = windowEngine();
    WindowId window = windows.openWindow(listWindow(label));
    stack.push(label + "1");
    stack.push(label + "2");
    while (windows.waitEvent(window).code != event::kCloseWindow) {
    }
    std::string second = stack.popCopy();
    std::string first = stack.popCopy();
    log.push_back(first + second + (stack.empty() ? "" : "!"));
    windows.closeWindow(window);
  };
  table.start([&](std::uintptr_t) { procedure("A"); }, 0, 0);
  table.start([&](std::uintptr_t) { procedure("B"); }, 0, 0);
  WindowId a = waitForWindow("A");
  WindowId b = waitForWindow("B");
  engine.userTypes(a, kEntry, "x");
  engine.userTypes(b, kEntry, "y");
  engine.userCloses(b);
  engine.userCloses(a);
  table.waitForAllThreads();
  std::sort(log.begin(), log.end());
  EXPECT_EQ(log, (std::vector<std::string>{"A1A2", "B1B2"}));
}

TEST_F(Procedures, MessageBoxWaitLetsOtherProceduresRun) {
  engine.setWaitForAnswers(true);
  unsigned answer = 0;
  table.start(
      [&](std::uintptr_t) {
        MessageBoxRequest request;
        request.text = "Delete?";
        request.buttons = kButtonYes | kButtonNo;
        request.default_button = kButtonNo;
        answer = messageBox(request);
      },
      0, 0);
  table.start([this](std::uintptr_t) { echoProcedure("B", log); }, 0, 0);
  {
    RunLockReleasedForWait waiting;
    ASSERT_TRUE(engine.waitForMessageBox(10s).has_value());
  }
  // The box is up; the other procedure still answers its events.
  WindowId b = waitForWindow("B");
  engine.userTypes(b, kEntry, "while the box is up");
  ASSERT_TRUE(waitUntilIdle(b));
  EXPECT_EQ(engine.value(b, kEntry), "seen while the box is up");
  engine.answerMessageBox(kButtonYes);
  engine.userCloses(b);
  table.waitForAllThreads();
  EXPECT_EQ(answer, kButtonYes);
}

TEST_F(Procedures, ClosingAWindowFromOutsideEndsItsLoop) {
  // Another thread closes the window (the frame closing down): the waiting loop gets
  // EVENT:CloseDown instead of waiting for ever.
  table.start([this](std::uintptr_t) { echoProcedure("A", log); }, 0, 0);
  WindowId a = waitForWindow("A");
  ASSERT_TRUE(waitUntilIdle(a));
  engine.closeWindow(a);
  table.waitForAllThreads();
  EXPECT_EQ(log, (std::vector<std::string>{"A:EVENT:OpenWindow", "A:EVENT:CloseDown"}));
}

}  // namespace
}  // namespace veltrano::ui
