#include "framework/browse/locators.h"

#include "framework/browse/view_manager.h"
#include "runtime/values/field_value.h"
#include "runtime/values/text_compare.h"

namespace veltrano::framework {
namespace {

// A key that stands for a character of text: printable 1251, without modifiers.
bool isCharacter(int key_code) {
  return key_code >= 32 && key_code <= 255 && key_code != 127;
}

std::string quoted(std::string_view text) {
  std::string out = "'";
  for (const char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

}  // namespace

void StepLocator::Init(ui::ControlId control, const KeyComponent& free_element, bool nocase,
                       ViewManager* view) {
  CONTROL = control;
  FREEELEMENT = free_element;
  NOCASE = nocase ? 1 : 0;
  VIEWMANAGER = view;
}

void StepLocator::Reset() {}

void StepLocator::ArmAlertKeys(ui::WindowId window, ui::ControlId list) {
  for (int code = 33; code <= 255; ++code) {
    if (isCharacter(code)) ui::windowEngine().alertControlKey(window, list, code);
  }
}

int StepLocator::OnAccepted(ui::WindowId) {
  return 0;
}

void StepLocator::RefreshWindow(ui::WindowId) {}

void StepLocator::Set(std::string_view text) {
  if (VIEWMANAGER != nullptr) VIEWMANAGER->SetFreeElement(text);
}

int StepLocator::OnKey(int key_code) {
  if (!isCharacter(key_code) || key_code == ' ' || !FREEELEMENT.FIELD.valid()) return 0;
  const char typed = static_cast<char>(key_code);
  const std::string now = runtime::loadText(*FREEELEMENT.FIELD.field, FREEELEMENT.FIELD.record);
  if (!now.empty()) {
    const auto first = static_cast<std::uint8_t>(now.front());
    const auto key = static_cast<std::uint8_t>(typed);
    if (NOCASE != 0 ? runtime::upperChar(first) == runtime::upperChar(key) : first == key) return 0;
  }
  Set(std::string(1, typed));
  return 1;
}

bool EntryLocator::takeKey(int key_code) {
  if (key_code == ui::key::kBackspace) {
    if (!SHADOW.empty()) SHADOW.pop_back();
    return true;
  }
  if (!isCharacter(key_code)) return false;
  // Past the width the key is taken and nothing is added: the list stays where it is.
  if (SHADOW.size() < kShadowWidth) SHADOW += static_cast<char>(key_code);
  return true;
}

void EntryLocator::Reset() {
  SHADOW.clear();
  Set("");
}

void EntryLocator::ArmAlertKeys(ui::WindowId window, ui::ControlId list) {
  StepLocator::ArmAlertKeys(window, list);
  ui::windowEngine().alertControlKey(window, list, ui::key::kBackspace);
  ui::windowEngine().alertControlKey(window, list, ' ');
}

int EntryLocator::OnAccepted(ui::WindowId window) {
  if (CONTROL == 0) return 0;
  SHADOW = ui::windowEngine().value(window, CONTROL).value_or("").substr(0, kShadowWidth);
  while (!SHADOW.empty() && SHADOW.back() == ' ') SHADOW.pop_back();
  Set(SHADOW);
  return SHADOW.empty() ? 0 : 1;
}

int EntryLocator::OnKey(int key_code) {
  if (!takeKey(key_code)) return 0;
  Set(SHADOW);
  return 1;
}

void EntryLocator::RefreshWindow(ui::WindowId window) {
  if (CONTROL != 0) ui::windowEngine().setValue(window, CONTROL, SHADOW);
}

std::string FilteredLocator::FilterText() const {
  if (SHADOW.empty() || !FREEELEMENT.FIELD.valid()) return {};
  const std::string& name = FREEELEMENT.FIELD.field->name;
  const std::string label = NOCASE != 0 ? "UPPER(" + name + ")" : name;
  const std::string typed = label.find("UPPER(") != std::string::npos ? runtime::upperText(SHADOW) : SHADOW;
  if (FLOATRIGHT != 0) return "INSTRING(" + quoted(typed) + "," + label + ",1,1) <> 0";
  return "SUB(" + label + ",1," + std::to_string(typed.size()) + ") = " + quoted(typed);
}

void FilteredLocator::Set(std::string_view) {
  if (VIEWMANAGER != nullptr) VIEWMANAGER->SetFilter(FilterText(), kLocatorFilter);
}

void FilteredLocator::Reset() {
  SHADOW.clear();
  Set("");
}

int FilteredLocator::OnAccepted(ui::WindowId window) {
  if (CONTROL == 0) return 0;
  EntryLocator::OnAccepted(window);
  return 1;  // an emptied text removes the filter, which refills too
}

}  // namespace veltrano::framework
