// Controls as the report windows describe them: the progress window, the preview and its
// dialogs lay out their few controls in place rather than through the form builder.
#pragma once

#include <string>
#include <utility>

#include "ui/window_description.h"

namespace veltrano::framework {

inline ui::ControlDescription describedControl(ui::ControlId id, ui::ControlKind kind, ui::Rect at,
                                               std::string text = {}, std::string tip = {}) {
  ui::ControlDescription described = ui::describeControl(id, kind, at, std::move(text));
  described.tip = std::move(tip);
  return described;
}

inline ui::ControlDescription describedSpin(ui::ControlId id, ui::Rect at, int low, int high, int value,
                                            std::string tip = {}) {
  ui::ControlDescription spin = describedControl(id, ui::ControlKind::kSpin, at, {}, std::move(tip));
  spin.low = low;
  spin.high = high;
  spin.value = std::to_string(value);
  return spin;
}

}  // namespace veltrano::framework
