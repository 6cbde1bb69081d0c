// Shared between the evaluator and the built-in functions; not part of the public interface.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "runtime/expr/expression.h"
#include "runtime/values/type_codes.h"

namespace veltrano::runtime::detail {

// Computed strings (ALL, CENTER, LEFT, RIGHT widths and "&") are cut to this length, so that a
// hostile text cannot ask for gigabytes.
inline constexpr std::size_t kMaxComputedText = 65535;

// One evaluated value. `text` points into a constant, a record buffer or the caller's scratch.
// A real loaded from a DECIMAL or PDECIMAL field also keeps the field's bytes in `text`, its
// type in `packed_type` and its places, so that its text is the decimal's own ("1.50"), not
// the real's ("1.5").
struct Scalar {
  ValueType type = ValueType::Integer;  // Integer, Real or String
  std::int32_t integer = 0;
  double real = 0;
  std::string_view text;
  TypeCode packed_type = TypeCode{0};  // Decimal or Pdecimal for a packed field's value
  std::uint8_t places = 0;

  static Scalar ofInteger(std::int32_t value) {
    return {ValueType::Integer, value, static_cast<double>(value), {}};
  }
  static Scalar ofReal(double value);
  static Scalar ofText(std::string_view value) { return {ValueType::String, 0, 0, value}; }
  // REQUIRES: `bytes` outlive the value (they lie in a record buffer).
  static Scalar ofPackedField(std::span<const std::uint8_t> bytes, TypeCode type, std::uint8_t places);
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
