#include "app/frame/main_frame.h"

#include <chrono>
#include <thread>

#include "app/frame/main_menu.h"
#include "framework/report/report_printer.h"
#include "platform/codepage.h"
#include "ui/run_lock.h"

namespace veltrano::app {
namespace {

// How often a closing frame looks whether its children have gone.
constexpr std::chrono::milliseconds kClosingPoll{20};
// VELTR131, the reminders' start-up check (app/reminders).
constexpr std::uint16_t kRemindersAtStartUp = 131;
constexpr std::string_view kGap = "          ";

framework::WindowDefinition frameDefinition(const framework::ProcedureRegistry& procedures) {
  framework::WindowDefinition definition;
  ui::WindowDescription& window = definition.window;
  window.kind = ui::WindowKind::kFrame;
  window.name = "veltrano$VELTR001";
  window.label = std::string(kFrameLabel);
  window.caption = frameCaption();
  window.at = {0, 0, 1024, 720};
  window.menu = describeMainMenu(procedures);
  window.status_widths = {0};
  return definition;
}

}  // namespace

std::string frameCaption() {
  return platform::ru("Отдел кадров медицинского учреждения") + std::string(kGap) +
         platform::ru("04.2002г.") + std::string(kGap) + platform::ru("г. Ярвинск") + std::string(kGap) +
         platform::ru("Вельтрано: учёт кадров");
}

MainFrame::MainFrame(const Application& application, ProcedureStarter& starter) : starter_(starter) {
  application.prepare(*this);
  Describe(frameDefinition(application.procedures));
}

framework::Level MainFrame::Open() {
  const framework::Level opened = WindowController::Open();
  // What runs out soon comes up by itself: the reminders' start-up check opens its window only
  // when something is due.
  if (opened == framework::kLevelBenign) starter_.Start(kRemindersAtStartUp);
  return opened;
}

framework::Level MainFrame::OnAccepted(const ui::Event& event) {
  const MainMenuItem* item = findMenuItem(event.control);
  if (item == nullptr) return WindowController::OnAccepted(event);
  switch (item->action) {
    case MenuAction::kProcedure: starter_.Start(item->procedure); break;
    case MenuAction::kPrinterSetup: framework::choosePrinter(); break;
    case MenuAction::kExit: PostEvent(ui::event::kCloseWindow); break;
    case MenuAction::kTileWindows: engine().tile(window()); break;
    case MenuAction::kCascadeWindows: engine().cascade(window()); break;
    case MenuAction::kArrangeIcons: engine().arrangeIcons(window()); break;
    case MenuAction::kSubmenu: break;
  }
  return framework::kLevelBenign;
}

framework::Level MainFrame::OnCloseEvent() {
  std::set<ui::WindowId> told;
  for (;;) {
    const std::vector<ui::WindowEngine::ChildWindow> children = engine().childWindows();
    for (const ui::WindowEngine::ChildWindow& child : children) {
      // A child that was told to close and waits again with its window still open has refused.
      if (child.waiting && told.contains(child.window)) return framework::kLevelNotify;
    }
    for (const ui::WindowEngine::ChildWindow& child : children) {
      if (told.insert(child.window).second)
        engine().postEvent(child.window, ui::Event{ui::event::kCloseDown, 0, child.window, 0, 0});
    }
    if (children.empty() && starter_.threads().startedThreads() == 0) {
      // Nothing may start while the program ends.
      starter_.threads().setClosingDown(true);
      return framework::kLevelBenign;
    }
    // The children close on their own threads meanwhile.
    ui::RunLockReleasedForWait released;
    std::this_thread::sleep_for(kClosingPoll);
  }
}

std::uint8_t runMainFrame(const Application& application, ProcedureStarter& starter) {
  MainFrame frame(application, starter);
  return frame.Run();
}

}  // namespace veltrano::app
