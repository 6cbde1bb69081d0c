#include "framework/window/window_builder.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "platform/codepage.h"
#include "ui/list_format.h"

namespace veltrano::framework {
namespace {

constexpr int kLineHeight = 26;
constexpr int kFieldHeight = 22;
constexpr int kCharacterWidth = 7;
constexpr int kWideCharacterWidth = 9;  // captions: the widest letters must fit
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 26;
constexpr int kGap = 8;
constexpr int kTabBarHeight = 30;
constexpr int kDefaultWidth = 600;
constexpr int kWindowFrameHeight = 40;

using platform::ru;

int memoIndex(const storage::FileControlBlock* file, std::string_view name) {
  if (file == nullptr) return -1;
  for (std::size_t i = 0; i < file->memos.size(); ++i) {
    const storage::MemoDescriptor* memo = file->memos[i];
    if (memo == nullptr) continue;
    std::string_view label = memo->label;
    if (label.size() == name.size() &&
        std::equal(label.begin(), label.end(), name.begin(), [](char a, char b) {
          return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
        }))
      return static_cast<int>(i);
  }
  return -1;
}

ui::ControlDescription described(ui::ControlId id, ui::ControlKind kind, std::string text = {},
                                 ui::Rect at = {}) {
  ui::ControlDescription control;
  control.id = id;
  control.kind = kind;
  control.text = std::move(text);
  control.at = at;
  return control;
}

}  // namespace

WindowBuilder::WindowBuilder(std::string_view name, std::string_view label, std::string_view caption) {
  definition_.window.name = std::string(name);
  definition_.window.label = std::string(label);
  definition_.window.caption = ru(caption);
}

WindowBuilder& WindowBuilder::kind(ui::WindowKind kind) {
  definition_.window.kind = kind;
  return *this;
}

WindowBuilder& WindowBuilder::size(int width, int height) {
  definition_.window.at.width = width;
  definition_.window.at.height = height;
  sized_ = true;
  return *this;
}

WindowBuilder& WindowBuilder::position(int x, int y) {
  definition_.window.at.x = x;
  definition_.window.at.y = y;
  return *this;
}

WindowBuilder& WindowBuilder::fixedSize() {
  definition_.window.resizable = false;
  return *this;
}

WindowBuilder& WindowBuilder::modal() {
  definition_.window.modal = true;
  return *this;
}

WindowBuilder& WindowBuilder::promptWidth(int width) {
  prompt_width_ = width;
  return *this;
}

ui::ControlDescription& WindowBuilder::add(ui::ControlDescription control) {
  control.parent = control.parent != 0 ? control.parent : cursor_.parent;
  definition_.window.controls.push_back(std::move(control));
  return definition_.window.controls.back();
}

void WindowBuilder::addOnWindow(ui::ControlDescription control) {
  control.parent = 0;
  definition_.window.controls.push_back(std::move(control));
}

void WindowBuilder::nextLine(int height) {
  cursor_.y += std::max(height + 4, kLineHeight);
}

WindowBuilder& WindowBuilder::sheet(ui::ControlId id, ui::Rect at) {
  cursor_ = Cursor{};
  last_field_ = {};
  add(described(id, ui::ControlKind::kSheet, {}, at));
  sheet_ = id;
  sheet_at_ = at;
  return *this;
}

WindowBuilder& WindowBuilder::tab(ui::ControlId id, std::string_view text) {
  ui::ControlDescription control = described(id, ui::ControlKind::kTab, ru(text));
  control.parent = sheet_;
  cursor_ = Cursor{};
  add(std::move(control));
  cursor_ = Cursor{id, kGap, kGap, std::max(0, sheet_at_.width - 2 * kGap)};
  last_field_ = {};
  return *this;
}

WindowBuilder& WindowBuilder::group(ui::ControlId id, std::string_view text, ui::Rect at) {
  add(described(id, ui::ControlKind::kGroup, ru(text), at));
  cursor_ = Cursor{id, kGap, 20, std::max(0, at.width - 2 * kGap)};
  last_field_ = {};
  return *this;
}

WindowBuilder& WindowBuilder::groupOfLines(ui::ControlId id, std::string_view text, int lines) {
  const int width = (cursor_.width > 0 ? cursor_.width : kDefaultWidth) - cursor_.x + kGap;
  const ui::Rect at{cursor_.x, cursor_.y, width - kGap, 22 + lines * kLineHeight};
  add(described(id, ui::ControlKind::kGroup, ru(text), at));
  outside_group_ = cursor_;
  outside_group_.y += at.height + 4;
  cursor_ = Cursor{id, kGap, 20, std::max(0, at.width - 2 * kGap)};
  last_field_ = {};
  return *this;
}

WindowBuilder& WindowBuilder::endGroup() {
  cursor_ = outside_group_;
  last_field_ = {};
  return *this;
}

WindowBuilder& WindowBuilder::end() {
  cursor_ = Cursor{};
  last_field_ = {};
  sheet_ = 0;
  return *this;
}

ui::ControlDescription& WindowBuilder::addPrompt(std::string_view text) {
  ui::ControlDescription prompt;
  prompt.id = 0;  // numbered at build()
  prompt.kind = ui::ControlKind::kPrompt;
  prompt.text = ru(text);
  if (beside_) beside_prompt_ = static_cast<int>(prompt.text.size()) * kCharacterWidth + 6;
  prompt.at = {cursor_.x, cursor_.y + 3, fieldPromptWidth() - 6, 20};
  return add(std::move(prompt));
}

int WindowBuilder::widthOf(const FieldBinding& binding) const {
  const runtime::CompiledPicture& picture = binding.compiled;
  int width = 200;
  if (picture.valid()) {
    switch (picture.pictureKind()) {
      case runtime::PictureKind::kString:
        width = static_cast<int>(picture.length) * kCharacterWidth + 12;
        break;
      case runtime::PictureKind::kDate: width = 96; break;
      case runtime::PictureKind::kTime: width = 72; break;
      default: width = static_cast<int>(runtime::pictureWidth(picture)) * 8 + 16; break;
    }
  }
  const int room = (cursor_.width > 0 ? cursor_.width : kDefaultWidth) - fieldPromptWidth() - cursor_.x;
  return std::clamp(width, 40, std::max(room, 40));
}

ui::ControlDescription& WindowBuilder::addField(ui::ControlId id, ui::ControlKind kind, BoundRecord record,
                                                std::string_view field, std::string_view picture,
                                                std::uint32_t element, int width, int height) {
  FieldBinding binding;
  if (record.layout != nullptr) {
    binding = bindField(id, kind, *record.layout, record.record, field, picture, element);
  }
  const int memo = memoIndex(record.file, field);
  if (!binding.value.valid() && memo >= 0) {
    binding.control = id;
    binding.kind = kind;
    binding.value.memo = &record.file->memo_values[static_cast<std::size_t>(memo)];
    binding.value.memo_size = record.file->memos[static_cast<std::size_t>(memo)]->size;
  }
  if (!binding.value.valid())
    errors_.push_back("no field " + std::string(field) + " for control " + std::to_string(id));
  ui::ControlDescription control;
  control.id = id;
  control.kind = kind;
  control.picture = binding.picture;
  control.at = {cursor_.x + fieldPromptWidth(), cursor_.y, width > 0 ? width : widthOf(binding), height};
  definition_.bindings.push_back(std::move(binding));
  last_field_ = {cursor_.y, control.at.x + control.at.width, true};
  ui::ControlDescription& added = add(std::move(control));
  nextLine(height);
  if (beside_) {
    cursor_.x = line_x_;
    beside_ = false;
  }
  return added;
}

WindowBuilder& WindowBuilder::entry(ui::ControlId id, std::string_view prompt, BoundRecord record,
                                    std::string_view field, std::string_view picture, std::uint32_t element) {
  if (!prompt.empty()) addPrompt(prompt);
  addField(id, ui::ControlKind::kEntry, record, field, picture, element, 0, kFieldHeight);
  return *this;
}

WindowBuilder& WindowBuilder::display(ui::ControlId id, std::string_view prompt, BoundRecord record,
                                      std::string_view field, std::string_view picture,
                                      std::uint32_t element) {
  entry(id, prompt, record, field, picture, element);
  return readOnly();
}

WindowBuilder& WindowBuilder::text(ui::ControlId id, std::string_view prompt, BoundRecord record,
                                   std::string_view memo_or_field, int lines) {
  if (!prompt.empty()) addPrompt(prompt);
  const int room = (cursor_.width > 0 ? cursor_.width : kDefaultWidth) - fieldPromptWidth() - cursor_.x;
  addField(id, ui::ControlKind::kText, record, memo_or_field, "", 0, std::max(room, 120), lines * 18 + 6);
  return *this;
}

WindowBuilder& WindowBuilder::check(ui::ControlId id, std::string_view text, BoundRecord record,
                                    std::string_view field, std::uint32_t element) {
  ui::ControlDescription& control =
      addField(id, ui::ControlKind::kCheck, record, field, "", element, 0, kFieldHeight);
  control.text = ru(text);
  control.at.width = static_cast<int>(control.text.size()) * kWideCharacterWidth + 30;
  last_field_.right = control.at.x + control.at.width;
  return *this;
}

WindowBuilder& WindowBuilder::options(
    ui::ControlId id, std::string_view text, BoundRecord record, std::string_view field,
    const std::vector<std::pair<std::string_view, std::string_view>>& choices, std::uint32_t element) {
  const int height = 24 + static_cast<int>(choices.size()) * 22;
  int widest = static_cast<int>(ru(text).size());
  for (const auto& [caption, value] : choices)
    widest = std::max(widest, static_cast<int>(ru(caption).size()));
  ui::ControlDescription& group = addField(id, ui::ControlKind::kOptionGroup, record, field, "", element,
                                           widest * kCharacterWidth + 40, height);
  group.text = ru(text);
  const ui::ControlId group_id = group.id;
  int y = 20;
  for (const auto& [caption, value] : choices) {
    ui::ControlDescription radio;
    radio.kind = ui::ControlKind::kRadio;
    radio.parent = group_id;
    radio.text = ru(caption);
    radio.value_text = ru(value);
    radio.at = {10, y, widest * kWideCharacterWidth + 30, 20};
    y += 22;
    add(std::move(radio));
  }
  return *this;
}

WindowBuilder& WindowBuilder::combo(ui::ControlId id, std::string_view prompt, BoundRecord record,
                                    std::string_view field, std::string_view format, std::string_view picture,
                                    std::uint32_t element, const std::vector<std::string_view>& fixed) {
  if (!prompt.empty()) addPrompt(prompt);
  ui::ControlDescription& control =
      addField(id, ui::ControlKind::kCombo, record, field, picture, element, 0, kFieldHeight);
  control.format = ru(format);
  // As wide as its list's column (dialog units of about two pixels) and its drop button.
  if (std::optional<ui::ListFormat> columns = ui::parseListFormat(control.format);
      columns && !columns->columns.empty() && columns->columns.front().width > 0) {
    const int room = (cursor_.width > 0 ? cursor_.width : kDefaultWidth) - control.at.x;
    control.at.width = std::clamp(columns->columns.front().width * 2 + 28, 80, std::max(room, 80));
    last_field_.right = control.at.x + control.at.width;
  }
  if (!fixed.empty()) {
    std::vector<std::string> rows;
    for (std::string_view row : fixed) rows.push_back(ru(row));
    definition_.fixed_lists.emplace_back(id, std::move(rows));
  }
  return *this;
}

WindowBuilder& WindowBuilder::beside() {
  if (!last_field_.any) return *this;
  beside_ = true;
  beside_prompt_ = 0;
  line_x_ = cursor_.x;
  cursor_.x = last_field_.right + kGap;
  cursor_.y = last_field_.y;
  return *this;
}

WindowBuilder& WindowBuilder::buttonBeside(ui::ControlId id, std::string_view text) {
  if (!last_field_.any) return *this;
  ui::ControlDescription button = described(id, ui::ControlKind::kButton, ru(text));
  const int width = static_cast<int>(button.text.size()) * kCharacterWidth + 16;
  button.at = {last_field_.right + 4, last_field_.y, std::max(width, 28), kFieldHeight};
  last_field_.right = button.at.x + button.at.width;
  add(std::move(button));
  return *this;
}

WindowBuilder& WindowBuilder::required() {
  if (!definition_.bindings.empty()) definition_.bindings.back().required = true;
  return *this;
}

WindowBuilder& WindowBuilder::at(ui::Rect at) {
  if (definition_.window.controls.empty()) return *this;
  ui::ControlDescription& last = definition_.window.controls.back();
  last.at = at;
  return *this;
}

WindowBuilder& WindowBuilder::width(int pixels) {
  if (definition_.window.controls.empty()) return *this;
  ui::ControlDescription& last = definition_.window.controls.back();
  if (last_field_.any && last_field_.right == last.at.x + last.at.width)
    last_field_.right = last.at.x + pixels;
  last.at.width = pixels;
  return *this;
}

WindowBuilder& WindowBuilder::tip(std::string_view tip) {
  if (!definition_.window.controls.empty()) definition_.window.controls.back().tip = ru(tip);
  return *this;
}

WindowBuilder& WindowBuilder::readOnly() {
  for (auto it = definition_.window.controls.rbegin(); it != definition_.window.controls.rend(); ++it) {
    if (it->kind == ui::ControlKind::kRadio) continue;
    it->read_only = true;
    for (FieldBinding& binding : definition_.bindings) {
      if (binding.control == it->id) binding.read_only = true;
    }
    break;
  }
  return *this;
}

WindowBuilder& WindowBuilder::prompt(ui::ControlId id, std::string_view text) {
  ui::ControlDescription& prompt = addPrompt(text);
  prompt.id = id;
  prompt.at.width = std::max(prompt.at.width, static_cast<int>(prompt.text.size()) * kCharacterWidth);
  nextLine(kFieldHeight);
  return *this;
}

WindowBuilder& WindowBuilder::list(ui::ControlId id, std::string_view format, ui::Rect at) {
  ui::ControlDescription control = described(id, ui::ControlKind::kList, {}, at);
  control.format = ru(format);
  add(std::move(control));
  return *this;
}

WindowBuilder& WindowBuilder::control(ui::ControlDescription control) {
  add(std::move(control));
  return *this;
}

WindowBuilder& WindowBuilder::button(ui::ControlId id, std::string_view text) {
  addOnWindow(described(id, ui::ControlKind::kButton, ru(text)));
  bottom_buttons_.push_back(id);
  return *this;
}

WindowBuilder& WindowBuilder::toolbar(const std::vector<ui::ControlId>& buttons) {
  // Marks the code page has: arrows are not among them.
  auto caption = [](ui::ControlId button) -> std::string_view {
    switch (button) {
      case 2000: return "+";
      case 2001: return "\x85";
      case 2002: return "x";
      case 2003: return "v";
      case 2004: return ">|";
      case 2005: return "|<";
      case 2006: return ">>";
      case 2007: return "<<";
      case 2008: return ">";
      case 2009: return "<";
      case 2010: return "?";
      default: return "\"";
    }
  };
  int x = kGap;
  for (const ui::ControlId id : buttons) {
    ui::ControlDescription button =
        described(id, ui::ControlKind::kButton, std::string(caption(id)), {x, 4, 28, 24});
    button.keeps_focus = true;  // ditto acts on the field with focus, and navigation keeps the list's
    addOnWindow(std::move(button));
    x += 30;
  }
  // The lines laid out after it start below it.
  if (cursor_.parent == 0) cursor_.y = std::max(cursor_.y, 40);
  return *this;
}

WindowBuilder& WindowBuilder::okButton(ui::ControlId id, std::string_view text) {
  button(id, text);
  definition_.window.controls.back().default_button = true;
  definition_.ok_control = id;
  return *this;
}

WindowBuilder& WindowBuilder::cancelButton(ui::ControlId id, std::string_view text) {
  button(id, text);
  definition_.cancel_control = id;
  return *this;
}

std::optional<WindowDefinition> WindowBuilder::build(std::string* error) {
  ui::WindowDescription& window = definition_.window;
  // Prompts get numbers of their own, above every number the procedure gave.
  ui::ControlId highest = 0;
  for (const ui::ControlDescription& control : window.controls) highest = std::max(highest, control.id);
  ui::ControlId next = std::max<ui::ControlId>(highest + 1, 10000);
  std::set<ui::ControlId> seen;
  for (ui::ControlDescription& control : window.controls) {
    if (control.id == 0) control.id = next++;
    if (!seen.insert(control.id).second)
      errors_.push_back("control number " + std::to_string(control.id) + " is used twice");
  }
  if (!errors_.empty()) {
    if (error != nullptr) *error = errors_.front();
    return std::nullopt;
  }
  // A sheet is as tall as its fullest tab.
  std::map<ui::ControlId, ui::ControlId> tab_sheet;
  for (const ui::ControlDescription& control : window.controls) {
    if (control.kind == ui::ControlKind::kTab) tab_sheet[control.id] = control.parent;
  }
  std::map<ui::ControlId, int> sheet_needs;
  for (const ui::ControlDescription& control : window.controls) {
    auto tab = tab_sheet.find(control.parent);
    if (tab == tab_sheet.end()) continue;
    int& needed = sheet_needs[tab->second];
    needed = std::max(needed, control.at.y + control.at.height + kGap + kTabBarHeight);
  }
  int right = 0;
  int bottom = 0;
  for (ui::ControlDescription& control : window.controls) {
    if (control.kind == ui::ControlKind::kSheet)
      control.at.height = std::max(control.at.height, sheet_needs[control.id]);
    if (control.parent != 0 || control.kind == ui::ControlKind::kButton) continue;
    right = std::max(right, control.at.x + control.at.width);
    bottom = std::max(bottom, control.at.y + control.at.height);
  }
  const int buttons_width = static_cast<int>(bottom_buttons_.size()) * (kButtonWidth + kGap) + kGap;
  if (!sized_) {
    window.at.width = std::max(right + kGap, buttons_width);
    window.at.height = bottom + (bottom_buttons_.empty() ? 0 : kButtonHeight + 2 * kGap) + kWindowFrameHeight;
  }
  int x = std::max(window.at.width, buttons_width) - kGap;
  const int y = sized_ ? window.at.height - kWindowFrameHeight - kButtonHeight - kGap : bottom + kGap;
  for (auto it = bottom_buttons_.rbegin(); it != bottom_buttons_.rend(); ++it) {
    for (ui::ControlDescription& control : window.controls) {
      if (control.id != *it) continue;
      x -= kButtonWidth;
      control.at = {x, y, kButtonWidth, kButtonHeight};
      x -= kGap;
    }
  }
  for (const FieldBinding& binding : definition_.bindings) {
    if (!binding.read_only) {
      definition_.first_field = binding.control;
      break;
    }
  }
  return std::move(definition_);
}

}  // namespace veltrano::framework
