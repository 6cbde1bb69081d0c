// Evaluation of expression trees.
//
// Each node evaluates as an integer, a real or a string. Arithmetic is done in double
// precision (exactly in 64-bit integers when both operands are integers); a result evaluated as
// an integer is truncated toward zero and saturated to 32 bits. Real division and remainder by
// zero, and any other arithmetic or function result that is not a finite number, give 0.
// Comparisons, AND, OR, XOR and NOT give 1 or 0 and always evaluate both operands.
//
// Evaluating a tree whose strings are constants and bound fields reads the fields in place and
// does not allocate. MEMORY stops the program with runtime error 406.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/expr/expression.h"

namespace veltrano::runtime {

std::int32_t evaluateInteger(const Node& tree);
double evaluateReal(const Node& tree);
// Strings as they are, integers in decimal, reals by the runtime's real-to-text conversion.
std::string evaluateString(const Node& tree);
// Pushes the string form of the tree onto the calling thread's string stack.
void pushEvaluatedString(const Node& tree);
// A filter test: the truth value of the tree (a non-zero number, or a string that is not blank).
bool test(const Node& tree);

// Seeds the generator behind RANDOM (the runtime seeds it from the clock at first use).
void seedRandom(std::uint32_t seed);

}  // namespace veltrano::runtime
