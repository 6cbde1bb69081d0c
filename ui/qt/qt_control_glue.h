// What the widgets of a window report back beyond their own signals, and the typing aids
// they take from the control's picture. Used by QtWindow when it builds a window.
#pragma once

#include <QString>
#include <string_view>

#include "ui/memory_engine.h"

class QLineEdit;
class QTabWidget;
class QTableWidget;
class QWidget;

namespace veltrano::ui::qt {

// The input mask that makes a key-in or pattern picture work as a person types: the cursor
// skips the template's own characters, only a digit goes where a digit belongs ("@P###-###-###
// ##P" gives "999-999-999 99"). Empty for every other picture.
QString inputMaskFor(std::string_view picture);

// The clerk moving into the widget moves the engine's focus there (EVENT:Selected), so that
// keys alerted for that control reach its procedure.
void reportFocus(QWidget* widget, MemoryEngine& engine, WindowId window, ControlId control);
// Set on a child window's subwindow while it is being activated again with the engine's focus:
// the focus moves meanwhile are not the clerk's.
inline constexpr char kComingBack[] = "veltranoComingBack";

// Enter in the entry presses the window's default button, after the entry's own text was taken.
void pressDefaultOnReturn(QLineEdit* entry, MemoryEngine& engine, WindowId window, ControlId button);

// A double click and the right button on a list's rows, as the engine numbers them.
void reportListMouse(QTableWidget* table, MemoryEngine& engine, WindowId window, ControlId list);

// Ctrl+Tab and Ctrl+PageDown turn to the next page of the sheet, Ctrl+Shift+Tab and
// Ctrl+PageUp to the previous one, wherever inside the sheet the focus is; the focus moves to
// the new page's first control. They are shortcuts so that a window area's own Ctrl+Tab (which
// goes to the next window) does not take them first.
void turnPagesByKeyboard(QTabWidget* sheet);

}  // namespace veltrano::ui::qt
