// Message boxes: a text, a caption, an icon and a set of buttons; the answer is the value of the
// button pressed. Procedure threads ask through this call; the window engine of the process
// (the Qt engine in the program, the headless engine in tests) shows the box window-modal and
// answers.
#pragma once

#include <cstdint>
#include <string>

namespace veltrano::ui {

// Button values; a set of buttons is their sum (Yes + No + Cancel = 70).
inline constexpr unsigned kButtonOk = 1;
inline constexpr unsigned kButtonYes = 2;
inline constexpr unsigned kButtonNo = 4;
inline constexpr unsigned kButtonAbort = 8;
inline constexpr unsigned kButtonRetry = 16;
inline constexpr unsigned kButtonIgnore = 32;
inline constexpr unsigned kButtonCancel = 64;
inline constexpr unsigned kButtonHelp = 128;

// Icons of the runtime's own icon set, by resource number.
inline constexpr std::uint16_t kIconQuestion = 0x7F03;
inline constexpr std::uint16_t kIconExclamation = 0x7F04;
inline constexpr std::uint16_t kIconNone = 0;

struct MessageBoxRequest {
  std::string text;     // code page 1251
  std::string caption;  // code page 1251
  std::uint16_t icon = kIconNone;
  unsigned buttons = kButtonOk;
  unsigned default_button = kButtonOk;
};

// Shows the box through the process's window engine and returns the value of the button
// pressed (the default button when the box is closed without a choice).
unsigned messageBox(const MessageBoxRequest& request);

}  // namespace veltrano::ui
