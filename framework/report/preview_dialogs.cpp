#include "framework/report/preview_dialogs.h"

#include <algorithm>
#include <charconv>

#include "framework/report/described_controls.h"

namespace veltrano::framework {
namespace {

enum : ui::ControlId { kGroup = 1, kTake = 2, kCancel = 3, kFirstNumber = 10 };

constexpr int kPromptWidth = 130;
constexpr int kSpinWidth = 70;
constexpr int kLine = 28;

}  // namespace

NumberDialog::NumberDialog(std::string name, std::string caption, std::string group,
                           std::vector<Number> numbers, std::string take, std::string take_tip)
    : name_(std::move(name)),
      caption_(std::move(caption)),
      group_(std::move(group)),
      numbers_(std::move(numbers)),
      take_(std::move(take)),
      take_tip_(std::move(take_tip)) {}

NumberDialog NumberDialog::jump(int pages, int current) {
  return NumberDialog("veltrano$PREVIEWJUMP", "Jump to a Report Page", {},
                      {{"&Page:", "Select a page of the report", 1, pages, current}}, "&Jump",
                      "Jump to the selected page");
}

NumberDialog NumberDialog::display(int across, int down) {
  return NumberDialog("veltrano$PREVIEWDISPLAY", "Change the Report Display", "Pages Displayed",
                      {{"Across", "Select the number of thumbnails in a row", 1, 8, across},
                       {"Down", "Select the number of thumbnails in a column", 1, 8, down}},
                      "&OK", {});
}

std::optional<std::vector<int>> NumberDialog::Choose(const Translator* translator) {
  ui::WindowDescription window;
  window.kind = ui::WindowKind::kDialog;
  window.modal = true;
  window.resizable = false;
  window.caption = caption_;
  window.name = name_;
  int top = group_.empty() ? 12 : 30;
  int height = top + static_cast<int>(numbers_.size()) * kLine + (group_.empty() ? 0 : 8);
  if (!group_.empty()) {
    window.controls.push_back(
        describedControl(kGroup, ui::ControlKind::kGroup, {8, 6, 240, height - 6}, group_));
  }
  for (std::size_t at = 0; at < numbers_.size(); ++at) {
    const Number& number = numbers_[at];
    int y = top + static_cast<int>(at) * kLine;
    auto id = static_cast<ui::ControlId>(kFirstNumber + 2 * static_cast<int>(at));
    window.controls.push_back(describedControl(id + 1, ui::ControlKind::kPrompt,
                                               {20, y + 4, kPromptWidth - 12, 20}, number.prompt));
    window.controls.push_back(describedSpin(id, {20 + kPromptWidth, y, kSpinWidth, 24}, number.low,
                                            number.high, number.value, number.tip));
  }
  ui::ControlDescription take =
      describedControl(kTake, ui::ControlKind::kButton, {60, height + 14, 90, 26}, take_);
  take.default_button = true;
  take.tip = take_tip_;
  ui::ControlDescription cancel =
      describedControl(kCancel, ui::ControlKind::kButton, {158, height + 14, 90, 26}, "&Cancel");
  cancel.tip = group_.empty() ? "Cancel this selection" : "";
  window.controls.push_back(take);
  window.controls.push_back(cancel);
  window.at = {0, 0, 264, height + 52};

  WindowDefinition definition;
  definition.window = std::move(window);
  definition.ok_control = kTake;
  definition.cancel_control = kCancel;
  definition.first_field = kFirstNumber;
  Describe(std::move(definition));
  TRANSLATOR = translator;
  FIRSTFIELD = kFirstNumber;
  AddButton(kCancel, kResponseCancelled);
  chosen_.reset();
  Run();
  return chosen_;
}

Level NumberDialog::OnAccepted(const ui::Event& event) {
  if (event.control != kTake) return WindowController::OnAccepted(event);
  std::vector<int> values;
  for (std::size_t at = 0; at < numbers_.size(); ++at) {
    auto id = static_cast<ui::ControlId>(kFirstNumber + 2 * static_cast<int>(at));
    std::string shown = engine().value(window(), id).value_or("");
    int value = numbers_[at].value;
    std::from_chars(shown.data(), shown.data() + shown.size(), value);
    values.push_back(std::clamp(value, numbers_[at].low, numbers_[at].high));
  }
  chosen_ = values;
  NoteResponse(kResponseCompleted);
  return kLevelBenign;
}

}  // namespace veltrano::framework
