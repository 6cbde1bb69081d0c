#include "runtime/expr/text_functions.h"

#include <regex.h>

#include <array>
#include <cstring>
#include <memory>

#include "runtime/values/text_compare.h"

namespace veltrano::runtime {
namespace {

std::int64_t plainScan(std::string_view sub, std::string_view text, std::int64_t step, std::int64_t offset) {
  const auto length = static_cast<std::int64_t>(sub.size());
  const auto size = static_cast<std::int64_t>(text.size());
  for (; offset + length <= size; offset += step) {
    if (text.compare(static_cast<std::size_t>(offset), sub.size(), sub) == 0) return offset;
  }
  return -1;
}

std::int64_t characterScan(char wanted, std::string_view text, std::int64_t offset) {
  const void* found = std::memchr(text.data() + offset, static_cast<unsigned char>(wanted),
                                  text.size() - static_cast<std::size_t>(offset));
  return found == nullptr ? -1 : static_cast<const char*>(found) - text.data();
}

// Horspool: after a mismatch the window moves by the distance of its last character from the
// end of `sub` (the length of `sub` for characters it does not contain).
std::int64_t skipTableSearch(std::string_view sub, std::string_view text, std::int64_t offset) {
  const std::size_t length = sub.size();
  std::array<std::size_t, 256> skip;
  skip.fill(length);
  for (std::size_t index = 0; index + 1 < length; ++index) {
    skip[static_cast<unsigned char>(sub[index])] = length - 1 - index;
  }
  auto position = static_cast<std::size_t>(offset);
  while (position + length <= text.size()) {
    const char last = text[position + length - 1];
    if (last == sub[length - 1] && std::memcmp(text.data() + position, sub.data(), length - 1) == 0) {
      return static_cast<std::int64_t>(position);
    }
    position += skip[static_cast<unsigned char>(last)];
  }
  return -1;
}

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

bool sameCharacter(char a, char b, bool no_case) {
  if (a == b) return true;
  return no_case && upperChar(static_cast<std::uint8_t>(a)) == upperChar(static_cast<std::uint8_t>(b));
}

bool equalTexts(std::string_view a, std::string_view b, bool no_case) {
  if (a.size() != b.size()) return false;
  for (std::size_t index = 0; index < a.size(); ++index) {
    if (!sameCharacter(a[index], b[index], no_case)) return false;
  }
  return true;
}

// Greedy matching with one backtrack point: linear in practice, never recursive.
bool wildcardMatch(std::string_view text, std::string_view pattern, bool no_case) {
  std::size_t t = 0;
  std::size_t p = 0;
  std::size_t star = std::string_view::npos;
  std::size_t resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && (pattern[p] == '?' || sameCharacter(pattern[p], text[t], no_case))) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// The compiled expression of the last MATCH in mode 2, kept while the same pattern and case
// flag come again.
class RegularExpressionCache {
 public:
  ~RegularExpressionCache() { release(); }

  const regex_t* compiled(std::string_view pattern, bool no_case) {
    if (valid_ && no_case == no_case_ && pattern == pattern_) return &expression_;
    release();
    pattern_ = std::string(pattern);
    no_case_ = no_case;
    // regcomp reads a NUL-terminated pattern: one with an embedded NUL cannot be compiled.
    if (pattern_.find('\0') != std::string::npos) return nullptr;
    const int flags = REG_EXTENDED | REG_NOSUB | (no_case ? REG_ICASE : 0);
    valid_ = regcomp(&expression_, pattern_.c_str(), flags) == 0;
    return valid_ ? &expression_ : nullptr;
  }

