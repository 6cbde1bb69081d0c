// A button placed by hand, as wide as its caption needs: the staff schedule's captions
// ("&Добавить подразделение") are longer than the builder's row of equal buttons allows.
#pragma once

#include <string_view>

#include "platform/codepage.h"
#include "ui/window_description.h"

namespace veltrano::app::reference {

inline ui::ControlDescription captionedButton(ui::ControlId id, std::string_view caption_utf8, int x, int y) {
  ui::ControlDescription button;
  button.id = id;
  button.kind = ui::ControlKind::kButton;
  button.text = platform::ru(caption_utf8);
  button.at = {x, y, static_cast<int>(button.text.size()) * 7 + 24, 26};
  return button;
}

}  // namespace veltrano::app::reference
