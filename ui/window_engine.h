// The window engine: how procedure threads open and drive windows without touching the
// toolkit. The program installs the Qt engine (ui/qt), tests install the headless engine
// (ui/headless_engine.h); framework code sees only this interface.
//
// A procedure opens a window from a description and then loops on waitEvent(), which hands it
// the window's events one at a time and releases the run lock while it waits, so that other
// procedures run meanwhile:
//
//   WindowEngine& engine = windowEngine();
//   WindowId window = engine.openWindow(description, &error);
//   for (;;) {
//     Event e = engine.waitEvent(window);
//     if (e.code == event::kCloseWindow) break;
//     if (e.code == event::kAccepted && e.control == kOkButton) ...
//   }
//   engine.closeWindow(window);
//
// Calls naming an unknown window or control change nothing and report false (or nothing);
// no call throws. Texts are code page 1251 on both sides of the interface.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/event_codes.h"
#include "ui/message_box.h"
#include "ui/report/page_view.h"
#include "ui/window_description.h"

namespace veltrano::ui {

using report::kZoomPageWidth;
using report::kZoomTile;
using report::PageView;

struct Event {
  EventCode code = 0;
  ControlId control = 0;  // 0 for window events
  WindowId window = 0;
  int key = 0;    // EVENT:AlertKey, EVENT:PreAlert: the key code (see keys below)
  int thumb = 0;  // EVENT:ScrollDrag: the list's thumb position, 0 to 100
};

// Key codes for alerted keys: a printable character is its 1251 code (Space is 32), and the
// control keys Enter, Escape, Tab and BackSpace their control codes. The other keys and the
// mouse actions stand above the character range, so that a typed '-', '.', 'p' or '‚' is never
// taken for Insert, Delete, F1 or a right click. A modifier adds to the code.
namespace key {
inline constexpr int kEnter = 0x0D;
inline constexpr int kEscape = 0x1B;
inline constexpr int kTab = 0x09;
inline constexpr int kBackspace = 0x08;
inline constexpr int kSpecial = 0x1000;  // + the key number of a key without a character
inline constexpr int kDelete = kSpecial + 46;
inline constexpr int kInsert = kSpecial + 45;
inline constexpr int kF1 = kSpecial + 112;  // F2 … F12 follow
// Mouse actions on a list that reach the procedure as alerted keys.
inline constexpr int kDoubleClick = kSpecial + 5;
inline constexpr int kRightButtonUp = kSpecial + 130;
inline constexpr int kShift = 0x100;
inline constexpr int kControl = 0x200;
inline constexpr int kAlt = 0x400;
}  // namespace key

struct FileDialogRequest {
  std::string title;
  // Pairs of description and patterns separated by '|': "Рисунки|*.bmp;*.jpg|Все файлы|*.*".
  std::string filter;
  std::string initial_path;
};

struct PrinterChoice {
  std::string printer_name;
  bool landscape = false;
  int copies = 1;
  // Printing a document of `page_count` pages (0: the dialog only chooses the printer): the
  // pages to print, 0 and 0 for all of them.
  int page_count = 0;
  int first_page = 0;
  int last_page = 0;
  std::string output_file = {};  // the user chose to print into this file
};

class WindowEngine {
 public:
  virtual ~WindowEngine() = default;

  // Windows. The calling thread owns the window it opens and receives its events, the first
  // of which is EVENT:OpenWindow. Returns 0 (and the reason in *error) when the description
  // cannot be shown: repeated control numbers, a tab outside a sheet, a radio outside an
  // option group, a second frame, a child without a frame.
  virtual WindowId openWindow(const WindowDescription& description, std::string* error = nullptr) = 0;
  virtual bool closeWindow(WindowId window) = 0;
  virtual bool setCaption(WindowId window, const std::string& caption) = 0;
  virtual std::optional<Placement> placement(WindowId window) = 0;
  virtual bool setPlacement(WindowId window, const Placement& placement) = 0;

