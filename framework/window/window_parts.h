// What the window controller asks of the objects registered with it. The controller knows them
// only through these interfaces, so the window library stands below the browse and drop-down
// libraries that implement them:
//
//   BrowseManager (framework/browse)  implements RegisteredBrowse   (the controller's BROWSES)
//   LookupDrop    (framework/lookup)  implements RegisteredFileDrop (the controller's FILEDROPS)
//
// Every event of the window reaches each registered object's OnEvent after the controller's own
// handling; Reset comes from the controller's Reset (the window opened, regained focus or was
// asked to refresh); Kill from the controller's Kill, once per Init.
#pragma once

#include "framework/level.h"
#include "ui/window_engine.h"

namespace veltrano::framework {

class RegisteredBrowse {
 public:
  virtual ~RegisteredBrowse() = default;
  // Keys the browse reacts to (its list's action keys and its locators' keys).
  virtual void ArmAlertKeys() = 0;
  // 0 to let the controller go on with the event; non-zero stops its processing.
  virtual Level OnEvent(const ui::Event& event) = 0;
  // Refills when forced or when something the page depends on changed (the list's visible
  // rows, a moved range limit, a reset field). True when it refilled.
  virtual bool ResetSort(bool force) = 0;
  // The list's buttons, locator, thumb and selection brought up to date.
  virtual void UpdateWindow() = 0;
  // For the controller's AUTOREFRESH: refills when a range limit moved; true when it did.
  virtual bool ApplyRange() = 0;
  virtual void Kill() = 0;
};

class RegisteredFileDrop {
 public:
  virtual ~RegisteredFileDrop() = default;
  virtual Level OnEvent(const ui::Event& event) = 0;
  // The list refilled when forced, or brought in line with its form field.
  virtual void Reset(bool force) = 0;
  virtual void Kill() = 0;
};

}  // namespace veltrano::framework
