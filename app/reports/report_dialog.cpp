#include "app/reports/report_dialog.h"

#include "platform/codepage.h"

namespace veltrano::app::reports {
namespace {

constexpr int kLookupWidth = 26;

}  // namespace

void addLookupButtons(framework::WindowDefinition& definition, std::span<const ui::ControlId> entries,
                      ui::ControlId first_button) {
  std::vector<ui::ControlDescription>& controls = definition.window.controls;
  for (std::size_t index = 0; index < entries.size(); ++index) {
    for (ui::ControlDescription& entry : controls) {
      if (entry.id != entries[index]) continue;
      entry.at.width -= kLookupWidth + 4;
      ui::ControlDescription button;
      button.id = first_button + static_cast<ui::ControlId>(index);
      button.kind = ui::ControlKind::kButton;
      button.parent = entry.parent;
      button.text = "...";
      button.at = {entry.at.x + entry.at.width + 4, entry.at.y, kLookupWidth, entry.at.height};
      controls.push_back(button);
      break;
    }
  }
}

ReportDialog::ReportDialog(const Application& application, std::string_view procedure, std::string_view label,
                           std::string_view caption, const runtime::RecordLayout& values,
                           std::span<std::uint8_t> record)
    : application_(application),
      values_{&values, record, nullptr},
      builder_("veltrano$" + std::string(procedure), label, caption) {
  builder_.kind(ui::WindowKind::kDialog).modal().fixedSize();
}

void ReportDialog::AddLookup(ui::ControlId control, std::function<bool()> choose) {
  lookups_.push_back(Lookup{control, std::move(choose)});
}

std::uint8_t ReportDialog::Run() {
  builder_.okButton(dialog::kOk, "OK").cancelButton(dialog::kCancel, "Отмена");
  std::string error;
  std::optional<framework::WindowDefinition> definition = builder_.build(&error);
  if (!definition) return framework::kResponseCancelled;
  std::vector<ui::ControlId> entries;
  for (const Lookup& lookup : lookups_) entries.push_back(lookup.control);
  addLookupButtons(*definition, entries, dialog::kFirstLookup);
  application_.prepare(*this);
  Describe(std::move(*definition));
  FIRSTFIELD = dialog::kFirstValue;
  AddButton(dialog::kCancel, framework::kResponseCancelled);
  return WindowController::Run();
}

framework::Level ReportDialog::OnAccepted(const ui::Event& event) {
  const ui::ControlId lookup = event.control - dialog::kFirstLookup;
  if (lookup >= 0 && static_cast<std::size_t>(lookup) < lookups_.size()) {
    // What the clerk typed elsewhere stays; the choice is shown at once.
    Update();
    if (lookups_[static_cast<std::size_t>(lookup)].choose()) Display();
    return framework::kLevelBenign;
  }
  if (event.control != dialog::kOk) return WindowController::OnAccepted(event);
  if (ValidateFields() != 0) return framework::kLevelNotify;
  if (check_) {
    if (const std::optional<Refusal> refused = check_()) {
      engine().beep(window());
      ui::messageBox(ui::MessageBoxRequest{platform::ru(refused->message), definition().window.caption,
                                           ui::kIconExclamation, ui::kButtonOk, ui::kButtonOk});
      SelectControl(refused->control);
      return framework::kLevelNotify;
    }
  }
  NoteResponse(framework::kResponseCompleted);
  return framework::kLevelBenign;
}

}  // namespace veltrano::app::reports
