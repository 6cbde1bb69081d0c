// The "Example values" window: a row per query field with the operator, the equal-or-pattern
// value and the two bounds, and OK and Cancel. It runs its own loop until the clerk leaves it.
#include <algorithm>

#include "framework/browse/query_by_example.h"
#include "ui/window_engine.h"

namespace veltrano::framework {
namespace {

enum : ui::ControlId {
  kOk = 1,
  kCancel,
  kValueHeader,
  kOperatorHeader,
  kLowHeader,
  kHighHeader,
  kFirstRow = 10,  // each field's row: title, operator, value, lower and upper bound
};
enum RowPart : ui::ControlId { kTitle, kOperator, kValue, kLow, kHigh, kRowParts };

constexpr int kRowHeight = 26;
constexpr int kTop = 28;

ui::ControlId rowControl(std::size_t field, RowPart part) {
  return kFirstRow + static_cast<ui::ControlId>(field) * kRowParts + part;
}

// The operator in front of a pattern value, as the window shows it apart from the value.
std::size_t operatorLength(std::string_view value) {
  std::size_t length = 0;
  for (std::string_view op : QueryByExample::kOperators) {
    if (value.starts_with(op)) length = std::max(length, op.size());
  }
  return length;
}

ui::WindowDescription queryWindow(const std::vector<QueryField>& fields) {
  ui::WindowDescription window;
  window.kind = ui::WindowKind::kDialog;
  window.name = "ABQUERY";
  window.label = "ABQUERY";
  window.caption = "Example values";
  window.modal = true;
  window.resizable = false;
  const int height = kTop + static_cast<int>(fields.size()) * kRowHeight + 48;
  window.at = {0, 0, 640, height};
  window.controls = {
      ui::describeControl(kOperatorHeader, ui::ControlKind::kPrompt, {150, 8, 60, 18}, "Condition"),
      ui::describeControl(kValueHeader, ui::ControlKind::kPrompt, {214, 8, 180, 18}, "Value or pattern"),
      ui::describeControl(kLowHeader, ui::ControlKind::kPrompt, {400, 8, 110, 18}, "From"),
      ui::describeControl(kHighHeader, ui::ControlKind::kPrompt, {516, 8, 110, 18}, "To"),
  };
  for (std::size_t index = 0; index < fields.size(); ++index) {
    const QueryField& field = fields[index];
    const int y = kTop + static_cast<int>(index) * kRowHeight;
    std::size_t op = operatorLength(field.EQUAL);
    window.controls.push_back(ui::describeControl(rowControl(index, kTitle), ui::ControlKind::kPrompt,
                                                  {8, y + 3, 138, 18}, field.TITLE));
    window.controls.push_back(ui::describeControl(rowControl(index, kOperator), ui::ControlKind::kCombo,
                                                  {150, y, 60, 22}, {}, field.EQUAL.substr(0, op)));
    window.controls.push_back(ui::describeControl(rowControl(index, kValue), ui::ControlKind::kEntry,
                                                  {214, y, 180, 22}, {}, field.EQUAL.substr(op)));
    window.controls.push_back(ui::describeControl(rowControl(index, kLow), ui::ControlKind::kEntry,
                                                  {400, y, 110, 22}, {}, field.LOW));
    window.controls.push_back(ui::describeControl(rowControl(index, kHigh), ui::ControlKind::kEntry,
                                                  {516, y, 110, 22}, {}, field.HIGH));
  }
  window.controls.push_back(
      ui::describeControl(kOk, ui::ControlKind::kButton, {440, height - 38, 88, 28}, "OK"));
  window.controls.back().default_button = true;
  window.controls.push_back(
      ui::describeControl(kCancel, ui::ControlKind::kButton, {536, height - 38, 88, 28}, "Cancel"));
  return window;
}

}  // namespace

bool QueryByExample::Ask() {
  ui::WindowDescription described = queryWindow(FIELDS);
  if (TRANSLATOR != nullptr) TRANSLATOR->TranslateWindow(described);
  ui::WindowEngine& engine = ui::windowEngine();
  ui::WindowId window = engine.openWindow(described);
  if (window == 0) return false;
  std::vector<std::vector<std::string>> operators;
  for (std::string_view op : kOperators) operators.push_back({std::string(op)});
  for (std::size_t index = 0; index < FIELDS.size(); ++index) {
    engine.setRows(window, rowControl(index, kOperator), operators);
  }
  bool accepted = false;
  for (bool open = true; open;) {
    ui::Event event = engine.waitEvent(window);
    switch (event.code) {
      case ui::event::kAccepted:
        if (event.control == kOk) {
          accepted = true;
          open = false;
        } else if (event.control == kCancel) {
          open = false;
        }
        break;
      case ui::event::kCloseWindow:
      case ui::event::kCloseDown: open = false; break;
      default: break;
    }
  }
  if (accepted) {
    auto read = [&](std::size_t index, RowPart part) {
      std::string value = engine.value(window, rowControl(index, part)).value_or("");
      return value.substr(0, kValueWidth);
    };
    for (std::size_t index = 0; index < FIELDS.size(); ++index) {
      QueryField& field = FIELDS[index];
      std::string value = read(index, kValue);
      field.EQUAL = (read(index, kOperator) + value).substr(0, kValueWidth);
      field.LOW = read(index, kLow);
      field.HIGH = read(index, kHigh);
    }
  }
  engine.closeWindow(window);
  return accepted;
}

}  // namespace veltrano::framework