 private:
  void release() {
    if (valid_) regfree(&expression_);
    valid_ = false;
  }
  regex_t expression_{};
  std::string pattern_;
  bool no_case_ = false;
  bool valid_ = false;
};

// Letters upper-cased through the case table (REG_ICASE alone knows only ASCII), except the
// character after a backslash and the names of "[:class:]" brackets.
std::string upperPattern(std::string_view pattern) {
  std::string result(pattern);
  for (std::size_t index = 0; index < result.size(); ++index) {
    if (result[index] == '\\') {
      ++index;
    } else if (result.compare(index, 2, "[:") == 0) {
      const std::size_t close = result.find(":]", index + 2);
      if (close == std::string::npos) break;
      index = close + 1;
    } else {
      result[index] = static_cast<char>(upperChar(static_cast<std::uint8_t>(result[index])));
    }
  }
  return result;
}

bool regularMatch(std::string_view text, std::string_view pattern, bool no_case) {
  thread_local RegularExpressionCache cache;
  const regex_t* expression =
      no_case ? cache.compiled(upperPattern(pattern), true) : cache.compiled(pattern, false);
  if (expression == nullptr) return false;
  std::string subject(text);
  if (no_case) subject = upperText(subject);
  regmatch_t range[1];
  range[0].rm_so = 0;
  range[0].rm_eo = static_cast<regoff_t>(subject.size());
  return regexec(expression, subject.c_str(), 1, range, REG_STARTEND) == 0;
}

// The Latin letter a code page 1251 letter stands for in a sound code; 0 for none.
char latinLetter(std::uint8_t c) {
  static constexpr std::string_view kCyrillic{"ABVGDEZZIIKLMNOPRSTUFKCCSS\0Y\0EUA", 32};
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c);
  if (c == 0xA8 || c == 0xB8) return 'E';  // Ё ё
  if (c >= 0xC0) return kCyrillic[static_cast<std::size_t>((c - 0xC0) % 32)];
  return 0;
}

char soundDigit(char letter) {
  switch (letter) {
    case 'B':
    case 'F':
    case 'P':
    case 'V': return '1';
    case 'C':
    case 'G':
    case 'J':
    case 'K':
    case 'Q':
    case 'S':
    case 'X':
    case 'Z': return '2';
    case 'D':
    case 'T': return '3';
    case 'L': return '4';
    case 'M':
    case 'N': return '5';
    case 'R': return '6';
    case 'H':
    case 'W': return '-';  // neither coded nor separating
    default: return '0';   // vowels separate equal codes
  }
}

}  // namespace

std::int32_t findInString(std::string_view sub, std::string_view text, std::int32_t step,
                          std::int32_t start) {
  if (sub.empty()) return 0;
  const std::int64_t stride = step < 1 ? 1 : step;
  const std::int64_t offset = start < 1 ? 0 : static_cast<std::int64_t>(start) - 1;
  if (offset + static_cast<std::int64_t>(sub.size()) > static_cast<std::int64_t>(text.size())) return 0;
  std::int64_t found = -1;
  if (stride == 1 && sub.size() == 1) {
    found = characterScan(sub[0], text, offset);
  } else if (stride == 1 && sub.size() >= 5 && text.size() >= 257) {
    found = skipTableSearch(sub, text, offset);
  } else {
    found = plainScan(sub, text, stride, offset);
  }
  return found < 0 ? 0 : static_cast<std::int32_t>(found / stride + 1);
}

bool matchText(std::string_view text, std::string_view pattern, int mode) {
  const bool no_case = mode >= kMatchNoCase;
  const int base = no_case ? mode - kMatchNoCase : mode;
  if (base < kMatchEqual || base > kMatchSound) return false;
  text = trimmed(text);
  pattern = trimmed(pattern);
  switch (base) {
    case kMatchEqual: return equalTexts(text, pattern, no_case);
    case kMatchWildcard: return wildcardMatch(text, pattern, no_case);
    case kMatchRegular: return regularMatch(text, pattern, no_case);
    default: {
      const std::string code = soundCode(text);
      return !code.empty() && code == soundCode(pattern);
    }
  }
}

std::string soundCode(std::string_view text) {
  std::string code;
  char previous = 0;
  for (char c : text) {
    const char letter = latinLetter(static_cast<std::uint8_t>(c));
    if (letter == 0) continue;
    const char digit = soundDigit(letter);
    if (code.empty()) {
      code.push_back(letter);
      previous = digit;
      continue;
    }
    if (digit == '-') continue;
    if (digit != '0' && digit != previous) code.push_back(digit);
    previous = digit;
    if (code.size() == 4) break;
  }
  if (!code.empty()) code.resize(4, '0');
  return code;
}

}  // namespace veltrano::runtime
