// What every engine does the same way with a message box: which buttons it offers and which
// one answers when the box closes without a choice.
#pragma once

#include "ui/message_box.h"

namespace veltrano::ui {

// The buttons the box shows: the requested set without unknown bits; OK when nothing is left.
unsigned offeredButtons(const MessageBoxRequest& request);

// The requested default when the box offers it, otherwise the first offered button in value
// order (so a box asked for Yes + No with default OK still has an answer the caller expects).
unsigned defaultAnswer(const MessageBoxRequest& request);

// The answer to give for `pressed`: itself when offered, otherwise the default.
unsigned acceptedAnswer(const MessageBoxRequest& request, unsigned pressed);

}  // namespace veltrano::ui
