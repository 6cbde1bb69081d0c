// The resize object: it keeps every control's place as the window opened and moves and sizes
// the controls when the window's size changes, each by its strategy. By default lists, text
// fields, sheets and groups at the window's top level stretch with the window (their right and
// bottom margins kept), buttons below them keep their distance to the bottom edge and buttons to
// the right of them their distance to the right edge; everything else keeps its place.
//
//   WindowResize resize;
//   resize.Init(controller);        // after the window opened; the controller's RESIZE
//   … EVENT:Sized → resize.Resize();
#pragma once

#include <cstdint>
#include <vector>

#include "ui/window_engine.h"

namespace veltrano::framework {

class WindowController;

// POSITIONALSTRATEGY and RESIZESTRATEGY bits.
inline constexpr std::uint8_t kResizeKeep = 0;
inline constexpr std::uint8_t kFollowRight = 1;   // moves with the right edge / widens with it
inline constexpr std::uint8_t kFollowBottom = 2;  // moves with the bottom edge / grows with it

class WindowResize {
 public:
  struct WindowGeometry {
    int XPOS = 0, YPOS = 0, WIDTH = 0, HEIGHT = 0;
    std::uint8_t MAXIMIZED = 0, ICONIZED = 0;
  };
  struct Control {
    ui::ControlId ID = 0;
    ui::ControlKind TYPE = ui::ControlKind::kPrompt;
    std::uint8_t HASCHILDREN = 0;
    std::uint8_t POSITIONALSTRATEGY = kResizeKeep;
    std::uint8_t RESIZESTRATEGY = kResizeKeep;
    ui::Rect POS;
    ui::ControlId PARENTID = 0;
  };
  struct Move {
    int PRIORITY = 0;
    ui::ControlId CONTROLID = 0;
    ui::ControlKind TYPE = ui::ControlKind::kPrompt;
    ui::Rect BEFORE;
    ui::Rect AFTER;
  };

  // Takes the window's geometry and every control's place from the controller's description.
  void Init(WindowController& window);
  // Sets one control's strategies (after Init).
  void SetStrategy(ui::ControlId control, std::uint8_t positional, std::uint8_t resize);
  // Moves and sizes the controls for the window's present size; the moves made (RESIZELIST).
  const std::vector<Move>& Resize();

  WindowGeometry ORIGWIN;
  std::vector<Control> CONTROLQUEUE;
  std::uint8_t APPSTRATEGY = 1;  // 1: the default strategies above; 0: nothing moves
  std::uint8_t AUTOTRANSPARENT = 0;
  std::uint8_t DEFERMOVES = 0;
  WindowGeometry PREVIOUSWIN;
  std::vector<Move> RESIZELIST;

 private:
  WindowController* window_ = nullptr;
};

}  // namespace veltrano::framework
