#include "ui/message_box.h"

#include "ui/message_box_rules.h"
#include "ui/window_engine.h"

namespace veltrano::ui {

namespace {
constexpr unsigned kAllButtons = kButtonOk | kButtonYes | kButtonNo | kButtonAbort | kButtonRetry |
                                 kButtonIgnore | kButtonCancel | kButtonHelp;

bool isSingleButton(unsigned value) {
  return value != 0 && (value & (value - 1)) == 0;
}
}  // namespace

unsigned offeredButtons(const MessageBoxRequest& request) {
  unsigned buttons = request.buttons & kAllButtons;
  return buttons == 0 ? kButtonOk : buttons;
}

unsigned defaultAnswer(const MessageBoxRequest& request) {
  unsigned buttons = offeredButtons(request);
  if (isSingleButton(request.default_button) && (buttons & request.default_button) != 0) {
    return request.default_button;
  }
  return buttons & (~buttons + 1);  // the lowest offered button
}

unsigned acceptedAnswer(const MessageBoxRequest& request, unsigned pressed) {
  if (isSingleButton(pressed) && (offeredButtons(request) & pressed) != 0) return pressed;
  return defaultAnswer(request);
}

unsigned messageBox(const MessageBoxRequest& request) {
  return acceptedAnswer(request, windowEngine().messageBox(request));
}

}  // namespace veltrano::ui
