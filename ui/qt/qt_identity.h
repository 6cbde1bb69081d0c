// The program's identity towards the desktop: its icon on every window (the title bar and the
// task bar) instead of the toolkit's, and the application and organisation names under which Qt
// keeps anything of its own (settings, caches), so that they do not collide with another
// program's. The program's main() calls it once, after the QApplication exists and before the
// first window opens.
#pragma once

class QApplication;
class QIcon;

namespace veltrano::ui::qt {

// The icon in every size it is drawn in, from the engine's own resources.
QIcon programIcon();

void applyProgramIdentity(QApplication& application);

}  // namespace veltrano::ui::qt
