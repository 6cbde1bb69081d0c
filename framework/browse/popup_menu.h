// The popup object: a window's right-click menu and its toolbox of actions.
//
// Items are added in the order they show. Each has a name, made from its text unless given
// (letters A–Z and a–z, digits and "_" kept: "&Insert" is named Insert; "-" is a separator named
// Separator), with 1, 2, … appended when the name is taken. A text beginning with "!" makes an
// item that mimics a control: it presses the control when chosen and is disabled or left out
// while the control is disabled or hidden. A browse builds its menu like this:
//
//   PopupMenu popup;
//   popup.Init(window);
//   popup.AddItem("!&Insert");                        // named Insert
//   popup.RegisterMimicItem("Insert", kInsertButton);
//   popup.AddItem("-");
//   popup.AddItem("!&Toolbox");
//   popup.RegisterMimicItem("Toolbox", kToolboxButton, false);   // not a button of the toolbox
//   ...
//   on EVENT:NewSelection from the right mouse button: popup.Ask();   // "Insert", or "" if dismissed
//   on the toolbox button: popup.Toolbox("Browse Actions");
//   every event of the window first: if (popup.TakeEvent(event)) the event was the toolbox's
//   popup.Kill();
//
// The toolbox is a tool window of the popup's window: its events arrive in that window's loop
// with Event::window naming the toolbox, and belong to TakeEvent, never to the window's own
// controls (its buttons are numbered from kToolboxFirstButton, far above any window's controls).
//
// Texts are code page 1251 and shown through TRANSLATOR when one is set.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/level.h"
#include "framework/translator.h"
#include "ui/window_engine.h"

namespace veltrano::framework {

class SettingsFile;

// A POPUPITEMS record.
struct PopupItem {
  std::int16_t CONTROLID = 0;  // the control the item presses; 0 = none
  std::uint16_t DEPTH = 0;     // submenu level: an item deeper than the one before opens its submenu
  std::uint16_t EVENT = 0;     // the event posted when chosen (when it presses no control)
  std::uint8_t MIMICMODE = 0;  // follows its control's enabled and hidden state
  std::uint8_t DISABLED = 0;
  std::uint8_t CHECK = 0;
  std::uint8_t ONTOOLBOX = 0;  // also a button of the toolbox
  std::string ICON;
  std::string NAME;
  std::string TEXT;  // as added, with its leading "!"
};

class PopupMenu {
 public:
  static constexpr ui::ControlId kToolboxFirstButton = 30001;

  PopupMenu() = default;
  virtual ~PopupMenu() = default;
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;

  // REQUIRES: called on the thread that runs `window`'s loop.
  void Init(ui::WindowId window);
  // Closes the toolbox, keeping its place in INIMGR, and frees the items.
  void Kill();

  // Each returns the name the item took. `submenu` names an earlier item whose submenu the new
  // item ends (an unknown name adds it at the top level).
  std::string AddItem(std::string_view text, std::string_view name = {}, std::string_view submenu = {});
  std::string AddSubMenu(std::string_view text, std::string_view name = {}, std::string_view submenu = {});
  // The item presses `control` when chosen; false for an unknown name.
  bool RegisterMimicItem(std::string_view name, ui::ControlId control, bool on_toolbox = true);
  bool SetItemEvent(std::string_view name, ui::EventCode event);
  bool SetItemIcon(std::string_view name, std::string_view icon);
  bool EnableItem(std::string_view name, bool enabled);
  bool CheckItem(std::string_view name, bool checked);
  // Whether the item can be chosen now (a mimic item as its control allows); nothing for an
  // unknown name.
  std::optional<bool> ItemEnabled(std::string_view name) const;

  // Shows the menu at the mouse and waits: the chosen item's name (also in LASTSELECTION),
  // after its control press or event was posted to the window; "" when the menu was dismissed.
  std::string Ask();

  // Opens the toolbox ("ABPOPUP"): a button for each item on the toolbox, at the place INIMGR
  // kept for it. An open toolbox is only brought up to date. 5 when the window cannot open.
  Level Toolbox(std::string_view title);
  // True when the event was the toolbox's (a button pressed, the toolbox closed): it has been
  // dealt with. Any event also brings the toolbox's buttons up to date with their controls.
  bool TakeEvent(const ui::Event& event);

  // Fields, in their defined order.
  std::string LASTSELECTION;
  std::vector<PopupItem> POPUPITEMS;
  const Translator* TRANSLATOR = nullptr;
  SettingsFile* INIMGR = nullptr;
  std::uint8_t INTOOLBOX = 0;
  std::int32_t MYTHREAD = 0;
  ui::WindowId PARENTWINDOW = 0;
  ui::WindowId THISWINDOW = 0;  // the toolbox while it is open

 private:
  std::string addItem(std::string_view text, std::string_view name, std::string_view submenu);
  PopupItem* find(std::string_view name);
  const PopupItem* find(std::string_view name) const;
  std::string uniqueName(std::string_view text, std::string_view wanted) const;
  bool enabledNow(const PopupItem& item) const;
  bool hiddenNow(const PopupItem& item) const;
  std::string shown(std::string_view text) const;
  void perform(const PopupItem& item);
  std::vector<std::size_t> toolboxItems() const;
  void refreshToolbox();
  void closeToolbox();
};

// The name an item's text gives before it is made unique.
std::string popupItemName(std::string_view text);

}  // namespace veltrano::framework
