// The main menu as data: each item with its control number, text, status-bar text and what
// choosing it does. The frame describes its menu from this table and looks a chosen item up in
// it; nothing else about the menu lives in code.
//
// Items carry negative control numbers from -2 downward in menu order, submenus included. An
// item that names a procedure is enabled only when the procedure is registered, so a procedure
// that comes with later work makes its item usable by being registered, without a change here.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "framework/window/procedure_registry.h"
#include "ui/window_description.h"

namespace veltrano::app {

enum class MenuAction : std::uint8_t {
  kSubmenu,         // the items that follow at depth 1 belong to it
  kProcedure,       // starts `procedure` on a new thread
  kPrinterSetup,    // the printer set-up dialog
  kExit,            // closes the frame
  kTileWindows,     // the frame's child windows side by side
  kCascadeWindows,  // stacked
  kArrangeIcons,    // the minimised ones lined up
};

struct MainMenuItem {
  ui::ControlId control = 0;
  int depth = 0;  // 0 on the menu bar, 1 in a submenu
  bool separator_before = false;
  std::string_view text;    // UTF-8; "&" marks the access letter
  std::string_view status;  // the status-bar text as written; the program translates it
  MenuAction action = MenuAction::kProcedure;
  std::uint16_t procedure = 0;  // VELTRnnn is procedure nnn
};

// Every item in menu order.
std::span<const MainMenuItem> mainMenuItems();
// The item with this control number, or null.
const MainMenuItem* findMenuItem(ui::ControlId control);

// The menu as the frame's window description holds it (texts in code page 1251), items whose
// procedure `procedures` lacks disabled.
std::vector<ui::MenuItem> describeMainMenu(const framework::ProcedureRegistry& procedures);

}  // namespace veltrano::app
