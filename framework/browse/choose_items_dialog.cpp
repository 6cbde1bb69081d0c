#include "framework/browse/choose_items_dialog.h"

#include <algorithm>
#include <charconv>

#include "ui/window_engine.h"

namespace veltrano::framework {
namespace {

enum : ui::ControlId {
  kAvailablePrompt = 1,
  kAvailable,
  kSelectedPrompt,
  kSelected,
  kAdd,
  kRemove,
  kUp,
  kDown,
  kCancel,
  kFinish,
};

constexpr int kListRows = 14;
constexpr char kListFormat[] = "200L(2)@s80@";

ui::WindowDescription chooserWindow() {
  ui::WindowDescription window;
  window.kind = ui::WindowKind::kDialog;
  window.name = "$MULTIWINDOW";
  window.label = "ABEIP";
  window.caption = "Choose items and order";
  window.modal = true;
  window.resizable = false;
  const int list_height = 22 + 18 * kListRows + 4;
  window.at = {0, 0, 560, list_height + 84};
  ui::ControlDescription available =
      ui::describeControl(kAvailable, ui::ControlKind::kList, {8, 26, 220, list_height});
  ui::ControlDescription selected =
      ui::describeControl(kSelected, ui::ControlKind::kList, {288, 26, 220, list_height});
  for (ui::ControlDescription* list : {&available, &selected}) {
    list->format = kListFormat;
    list->has_scroll_bar = false;
  }
  window.controls = {
      ui::describeControl(kAvailablePrompt, ui::ControlKind::kPrompt, {8, 6, 220, 18}, "&Available items"),
      available,
      ui::describeControl(kSelectedPrompt, ui::ControlKind::kPrompt, {288, 6, 220, 18}, "&Selected items"),
      selected,
      ui::describeControl(kAdd, ui::ControlKind::kButton, {234, 100, 48, 28}, ">"),
      ui::describeControl(kRemove, ui::ControlKind::kButton, {234, 136, 48, 28}, "<"),
      ui::describeControl(kUp, ui::ControlKind::kButton, {514, 100, 36, 28}),
      ui::describeControl(kDown, ui::ControlKind::kButton, {514, 136, 36, 28}),
      ui::describeControl(kCancel, ui::ControlKind::kButton, {376, list_height + 40, 84, 28}, "Cancel"),
      ui::describeControl(kFinish, ui::ControlKind::kButton, {466, list_height + 40, 84, 28}, "&Finish"),
  };
  window.controls[6].icon = "ABUPROW.ICO";
  window.controls[7].icon = "ABDNROW.ICO";
  window.controls.back().default_button = true;
  return window;
}

class Chooser {
 public:
  Chooser(ui::WindowId window, std::vector<std::string> available, std::vector<std::string> selected)
      : engine_(ui::windowEngine()),
        window_(window),
        available_(std::move(available)),
        selected_(std::move(selected)) {
    show(kAvailable, available_, 1);
    show(kSelected, selected_, 1);
  }

  // The item chosen in `from` goes to the end of `to`.
  void move(ui::ControlId from) {
    auto& source = from == kAvailable ? available_ : selected_;
    auto& target = from == kAvailable ? selected_ : available_;
    int row = chosenRow(from);
    if (row < 1 || row > static_cast<int>(source.size())) return;
    auto at = source.begin() + row - 1;
    target.push_back(std::move(*at));
    source.erase(at);
    show(from, source, std::min(row, static_cast<int>(source.size())));
    ui::ControlId to = from == kAvailable ? kSelected : kAvailable;
    show(to, target, static_cast<int>(target.size()));
  }

  // The selected item chosen moves one place up (-1) or down (+1).
  void shift(int by) {
    int row = chosenRow(kSelected);
    int other = row + by;
    if (row < 1 || other < 1 || other > static_cast<int>(selected_.size())) return;
    std::swap(selected_[static_cast<std::size_t>(row - 1)], selected_[static_cast<std::size_t>(other - 1)]);
    show(kSelected, selected_, other);
  }

  std::vector<std::string> selected() && { return std::move(selected_); }

 private:
  int chosenRow(ui::ControlId list) {
    std::string value = engine_.value(window_, list).value_or("0");
    int row = 0;
    std::from_chars(value.data(), value.data() + value.size(), row);
    return row;
  }

  void show(ui::ControlId list, const std::vector<std::string>& items, int row) {
    std::vector<std::vector<std::string>> rows;
    rows.reserve(items.size());
    for (const std::string& item : items) rows.push_back({item});
    engine_.setRows(window_, list, rows);
    engine_.setValue(window_, list, std::to_string(items.empty() ? 0 : std::max(row, 1)));
  }

  ui::WindowEngine& engine_;
  ui::WindowId window_;
  std::vector<std::string> available_;
  std::vector<std::string> selected_;
};

}  // namespace

std::optional<std::vector<std::string>> ChooseItemsDialog::Ask(std::span<const std::string> available,
                                                               std::span<const std::string> selected) {
  std::vector<std::string> chosen;
  for (const std::string& item : selected) {
    bool offered = std::find(available.begin(), available.end(), item) != available.end();
    if (offered && std::find(chosen.begin(), chosen.end(), item) == chosen.end()) chosen.push_back(item);
  }
  std::vector<std::string> left;
  for (const std::string& item : available) {
    if (std::find(chosen.begin(), chosen.end(), item) == chosen.end()) left.push_back(item);
  }

  ui::WindowDescription described = chooserWindow();
  if (TRANSLATOR != nullptr) TRANSLATOR->TranslateWindow(described);
  ui::WindowEngine& engine = ui::windowEngine();
  ui::WindowId window = engine.openWindow(described);
  if (window == 0) return std::nullopt;
  Chooser chooser(window, std::move(left), std::move(chosen));
  std::optional<std::vector<std::string>> result;
  for (bool open = true; open;) {
    ui::Event event = engine.waitEvent(window);
    if (event.code == ui::event::kCloseWindow || event.code == ui::event::kCloseDown) break;
    if (event.code != ui::event::kAccepted) continue;
    switch (event.control) {
      case kAvailable:  // a double click or Enter on a row
      case kAdd: chooser.move(kAvailable); break;
      case kSelected:
      case kRemove: chooser.move(kSelected); break;
      case kUp: chooser.shift(-1); break;
      case kDown: chooser.shift(+1); break;
      case kFinish:
        result = std::move(chooser).selected();
        open = false;
        break;
      case kCancel: open = false; break;
      default: break;
    }
  }
  engine.closeWindow(window);
  return result;
}

}  // namespace veltrano::framework
