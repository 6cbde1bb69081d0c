// Qt's own texts in Russian: the buttons of message boxes and button boxes, the file and
// printer dialogs, the context menus of entries. The program's main() and the smoke tests call
// this once, after the QApplication exists and before the first window opens.
#pragma once

class QCoreApplication;

namespace veltrano::ui::qt {

// Loads Qt's Russian translations (shipped by the system's Qt translation package) into the
// application. False when they are not installed: Qt's texts then stay English, nothing else
// changes.
bool installRussianTranslations(QCoreApplication& application);

}  // namespace veltrano::ui::qt
