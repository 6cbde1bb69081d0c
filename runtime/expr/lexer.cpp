#include "runtime/expr/lexer.h"

#include <cmath>
#include <limits>

#include "runtime/datetime/char_tables.h"

namespace veltrano::runtime {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool startsName(char c) {
  const auto byte = static_cast<std::uint8_t>(c);
  const CharTables& tables = charTables();
  return c == '?' || c == '_' || (tables.flags[byte] & (kCaseUpper | kCaseLower)) != 0 ||
         tables.partner[byte] != 0;
}

bool continuesName(char c) {
  const auto byte = static_cast<std::uint8_t>(c);
  const CharTables& tables = charTables();
  return c == '_' || c == ':' || (tables.flags[byte] & (kCaseUpper | kCaseLower | kCaseDigit)) != 0 ||
         tables.partner[byte] != 0;
}

char upperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  LexResult run() {
    LexResult result;
    while (true) {
      while (position_ < text_.size() && (text_[position_] == ' ' || text_[position_] == '\t')) ++position_;
      Token token;
      token.position = position_;
      if (position_ >= text_.size()) {
        token.kind = TokenKind::End;
        result.tokens.push_back(std::move(token));
        result.ok = true;
        return result;
      }
      if (!next(token)) {
        result.error_position = position_;
        return result;
      }
      token.lexeme = text_.substr(token.position, position_ - token.position);
      result.tokens.push_back(std::move(token));
    }
  }

 private:
  char at(std::size_t index) const { return index < text_.size() ? text_[index] : '\0'; }

  bool next(Token& token) {
    const char c = text_[position_];
    if (isDigit(c) || (c == '.' && isDigit(at(position_ + 1)))) return number(token);
    if (c == '\'') return string(token);
    if (c == '@') return picture(token);
    if (startsName(c)) return name(token);
    token.kind = singleCharacter(c);
    if (token.kind == TokenKind::End) return false;
    ++position_;
    return true;
  }

  static TokenKind singleCharacter(char c) {
    switch (c) {
      case '+': return TokenKind::Plus;
      case '-': return TokenKind::Minus;
      case '*': return TokenKind::Star;
      case '/': return TokenKind::Slash;
      case '%': return TokenKind::Percent;
      case '^': return TokenKind::Caret;
      case '&': return TokenKind::Ampersand;
      case '=': return TokenKind::Equal;
      case '<': return TokenKind::Less;
      case '>': return TokenKind::Greater;
      case '~': return TokenKind::Tilde;
      case '(': return TokenKind::LeftParen;
      case ')': return TokenKind::RightParen;
      case '[': return TokenKind::LeftBracket;
      case ']': return TokenKind::RightBracket;
      case ',': return TokenKind::Comma;
      case ':': return TokenKind::Colon;
      default: return TokenKind::End;  // outside the lexicon
    }
  }

  // number -> digits [ "." digits ] [ ("E" | "e") [ "+" | "-" ] digits ] | "." digits [ exponent ]
  bool number(Token& token) {
    double mantissa = 0;
    std::uint64_t whole = 0;
    bool whole_fits = true;
    while (isDigit(at(position_))) {
      const int digit = at(position_) - '0';
      mantissa = mantissa * 10 + digit;
      whole = whole * 10 + static_cast<std::uint64_t>(digit);
      if (whole > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        whole_fits = false;
        whole = 0;
      }
      ++position_;
    }
    bool is_real = false;
    int fraction_digits = 0;
    if (at(position_) == '.') {
      is_real = true;
      ++position_;
      while (isDigit(at(position_))) {
        mantissa = mantissa * 10 + (at(position_) - '0');
        ++fraction_digits;
        ++position_;
      }
    }
    long exponent = 0;
    const char e = at(position_);
    if (e == 'E' || e == 'e') {
      std::size_t look = position_ + 1;
      const bool negative = at(look) == '-';
      if (at(look) == '+' || at(look) == '-') ++look;
      if (isDigit(at(look))) {
        is_real = true;
        while (isDigit(at(look))) {
          if (exponent < 100000) exponent = exponent * 10 + (at(look) - '0');
          ++look;
        }
        if (negative) exponent = -exponent;
        position_ = look;
      }
    }
    if (!is_real && whole_fits) {
      token.kind = TokenKind::Integer;
      token.integer = static_cast<std::int32_t>(whole);
      token.real = static_cast<double>(whole);
      return true;
    }
    token.kind = TokenKind::Real;
    const long shift = fraction_digits - exponent;
    double value = mantissa;
    if (shift > 0) {
      value = mantissa / std::pow(10.0, static_cast<double>(shift));
    } else if (shift < 0) {
      value = mantissa * std::pow(10.0, static_cast<double>(-shift));
    }
    if (!std::isfinite(value)) return false;
    token.real = value;
    return true;
  }

  // string -> "'" { character | "''" } "'"
  bool string(Token& token) {
    ++position_;
    while (position_ < text_.size()) {
      const char c = text_[position_++];
      if (c == '\'') {
        if (at(position_) != '\'') {
          token.kind = TokenKind::String;
          return true;
        }
        ++position_;
      }
      token.text.push_back(c);
    }
    return false;  // no closing quote
  }

  // picture -> "@" characters up to a space, "," or ")" outside parentheses; "~text~" of a
  // numeric picture is skipped over; a pattern (@P…P) or key-in (@K…K) picture runs to its
  // closing letter; a final "B" belongs to the picture.
  bool picture(Token& token) {
    const std::size_t start = position_++;
    const char kind = upperAscii(at(position_));
    if (kind == 'P' || kind == 'K') {
      ++position_;
      while (position_ < text_.size() && upperAscii(text_[position_]) != kind) ++position_;
      if (position_ >= text_.size()) return false;
      ++position_;
      if (upperAscii(at(position_)) == 'B') ++position_;
    } else {
      int depth = 0;
      while (position_ < text_.size()) {
        const char c = text_[position_];
        if (kind == 'N' && c == '~') {
          ++position_;
          while (position_ < text_.size() && text_[position_] != '~') ++position_;
          if (position_ < text_.size()) ++position_;
          continue;
        }
        if (c == '(') {
          ++depth;
        } else if (c == ')') {
          if (depth == 0) break;
          --depth;
        } else if ((c == ' ' || c == ',') && depth == 0) {
          break;
        }
        ++position_;
      }
    }
    token.kind = TokenKind::Picture;
    token.text = std::string(text_.substr(start, position_ - start));
    return true;
  }

  // name -> ( letter | "?" | "_" ) { letter | digit | "_" | ":" } [ "#" | "$" | '"' ]
  bool name(Token& token) {
    ++position_;
    while (position_ < text_.size() && continuesName(text_[position_])) ++position_;
    const char last = at(position_);
    if (last == '#' || last == '$' || last == '"') ++position_;
    token.kind = TokenKind::Name;
    return true;
  }

  std::string_view text_;
  std::size_t position_ = 0;
};

}  // namespace

LexResult tokenize(std::string_view text) {
  return Lexer(text).run();
}

}  // namespace veltrano::runtime
