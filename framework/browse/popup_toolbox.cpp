// The popup's toolbox: the items marked for it as buttons of a small tool window beside the
// popup's window, pressing what the items press.
#include "framework/browse/popup_menu.h"
#include "framework/window/settings_file.h"

namespace veltrano::framework {
namespace {

constexpr std::string_view kToolboxName = "ABPOPUP";
constexpr int kButtonWidth = 150;
constexpr int kButtonHeight = 26;
constexpr int kMargin = 6;

}  // namespace

std::vector<std::size_t> PopupMenu::toolboxItems() const {
  std::vector<std::size_t> items;
  for (std::size_t index = 0; index < POPUPITEMS.size(); ++index) {
    if (POPUPITEMS[index].ONTOOLBOX != 0) items.push_back(index);
  }
  return items;
}

Level PopupMenu::Toolbox(std::string_view title) {
  if (INTOOLBOX != 0) {
    refreshToolbox();
    return kLevelBenign;
  }
  std::vector<std::size_t> items = toolboxItems();
  ui::WindowDescription toolbox;
  toolbox.kind = ui::WindowKind::kDialog;
  toolbox.name = kToolboxName;
  toolbox.label = kToolboxName;
  toolbox.caption = shown(title);
  toolbox.resizable = false;
  toolbox.owner = PARENTWINDOW;
  int height = 2 * kMargin + static_cast<int>(items.size()) * (kButtonHeight + 4);
  toolbox.at = {0, 0, kButtonWidth + 2 * kMargin, height};
  for (std::size_t number = 0; number < items.size(); ++number) {
    const PopupItem& item = POPUPITEMS[items[number]];
    ui::ControlDescription button;
    button.id = kToolboxFirstButton + static_cast<ui::ControlId>(number);
    button.kind = ui::ControlKind::kButton;
    button.at = {kMargin, kMargin + static_cast<int>(number) * (kButtonHeight + 4), kButtonWidth,
                 kButtonHeight};
    button.text = shown(item.TEXT);
    button.icon = item.ICON;
    button.disabled = !enabledNow(item);
    button.hidden = hiddenNow(item);
    toolbox.controls.push_back(std::move(button));
  }
  THISWINDOW = ui::windowEngine().openWindow(toolbox);
  if (THISWINDOW == 0) return kLevelNotify;
  INTOOLBOX = 1;
  if (INIMGR != nullptr) INIMGR->FetchWindow(kToolboxName, THISWINDOW, false);
  return kLevelBenign;
}

void PopupMenu::refreshToolbox() {
  if (INTOOLBOX == 0) return;
  ui::WindowEngine& engine = ui::windowEngine();
  std::vector<std::size_t> items = toolboxItems();
  for (std::size_t number = 0; number < items.size(); ++number) {
    const PopupItem& item = POPUPITEMS[items[number]];
    ui::ControlId button = kToolboxFirstButton + static_cast<ui::ControlId>(number);
    ui::ControlState wanted{enabledNow(item), hiddenNow(item)};
    std::optional<ui::ControlState> now = engine.controlState(THISWINDOW, button);
    if (!now) continue;
    if (now->enabled != wanted.enabled) engine.setEnabled(THISWINDOW, button, wanted.enabled);
    if (now->hidden != wanted.hidden) engine.setHidden(THISWINDOW, button, wanted.hidden);
  }
}

bool PopupMenu::TakeEvent(const ui::Event& event) {
  if (INTOOLBOX == 0) return false;
  if (event.window != THISWINDOW) {
    refreshToolbox();
    return false;
  }
  switch (event.code) {
    case ui::event::kAccepted: {
      std::vector<std::size_t> items = toolboxItems();
      std::int64_t number = static_cast<std::int64_t>(event.control) - kToolboxFirstButton;
      if (number >= 0 && number < static_cast<std::int64_t>(items.size())) {
        const PopupItem& item = POPUPITEMS[items[static_cast<std::size_t>(number)]];
        if (enabledNow(item)) {
          LASTSELECTION = item.NAME;
          perform(item);
        }
      }
      break;
    }
    case ui::event::kCloseWindow:
    case ui::event::kCloseDown: closeToolbox(); break;
    default: break;
  }
  return true;
}

void PopupMenu::closeToolbox() {
  if (THISWINDOW != 0) {
    if (INIMGR != nullptr) INIMGR->UpdateWindow(kToolboxName, THISWINDOW);
    ui::windowEngine().closeWindow(THISWINDOW);
  }
  THISWINDOW = 0;
  INTOOLBOX = 0;
}

}  // namespace veltrano::framework
