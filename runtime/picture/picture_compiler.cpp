// The picture compiler. Grammar, after "@" and with a final "B" (blank when zero) removed:
//
//   string   -> S width                              width 1..255
//   numeric  -> N [currency] [sign] [fill] width [separators] [places] [tsign] [tcurrency]
//   science  -> E width [separators] places          width 7..254
//   date     -> D [fill] format [window] [separator]
//   time     -> T [fill] format [separator]
//   pattern  -> P text P          key-in -> K text K
#include <optional>
#include <vector>

#include "runtime/datetime/locale.h"
#include "runtime/picture/picture.h"

namespace veltrano::runtime {
namespace {

namespace code = picture_code;

constexpr std::size_t kMaxPictureText = 254;
constexpr std::size_t kMaxTokens = 255;

char upperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads a decimal number at `at`; nullopt when there is no digit or it exceeds `limit`.
std::optional<unsigned> readNumber(std::string_view text, std::size_t& at, unsigned limit) {
  if (at >= text.size() || !isDigit(text[at])) return std::nullopt;
  unsigned value = 0;
  while (at < text.size() && isDigit(text[at])) {
    value = value * 10 + static_cast<unsigned>(text[at] - '0');
    if (value > limit) return std::nullopt;
    ++at;
  }
  return value;
}

// Collects tokens; more than fit makes the picture invalid.
class TokenList {
 public:
  void add(std::uint8_t token_code, char pad) {
    if (tokens_.size() >= kMaxTokens) {
      overflow_ = true;
      return;
    }
    tokens_.push_back({pad, token_code});
  }
  bool overflow() const { return overflow_; }
  std::size_t size() const { return tokens_.size(); }
  const std::vector<PictureToken>& tokens() const { return tokens_; }

