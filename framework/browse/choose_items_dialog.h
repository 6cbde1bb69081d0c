// The "Choose items and order" dialog: two lists, the items available and the items selected,
// buttons that move the item chosen in one list across to the other (a double click does the
// same), up and down buttons that reorder the selected list, "Cancel" and "&Finish".
//
//   ChooseItemsDialog dialog;
//   dialog.TRANSLATOR = &translator;
//   if (auto columns = dialog.Ask(all_columns, shown_columns)) … *columns in the clerk's order …
//
// It runs its own loop over its own window until the clerk finishes or cancels.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "framework/translator.h"

namespace veltrano::framework {

class ChooseItemsDialog {
 public:
  // `available` lists every item (code page 1251); `selected` the items chosen already, in
  // their order (items of it missing from `available` are left out). The selected items in
  // their chosen order, or nothing when the clerk cancels.
  std::optional<std::vector<std::string>> Ask(std::span<const std::string> available,
                                              std::span<const std::string> selected);

  const Translator* TRANSLATOR = nullptr;
};

}  // namespace veltrano::framework
