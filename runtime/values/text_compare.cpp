#include "runtime/values/text_compare.h"

#include <algorithm>
#include <cstring>

#include "runtime/datetime/char_tables.h"

namespace veltrano::runtime {
namespace {

// Reads a text one collation unit at a time: past its end it yields spaces, and a character
// with a digraph entry yields its two characters in turn.
class CollationCursor {
 public:
  CollationCursor(std::string_view text, const CharTables& tables, bool fold_case)
      : text_(text), tables_(tables), fold_case_(fold_case) {}

  bool exhausted() const { return position_ >= text_.size() && pending_ == 0; }

  std::uint8_t next() {
    if (pending_ != 0) {
      const std::uint8_t character = pending_;
      pending_ = 0;
      return character;
    }
    if (position_ >= text_.size()) return ' ';
    std::uint8_t character = static_cast<std::uint8_t>(text_[position_++]);
    if (fold_case_ && (tables_.flags[character] & kCaseLower) != 0 && tables_.partner[character] != 0) {
      character = tables_.partner[character];
    }
    for (const Digraph& digraph : tables_.digraphs) {
      if (digraph.character == character) {
        pending_ = digraph.second;
        return digraph.first;
      }
    }
    return character;
  }

 private:
  std::string_view text_;
  const CharTables& tables_;
  bool fold_case_;
  std::size_t position_ = 0;
  // The second character of a digraph still to come; 0 when none (no digraph expands to NUL).
  std::uint8_t pending_ = 0;
};

int compareWith(std::string_view a, std::string_view b, bool fold_case) {
  const CharTables& tables = charTables();
  if (tables.digraphs.empty() && !fold_case) {
    // The common case: one pass over the bytes with the weights.
    const std::size_t length = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < length; ++i) {
      const auto x = i < a.size() ? static_cast<std::uint8_t>(a[i]) : std::uint8_t{' '};
      const auto y = i < b.size() ? static_cast<std::uint8_t>(b[i]) : std::uint8_t{' '};
      if (x == y) continue;
      const int difference = tables.collation[x] - tables.collation[y];
      if (difference != 0) return difference;
    }
    return 0;
  }
  CollationCursor left(a, tables, fold_case);
  CollationCursor right(b, tables, fold_case);
  while (!left.exhausted() || !right.exhausted()) {
    const std::uint8_t x = left.next();
    const std::uint8_t y = right.next();
    if (x == y) continue;
    const int difference = tables.collation[x] - tables.collation[y];
    if (difference != 0) return difference;
  }
  return 0;
}

}  // namespace

int compareText(std::string_view a, std::string_view b) {
  return compareWith(a, b, false);
}

int compareTextNoCase(std::string_view a, std::string_view b) {
  return compareWith(a, b, true);
}

int compareCText(const char* a, const char* b) {
  const std::string_view left = a == nullptr ? std::string_view() : std::string_view(a, std::strlen(a));
  const std::string_view right = b == nullptr ? std::string_view() : std::string_view(b, std::strlen(b));
  return compareText(left, right);
}

std::uint8_t upperChar(std::uint8_t c) {
  const CharTables& tables = charTables();
  return (tables.flags[c] & kCaseLower) != 0 && tables.partner[c] != 0 ? tables.partner[c] : c;
}

std::uint8_t lowerChar(std::uint8_t c) {
  const CharTables& tables = charTables();
  return (tables.flags[c] & kCaseUpper) != 0 && tables.partner[c] != 0 ? tables.partner[c] : c;
}

std::string upperText(std::string_view text) {
  std::string result(text);
  upperInPlace({reinterpret_cast<std::uint8_t*>(result.data()), result.size()});
  return result;
}

std::string lowerText(std::string_view text) {
  std::string result(text);
  lowerInPlace({reinterpret_cast<std::uint8_t*>(result.data()), result.size()});
  return result;
}

void upperInPlace(std::span<std::uint8_t> text) {
  for (auto& c : text) c = upperChar(c);
}

void lowerInPlace(std::span<std::uint8_t> text) {
  for (auto& c : text) c = lowerChar(c);
}

bool isUpperChar(std::uint8_t c) {
  return (charTables().flags[c] & kCaseUpper) != 0;
}
bool isLowerChar(std::uint8_t c) {
  return (charTables().flags[c] & kCaseLower) != 0;
}
bool isAlphaChar(std::uint8_t c) {
  return charTables().partner[c] != 0;
}
bool isDigitChar(std::uint8_t c) {
  return (charTables().flags[c] & kCaseDigit) != 0;
}

}  // namespace veltrano::runtime
