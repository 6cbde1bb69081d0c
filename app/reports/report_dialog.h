// A report's set-up dialog: a few entries, option groups and "..." buttons bound to variables of
// its own, with "OK" and "Отмена". OK first reads every control through its picture, so that a
// text that is no number, year or date is refused at its field; then the dialog's own check
// refuses what is out of range, telling the clerk why and selecting the field. Escape and
// "Отмена" cancel.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/frame/application.h"
#include "framework/window/window_controller.h"
#include "runtime/values/record_layout.h"

namespace veltrano::app::reports {

namespace dialog {
enum : ui::ControlId {
  kFirstValue = 1,  // the values' controls are numbered from here, in the order added
  kOk = 40,
  kCancel,
  kFirstLookup = 50,  // the "..." buttons, in the order added
};
}  // namespace dialog

// Puts a "..." button at the end of each entry in `entries`, numbered from `first_button` in
// their order; the entries give the buttons their room, so that the window keeps its width.
void addLookupButtons(framework::WindowDefinition& definition, std::span<const ui::ControlId> entries,
                      ui::ControlId first_button);

class ReportDialog : public framework::WindowController {
 public:
  struct Refusal {
    ui::ControlId control = 0;
    std::string message;  // UTF-8
  };
  using Check = std::function<std::optional<Refusal>()>;

  // `values`: the dialog's variables, which its controls show and edit.
  // REQUIRES: `values` outlives the dialog.
  ReportDialog(const Application& application, std::string_view procedure, std::string_view label,
               std::string_view caption, const runtime::RecordLayout& values, std::span<std::uint8_t> record);

  framework::BoundRecord values() const { return values_; }
  framework::WindowBuilder& builder() { return builder_; }

  // A "..." button at the end of the entry `control`: `choose` runs a selection list and fills
  // the dialog's variables from the choice (true when something was chosen).
  void AddLookup(ui::ControlId control, std::function<bool()> choose);
  // The check OK makes once every value fits its picture.
  void SetCheck(Check check) { check_ = std::move(check); }

  // Describes the window and runs it: 1 after OK, 2 when cancelled.
  std::uint8_t Run() override;
  using WindowController::Run;
  framework::Level OnAccepted(const ui::Event& event) override;

 private:
  const Application& application_;
  framework::BoundRecord values_;
  framework::WindowBuilder builder_;
  struct Lookup {
    ui::ControlId control = 0;
    std::function<bool()> choose;
  };
  std::vector<Lookup> lookups_;
  Check check_;
};

}  // namespace veltrano::app::reports