 private:
  std::vector<PictureToken> tokens_;
  bool overflow_ = false;
};

CompiledPicture finish(PictureKind kind, bool blank_when_zero, const TokenList& list, std::uint8_t format = 0,
                       std::uint8_t window = 0) {
  CompiledPicture picture;
  if (list.overflow() || list.size() == 0) return picture;
  picture.kind = static_cast<std::uint8_t>(kind);
  picture.blank_when_zero = blank_when_zero ? 1 : 0;
  picture.length = static_cast<std::uint8_t>(list.size());
  picture.format = format;
  picture.century_window = window;
  for (std::size_t i = 0; i < list.size(); ++i) picture.tokens[i] = list.tokens()[i];
  return picture;
}

CompiledPicture compileString(std::string_view body, bool blank_when_zero) {
  std::size_t at = 0;
  const auto width = readNumber(body, at, 255);
  if (!width || *width == 0) return {};
  while (at < body.size() && body[at] == ' ') ++at;
  if (at != body.size()) return {};
  CompiledPicture picture;
  picture.kind = static_cast<std::uint8_t>(PictureKind::kString);
  picture.blank_when_zero = blank_when_zero ? 1 : 0;
  picture.length = static_cast<std::uint8_t>(*width);
  return picture;
}

// currency -> "$" | "~" text "~"
std::optional<std::string> readCurrency(std::string_view body, std::size_t& at) {
  if (at < body.size() && body[at] == '$') {
    ++at;
    return std::string("$");
  }
  if (at < body.size() && body[at] == '~') {
    const std::size_t close = body.find('~', at + 1);
    if (close == std::string_view::npos || close == at + 1) return std::nullopt;
    std::string text(body.substr(at + 1, close - at - 1));
    at = close + 1;
    return text;
  }
  return std::nullopt;
}

bool isSeparatorChar(char c) {
  return c == '.' || c == '`' || c == '_' || c == 'v' || c == 'V';
}

char printedSeparator(char c) {
  if (c == '`') return ',';
  if (c == '_') return ' ';
  return c;
}

struct NumberLayout {
  std::string leading_currency;
  std::string trailing_currency;
  char leading_sign = 0;   // '-' or '('
  char trailing_sign = 0;  // '-' or ')'
  char fill = 0;           // '0', '_', '*' or none
  unsigned width = 0;
  char grouping = 0;  // printed grouping character, 0 = none
  char decimal = 0;   // printed decimal separator, 'v' for an implied point, 0 = none
  unsigned places = 0;
};

// Integer digit positions laid right to left, with a grouping separator after every third.
void addIntegerPositions(TokenList& list, const NumberLayout& layout, std::size_t positions) {
  std::vector<PictureToken> reversed;
  const bool implied = layout.decimal == 'v';
  std::size_t digits_in_group = 0;
  while (reversed.size() < positions) {
    if (layout.grouping != 0 && digits_in_group == 3) {
      reversed.push_back({layout.grouping, code::kGrouping});
      digits_in_group = 0;
      continue;
    }
    if (reversed.empty()) {
      reversed.push_back({'0', implied ? code::kDigitBlank : code::kDigitPadded});
    } else if (layout.fill == '0' || layout.fill == '*') {
      reversed.push_back({layout.fill, code::kDigitPadded});
    } else {
      reversed.push_back({' ', code::kDigitBlank});
    }
    ++digits_in_group;
  }
  for (auto it = reversed.rbegin(); it != reversed.rend(); ++it) list.add(it->code, it->pad);
}

CompiledPicture compileNumeric(std::string_view body, bool blank_when_zero) {
  NumberLayout layout;
  std::size_t at = 0;
  if (at < body.size() && (body[at] == '$' || body[at] == '~')) {
    auto currency = readCurrency(body, at);
    if (!currency) return {};
    layout.leading_currency = *currency;
  }
  if (at < body.size() && (body[at] == '-' || body[at] == '(')) layout.leading_sign = body[at++];
  if (at < body.size() && (body[at] == '0' || body[at] == '_' || body[at] == '*')) layout.fill = body[at++];
  const auto width = readNumber(body, at, 254);
  if (!width || *width == 0) return {};
  layout.width = *width;

  std::string separators;
  while (at < body.size() && isSeparatorChar(body[at]) && separators.size() < 2) separators += body[at++];
  if (const auto places = readNumber(body, at, 254)) layout.places = *places;
  char grouping_written = 0;
  if (separators.size() == 2) {
    grouping_written = separators[0];
    if (layout.places > 0) layout.decimal = separators[1];
  } else if (separators.size() == 1) {
    if (layout.places > 0) {
      layout.decimal = separators[0];
    } else {
      grouping_written = separators[0];
    }
  } else if (layout.places > 0) {
    return {};  // places without a separator
  }
  if (layout.decimal == 'V') layout.decimal = 'v';
  if (grouping_written == 'v' || grouping_written == 'V') return {};

  if (layout.leading_sign == '(') {
    if (at >= body.size() || body[at] != ')') return {};
    layout.trailing_sign = body[at++];
  } else if (at < body.size() && body[at] == '-') {
    if (layout.leading_sign != 0) return {};
    layout.trailing_sign = body[at++];
  }
  if (at < body.size() && (body[at] == '$' || body[at] == '~')) {
    if (!layout.leading_currency.empty()) return {};
    auto currency = readCurrency(body, at);
    if (!currency) return {};
    layout.trailing_currency = *currency;
  }
  if (at != body.size()) return {};

  if (grouping_written != 0) {
    layout.grouping = printedSeparator(grouping_written);
  } else if (layout.fill == 0) {
    layout.grouping = layout.decimal == '`' ? '.' : ',';
  }
  if (layout.decimal != 0 && layout.decimal != 'v') layout.decimal = printedSeparator(layout.decimal);

  const std::size_t fixed = layout.leading_currency.size() + layout.trailing_currency.size() +
                            (layout.leading_sign ? 1 : 0) + (layout.trailing_sign ? 1 : 0) +
                            (layout.places > 0 ? layout.places + 1 : 0);
  if (layout.width <= fixed) return {};

  TokenList list;
  for (const char c : layout.leading_currency) list.add(code::kCurrency, c);
  if (layout.leading_sign) list.add(code::kSign, layout.leading_sign);
  addIntegerPositions(list, layout, layout.width - fixed);
  if (layout.places > 0) {
    list.add(layout.decimal == 'v' ? code::kImpliedDecimal : code::kDecimal,
             layout.decimal == 'v' ? '.' : layout.decimal);
    for (unsigned i = 0; i < layout.places; ++i) list.add(code::kDigitPadded, '0');
  }
  if (layout.trailing_sign) list.add(code::kSign, layout.trailing_sign);
  for (const char c : layout.trailing_currency) list.add(code::kCurrency, c);
  return finish(PictureKind::kNumeric, blank_when_zero, list);
}

CompiledPicture compileScientific(std::string_view body, bool blank_when_zero) {
  std::size_t at = 0;
  const auto width = readNumber(body, at, 254);
  if (!width || *width < 7) return {};
  std::string separators;
  while (at < body.size() && isSeparatorChar(body[at]) && body[at] != 'v' && body[at] != 'V' &&
         separators.size() < 2)
    separators += body[at++];
  unsigned places = 0;
  if (const auto read = readNumber(body, at, 254)) places = *read;
  if (at != body.size()) return {};
  NumberLayout layout;
  layout.fill = '_';
  layout.decimal = places > 0 ? (separators.empty() ? '.' : printedSeparator(separators.back())) : 0;
  if (separators.size() == 2) layout.grouping = printedSeparator(separators[0]);
  const std::size_t fixed = 1 + (places > 0 ? places + 1 : 0) + 5;
  if (*width <= fixed) return {};
  TokenList list;
  list.add(code::kSign, '-');
  addIntegerPositions(list, layout, *width - fixed);
  if (places > 0) {
    list.add(code::kDecimal, layout.decimal);
    for (unsigned i = 0; i < places; ++i) list.add(code::kDigitPadded, '0');
  }
  list.add(code::kLiteral, 'E');
  list.add(code::kExponentSign, '+');
  for (int i = 0; i < 3; ++i) list.add(code::kDigitPadded, '0');
  return finish(PictureKind::kScientific, blank_when_zero, list);
}

// A layout written in the readable notation: M/m month, D/d day, y year, N month letter,
// H/h hour, n minute, s second, X designator and Z its second letter (printed "M"), "/" and ":"
// separators; an upper-case digit letter is padded with a space, a lower-case one with "0".
void addReadableLayout(TokenList& list, std::string_view layout) {
  for (const char c : layout) {
    switch (c) {
      case 'M': list.add(code::kMonth, ' '); break;
      case 'Z': list.add(code::kLiteral, 'M'); break;
      case 'm': list.add(code::kMonth, '0'); break;
      case 'D': list.add(code::kDay, ' '); break;
      case 'd': list.add(code::kDay, '0'); break;
      case 'y': list.add(code::kYear, '0'); break;
      case 'N': list.add(code::kMonthLetter, ' '); break;
      case 'H': list.add(code::kHour, ' '); break;
      case 'h': list.add(code::kHour, '0'); break;
      case 'n': list.add(code::kMinute, '0'); break;
      case 's': list.add(code::kSecond, '0'); break;
      case 'X': list.add(code::kDesignator, ' '); break;
      case '/':
      case ':': list.add(code::kSeparator, c); break;
      default: list.add(code::kLiteral, c); break;
    }
  }
}

void addLocaleLayout(TokenList& list, const Layout& layout) {
  for (const LayoutToken& token : layout) {
    switch (token.part) {
      case LayoutPart::kLiteral: list.add(code::kLiteral, token.character); break;
      case LayoutPart::kSeparator: list.add(code::kSeparator, token.character); break;
      case LayoutPart::kMonth: list.add(code::kMonth, token.character); break;
      case LayoutPart::kDay: list.add(code::kDay, token.character); break;
      case LayoutPart::kYear: list.add(code::kYear, token.character); break;
      case LayoutPart::kMonthLetter: list.add(code::kMonthLetter, ' '); break;
      case LayoutPart::kHour: list.add(code::kHour, token.character); break;
      case LayoutPart::kMinute: list.add(code::kMinute, token.character); break;
      case LayoutPart::kSecond: list.add(code::kSecond, token.character); break;
      case LayoutPart::kDesignator: list.add(code::kDesignator, ' '); break;
    }
  }
}

constexpr std::array<std::string_view, 16> kDateLayouts{
    "Mm/dd/yy", "Mm/dd/yyyy", "NNN Dd,yyyy", "NNNNNNNNNNNN Dd, yyyy",
    "Dd/mm/yy", "Dd/mm/yyyy", "Dd_NNN_yy",   "Dd_NNN_yyyy",
    "yy/mm/dd", "yyyy/mm/dd", "yymmdd",      "yyyymmdd",
    "mm/yy",    "mm/yyyy",    "yy/mm",       "yyyy/mm"};
constexpr std::array<std::string_view, 6> kTimeLayouts{"Hh:nn",    "Hhnn",   "Hh:nnXZ",
                                                       "Hh:nn:ss", "Hhnnss", "Hh:nn:ssXZ"};

// Applies the fill and separator options to the date and time positions.
void applyOptions(std::vector<PictureToken>& tokens, char fill, char separator) {
  for (PictureToken& token : tokens) {
    const bool digit_or_letter = (token.code >= code::kMonth && token.code <= code::kSecond);
    if (fill != 0 && digit_or_letter) token.pad = fill == '_' ? ' ' : fill;
    if (separator != 0 && token.code == code::kSeparator) token.pad = printedSeparator(separator);
  }
}

bool isDateSeparator(char c) {
  return c == '.' || c == '-' || c == '_' || c == '`';
}

CompiledPicture compileDateOrTime(std::string_view body, bool blank_when_zero, bool is_date) {
  std::size_t at = 0;
  char fill = 0;
  if (at < body.size() && (body[at] == '0' || body[at] == '_' || body[at] == '*')) fill = body[at++];
  const auto format = readNumber(body, at, is_date ? 18 : 8);
  if (!format || *format == 0) return {};
  unsigned window = 80;
  if (is_date && at < body.size() && (body[at] == '<' || body[at] == '>')) {
    const char direction = body[at++];
    const auto k = readNumber(body, at, 99);
    if (!k) return {};
    window = direction == '<' ? (*k == 0 ? 80 : *k) : 99 - (*k == 0 ? 19 : *k);
  }
  char separator = 0;
  if (at < body.size() && isDateSeparator(body[at])) separator = body[at++];
  if (at != body.size()) return {};

  TokenList list;
  if (is_date) {
    if (*format <= 16) {
      // Spaces in formats 7 and 8 are separators ("_" above), so "@D8-" reads 5-MAR-2001.
      for (const char c : kDateLayouts[*format - 1]) {
        if (c == '_') {
          list.add(code::kSeparator, ' ');
        } else {
          addReadableLayout(list, std::string_view(&c, 1));
        }
      }
    } else {
      addLocaleLayout(list, *format == 17 ? intlSettings().short_date : intlSettings().long_date);
    }
  } else if (*format <= 6) {
    addReadableLayout(list, kTimeLayouts[*format - 1]);
  } else {
    addLocaleLayout(list, *format == 7 ? intlSettings().short_time : intlSettings().long_time);
  }
  CompiledPicture picture =
      finish(is_date ? PictureKind::kDate : PictureKind::kTime, blank_when_zero, list,
             static_cast<std::uint8_t>(*format), static_cast<std::uint8_t>(is_date ? window : 0));
  std::vector<PictureToken> tokens(picture.tokens.begin(), picture.tokens.begin() + picture.length);
  applyOptions(tokens, fill, separator);
  std::copy(tokens.begin(), tokens.end(), picture.tokens.begin());
  return picture;
}

CompiledPicture compileTemplate(std::string_view body, bool blank_when_zero, PictureKind kind) {
  // The template ends with the kind letter again.
  if (body.empty() || upperAscii(body.back()) != (kind == PictureKind::kPattern ? 'P' : 'K')) return {};
  body.remove_suffix(1);
  TokenList list;
  for (std::size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (c == '#') {
      list.add(code::kDigitPadded, '0');
    } else if (c == '<') {
      list.add(code::kDigitBlank, ' ');
    } else if (kind == PictureKind::kPattern) {
      list.add(code::kLiteral, c);
    } else if (c == '@') {
      list.add(code::kKeyAt, ' ');
    } else if (c == '^') {
      list.add(code::kKeyCaret, ' ');
    } else if (c == '_') {
      list.add(code::kKeyUnderline, ' ');
    } else if (c == '?') {
      list.add(code::kKeyQuestion, ' ');
    } else if (c == '|') {
      list.add(code::kKeyBar, ' ');
    } else if (c == '\\' && i + 1 < body.size()) {
      list.add(code::kLiteral, body[++i]);
    } else {
      list.add(code::kLiteral, c);
    }
  }
  return finish(kind, blank_when_zero, list);
}

}  // namespace

CompiledPicture compilePicture(std::string_view text) {
  if (text.empty()) {
    CompiledPicture picture;
    picture.kind = static_cast<std::uint8_t>(PictureKind::kString);
    picture.length = 255;
    return picture;
  }
  if (text.front() != '@') return {};
  std::string_view body = text.substr(1);
  if (body.size() > kMaxPictureText) return {};
  bool blank_when_zero = false;
  if (!body.empty() && upperAscii(body.back()) == 'B') {
    body.remove_suffix(1);
    blank_when_zero = true;
  }
  if (body.size() < 2) return {};
  const char kind = upperAscii(body.front());
  body.remove_prefix(1);
  switch (kind) {
    case 'S': return compileString(body, blank_when_zero);
    case 'N': return compileNumeric(body, blank_when_zero);
    case 'E': return compileScientific(body, blank_when_zero);
    case 'D': return compileDateOrTime(body, blank_when_zero, true);
    case 'T': return compileDateOrTime(body, blank_when_zero, false);
    case 'P': return compileTemplate(body, blank_when_zero, PictureKind::kPattern);
    case 'K': return compileTemplate(body, blank_when_zero, PictureKind::kKeyIn);
    default: return {};
  }
}

std::size_t compiledSize(std::string_view text) {
  const CompiledPicture picture = compilePicture(text);
  if (!picture.valid()) return 0;
  if (picture.pictureKind() == PictureKind::kString) return 2;
  return 2 * static_cast<std::size_t>(picture.length) + 2;
}

std::uint32_t pictureWidth(const CompiledPicture& picture) {
  if (picture.pictureKind() == PictureKind::kString) return picture.length;
  std::uint32_t width = 0;
  for (std::size_t i = 0; i < picture.length; ++i)
    if (picture.tokens[i].code != picture_code::kImpliedDecimal) ++width;
  return width;
}

}  // namespace veltrano::runtime