  // Events. waitEvent blocks until the window has an event and returns it; a window closed
  // meanwhile (or never opened) yields EVENT:CloseDown, so that no loop waits for ever.
  // Anyone may post: a procedure posts EVENT:Completed to its own window, or EVENT:CloseDown
  // to another.
  virtual Event waitEvent(WindowId window) = 0;
  virtual std::optional<Event> pollEvent(WindowId window) = 0;
  virtual bool postEvent(WindowId window, const Event& event) = 0;

  // Controls and menu items.
  virtual bool setValue(WindowId window, ControlId control, const std::string& value) = 0;
  virtual std::optional<std::string> value(WindowId window, ControlId control) = 0;
  virtual bool setText(WindowId window, ControlId control, const std::string& text) = 0;
  virtual bool setEnabled(WindowId window, ControlId control, bool enabled) = 0;
  // Control 0: the window itself.
  virtual bool setHidden(WindowId window, ControlId control, bool hidden) = 0;
  virtual bool setReadOnly(WindowId window, ControlId control, bool read_only) = 0;
  virtual std::optional<ControlId> focus(WindowId window) = 0;
  virtual bool setFocus(WindowId window, ControlId control) = 0;

  // Lists and the drop-down part of combos show the rows the procedure gives them: a page of
  // the file, each row one text per column, already formatted. The selected row is the value.
  virtual bool setRows(WindowId window, ControlId control,
                       const std::vector<std::vector<std::string>>& rows) = 0;
  // How many rows the list shows at its present size (the page the browse keeps filled).
  virtual std::optional<int> visibleRows(WindowId window, ControlId control) = 0;
  // The list's scroll bar stands for the whole file: the thumb, 0 to 100.
  virtual bool setThumb(WindowId window, ControlId control, int thumb) = 0;
  virtual std::optional<int> thumb(WindowId window, ControlId control) = 0;

  // What a page view control shows.
  virtual bool setPages(WindowId window, ControlId control, const PageView& view) = 0;

  // Moves and sizes a control (coordinates as in its description); the resize object's call.
  virtual bool setPosition(WindowId window, ControlId control, const Rect& at) {
    (void)window, (void)control, (void)at;
    return false;
  }
  virtual bool minimized(WindowId window) {
    (void)window;
    return false;
  }
  // The row of a list under the mouse at its last click (a right click raises key 130).
  virtual std::optional<int> pointedRow(WindowId window, ControlId list) {
    (void)window, (void)list;
    return std::nullopt;
  }
  // Tells the user, without words, that what was typed was refused.
  virtual void beep(WindowId window) { (void)window; }
  // The mouse pointer over the window says that work is under way (a count over a whole file)
  // until it is put back.
  virtual bool setWaitCursor(WindowId window, bool waiting) {
    (void)window, (void)waiting;
    return false;
  }

  // Keys that reach the procedure as EVENT:AlertKey instead of working as usual.
  virtual bool alertKey(WindowId window, int key_code) = 0;
  virtual bool clearAlertKeys(WindowId window) = 0;
  // A key that becomes EVENT:AlertKey only while `control` has the focus (a list's locator
  // letters, which must not be taken from the entries beside it).
  virtual bool alertControlKey(WindowId window, ControlId control, int key_code) {
    (void)window, (void)control, (void)key_code;
    return false;
  }
  // EVENT:Timer every `hundredths` hundredths of a second; 0 stops it.
  virtual bool setTimer(WindowId window, int hundredths) = 0;
  virtual bool setStatusText(WindowId window, int zone, const std::string& text) = 0;

  // The procedures' windows (children of the frame and dialogs; tool windows left out), in the
  // order opened, each with whether its procedure waits for its next event with nothing
  // queued: what the frame needs to close them all when it closes and to see one refuse.
  struct ChildWindow {
    WindowId window = 0;
    bool waiting = false;  // its procedure waits for the clerk in this window
    // Its procedure's thread waits for the clerk, here or in a window opened from this one on
    // the same thread (a form run from a list): nothing the clerk did is still being worked on.
    bool thread_waiting = false;
  };
  virtual std::vector<ChildWindow> childWindows() { return {}; }

