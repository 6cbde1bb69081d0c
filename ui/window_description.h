// What a procedure tells the window engine about a window it opens: its kind, caption,
// placement, menu, status bar and controls. Every text is code page 1251.
//
// Controls carry numbers chosen by the procedure (its field equates); events name the control
// by that number, and so do the engine's calls that read or change a control. Menu items are
// numbered from the same range, so that choosing one arrives as EVENT:Accepted on its number.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace veltrano::ui {

using WindowId = std::uint32_t;  // 0 names no window
using ControlId = std::int32_t;  // 0 names the window itself

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;   // 0: the engine chooses
  int height = 0;  // 0: the engine chooses
};

enum class WindowKind : std::uint8_t {
  kFrame,     // the program's main frame: holds the child windows, the main menu and status bar
  kMdiChild,  // a procedure's window inside the frame
  kDialog,    // a window of its own above the frame (progress windows, small dialogs)
};

enum class ControlKind : std::uint8_t {
  kPrompt,       // static text
  kEntry,        // one-line entry; value = the text shown
  kText,         // multi-line text field; value = the text, lines separated by "\r\n"
  kButton,       // value unused; pressing gives EVENT:Accepted
  kCheck,        // value "1" checked, "0" not
  kOptionGroup,  // value = the value text of the chosen radio ("" when none)
  kRadio,        // parent = its option group; text = caption; value_text = what the group takes
  kGroup,        // a titled box around other controls
  kSheet,        // value = the number of the shown tab, 1-based
  kTab,          // parent = its sheet; controls whose parent is the tab show on it
  kList,         // rows set by the procedure, a page at a time; value = selected row, 1-based
  kCombo,        // entry part (value) with a drop-down list of rows
  kImage,        // value = the path of the image file shown
  kProgress,     // value = percent done, "0" to "100"
  kSpin,         // a number between `low` and `high`; value = the number
  kPageView,     // report pages (ui/report/page_view.h); value = the number of the page last chosen
};

// Where an entry laid over a list's cell sits (edit in place): the engine places and sizes it
// over that cell, and `at` does not count.
struct ListCell {
  ControlId list = 0;  // 0: not over a list
  int row = 0;         // 1-based, as the list's value
  int column = 0;      // 1-based
};

struct ControlDescription {
  ControlId id = 0;
  ControlKind kind = ControlKind::kPrompt;
  ControlId parent = 0;  // a tab, a group, an option group; 0 = the window
  Rect at;
  std::string text;     // caption of prompts, buttons, checks, radios, groups and tabs
  std::string value;    // the initial value (see ControlKind)
  std::string picture;  // display picture of entries ("@n_9.2", "@d6"), used for alignment
  // Lists and combos: column formats, one group per column, e.g. "80L(2)|M~Фамилия~@s20@".
  std::string format;
  std::string value_text;  // radios: the value the option group takes when this radio is chosen
  std::string tip;
  bool read_only = false;
  bool disabled = false;
  bool hidden = false;
  bool default_button = false;  // Enter anywhere in the window presses it
  bool keeps_focus = false;     // buttons: pressing one leaves the focus where it was (a toolbar's)
  bool has_scroll_bar = true;   // lists: the scroll bar that stands for the whole file
  int low = 0;                  // spins: the range of the number
  int high = 0;
  std::string icon;  // buttons: the icon shown beside or instead of the text
  ListCell over;     // entries: laid over a list's cell
};

// A control by the fields most descriptions set; the others are set on the result.
inline ControlDescription describeControl(ControlId id, ControlKind kind, Rect at, std::string text = {},
                                          std::string value = {}) {
  ControlDescription described;
  described.id = id;
  described.kind = kind;
  described.at = at;
  described.text = std::move(text);
  described.value = std::move(value);
  return described;
}

struct MenuItem {
  ControlId id = 0;             // 0 for a separator or a submenu's title
  std::string text;             // "&Файл"; the '&' marks the mnemonic
  std::vector<MenuItem> items;  // a submenu when not empty
  bool separator = false;
  bool disabled = false;
  std::string status = {};  // the frame's status bar shows it while the item is highlighted
};

struct WindowDescription {
  WindowKind kind = WindowKind::kMdiChild;
  std::string name;   // "veltrano$VELTR001"
  std::string label;  // its section in the INI file ("Karta")
  std::string caption;
  Rect at;  // x, y relative to the frame's client area for children
  bool resizable = true;
  bool maximized = false;
  bool modal = false;   // other windows of the program are inert while it is open
  bool hidden = false;  // opened unseen; setHidden(window, 0, false) shows it
  std::vector<MenuItem> menu;
  std::vector<int> status_widths;  // one zone per entry; empty: no status bar
  std::vector<ControlDescription> controls;
  // A tool window of another window (a toolbox): its events queue for that window, whose
  // procedure tells them apart by Event::window. 0: the window's events are its own.
  WindowId owner = 0;
};

// What a menu item that acts for a control needs to know of it.
struct ControlState {
  bool enabled = true;
  bool hidden = false;
};

// The selected part of an entry's text, in characters from 0.
struct TextSelection {
  int start = 0;
  int length = 0;
};

// Where a window is and how big, as the INI file keeps it.
struct Placement {
  Rect at;
  bool maximized = false;
};

}  // namespace veltrano::ui
