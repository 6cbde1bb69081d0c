#include "ui/popup_text.h"

namespace veltrano::ui {
namespace {

constexpr std::string_view kMarkers = "~-[]()|{}+";

class PopupParser {
 public:
  explicit PopupParser(std::string_view text) : text_(text) {}

  // items -> item { "|" item } [ "}" ]
  std::vector<PopupEntry> items(int depth) {
    std::vector<PopupEntry> entries;
    while (at_ < text_.size()) {
      char next = text_[at_];
      if (next == '}') {
        ++at_;
        if (depth > 0) break;
        continue;
      }
      if (next == '|') {
        ++at_;
        continue;
      }
      PopupEntry entry;
      if (item(entry, depth)) entries.push_back(std::move(entry));
    }
    return entries;
  }

 private:
  // item -> { "~" | "+" | "[" icon "]" } text [ "{" items "}" ]
  bool item(PopupEntry& entry, int depth) {
    for (bool prefix = true; prefix && at_ < text_.size();) {
      switch (text_[at_]) {
        case '~':
          entry.disabled = true;
          ++at_;
          break;
        case '+':
          entry.checked = true;
          ++at_;
          break;
        case '[': {
          std::size_t close = text_.find(']', at_ + 1);
          std::size_t end = close == std::string_view::npos ? text_.size() : close;
          entry.icon = std::string(text_.substr(at_ + 1, end - at_ - 1));
          at_ = close == std::string_view::npos ? end : end + 1;
          break;
        }
        default: prefix = false;
      }
    }
    bool literal = false;
    while (at_ < text_.size()) {
      char next = text_[at_];
      if (next == '|' || next == '{' || next == '}') break;
      if (literalStarts()) {
        literal = true;
        at_ += 2;
        readLiteral(entry.text);
        continue;
      }
      entry.text += next;
      ++at_;
    }
    if (at_ < text_.size() && text_[at_] == '{') {
      ++at_;
      entry.items = items(depth + 1);
    }
    entry.separator = !literal && entry.items.empty() && entry.text == "-";
    return entry.separator || !entry.text.empty() || !entry.items.empty();
  }

  bool literalStarts() const { return text_.substr(at_, 2) == "(~"; }

  void readLiteral(std::string& out) {
    while (at_ < text_.size()) {
      if (text_[at_] == ')') {
        if (at_ + 1 < text_.size() && text_[at_ + 1] == ')') {
          out += ')';
          at_ += 2;
          continue;
        }
        ++at_;
        return;
      }
      out += text_[at_++];
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

void writeEntries(const std::vector<PopupEntry>& entries, std::string& out) {
  for (std::size_t index = 0; index < entries.size(); ++index) {
    const PopupEntry& entry = entries[index];
    if (index > 0) out += '|';
    if (entry.separator) {
      out += '-';
      continue;
    }
    if (entry.disabled) out += '~';
    if (entry.checked) out += '+';
    if (!entry.icon.empty()) {
      out += '[';
      for (char c : entry.icon) {
        if (c != ']') out += c;
      }
      out += ']';
    }
    if (entry.text.find_first_of(kMarkers) == std::string::npos) {
      out += entry.text;
    } else {
      out += "(~";
      for (char c : entry.text) {
        out += c;
        if (c == ')') out += ')';
      }
      out += ')';
    }
    if (!entry.items.empty()) {
      out += '{';
      writeEntries(entry.items, out);
      out += '}';
    }
  }
}

// Walks the items that can be chosen in their numbered order; stops when `visit` says so.
template <typename Visit>
bool walkChoices(const std::vector<PopupEntry>& entries, int& number, Visit visit) {
  for (const PopupEntry& entry : entries) {
    if (entry.separator) continue;
    if (!entry.items.empty()) {
      if (walkChoices(entry.items, number, visit)) return true;
      continue;
    }
    ++number;
    if (visit(entry, number)) return true;
  }
  return false;
}

}  // namespace

std::vector<PopupEntry> parsePopupText(std::string_view text) {
  return PopupParser(text).items(0);
}

std::string popupText(const std::vector<PopupEntry>& entries) {
  std::string out;
  writeEntries(entries, out);
  return out;
}

int popupChoices(const std::vector<PopupEntry>& entries) {
  int number = 0;
  walkChoices(entries, number, [](const PopupEntry&, int) { return false; });
  return number;
}

const PopupEntry* popupChoice(const std::vector<PopupEntry>& entries, int number) {
  const PopupEntry* found = nullptr;
  int counted = 0;
  walkChoices(entries, counted, [&](const PopupEntry& entry, int at) {
    if (at == number) found = &entry;
    return found != nullptr;
  });
  return found;
}

int popupChoiceNumber(const std::vector<PopupEntry>& entries, std::string_view text) {
  int found = 0;
  int counted = 0;
  walkChoices(entries, counted, [&](const PopupEntry& entry, int at) {
    if (!entry.disabled && entry.text == text) found = at;
    return found != 0;
  });
  return found;
}

}  // namespace veltrano::ui
