// The part of a window engine that needs no toolkit: the windows' and controls' state, the
// event queues, and the waits. The headless engine is this plus answers to dialogs; the Qt
// engine is this plus widgets that mirror the state and report the user's actions back.
//
// One mutex guards the state. Procedure threads change it through the WindowEngine calls; the
// user's side (widgets, or a test acting as the user) changes it through the user...() calls,
// which also queue the events a user's action raises. Hooks tell a subclass what changed; they
// run on the changing thread after the mutex is released.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ui/window_engine.h"

namespace veltrano::ui {

struct ControlSnapshot {
  ControlDescription description;
  std::string text;   // caption, as last set
  std::string value;  // what the control shows (see ControlKind)
  bool enabled = true;
  bool hidden = false;
  bool read_only = false;
  std::vector<std::vector<std::string>> rows;  // lists and combos
  int thumb = 0;
  int visible_rows = 0;
  PageView pages;           // page views
  int combo_row = 0;        // combos: the selected row of the drop-down list
  TextSelection selection;  // entries and combos
  bool reports_keystrokes = false;
  int pointed_row = 0;       // lists: the row under the mouse at the last click
  std::set<int> alert_keys;  // keys alerted only while the control has the focus
};

struct MenuItemSnapshot {
  ControlId id = 0;
  std::string text;
  bool enabled = true;
  bool hidden = false;
};

struct WindowSnapshot {
  WindowId id = 0;
  WindowKind kind = WindowKind::kMdiChild;
  std::string name;
  std::string label;
  std::string caption;
  Placement placement;
  bool resizable = true;
  bool minimized = false;
  bool hidden = false;
  std::vector<ControlId> control_order;  // as described
  std::map<ControlId, ControlSnapshot> controls;
  std::map<ControlId, MenuItemSnapshot> menu_items;
  std::vector<MenuItem> menu;
  std::vector<std::string> status_texts;
  ControlId focus = 0;
  std::set<int> alert_keys;
  int timer_hundredths = 0;
  int beeps = 0;
  bool wait_cursor = false;
  std::thread::id owner;
  WindowId owner_window = 0;  // a tool window's owner (its events queue there)
};

enum class FrameArrangement : std::uint8_t { kTile, kCascade, kArrangeIcons };

class MemoryEngine : public WindowEngine {
 public:
  MemoryEngine() = default;
  ~MemoryEngine() override = default;
  MemoryEngine(const MemoryEngine&) = delete;
  MemoryEngine& operator=(const MemoryEngine&) = delete;

  // WindowEngine.
  WindowId openWindow(const WindowDescription& description, std::string* error = nullptr) override;
  bool closeWindow(WindowId window) override;
  bool setCaption(WindowId window, const std::string& caption) override;
  std::optional<Placement> placement(WindowId window) override;
  bool setPlacement(WindowId window, const Placement& placement) override;
  Event waitEvent(WindowId window) override;
  std::optional<Event> pollEvent(WindowId window) override;
  bool postEvent(WindowId window, const Event& event) override;
  bool setValue(WindowId window, ControlId control, const std::string& value) override;
  std::optional<std::string> value(WindowId window, ControlId control) override;
  bool setText(WindowId window, ControlId control, const std::string& text) override;
  bool setEnabled(WindowId window, ControlId control, bool enabled) override;
  bool setHidden(WindowId window, ControlId control, bool hidden) override;
  bool setReadOnly(WindowId window, ControlId control, bool read_only) override;
  std::optional<ControlId> focus(WindowId window) override;
  bool setFocus(WindowId window, ControlId control) override;
  bool setRows(WindowId window, ControlId control,
               const std::vector<std::vector<std::string>>& rows) override;
  std::optional<int> visibleRows(WindowId window, ControlId control) override;
  bool setThumb(WindowId window, ControlId control, int thumb) override;
  std::optional<int> thumb(WindowId window, ControlId control) override;
  bool setPages(WindowId window, ControlId control, const PageView& view) override;
  bool alertKey(WindowId window, int key_code) override;
  bool clearAlertKeys(WindowId window) override;
  bool setTimer(WindowId window, int hundredths) override;
  bool setPosition(WindowId window, ControlId control, const Rect& at) override;
  bool alertControlKey(WindowId window, ControlId control, int key_code) override;
  bool minimized(WindowId window) override;
  std::optional<int> pointedRow(WindowId window, ControlId list) override;
  void beep(WindowId window) override;
  bool setWaitCursor(WindowId window, bool waiting) override;
  bool setStatusText(WindowId window, int zone, const std::string& text) override;
  bool tile(WindowId frame) override;
  bool cascade(WindowId frame) override;
  bool arrangeIcons(WindowId frame) override;
  std::vector<ChildWindow> childWindows() override;
  std::optional<ControlState> controlState(WindowId window, ControlId control) override;
  bool setComboRow(WindowId window, ControlId combo, int row) override;
  std::optional<int> comboRow(WindowId window, ControlId combo) override;
  bool setTextSelection(WindowId window, ControlId control, const TextSelection& selection) override;
  std::optional<TextSelection> textSelection(WindowId window, ControlId control) override;
  bool reportKeystrokes(WindowId window, ControlId control, bool on) override;
  bool addControl(WindowId window, const ControlDescription& control) override;
  bool removeControl(WindowId window, ControlId control) override;

