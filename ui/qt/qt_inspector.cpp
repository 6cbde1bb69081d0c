#include "ui/qt/qt_inspector.h"

#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <cstdlib>
#include <set>

#include "platform/codepage.h"

namespace veltrano::ui::qt {
namespace {

const char* kindName(WindowKind kind) {
  switch (kind) {
    case WindowKind::kFrame: return "frame";
    case WindowKind::kMdiChild: return "child";
    case WindowKind::kDialog: return "dialog";
  }
  return "window";
}

const char* kindName(ControlKind kind) {
  static const char* const names[] = {"prompt", "entry",    "text",  "button", "check", "options",
                                      "radio",  "group",    "sheet", "tab",    "list",  "combo",
                                      "image",  "progress", "spin",  "pages"};
  const auto index = static_cast<std::size_t>(kind);
  return index < std::size(names) ? names[index] : "control";
}

// One field of a line: UTF-8, with the characters that separate fields and lines made blanks.
std::string field(const std::string& cp1251) {
  std::string text = platform::utf8From1251(cp1251);
  for (char& c : text) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

void writeAll(const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t now = ::write(STDOUT_FILENO, text.data() + written, text.size() - written);
    if (now <= 0) return;
    written += static_cast<std::size_t>(now);
  }
}

}  // namespace

QtInspector::QtInspector(MemoryEngine& engine)
    : engine_(engine), input_(std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read)) {
  connect(input_.get(), &QSocketNotifier::activated, this, [this] { readCommands(); });
}

QtInspector::~QtInspector() = default;

bool QtInspector::wanted() {
  const char* asked = std::getenv("VELTRANO_INSPECT");
  return asked != nullptr && std::string(asked) == "1";
}

void QtInspector::readCommands() {
  char buffer[4096];
  const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
  if (got <= 0) {
    // The other side has gone: nothing more will come.
    input_->setEnabled(false);
    return;
  }
  pending_.append(buffer, static_cast<std::size_t>(got));
  for (std::size_t end = pending_.find('\n'); end != std::string::npos; end = pending_.find('\n')) {
    const std::string command = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    writeAll(answer(command) + ".\n");
  }
}

std::string QtInspector::answer(const std::string& command) {
  if (command == "windows") {
    std::set<WindowId> waiting;
    for (const WindowEngine::ChildWindow& child : engine_.childWindows()) {
      // A list whose procedure runs a form waits for the clerk in the form.
      if (child.thread_waiting) waiting.insert(child.window);
    }
    std::string out;
    for (WindowId id : engine_.openWindows()) {
      std::optional<WindowSnapshot> shown = engine_.snapshot(id);
      if (!shown) continue;
      // The frame's procedure has dealt with everything when nothing is queued for it.
      const bool idle =
          shown->kind == WindowKind::kFrame ? engine_.queuedEvents(id) == 0 : waiting.contains(id);
      out += "window " + std::to_string(id) + " " + kindName(shown->kind) + " " + (idle ? "1" : "0") + " " +
             field(shown->label) + "\t" + field(shown->caption) + "\t" + std::to_string(shown->focus) + "\n";
      for (const auto& [item_id, item] : shown->menu_items) {
        out += "item " + std::to_string(item_id) + " " + (item.enabled ? "1" : "0") + "\t" +
               field(item.text) + "\n";
      }
      for (ControlId control_id : shown->control_order) {
        const ControlSnapshot& control = shown->controls.at(control_id);
        out += "control " + std::to_string(control_id) + " " + kindName(control.description.kind) + " " +
               (control.enabled ? "1" : "0") + "\t" + field(control.text) + "\t" + field(control.value) +
               "\n";
        for (const std::vector<std::string>& row : control.rows) {
          out += "row";
          for (const std::string& cell : row) out += "\t" + field(cell);
          out += "\n";
        }
      }
    }
    return out;
  }
  if (command == "popup") {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    return menu != nullptr ? menu->title().toStdString() + "\n" : std::string();
  }
  if (command.rfind("screenshot ", 0) == 0) {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QString path = QString::fromStdString(command.substr(11));
    return screen != nullptr && screen->grabWindow(0).save(path, "PNG") ? "saved\n" : "failed\n";
  }
  return "unknown command\n";
}

}  // namespace veltrano::ui::qt
