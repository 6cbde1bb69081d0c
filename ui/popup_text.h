// The text of a popup menu, as procedures hand it to the window engine's popupMenu():
//
//   "~&Change|+&Sort by name|-|Ex&port{(~To CSV (comma))|[ABPRINT.ICO]To &printer}|&Toolbox"
//
// Items are separated by "|". Before an item's text, in any order: "~" disables it, "+" checks
// it, and "[" … "]" names its icon. An item that is "-" alone is a separator. An item's text
// followed by "{" … "}" is a submenu title, with the submenu's items between the braces.
// "(~" … ")" is literal text in which no marker counts; a ")" inside it is written "))".
//
// Items that can be chosen (neither separators nor submenu titles) are numbered from 1 in the
// order of the text, disabled ones included: that number is the engine's answer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veltrano::ui {

struct PopupEntry {
  std::string text;  // code page 1251, '&' marking the mnemonic
  std::string icon;
  bool separator = false;
  bool disabled = false;
  bool checked = false;
  std::vector<PopupEntry> items;  // a submenu when not empty
};

// Any text is read without failing: a missing "}" or "]" ends at the end of the text, a "}"
// without its "{" is ignored, and an empty item is skipped.
std::vector<PopupEntry> parsePopupText(std::string_view text);
// The text that parses back into `entries`; texts holding a marker are written literally.
std::string popupText(const std::vector<PopupEntry>& entries);

// How many items can be chosen, and the one with a given number (null when there is none).
int popupChoices(const std::vector<PopupEntry>& entries);
const PopupEntry* popupChoice(const std::vector<PopupEntry>& entries, int number);
// The number of the first enabled item with this text, 0 when there is none.
int popupChoiceNumber(const std::vector<PopupEntry>& entries, std::string_view text);

}  // namespace veltrano::ui
