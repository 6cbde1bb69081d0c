// The translator: the framework's own texts are written in English where the framework's
// objects carry them (button captions, tool tips, menu items, the error manager's messages and
// titles) and reach the clerk in Russian through one Translator the program sets up at start.
//
// Each object family keeps its Russian table in a file of its own and hands it over as a span of
// pairs; the program adds every family's table to its one translator:
//
//   framework::Translator translator;
//   translator.AddTranslation(framework::errorTextsRussian());   // framework/error_texts_ru.cpp
//   translator.AddTranslation(framework::windowTextsRussian());  // framework/window/...
//   errors.setTranslator(&translator);
//   controller.TRANSLATOR = &translator;
//
// A text is looked up exactly as written (mnemonic "&" and placeholders such as %File
// included), so "&Insert" and "Insert" are two entries. A text no table has is shown as it is:
// the application's own texts are Russian already and pass through unchanged.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "ui/window_description.h"

namespace veltrano::framework {

// One pair of a family's table: the text as the framework writes it, and its translation as
// written in the source (UTF-8; converted to code page 1251 when added).
struct Translation {
  std::string_view text;
  std::string_view utf8;
};

class Translator {
 public:
  // Adds a family's table. A text added again takes the later translation, so a procedure may
  // override a family's wording.
  void AddTranslation(std::span<const Translation> table);
  // One pair, both sides code page 1251.
  void AddTranslation(std::string_view text, std::string_view translation);

  // The translation (code page 1251), or the text itself when no table has it.
  std::string TranslateString(std::string_view text) const;
  // Caption, menu items, control texts and tool tips of a window about to be opened.
  void TranslateWindow(ui::WindowDescription& window) const;

  std::size_t size() const { return texts_.size(); }

 private:
  std::unordered_map<std::string, std::string> texts_;
};

// The error manager's English titles and messages, in Russian.
std::span<const Translation> errorTextsRussian();

}  // namespace veltrano::framework
