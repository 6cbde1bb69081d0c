// The toolbar: a row of buttons numbered from 2000 (framework/window/window_controller.h,
// namespace toolbar) whose presses go to the toolbar's current target instead of to the window.
// A browse is a target (it turns the navigation buttons into scrolling and the insert, change and
// delete buttons into its update requests); an update form driven from a browse is another (its
// navigation buttons save the record and ask the browse, through VCRREQUEST, for the next one).
// With the controller's AUTOTOOLBAR the target is the one whose control has the focus.
//
//   Toolbar toolbar;
//   toolbar.AddTarget(&browse_target, kList);  // a browse registers itself (RegisterToolbarTarget)
//   controller.TOOLBAR = &toolbar;
//   builder.toolbar();                          // the buttons, with their tool tips
#pragma once

#include <string_view>
#include <vector>

#include "framework/level.h"
#include "ui/window_engine.h"

namespace veltrano::framework {

class WindowController;

class ToolbarTarget {
 public:
  virtual ~ToolbarTarget() = default;
  // Handles a toolbar button; false when this target has nothing to do with it.
  virtual bool TakeToolbarEvent(ui::ControlId button) = 0;
  // Whether the button does anything for this target now (disabled otherwise).
  virtual bool Offers(ui::ControlId button) const = 0;

  ui::ControlId CONTROL = 0;  // the control the target belongs to (a list); 0 for the window
};

// What an update form driven from a browse's toolbar offers: navigation saves the record and
// leaves the move to the browse (VCRREQUEST), ditto recalls the field with focus.
class FormToolbarTarget final : public ToolbarTarget {
 public:
  explicit FormToolbarTarget(WindowController& form) : form_(form) {}
  bool TakeToolbarEvent(ui::ControlId button) override;
  bool Offers(ui::ControlId button) const override;

 private:
  WindowController& form_;
};

class Toolbar {
 public:
  struct Target {
    ui::ControlId ID = 0;
    ToolbarTarget* ITEM = nullptr;
  };

  // The English tool tip of a toolbar button (translated with the window); empty for others.
  static std::string_view TipOf(ui::ControlId button);

  void AddTarget(ToolbarTarget* target, ui::ControlId id);
  void RemoveTarget(ToolbarTarget* target);
  void SetTarget(ui::ControlId id);
  ToolbarTarget* CurrentTarget() const;

  // The toolbar sees the window's accepted events first: a press of one of its buttons goes to
  // the target (chosen by focus with AUTOTOOLBAR). True when the event was a toolbar button's.
  bool TakeEvent(const ui::Event& event, WindowController& window);
  // Enables the buttons the current target offers and disables the others.
  void DisplayButtons(WindowController& window);

  std::vector<Target> TARGETS;

 private:
  ui::ControlId current_ = 0;
};

}  // namespace veltrano::framework
