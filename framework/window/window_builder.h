// Window procedures as data: a small builder makes the description of a form or list window
// (its controls, pictures, list formats and tabs) together with the fields its controls show,
// so that a procedure is a description plus only the code that is its own.
//
//   WindowBuilder form("veltrano$VELTR007", "KartaUp", "Update the karta File");
//   form.sheet(kSheet, {8, 8, 620, 380});
//   form.tab(kTabMain, "Главная");
//   form.entry(kFam, "Фамилия:", karta, "KAR:FAM", "@s20");      // prompt and field on one line
//   form.entry(kBirth, "Дата рождения:", karta, "KAR:DATR", "@d6.");
//   form.check(kPartTime, "совместитель", karta, "KAR:SOVMESTITEL");
//   form.okButton(kOk, "Ввод");
//   form.cancelButton(kCancel, "Отмена");
//   WindowDefinition definition = form.build();
//   controller.Describe(std::move(definition));
//
// Texts given to the builder are written in the source (UTF-8) and become code page 1251.
// Controls are laid out one line each, prompt and field, down the window or the current tab,
// unless placed with at(); buttons added with okButton/cancelButton/button stand in a row along
// the bottom of the window, right-aligned, in the order added. The window is made large enough
// for what it holds unless given a size.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/window/field_binding.h"
#include "storage/file_control_block.h"
#include "ui/window_description.h"

namespace veltrano::framework {

struct WindowDefinition {
  ui::WindowDescription window;
  std::vector<FieldBinding> bindings;  // in window order
  ui::ControlId ok_control = 0;
  ui::ControlId cancel_control = 0;
  ui::ControlId first_field = 0;  // the first control that edits a field
  // Combos with fixed rows (not filled from a file): the control and its rows.
  std::vector<std::pair<ui::ControlId, std::vector<std::string>>> fixed_lists;
};

// A record the builder binds controls to: a file's buffer, or a group of variables.
struct BoundRecord {
  const runtime::RecordLayout* layout = nullptr;
  std::span<std::uint8_t> record;
  storage::FileControlBlock* file = nullptr;  // for memos; null for variables

  static BoundRecord of(storage::FileControlBlock& file) { return {file.layout, file.record, &file}; }
};

class WindowBuilder {
 public:
  WindowBuilder(std::string_view name, std::string_view label, std::string_view caption);

  WindowBuilder& kind(ui::WindowKind kind);
  WindowBuilder& size(int width, int height);
  WindowBuilder& position(int x, int y);
  WindowBuilder& fixedSize();
  WindowBuilder& modal();
  // The width prompts take before their fields (pixels); 120 by default.
  WindowBuilder& promptWidth(int width);

  // Containers. Controls that follow go on the tab (group) until the next tab, group or end().
  WindowBuilder& sheet(ui::ControlId id, ui::Rect at);
  WindowBuilder& tab(ui::ControlId id, std::string_view text);
  WindowBuilder& group(ui::ControlId id, std::string_view text, ui::Rect at);
  // A group as wide as the tab (or window) at its next line, holding the `lines` lines that
  // follow; endGroup() goes on below it, in the tab it stands in.
  WindowBuilder& groupOfLines(ui::ControlId id, std::string_view text, int lines);
  WindowBuilder& endGroup();
  WindowBuilder& end();

