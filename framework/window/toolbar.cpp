#include "framework/window/toolbar.h"

#include <algorithm>

#include "framework/window/window_controller.h"

namespace veltrano::framework {
namespace {

bool navigates(ui::ControlId button) {
  return button >= toolbar::kBottom && button <= toolbar::kUp;
}

}  // namespace

bool FormToolbarTarget::TakeToolbarEvent(ui::ControlId button) {
  if (button == toolbar::kHistory) {
    std::optional<ui::ControlId> focus = form_.engine().focus(form_.window());
    if (focus && *focus != 0) form_.RecallField(*focus);
    return true;
  }
  if (!Offers(button)) return false;
  // The record is saved as OK saves it; the browse then moves and calls the form again.
  *form_.VCRREQUEST = button;
  form_.OnAccepted(ui::Event{ui::event::kAccepted, form_.OKCONTROL, form_.window(), 0, 0});
  return true;
}

bool FormToolbarTarget::Offers(ui::ControlId button) const {
  if (button == toolbar::kHistory) return !form_.HISTORY.empty();
  if (form_.VCRREQUEST == nullptr || form_.OKCONTROL == 0) return false;
  return navigates(button) || (button == toolbar::kInsert && form_.REQUEST == kRequestInsert);
}

std::string_view Toolbar::TipOf(ui::ControlId button) {
  switch (button) {
    case toolbar::kInsert: return "Insert a new Record";
    case toolbar::kChange: return "Change the Record";
    case toolbar::kDelete: return "Delete the Record";
    case toolbar::kSelect: return "Select the Record";
    case toolbar::kBottom: return "Go to the Last Page";
    case toolbar::kTop: return "Go to the First Page";
    case toolbar::kPageDown: return "Go to the Next Page";
    case toolbar::kPageUp: return "Go to the Prior Page";
    case toolbar::kDown: return "Go to the Next Record";
    case toolbar::kUp: return "Go to the Prior Record";
    case toolbar::kHelp: return "Help";
    case toolbar::kHistory: return "Recall the Saved Value";
    default: return {};
  }
}

void Toolbar::AddTarget(ToolbarTarget* target, ui::ControlId id) {
  if (target == nullptr) return;
  RemoveTarget(target);
  TARGETS.push_back(Target{id, target});
  if (current_ == 0) current_ = id;
}

void Toolbar::RemoveTarget(ToolbarTarget* target) {
  std::erase_if(TARGETS, [&](const Target& known) { return known.ITEM == target; });
}

void Toolbar::SetTarget(ui::ControlId id) {
  for (const Target& target : TARGETS) {
    if (target.ID == id) current_ = id;
  }
}

ToolbarTarget* Toolbar::CurrentTarget() const {
  for (const Target& target : TARGETS) {
    if (target.ID == current_) return target.ITEM;
  }
  return TARGETS.empty() ? nullptr : TARGETS.front().ITEM;
}

bool Toolbar::TakeEvent(const ui::Event& event, WindowController& window) {
  if (event.code != ui::event::kAccepted || !toolbar::isToolbarControl(event.control)) return false;
  if (window.AUTOTOOLBAR != 0) {
    std::optional<ui::ControlId> focus = window.engine().focus(window.window());
    for (const Target& target : TARGETS) {
      if (focus && target.ITEM->CONTROL != 0 && target.ITEM->CONTROL == *focus) current_ = target.ID;
    }
  }
  ToolbarTarget* target = CurrentTarget();
  if (target != nullptr) target->TakeToolbarEvent(event.control);
  DisplayButtons(window);
  return true;
}

void Toolbar::DisplayButtons(WindowController& window) {
  ToolbarTarget* target = CurrentTarget();
  for (ui::ControlId button = toolbar::kInsert; button <= toolbar::kHistory; ++button) {
    window.engine().setEnabled(window.window(), button, target != nullptr && target->Offers(button));
  }
}

}  // namespace veltrano::framework