  // Inspection.
  std::optional<WindowSnapshot> snapshot(WindowId window) const;
  std::vector<WindowId> openWindows() const;
  // The open window with this label or name (0 when none).
  WindowId findWindow(const std::string& label_or_name) const;
  // Waits until such a window is open; 0 when `limit` passes first.
  WindowId waitForWindow(const std::string& label_or_name, std::chrono::milliseconds limit) const;
  // Waits until the window's owner is blocked in waitEvent with nothing queued (it has dealt
  // with everything so far); false when `limit` passes first or the window closes.
  bool waitUntilIdle(WindowId window, std::chrono::milliseconds limit) const;
  std::size_t queuedEvents(WindowId window) const;

  // The user's side. Each changes what the control shows and queues the events the action
  // raises; false when the window, control or action does not apply (a disabled or hidden
  // control, a read-only entry).
  bool userTypes(WindowId window, ControlId control, const std::string& value);  // + Accepted
  bool userEdits(WindowId window, ControlId control, const std::string& value);  // no event yet
  bool userPresses(WindowId window, ControlId control);                 // buttons, checks, radios, menu items
  bool userSelectsRow(WindowId window, ControlId list, int row);        // + NewSelection
  bool userChoosesTab(WindowId window, ControlId sheet, int tab);       // + TabChanging, NewSelection
  bool userScrolls(WindowId window, ControlId list, EventCode scroll);  // ScrollUp … ScrollBottom
  bool userDragsThumb(WindowId window, ControlId list, int thumb);      // + ScrollDrag
  bool userDropsDown(WindowId window, ControlId combo);                 // + DroppingDown, DroppedDown
  bool userFocuses(WindowId window, ControlId control);                 // + Selected
  bool userKey(WindowId window, int key_code);                          // AlertKey when alerted
  // One keystroke in an entry or a combo's entry part at its cursor: a character replaces the
  // selected text, BackSpace (8) deletes it or the character before the cursor. NewSelection
  // follows when the control reports keystrokes.
  bool userKeystroke(WindowId window, ControlId control, int key_code);
  // The same when a widget has applied the keystroke itself: the text and cursor it left.
  bool userKeystrokeApplied(WindowId window, ControlId control, const std::string& value,
                            const TextSelection& at, int key_code);
  // A double click on a row: the row selected (NewSelection), then key 5 when alerted.
  bool userDoubleClicks(WindowId window, ControlId list, int row);
  // The right button released over a row: key 130 when alerted (the browse selects the row).
  bool userRightClicks(WindowId window, ControlId list, int row);
  bool userActivates(WindowId window);                           // LoseFocus to the active one, GainFocus
  bool userCloses(WindowId window);                              // CloseWindow
  bool userPlaces(WindowId window, const Placement& placement);  // Moved and/or Sized
  bool userMinimizes(WindowId window, bool minimized);
  bool timerTick(WindowId window);  // Timer, when the window has a timer
  bool setVisibleRows(WindowId window, ControlId list, int rows);
  // Page views also take the scrolls of userScrolls; a page chosen gives NewSelection, or
  // Accepted when `open` (a double click).
  bool userChoosesPage(WindowId window, ControlId view, int page, bool open);

  // The frame's last arrangement request, for views that draw and tests that check.
  std::optional<FrameArrangement> lastArrangement(WindowId frame) const;

 protected:
  // Hooks for a view; run on the changing thread, outside the mutex.
  virtual void windowOpened(WindowId /*window*/) {}
  virtual void windowClosed(WindowId /*window*/) {}
  // `control` 0: the window itself (caption, placement, status, menu).
  virtual void windowChanged(WindowId /*window*/, ControlId /*control*/) {}
  virtual void frameArranged(WindowId /*frame*/, FrameArrangement /*how*/) {}

 private:
  struct Window {
    WindowSnapshot state;
    std::deque<Event> events;
    int waiters = 0;
  };

  Window* find(WindowId window);
  const Window* find(WindowId window) const;
  ControlSnapshot* findControl(WindowId window, ControlId control);
  void queue(Window& window, Event event);
  bool usable(const Window& window, const ControlSnapshot& control) const;
  template <typename Change>
  bool changeControl(WindowId window, ControlId control, Change change);
  template <typename Change>
  bool changeWindow(WindowId window, Change change);
  bool arrange(WindowId frame, FrameArrangement how);

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::map<WindowId, Window> windows_;
  std::map<WindowId, FrameArrangement> arrangements_;
  WindowId next_id_ = 1;
  WindowId active_ = 0;
};

}  // namespace veltrano::ui
