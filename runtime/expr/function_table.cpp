#include "runtime/expr/function_table.h"

#include <array>

namespace veltrano::runtime {
namespace {

using enum FunctionCode;
constexpr ValueType kInteger = ValueType::Integer;
constexpr ValueType kReal = ValueType::Real;
constexpr ValueType kString = ValueType::String;

constexpr std::array<BuiltInFunction, 46> kFunctions = {{
    {"MEMORY", Memory, 1, kInteger},
    {"SUB", Sub, 3, kString},
    {"INSTRING", Instring, 4, kInteger},
    {"CLIP", Clip, 1, kString},
    {"ALL", All, 2, kString},
    {"CENTER", Center, 2, kString},
    {"CHR", Chr, 1, kString},
    {"DEFORMAT", Deformat, 2, kString},
    {"FORMAT", Format, 2, kString},
    {"LEFT", Left, 2, kString},
    {"LEN", Len, 1, kInteger},
    {"LOWER", Lower, 1, kString},
    {"NUMERIC", Numeric, 1, kInteger},
    {"RIGHT", Right, 2, kString},
    {"UPPER", Upper, 1, kString},
    {"VAL", Val, 1, kInteger},
    {"ABS", Abs, 1, kReal},
    {"INRANGE", Inrange, 3, kInteger},
    {"INT", Int, 1, kInteger},
    {"LOGE", Loge, 1, kReal},
    {"LOG10", Log10, 1, kReal},
    {"RANDOM", Random, 2, kInteger},
    {"ROUND", Round, 2, kReal},
    {"SQRT", Sqrt, 1, kReal},
    {"SIN", Sin, 1, kReal},
    {"COS", Cos, 1, kReal},
    {"TAN", Tan, 1, kReal},
    {"ASIN", Asin, 1, kReal},
    {"ACOS", Acos, 1, kReal},
    {"ATAN", Atan, 1, kReal},
    {"BAND", Band, 2, kInteger},
    {"BOR", Bor, 2, kInteger},
    {"BXOR", Bxor, 2, kInteger},
    {"BSHIFT", Bshift, 2, kInteger},
    {"TODAY", Today, 0, kInteger},
    {"CLOCK", Clock, 0, kInteger},
    {"DATE", Date, 3, kInteger},
    {"DAY", Day, 1, kInteger},
    {"MONTH", Month, 1, kInteger},
    {"YEAR", Year, 1, kInteger},
    {"AGE", Age, 2, kString},
    {"CHOOSE", Choose, kVariableArity, kString},
    {"INLIST", Inlist, kVariableArity, kInteger},
    {"GETINI", Getini, 4, kString},
    {"MATCH", Match, 3, kInteger},
    {"NULL", Null, 1, kInteger},
}};

}  // namespace

std::span<const BuiltInFunction> builtInFunctions() {
  return kFunctions;
}

const BuiltInFunction* builtInFunction(FunctionCode code) {
  for (const auto& function : kFunctions) {
    if (function.code == code) return &function;
  }
  return nullptr;
}

}  // namespace veltrano::runtime
