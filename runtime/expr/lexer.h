// The lexer of filter texts. Text is code page 1251; letters are what the case table says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::runtime {

enum class TokenKind : std::uint8_t {
  End,
  Name,
  Integer,
  Real,
  String,
  Picture,
  Plus,
  Minus,
  Star,
  Slash,
  Percent,
  Caret,
  Ampersand,
  Equal,
  Less,
  Greater,
  Tilde,
  LeftParen,
  RightParen,
  LeftBracket,
  RightBracket,
  Comma,
  Colon,
};

struct Token {
  TokenKind kind = TokenKind::End;
  std::size_t position = 0;  // offset of the token's first character in the text
  std::string_view lexeme;   // the token as written
  std::string text;          // String: the value with doubled quotes undone; Picture: the picture
  std::int32_t integer = 0;
  double real = 0;
};

struct LexResult {
  std::vector<Token> tokens;  // ends with an End token when the text lexes completely
  bool ok = false;
  std::size_t error_position = 0;  // where lexing failed
};

// Splits the text into tokens. Fails at a character outside the lexicon, a string without its
// closing quote, a pattern picture without its closing letter, or a real constant that
// overflows.
LexResult tokenize(std::string_view text);

}  // namespace veltrano::runtime
