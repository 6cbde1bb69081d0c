#include "ui/event_codes.h"

#include <array>
#include <cstdio>

namespace veltrano::ui {
namespace {

struct NamedCode {
  EventCode code;
  std::string_view name;
};

// The trace looks codes up rarely; a flat table in code order is all it needs.
constexpr std::array kNames = {
    NamedCode{event::kAccepted, "EVENT:Accepted"},
    NamedCode{event::kNewSelection, "EVENT:NewSelection"},
    NamedCode{event::kScrollUp, "EVENT:ScrollUp"},
    NamedCode{event::kScrollDown, "EVENT:ScrollDown"},
    NamedCode{event::kPageUp, "EVENT:PageUp"},
    NamedCode{event::kPageDown, "EVENT:PageDown"},
    NamedCode{event::kScrollTop, "EVENT:ScrollTop"},
    NamedCode{event::kScrollBottom, "EVENT:ScrollBottom"},
    NamedCode{event::kLocate, "EVENT:Locate"},
    NamedCode{event::kMouseUp, "EVENT:MouseUp"},
    NamedCode{event::kMouseIn, "EVENT:MouseIn"},
    NamedCode{event::kMouseOut, "EVENT:MouseOut"},
    NamedCode{event::kMouseMove, "EVENT:MouseMove"},
    NamedCode{event::kVbxEvent, "EVENT:VBXevent"},
    NamedCode{event::kAlertKey, "EVENT:AlertKey"},
    NamedCode{event::kPreAlert, "EVENT:PreAlert"},
    NamedCode{event::kDragging, "EVENT:Dragging"},
    NamedCode{event::kDrag, "EVENT:Drag"},
    NamedCode{event::kDrop, "EVENT:Drop"},
    NamedCode{event::kScrollDrag, "EVENT:ScrollDrag"},
    NamedCode{event::kTabChanging, "EVENT:TabChanging"},
    NamedCode{event::kExpanding, "EVENT:Expanding"},
    NamedCode{event::kContracting, "EVENT:Contracting"},
    NamedCode{event::kExpanded, "EVENT:Expanded"},
    NamedCode{event::kContracted, "EVENT:Contracted"},
    NamedCode{event::kRejected, "EVENT:Rejected"},
    NamedCode{event::kDroppingDown, "EVENT:DroppingDown"},
    NamedCode{event::kDroppedDown, "EVENT:DroppedDown"},
    NamedCode{event::kScrollTrack, "EVENT:ScrollTrack"},
    NamedCode{event::kColumnResize, "EVENT:ColumnResize"},
    NamedCode{event::kSelected, "EVENT:Selected"},
    NamedCode{event::kCloseWindow, "EVENT:CloseWindow"},
    NamedCode{event::kCloseDown, "EVENT:CloseDown"},
    NamedCode{event::kOpenWindow, "EVENT:OpenWindow"},
    NamedCode{event::kOpenFailed, "EVENT:OpenFailed"},
    NamedCode{event::kLoseFocus, "EVENT:LoseFocus"},
    NamedCode{event::kGainFocus, "EVENT:GainFocus"},
    NamedCode{event::kSuspend, "EVENT:Suspend"},
    NamedCode{event::kResume, "EVENT:Resume"},
    NamedCode{event::kNotify, "EVENT:Notify"},
    NamedCode{event::kTimer, "EVENT:Timer"},
    NamedCode{event::kDdeRequest, "EVENT:DDErequest"},
    NamedCode{event::kDdeAdvise, "EVENT:DDEadvise"},
    NamedCode{event::kDdeData, "EVENT:DDEdata"},
    NamedCode{event::kDdeExecute, "EVENT:DDEexecute"},
    NamedCode{event::kDdePoke, "EVENT:DDEpoke"},
    NamedCode{event::kDdeClosed, "EVENT:DDEclosed"},
    NamedCode{event::kMove, "EVENT:Move"},
    NamedCode{event::kSize, "EVENT:Size"},
    NamedCode{event::kRestore, "EVENT:Restore"},
    NamedCode{event::kMaximize, "EVENT:Maximize"},
    NamedCode{event::kIconize, "EVENT:Iconize"},
    NamedCode{event::kCompleted, "EVENT:Completed"},
    NamedCode{event::kMoved, "EVENT:Moved"},
    NamedCode{event::kSized, "EVENT:Sized"},
    NamedCode{event::kRestored, "EVENT:Restored"},
    NamedCode{event::kMaximized, "EVENT:Maximized"},
    NamedCode{event::kIconized, "EVENT:Iconized"},
    NamedCode{event::kDocked, "EVENT:Docked"},
    NamedCode{event::kUnDocked, "EVENT:UnDocked"},
    NamedCode{event::kBuildFile, "EVENT:BuildFile"},
    NamedCode{event::kBuildKey, "EVENT:BuildKey"},
    NamedCode{event::kBuildDone, "EVENT:BuildDone"},
};

}  // namespace

std::string_view eventName(EventCode code) {
  for (const NamedCode& entry : kNames) {
    if (entry.code == code) return entry.name;
  }
  return {};
}

std::string eventTraceName(EventCode code) {
  std::string_view name = eventName(code);
  if (!name.empty()) return std::string(name);
  char number[8];
  std::snprintf(number, sizeof number, "0x%04X", static_cast<unsigned>(code));
  return number;
}

}  // namespace veltrano::ui
