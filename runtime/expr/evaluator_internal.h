// Shared between the evaluator and the built-in functions; not part of the public interface.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/expr/expression.h"

namespace veltrano::runtime::detail {

// Computed strings (ALL, CENTER, LEFT, RIGHT widths and "&") are cut to this length, so that a
// hostile text cannot ask for gigabytes.
inline constexpr std::size_t kMaxComputedText = 65535;

// One evaluated value. `text` points into a constant, a record buffer or the caller's scratch.
struct Scalar {
  ValueType type = ValueType::Integer;  // Integer, Real or String
  std::int32_t integer = 0;
  double real = 0;
  std::string_view text;

  static Scalar ofInteger(std::int32_t value) {
    return {ValueType::Integer, value, static_cast<double>(value), {}};
  }
  static Scalar ofReal(double value);
  static Scalar ofText(std::string_view value) { return {ValueType::String, 0, 0, value}; }
};

Scalar evaluateNode(const Node& node, std::string& scratch);
// Runtime error 406: an operator or function with no evaluation.
[[noreturn]] void haltWithNoEvaluation();
Scalar callBuiltIn(const Node& node, std::string& scratch);

std::int32_t integerOf(const Scalar& value);
double realOf(const Scalar& value);
// The text of a value; numbers are converted into `scratch`.
std::string_view textOf(const Scalar& value, std::string& scratch);
bool truthOf(const Scalar& value);
// A double truncated toward zero and saturated to 32 bits; NaN gives 0.
std::int32_t truncateToInteger(double value);

// The comparison rule of "=", "<", …: integers as integers, strings by the collation with
// trailing blanks ignored, anything else as reals with a tolerance of 2^-50.
int compareScalars(const Scalar& left, const Scalar& right);
int compareReals(double left, double right);

}  // namespace veltrano::runtime::detail
