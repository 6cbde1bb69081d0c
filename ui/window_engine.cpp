#include "ui/window_engine.h"

#include <atomic>

#include "ui/message_box_rules.h"

namespace veltrano::ui {
namespace {

// Stands in until the program installs its engine: windows cannot be opened, boxes take
// their default answer, dialogs are cancelled.
class NoWindows final : public WindowEngine {
 public:
  WindowId openWindow(const WindowDescription&, std::string* error) override {
    if (error != nullptr) *error = "no window engine is installed";
    return 0;
  }
  bool closeWindow(WindowId) override { return false; }
  bool setCaption(WindowId, const std::string&) override { return false; }
  std::optional<Placement> placement(WindowId) override { return std::nullopt; }
  bool setPlacement(WindowId, const Placement&) override { return false; }
  Event waitEvent(WindowId window) override { return Event{event::kCloseDown, 0, window, 0, 0}; }
  std::optional<Event> pollEvent(WindowId) override { return std::nullopt; }
  bool postEvent(WindowId, const Event&) override { return false; }
  bool setValue(WindowId, ControlId, const std::string&) override { return false; }
  std::optional<std::string> value(WindowId, ControlId) override { return std::nullopt; }
  bool setText(WindowId, ControlId, const std::string&) override { return false; }
  bool setEnabled(WindowId, ControlId, bool) override { return false; }
  bool setHidden(WindowId, ControlId, bool) override { return false; }
  bool setReadOnly(WindowId, ControlId, bool) override { return false; }
  std::optional<ControlId> focus(WindowId) override { return std::nullopt; }
  bool setFocus(WindowId, ControlId) override { return false; }
  bool setRows(WindowId, ControlId, const std::vector<std::vector<std::string>>&) override { return false; }
  std::optional<int> visibleRows(WindowId, ControlId) override { return std::nullopt; }
  bool setThumb(WindowId, ControlId, int) override { return false; }
  std::optional<int> thumb(WindowId, ControlId) override { return std::nullopt; }
  bool setPages(WindowId, ControlId, const PageView&) override { return false; }
  bool alertKey(WindowId, int) override { return false; }
  bool clearAlertKeys(WindowId) override { return false; }
  bool setTimer(WindowId, int) override { return false; }
  bool setStatusText(WindowId, int, const std::string&) override { return false; }
  bool tile(WindowId) override { return false; }
  bool cascade(WindowId) override { return false; }
  bool arrangeIcons(WindowId) override { return false; }
  unsigned messageBox(const MessageBoxRequest& request) override { return defaultAnswer(request); }
  std::optional<std::string> fileOpenDialog(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<PrinterChoice> printerSetupDialog(const PrinterChoice&) override { return std::nullopt; }
  int popupMenu(WindowId, const std::string&) override { return 0; }
  std::optional<ControlState> controlState(WindowId, ControlId) override { return std::nullopt; }
  bool setComboRow(WindowId, ControlId, int) override { return false; }
  std::optional<int> comboRow(WindowId, ControlId) override { return std::nullopt; }
  bool setTextSelection(WindowId, ControlId, const TextSelection&) override { return false; }
  std::optional<TextSelection> textSelection(WindowId, ControlId) override { return std::nullopt; }
  bool reportKeystrokes(WindowId, ControlId, bool) override { return false; }
  bool addControl(WindowId, const ControlDescription&) override { return false; }
  bool removeControl(WindowId, ControlId) override { return false; }
};

NoWindows no_windows;
std::atomic<WindowEngine*> installed{nullptr};

}  // namespace

WindowEngine& windowEngine() {
  WindowEngine* engine = installed.load(std::memory_order_acquire);
  return engine != nullptr ? *engine : no_windows;
}

WindowEngine* installWindowEngine(WindowEngine* engine) {
  return installed.exchange(engine, std::memory_order_acq_rel);
}

}  // namespace veltrano::ui