  // The frame: tile, cascade and arrange the minimised child windows.
  virtual bool tile(WindowId frame) = 0;
  virtual bool cascade(WindowId frame) = 0;
  virtual bool arrangeIcons(WindowId frame) = 0;

  // Dialogs wait for the user's answer with the run lock released. The box's answer is the
  // value of the button pressed, the default button when closed without a choice.
  virtual unsigned messageBox(const MessageBoxRequest& request) = 0;
  // The chosen file's path, nothing when cancelled.
  virtual std::optional<std::string> fileOpenDialog(const FileDialogRequest& request) = 0;
  // The path to write to, nothing when cancelled. A name typed without an extension takes the
  // first extension of the filter chosen in the dialog; an existing file is replaced only after
  // the user agreed to it.
  virtual std::optional<std::string> fileSaveDialog(const FileDialogRequest& request) {
    (void)request;
    return std::nullopt;
  }
  virtual std::optional<PrinterChoice> printerSetupDialog(const PrinterChoice& current) = 0;
  // The chosen directory's path (an existing one, or one the user made in the dialog), nothing
  // when cancelled. `request.filter` is not used.
  virtual std::optional<std::string> directoryDialog(const FileDialogRequest& request) {
    (void)request;
    return std::nullopt;
  }

  // Popup menus, combos, entries over list cells and what menu items that act for a control
  // need to know of it.

  // Shows the menu (its text as ui/popup_text.h describes) at the mouse over the window and
  // waits with the run lock released: the number of the chosen item, 0 when the user dismisses
  // the menu (or chooses a disabled item).
  virtual int popupMenu(WindowId window, const std::string& text) = 0;
  // Whether a control or menu item is enabled and shown.
  virtual std::optional<ControlState> controlState(WindowId window, ControlId control) = 0;
  // The row of a combo's drop-down list that is selected (1-based, 0 for none); the entry part
  // is the combo's value.
  virtual bool setComboRow(WindowId window, ControlId combo, int row) = 0;
  virtual std::optional<int> comboRow(WindowId window, ControlId combo) = 0;
  // The selected part of an entry's (or a combo's entry part's) text, in characters; the cursor
  // stands at its end. Setting the value puts the cursor after the text.
  virtual bool setTextSelection(WindowId window, ControlId control, const TextSelection& selection) = 0;
  virtual std::optional<TextSelection> textSelection(WindowId window, ControlId control) = 0;
  // With `on`, every keystroke that changes the entry's text gives EVENT:NewSelection on it,
  // after the text has changed, with the key code (BackSpace 8, or the character typed).
  virtual bool reportKeystrokes(WindowId window, ControlId control, bool on) = 0;
  // Controls added to and removed from an open window (an entry laid over a list cell).
  // Adding fails for a number in use or a parent the window lacks.
  virtual bool addControl(WindowId window, const ControlDescription& control) = 0;
  virtual bool removeControl(WindowId window, ControlId control) = 0;
};

// The process's engine. Until one is installed, windowEngine() answers with an engine that
// opens nothing and answers every box with its default button, so that code running before
// the program's engine exists (or in a tool without windows) never crashes.
WindowEngine& windowEngine();
// Installs `engine` (nullptr to remove) and returns the one installed before.
// REQUIRES: the engine outlives its installation.
WindowEngine* installWindowEngine(WindowEngine* engine);

// Installs an engine for a scope, as tests do, and puts the previous one back at its end.
class ScopedWindowEngine {
 public:
  explicit ScopedWindowEngine(WindowEngine& engine) : previous_(installWindowEngine(&engine)) {}
  ~ScopedWindowEngine() { installWindowEngine(previous_); }
  ScopedWindowEngine(const ScopedWindowEngine&) = delete;
  ScopedWindowEngine& operator=(const ScopedWindowEngine&) = delete;

 private:
  WindowEngine* previous_;
};

}  // namespace veltrano::ui
