// The built-in functions of filter texts: name, code, number of arguments and result type.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "runtime/expr/expression.h"

namespace veltrano::runtime {

inline constexpr int kVariableArity = -1;

struct BuiltInFunction {
  std::string_view name;  // upper case
  FunctionCode code;
  int arity;  // kVariableArity for CHOOSE and INLIST
  ValueType result;
};

std::span<const BuiltInFunction> builtInFunctions();
// The entry of `code`, or nullptr.
const BuiltInFunction* builtInFunction(FunctionCode code);

}  // namespace veltrano::runtime
