#include "ui/event_codes.h"

#include <gtest/gtest.h>

#include <set>

namespace veltrano::ui {
namespace {

TEST(EventCodes, ControlEventsAreConsecutiveFromAccepted) {
  EXPECT_EQ(event::kAccepted, 0x1401);
  EXPECT_EQ(event::kAlertKey, 0x140F);
  EXPECT_EQ(event::kScrollDrag, 0x1414);
  EXPECT_EQ(event::kRejected, 0x141A);
  EXPECT_EQ(event::kColumnResize, 0x141E);
  // Every code of the control range names an event, in order, without gaps.
  for (EventCode code = event::kAccepted; code <= event::kColumnResize; ++code) {
    EXPECT_FALSE(eventName(code).empty()) << code;
  }
  EXPECT_EQ(eventName(0x1400), "");
  EXPECT_EQ(eventName(0x141F), "");
}

TEST(EventCodes, NamesOfEachGroup) {
  EXPECT_EQ(eventName(event::kAccepted), "EVENT:Accepted");
  EXPECT_EQ(eventName(0x1402), "EVENT:NewSelection");
  EXPECT_EQ(eventName(0x140E), "EVENT:VBXevent");
  EXPECT_EQ(eventName(0x141A), "EVENT:Rejected");
  EXPECT_EQ(eventName(0x141D), "EVENT:ScrollTrack");
  EXPECT_EQ(eventName(0x1501), "EVENT:Selected");
  EXPECT_EQ(eventName(0x1601), "EVENT:CloseWindow");
  EXPECT_EQ(eventName(0x1606), "EVENT:GainFocus");
  EXPECT_EQ(eventName(0x1608), "EVENT:Suspend");
  EXPECT_EQ(eventName(0x160C), "EVENT:DDErequest");
  EXPECT_EQ(eventName(0x1611), "EVENT:DDEclosed");
  EXPECT_EQ(eventName(0x1625), "EVENT:Completed");
  EXPECT_EQ(eventName(0x1630), "EVENT:Moved");
  EXPECT_EQ(eventName(0x1636), "EVENT:UnDocked");
  EXPECT_EQ(eventName(0x1642), "EVENT:BuildDone");
}

TEST(EventCodes, UnusedCodesAreTracedAsNumbers) {
  EXPECT_EQ(eventName(0x1607), "");
  EXPECT_EQ(eventTraceName(0x1607), "0x1607");
  EXPECT_EQ(eventTraceName(0x1612), "0x1612");
  EXPECT_EQ(eventTraceName(0), "0x0000");
  EXPECT_EQ(eventTraceName(0xFFFF), "0xFFFF");
  EXPECT_EQ(eventTraceName(event::kTimer), "EVENT:Timer");
}

TEST(EventCodes, GroupsSplitAtWindowEvents) {
  std::set<std::string_view> names;
  for (unsigned code = 0; code <= 0xFFFF; ++code) {
    auto event_code = static_cast<EventCode>(code);
    std::string_view name = eventName(event_code);
    if (name.empty()) continue;
    EXPECT_TRUE(names.insert(name).second) << "two codes named " << name;
    EXPECT_EQ(isControlEvent(event_code), code < 0x1600) << name;
    EXPECT_NE(isControlEvent(event_code), isWindowEvent(event_code));
  }
  EXPECT_EQ(names.size(), 30u + 1u + 16u + 6u + 7u + 3u);
}

}  // namespace
}  // namespace veltrano::ui
