// The window engine on Qt. The Qt event loop runs on the process's main thread, which is not a
// procedure thread: procedures change the engine's state (MemoryEngine) and the engine
// mirrors it into widgets on the Qt thread; what the user does there comes back as state
// changes and queued events. Procedure threads never call Qt, and the Qt thread never takes
// the run lock, so neither can hold the other up for longer than a state update.
//
//   QApplication application(argc, argv);
//   ui::qt::QtEngine engine;                 // on the Qt thread, after the application
//   ui::ScopedWindowEngine installed(engine);
//   std::thread first([&] { table.attachFirstThread(); runFrame(); ... });
//   application.exec();
//
// Message boxes and the file and printer dialogs are window-modal and asynchronous on the Qt
// side; the asking procedure waits for the answer with the run lock released.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "ui/memory_engine.h"

namespace veltrano::ui::qt {

class QtEngine : public MemoryEngine {
 public:
  // REQUIRES: called on the Qt thread, after the QApplication exists.
  QtEngine();
  ~QtEngine() override;

  unsigned messageBox(const MessageBoxRequest& request) override;
  std::optional<std::string> fileOpenDialog(const FileDialogRequest& request) override;
  std::optional<std::string> fileSaveDialog(const FileDialogRequest& request) override;
  std::optional<PrinterChoice> printerSetupDialog(const PrinterChoice& current) override;
  std::optional<std::string> directoryDialog(const FileDialogRequest& request) override;
  void beep(WindowId window) override;
  bool setWaitCursor(WindowId window, bool waiting) override;
  int popupMenu(WindowId window, const std::string& text) override;

  // Writes an image of the window as it is on screen (PNG by the path's extension).
  // REQUIRES: called on the Qt thread.
  bool saveScreenshot(WindowId window, const std::string& path);

 protected:
  void windowOpened(WindowId window) override;
  void windowClosed(WindowId window) override;
  void windowChanged(WindowId window, ControlId control) override;
  void frameArranged(WindowId frame, FrameArrangement how) override;

 private:
  std::optional<std::string> fileDialog(const FileDialogRequest& request, bool save);

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veltrano::ui::qt
