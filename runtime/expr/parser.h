// The parser of filter texts: text → expression tree, owned by the caller.
//
// A parse succeeds only when the whole text is consumed. On failure nothing is returned and the
// partial tree is freed; a name bound in no visible scope also posts error 801 ("No BIND on
// variable"). The parser shows no message itself: the optional ParseError says where and why,
// for callers that do.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/expr/binding_scopes.h"
#include "runtime/expr/expression.h"

namespace veltrano::runtime {

// Parentheses, argument lists and subscripts nested deeper than this do not parse.
inline constexpr int kMaxNesting = 100;

struct ParseError {
  std::size_t position = 0;  // offset in the text
  std::string message;       // code page 1251
};

// Parses with the program's binding scopes.
NodePointer parseExpression(std::string_view text, ParseError* error = nullptr);
NodePointer parseExpression(std::string_view text, const BindingScopes& scopes, ParseError* error = nullptr);

}  // namespace veltrano::runtime
