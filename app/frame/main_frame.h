// VELTR001, the main frame: the window every other window of the program opens inside, with the
// main menu and a status bar that shows the highlighted item's text. A chosen menu item that
// names a procedure starts it on a new thread; printer set-up, exit and the "&Окно" items are
// the frame's own. The frame's placement is kept in section "Main" of the settings file.
//
// Closing the frame closes every child window first: each is told to close (EVENT:CloseDown),
// and the frame closes once no procedure thread is left. A child that refuses (a form whose
// clerk answers "Отмена" to the question about unsaved changes) keeps the frame open, so that
// nothing is lost.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "app/frame/application.h"
#include "app/frame/procedure_starter.h"
#include "framework/window/window_controller.h"

namespace veltrano::app {

inline constexpr std::string_view kFrameLabel = "Main";

// The caption: the department's name, the release mark, the city and the signature, set apart
// by runs of blanks (code page 1251).
std::string frameCaption();

class MainFrame final : public framework::WindowController {
 public:
  MainFrame(const Application& application, ProcedureStarter& starter);

  // Opens the frame, then starts the start-up check of the reminders (when it is registered).
  framework::Level Open() override;
  framework::Level OnAccepted(const ui::Event& event) override;
  framework::Level OnCloseEvent() override;
  // Escape belongs to the child windows: in the frame it must not end the program.
  void ArmAlertKeys() override {}

 private:
  ProcedureStarter& starter_;
};

// Runs VELTR001 on the calling thread until the frame closes; its response.
std::uint8_t runMainFrame(const Application& application, ProcedureStarter& starter);

}  // namespace veltrano::app