  // Fields: a prompt and the control on the next line. A field the record lacks is a fault of
  // the description, reported by build().
  WindowBuilder& entry(ui::ControlId id, std::string_view prompt, BoundRecord record, std::string_view field,
                       std::string_view picture = {}, std::uint32_t element = 0);
  WindowBuilder& display(ui::ControlId id, std::string_view prompt, BoundRecord record,
                         std::string_view field, std::string_view picture = {}, std::uint32_t element = 0);
  WindowBuilder& text(ui::ControlId id, std::string_view prompt, BoundRecord record,
                      std::string_view memo_or_field, int lines = 4);
  WindowBuilder& check(ui::ControlId id, std::string_view text, BoundRecord record, std::string_view field,
                       std::uint32_t element = 0);
  // An option group whose radios store their values: {"женский", "0"}, {"мужской", "1"}.
  WindowBuilder& options(ui::ControlId id, std::string_view text, BoundRecord record, std::string_view field,
                         const std::vector<std::pair<std::string_view, std::string_view>>& choices,
                         std::uint32_t element = 0);
  // A combo bound to a field; its rows come from a drop-down list object or from `fixed`.
  WindowBuilder& combo(ui::ControlId id, std::string_view prompt, BoundRecord record, std::string_view field,
                       std::string_view format, std::string_view picture = {}, std::uint32_t element = 0,
                       const std::vector<std::string_view>& fixed = {});
  // The next field goes on the line of the field added last, after it, its prompt as wide as
  // its text: "где:" and "фак:" beside an education level.
  WindowBuilder& beside();
  // A small button after the field added last, on its line: the "..." that chooses the field's
  // value from a list, a button that clears it. Fields beside() go on after it.
  WindowBuilder& buttonBeside(ui::ControlId id, std::string_view text);
  // Marks the field added last as one that may not be left empty.
  WindowBuilder& required();
  // Places the control added last.
  WindowBuilder& at(ui::Rect at);
  // Makes the control added last this wide (a long text field that leaves room beside it).
  WindowBuilder& width(int pixels);
  WindowBuilder& tip(std::string_view tip);
  WindowBuilder& readOnly();

  // Controls without a field.
  WindowBuilder& prompt(ui::ControlId id, std::string_view text);
  WindowBuilder& list(ui::ControlId id, std::string_view format, ui::Rect at);
  WindowBuilder& control(ui::ControlDescription control);
  WindowBuilder& button(ui::ControlId id, std::string_view text);  // in the bottom row
  // A row of toolbar buttons (numbers from framework/window/window_controller.h, namespace
  // toolbar) along the top of the window; their tool tips come from the toolbar. Lines laid out
  // after it start below it (controls placed with at() stay where they are put).
  WindowBuilder& toolbar(const std::vector<ui::ControlId>& buttons);
  WindowBuilder& okButton(ui::ControlId id, std::string_view text);
  WindowBuilder& cancelButton(ui::ControlId id, std::string_view text);

  // The definition; nothing, with the reason in *error, when a field was not found or a
  // control number is used twice.
  std::optional<WindowDefinition> build(std::string* error = nullptr);

 private:
  struct Cursor {
    ui::ControlId parent = 0;
    int x = 8;
    int y = 8;
    int width = 0;  // of the container's inside; 0 for the window
  };
  ui::ControlDescription& add(ui::ControlDescription control);
  // A control of the window itself, whatever container the lines are in.
  void addOnWindow(ui::ControlDescription control);
  ui::ControlDescription& addPrompt(std::string_view text);
  ui::ControlDescription& addField(ui::ControlId id, ui::ControlKind kind, BoundRecord record,
                                   std::string_view field, std::string_view picture, std::uint32_t element,
                                   int width, int height);
  void nextLine(int height);
  // The room a field's prompt takes: the window's prompt width, or its own beside another.
  int fieldPromptWidth() const { return beside_ ? beside_prompt_ : prompt_width_; }
  int widthOf(const FieldBinding& binding) const;

  WindowDefinition definition_;
  std::vector<ui::ControlId> bottom_buttons_;
  std::vector<std::string> errors_;
  Cursor cursor_;
  ui::Rect sheet_at_;
  ui::ControlId sheet_ = 0;
  int prompt_width_ = 120;
  bool sized_ = false;
  // The line of the field added last, for beside().
  struct LastField {
    int y = 0;
    int right = 0;
    bool any = false;
  } last_field_;
  bool beside_ = false;
  Cursor outside_group_;   // where the lines go on after groupOfLines' group
  int beside_prompt_ = 0;  // the width the prompt of a field beside another takes
  int line_x_ = 0;         // where the line that a field beside another ends began
};

}  // namespace veltrano::framework
