// Writing a tree back as text, for drivers that take filters and orders as text.
//
// Operators are written with a space on each side (" + ", " <> ", " AND "), NOT as "NOT ",
// calls as NAME(a, b), subscripts as name[i, j : k], strings in single quotes with inner quotes
// doubled. Parentheses are added wherever the tree's grouping differs from what the operators'
// precedence and left associativity would give, so the text parses back to the same tree.
//
// Three comparison shapes are written in the form SQL drivers know:
//   SUB(x, 1, n) = 'text'   (n the length of the text)  →  x LIKE 'text%'
//   INSTRING('text', x, 1, 1) <> 0                        →  x LIKE '%text%'
//   NULL(x) compared with 0 or 1                          →  x IS NULL  /  x IS NOT NULL
#pragma once

#include <string>

#include "runtime/expr/expression.h"

namespace veltrano::runtime {

std::string writeExpression(const Node& tree);
// One component of an order: the expression, followed by " DESC" when descending.
std::string writeOrderComponent(const Node& tree, bool descending);

}  // namespace veltrano::runtime
