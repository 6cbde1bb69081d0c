// Popup menus on the Qt thread: a QMenu built from the menu's entries, shown at the mouse.
#pragma once

#include <functional>
#include <vector>

#include "ui/popup_text.h"

class QMenu;
class QWidget;

namespace veltrano::ui::qt {

// Shows the menu and calls `answered` once, on the Qt thread, with the number of the chosen item
// (0 when the menu closes without a choice). Returns the menu, which deletes itself on closing.
QMenu* showPopupMenu(const std::vector<PopupEntry>& entries, QWidget* parent,
                     std::function<void(int)> answered);

}  // namespace veltrano::ui::qt
