#include "framework/translator.h"

#include "platform/codepage.h"

namespace veltrano::framework {
namespace {

void translateMenu(const Translator& translator, std::vector<ui::MenuItem>& items) {
  for (ui::MenuItem& item : items) {
    if (!item.text.empty()) item.text = translator.TranslateString(item.text);
    item.status = translator.TranslateString(item.status);
    translateMenu(translator, item.items);
  }
}

}  // namespace

void Translator::AddTranslation(std::span<const Translation> table) {
  for (const Translation& pair : table) texts_[std::string(pair.text)] = platform::ru(pair.utf8);
}

void Translator::AddTranslation(std::string_view text, std::string_view translation) {
  texts_[std::string(text)] = std::string(translation);
}

std::string Translator::TranslateString(std::string_view text) const {
  if (text.empty()) return {};
  auto found = texts_.find(std::string(text));
  return found == texts_.end() ? std::string(text) : found->second;
}

void Translator::TranslateWindow(ui::WindowDescription& window) const {
  window.caption = TranslateString(window.caption);
  translateMenu(*this, window.menu);
  for (ui::ControlDescription& control : window.controls) {
    control.text = TranslateString(control.text);
    control.tip = TranslateString(control.tip);
  }
}

}  // namespace veltrano::framework
