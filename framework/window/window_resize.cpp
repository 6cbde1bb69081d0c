#include "framework/window/window_resize.h"

#include <algorithm>

#include "framework/window/window_controller.h"

namespace veltrano::framework {
namespace {

bool stretches(ui::ControlKind kind) {
  return kind == ui::ControlKind::kList || kind == ui::ControlKind::kText ||
         kind == ui::ControlKind::kSheet || kind == ui::ControlKind::kGroup;
}

}  // namespace

void WindowResize::Init(WindowController& window) {
  window_ = &window;
  CONTROLQUEUE.clear();
  RESIZELIST.clear();
  const ui::WindowDescription& description = window.definition().window;
  std::optional<ui::Placement> now = window.engine().placement(window.window());
  const ui::Rect at = now ? now->at : description.at;
  ORIGWIN =
      WindowGeometry{at.x, at.y, at.width, at.height, static_cast<std::uint8_t>(now && now->maximized), 0};
  // Placed where the description puts them: the geometry the controls' places belong to.
  ORIGWIN.WIDTH = description.at.width;
  ORIGWIN.HEIGHT = description.at.height;
  PREVIOUSWIN = ORIGWIN;
  int lowest_stretch = 0;
  int rightmost_stretch = 0;
  for (const ui::ControlDescription& control : description.controls) {
    if (control.parent == 0 && stretches(control.kind)) {
      lowest_stretch = std::max(lowest_stretch, control.at.y + control.at.height);
      rightmost_stretch = std::max(rightmost_stretch, control.at.x + control.at.width);
    }
  }
  for (const ui::ControlDescription& control : description.controls) {
    Control entry;
    entry.ID = control.id;
    entry.TYPE = control.kind;
    entry.POS = control.at;
    entry.PARENTID = control.parent;
    for (const ui::ControlDescription& other : description.controls) {
      if (other.parent == control.id) entry.HASCHILDREN = 1;
    }
    if (APPSTRATEGY != 0 && control.parent == 0 && lowest_stretch > 0) {
      if (stretches(control.kind)) {
        entry.RESIZESTRATEGY = kFollowRight | kFollowBottom;
      } else if (control.kind == ui::ControlKind::kButton) {
        if (control.at.y >= lowest_stretch) entry.POSITIONALSTRATEGY |= kFollowBottom;
        if (control.at.x >= rightmost_stretch || control.at.y >= lowest_stretch)
          entry.POSITIONALSTRATEGY |= kFollowRight;
      }
    }
    CONTROLQUEUE.push_back(entry);
  }
}

void WindowResize::SetStrategy(ui::ControlId control, std::uint8_t positional, std::uint8_t resize) {
  for (Control& entry : CONTROLQUEUE) {
    if (entry.ID == control) {
      entry.POSITIONALSTRATEGY = positional;
      entry.RESIZESTRATEGY = resize;
    }
  }
}

const std::vector<WindowResize::Move>& WindowResize::Resize() {
  RESIZELIST.clear();
  if (window_ == nullptr || ORIGWIN.WIDTH <= 0 || ORIGWIN.HEIGHT <= 0) return RESIZELIST;
  std::optional<ui::Placement> now = window_->engine().placement(window_->window());
  if (!now || now->at.width <= 0 || now->at.height <= 0) return RESIZELIST;
  // A window made smaller than designed keeps its controls where they were: they are not
  // squeezed over one another.
  const int grow_x = std::max(0, now->at.width - ORIGWIN.WIDTH);
  const int grow_y = std::max(0, now->at.height - ORIGWIN.HEIGHT);
  int priority = 0;
  for (const Control& entry : CONTROLQUEUE) {
    ui::Rect after = entry.POS;
    if (entry.POSITIONALSTRATEGY & kFollowRight) after.x += grow_x;
    if (entry.POSITIONALSTRATEGY & kFollowBottom) after.y += grow_y;
    if (entry.RESIZESTRATEGY & kFollowRight) after.width += grow_x;
    if (entry.RESIZESTRATEGY & kFollowBottom) after.height += grow_y;
    if (entry.POSITIONALSTRATEGY == kResizeKeep && entry.RESIZESTRATEGY == kResizeKeep) continue;
    RESIZELIST.push_back(Move{priority++, entry.ID, entry.TYPE, entry.POS, after});
  }
  for (const Move& move : RESIZELIST)
    window_->engine().setPosition(window_->window(), move.CONTROLID, move.AFTER);
  PREVIOUSWIN = WindowGeometry{
      now->at.x, now->at.y, now->at.width, now->at.height, static_cast<std::uint8_t>(now->maximized), 0};
  return RESIZELIST;
}

}  // namespace veltrano::framework
