// Event codes: what happens to a window or one of its controls reaches the owning procedure as
// a 16-bit code and the control it concerns (none for window events). The high byte groups
// them: control events live below 0x1600, window events from 0x1600 up.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace veltrano::ui {

using EventCode = std::uint16_t;

namespace event {
// Control events, numbered consecutively from 0x1401.
inline constexpr EventCode kAccepted = 0x1401;
inline constexpr EventCode kNewSelection = 0x1402;
inline constexpr EventCode kScrollUp = 0x1403;
inline constexpr EventCode kScrollDown = 0x1404;
inline constexpr EventCode kPageUp = 0x1405;
inline constexpr EventCode kPageDown = 0x1406;
inline constexpr EventCode kScrollTop = 0x1407;
inline constexpr EventCode kScrollBottom = 0x1408;
inline constexpr EventCode kLocate = 0x1409;
inline constexpr EventCode kMouseUp = 0x140A;
inline constexpr EventCode kMouseIn = 0x140B;
inline constexpr EventCode kMouseOut = 0x140C;
inline constexpr EventCode kMouseMove = 0x140D;
inline constexpr EventCode kVbxEvent = 0x140E;
inline constexpr EventCode kAlertKey = 0x140F;
inline constexpr EventCode kPreAlert = 0x1410;
inline constexpr EventCode kDragging = 0x1411;
inline constexpr EventCode kDrag = 0x1412;
inline constexpr EventCode kDrop = 0x1413;
inline constexpr EventCode kScrollDrag = 0x1414;
inline constexpr EventCode kTabChanging = 0x1415;
inline constexpr EventCode kExpanding = 0x1416;
inline constexpr EventCode kContracting = 0x1417;
inline constexpr EventCode kExpanded = 0x1418;
inline constexpr EventCode kContracted = 0x1419;
inline constexpr EventCode kRejected = 0x141A;
inline constexpr EventCode kDroppingDown = 0x141B;
inline constexpr EventCode kDroppedDown = 0x141C;
inline constexpr EventCode kScrollTrack = 0x141D;
inline constexpr EventCode kColumnResize = 0x141E;

inline constexpr EventCode kSelected = 0x1501;

// Window events. 0x1607 names nothing.
inline constexpr EventCode kCloseWindow = 0x1601;
inline constexpr EventCode kCloseDown = 0x1602;
inline constexpr EventCode kOpenWindow = 0x1603;
inline constexpr EventCode kOpenFailed = 0x1604;
inline constexpr EventCode kLoseFocus = 0x1605;
inline constexpr EventCode kGainFocus = 0x1606;
inline constexpr EventCode kSuspend = 0x1608;
inline constexpr EventCode kResume = 0x1609;
inline constexpr EventCode kNotify = 0x160A;
inline constexpr EventCode kTimer = 0x160B;
inline constexpr EventCode kDdeRequest = 0x160C;
inline constexpr EventCode kDdeAdvise = 0x160D;
inline constexpr EventCode kDdeData = 0x160E;
inline constexpr EventCode kDdeExecute = 0x160F;
inline constexpr EventCode kDdePoke = 0x1610;
inline constexpr EventCode kDdeClosed = 0x1611;

inline constexpr EventCode kMove = 0x1620;
inline constexpr EventCode kSize = 0x1621;
inline constexpr EventCode kRestore = 0x1622;
inline constexpr EventCode kMaximize = 0x1623;
inline constexpr EventCode kIconize = 0x1624;
inline constexpr EventCode kCompleted = 0x1625;

inline constexpr EventCode kMoved = 0x1630;
inline constexpr EventCode kSized = 0x1631;
inline constexpr EventCode kRestored = 0x1632;
inline constexpr EventCode kMaximized = 0x1633;
inline constexpr EventCode kIconized = 0x1634;
inline constexpr EventCode kDocked = 0x1635;
inline constexpr EventCode kUnDocked = 0x1636;

// Raised while the storage driver builds keys.
inline constexpr EventCode kBuildFile = 0x1640;
inline constexpr EventCode kBuildKey = 0x1641;
inline constexpr EventCode kBuildDone = 0x1642;
}  // namespace event

// Control events concern a control; window events concern the window itself.
constexpr bool isControlEvent(EventCode code) {
  return code < 0x1600;
}
constexpr bool isWindowEvent(EventCode code) {
  return code >= 0x1600;
}

// "EVENT:Accepted" and the like; empty for a code that names no event.
std::string_view eventName(EventCode code);

// The name for the trace: the event's name, or the code as a number ("0x1607") when the code
// names no event.
std::string eventTraceName(EventCode code);

}  // namespace veltrano::ui
