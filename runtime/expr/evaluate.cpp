#include "runtime/expr/evaluate.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "runtime/datetime/calendar.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/expr/evaluator_internal.h"
#include "runtime/values/bfloat.h"
#include "runtime/values/decimal.h"
#include "runtime/values/number_text.h"
#include "runtime/values/text_compare.h"
#include "runtime/values/value_stacks.h"

namespace veltrano::runtime {
namespace detail {
namespace {

template <typename T>
T readLittleEndian(const std::uint8_t* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

double finiteOrZero(double value) {
  return std::isfinite(value) ? value : 0.0;
}

// The bytes of element `element` (from 0) of a bound variable.
std::span<const std::uint8_t> elementBytes(const VariableBinding& binding, std::uint32_t element) {
  const FieldDescriptor& field = binding.field;
  return std::span<const std::uint8_t>(binding.record)
      .subspan(field.offset + element * field.element_size, field.element_size);
}

Scalar loadElement(const VariableBinding& binding, std::uint32_t element) {
  const std::span<const std::uint8_t> bytes = elementBytes(binding, element);
  const std::uint8_t* data = bytes.data();
  switch (binding.field.type) {
    case TypeCode::Byte: return Scalar::ofInteger(data[0]);
    case TypeCode::Short: return Scalar::ofInteger(readLittleEndian<std::int16_t>(data));
    case TypeCode::Ushort: return Scalar::ofInteger(readLittleEndian<std::uint16_t>(data));
    case TypeCode::Long: return Scalar::ofInteger(readLittleEndian<std::int32_t>(data));
    case TypeCode::Date:
      return Scalar::ofInteger(dateSerialFromPacked(readLittleEndian<std::uint32_t>(data)));
    case TypeCode::Time:
      return Scalar::ofInteger(timeSerialFromPacked(readLittleEndian<std::uint32_t>(data)));
    case TypeCode::Ulong: return Scalar::ofReal(readLittleEndian<std::uint32_t>(data));
    case TypeCode::Sreal: return Scalar::ofReal(static_cast<double>(readLittleEndian<float>(data)));
    case TypeCode::Real: return Scalar::ofReal(readLittleEndian<double>(data));
    case TypeCode::Bfloat4: return Scalar::ofReal(doubleFromBfloat4(bytes));
    case TypeCode::Bfloat8: return Scalar::ofReal(doubleFromBfloat8(bytes));
    case TypeCode::Decimal:
    case TypeCode::Pdecimal: return Scalar::ofPackedField(bytes, binding.field.type, binding.field.places);
    case TypeCode::Cstring: {
      const auto* end = static_cast<const std::uint8_t*>(std::memchr(data, 0, bytes.size()));
      const std::size_t length = end == nullptr ? bytes.size() : static_cast<std::size_t>(end - data);
      return Scalar::ofText({reinterpret_cast<const char*>(data), length});
    }
    case TypeCode::Pstring: {
      const std::size_t length = std::min<std::size_t>(data[0], bytes.size() - 1);
      return Scalar::ofText({reinterpret_cast<const char*>(data) + 1, length});
    }
    default:  // STRING and GROUP
      return Scalar::ofText({reinterpret_cast<const char*>(data), bytes.size()});
  }
}

// The element a subscript list selects (row-major, subscripts from 1), or -1 when a subscript
// is out of range. `used` receives how many subscripts selected the element.
std::int64_t selectElement(const Node& node, std::size_t& used) {
  const auto& dimensions = node.variable->field.dimensions;
  std::int64_t element = 0;
  used = 0;
  std::string scratch;
  for (std::uint32_t extent : dimensions) {
    if (used >= node.operands.size()) break;
    const std::int32_t subscript = integerOf(evaluateNode(*node.operands[used], scratch));
    ++used;
    if (subscript < 1 || static_cast<std::uint32_t>(subscript) > extent) return -1;
    element = element * extent + (subscript - 1);
  }
  // Fewer subscripts than dimensions select the first element of the remaining ones.
  for (std::size_t rest = used; rest < dimensions.size(); ++rest) element *= dimensions[rest];
  if (element >= node.variable->field.elementCount()) return -1;
  return element;
}

Scalar evaluateSubscript(const Node& node, std::string& scratch) {
  std::size_t used = 0;
  const std::int64_t element = selectElement(node, used);
  const bool is_text = node.variable->type == ValueType::String;
  if (element < 0) return is_text ? Scalar::ofText({}) : Scalar::ofInteger(0);
  Scalar value = loadElement(*node.variable, static_cast<std::uint32_t>(element));
  const std::size_t ranges = node.operands.size() - used;
  if (ranges == 0) return value;
  // A character position, or a range of positions (both included).
  std::string local;
  const std::int32_t first = integerOf(evaluateNode(*node.operands[used], local));
  std::int32_t last = first;
  if (node.kind == NodeKind::Substring) last = integerOf(evaluateNode(*node.operands.back(), local));
  const auto length = static_cast<std::int64_t>(value.text.size());
  const std::int64_t from = std::max<std::int64_t>(first, 1);
  const std::int64_t to = std::min<std::int64_t>(last, length);
  if (from > to) return Scalar::ofText({});
  (void)scratch;
  return Scalar::ofText(
      value.text.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to - from + 1)));
}

Value valueOfType(ValueType type, const Node* slot) {
  std::string scratch;
  if (slot == nullptr) {
    if (type == ValueType::Integer) return std::int32_t{0};
    if (type == ValueType::Real) return 0.0;
    return std::string();
  }
  const Scalar value = evaluateNode(*slot, scratch);
  if (type == ValueType::Integer) return integerOf(value);
  if (type == ValueType::Real) return realOf(value);
  return std::string(textOf(value, scratch));
}

Scalar callProcedure(const Node& node, std::string& scratch) {
  const ProcedureBinding& procedure = *node.procedure;
  std::vector<Value> arguments(procedure.parameters.size());
  // The last argument is evaluated first.
  for (std::size_t index = arguments.size(); index-- > 0;) {
    const Node* slot = index < node.operands.size() ? node.operands[index].get() : nullptr;
    arguments[index] = valueOfType(procedure.parameters[index], slot);
  }
  const Value result = procedure.entry(arguments);
  if (const auto* integer = std::get_if<std::int32_t>(&result)) return Scalar::ofInteger(*integer);
  if (const auto* real = std::get_if<double>(&result)) return Scalar::ofReal(*real);
  scratch = std::get<std::string>(result);
  return Scalar::ofText(scratch);
}

Scalar arithmetic(OperatorCode op, const Scalar& left, const Scalar& right) {
  if (left.type == ValueType::Integer && right.type == ValueType::Integer && op != OperatorCode::Divide &&
      op != OperatorCode::Power) {
    const std::int64_t a = left.integer;
    const std::int64_t b = right.integer;
    std::int64_t result = 0;
    switch (op) {
      case OperatorCode::Add: result = a + b; break;
      case OperatorCode::Subtract: result = a - b; break;
      case OperatorCode::Multiply: result = a * b; break;
      default: result = b == 0 ? 0 : a % b; break;  // Remainder
    }
    if (result >= std::numeric_limits<std::int32_t>::min() &&
        result <= std::numeric_limits<std::int32_t>::max()) {
      return Scalar::ofInteger(static_cast<std::int32_t>(result));
    }
    return Scalar::ofReal(static_cast<double>(result));
  }
  const double a = realOf(left);
  const double b = realOf(right);
  switch (op) {
    case OperatorCode::Add: return Scalar::ofReal(a + b);
    case OperatorCode::Subtract: return Scalar::ofReal(a - b);
    case OperatorCode::Multiply: return Scalar::ofReal(a * b);
    case OperatorCode::Divide: return Scalar::ofReal(b == 0 ? 0 : a / b);
    case OperatorCode::Remainder: return Scalar::ofReal(b == 0 ? 0 : std::fmod(a, b));
    default: return Scalar::ofReal(std::pow(a, b));  // Power
  }
}

bool comparisonHolds(OperatorCode op, int order) {
  switch (op) {
    case OperatorCode::Equal: return order == 0;
    case OperatorCode::NotEqual: return order != 0;
    case OperatorCode::Less: return order < 0;
    case OperatorCode::Greater: return order > 0;
    case OperatorCode::LessEqual: return order <= 0;
    default: return order >= 0;  // GreaterEqual
  }
}

Scalar evaluateOperator(const Node& node, std::string& scratch) {
  const Node& left = *node.operands[0];
  switch (node.op) {
    case OperatorCode::Negate: {
      const Scalar value = evaluateNode(left, scratch);
      if (value.type == ValueType::Integer && value.integer != std::numeric_limits<std::int32_t>::min()) {
        return Scalar::ofInteger(-value.integer);
      }
      return Scalar::ofReal(-realOf(value));
    }
    case OperatorCode::Not: return Scalar::ofInteger(truthOf(evaluateNode(left, scratch)) ? 0 : 1);
    default: break;
  }
  const Node& right = *node.operands[1];
  std::string left_scratch;
  const Scalar a = evaluateNode(left, left_scratch);
  const Scalar b = evaluateNode(right, scratch);
  switch (node.op) {
    case OperatorCode::And: return Scalar::ofInteger(truthOf(a) && truthOf(b) ? 1 : 0);
    case OperatorCode::Or: return Scalar::ofInteger(truthOf(a) || truthOf(b) ? 1 : 0);
    case OperatorCode::Xor: return Scalar::ofInteger(truthOf(a) != truthOf(b) ? 1 : 0);
    case OperatorCode::Equal:
    case OperatorCode::NotEqual:
    case OperatorCode::Less:
    case OperatorCode::Greater:
    case OperatorCode::LessEqual:
    case OperatorCode::GreaterEqual:
      return Scalar::ofInteger(comparisonHolds(node.op, compareScalars(a, b)) ? 1 : 0);
    case OperatorCode::Concatenate: {
      std::string first_text;
      std::string second_text;
      const std::string_view first = textOf(a, first_text);
      const std::string_view second = textOf(b, second_text);
      std::string joined;
      joined.reserve(std::min(first.size() + second.size(), kMaxComputedText));
      joined.append(first.substr(0, kMaxComputedText));
      joined.append(second.substr(0, kMaxComputedText - joined.size()));
      scratch = std::move(joined);
      return Scalar::ofText(scratch);
    }
    case OperatorCode::Power:
    case OperatorCode::Multiply:
    case OperatorCode::Divide:
    case OperatorCode::Remainder:
    case OperatorCode::Add:
    case OperatorCode::Subtract: return arithmetic(node.op, a, b);
    default: haltWithNoEvaluation();
  }
}

}  // namespace

void haltWithNoEvaluation() {
  haltWithRuntimeError(kNoEvaluation);
}

Scalar Scalar::ofReal(double value) {
  return {ValueType::Real, 0, finiteOrZero(value), {}};
}

Scalar Scalar::ofPackedField(std::span<const std::uint8_t> bytes, TypeCode type, std::uint8_t places) {
  Scalar value = ofReal(Decimal::loadPacked(bytes, type, places).toDouble());
  value.text = {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
  value.packed_type = type;
  value.places = places;
  return value;
}

std::int32_t truncateToInteger(double value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

std::int32_t integerOf(const Scalar& value) {
  switch (value.type) {
    case ValueType::Integer: return value.integer;
    case ValueType::Real: return truncateToInteger(value.real);
    default: return truncateToInteger(realFromText(value.text));
  }
}

double realOf(const Scalar& value) {
  switch (value.type) {
    case ValueType::Integer: return value.integer;
    case ValueType::Real: return value.real;
    default: return finiteOrZero(realFromText(value.text));
  }
}

std::string_view textOf(const Scalar& value, std::string& scratch) {
  switch (value.type) {
    case ValueType::Integer: {
      char buffer[16];
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, value.integer);
      scratch.assign(buffer, result.ptr);
      return scratch;
    }
    case ValueType::Real:
      if (value.packed_type != TypeCode{0}) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(value.text.data());
        scratch = Decimal::loadPacked({bytes, value.text.size()}, value.packed_type, value.places).toText();
      } else {
        scratch = textFromReal(value.real);
      }
      return scratch;
    default: return value.text;
  }
}

bool truthOf(const Scalar& value) {
  switch (value.type) {
    case ValueType::Integer: return value.integer != 0;
    case ValueType::Real: return value.real != 0;
    default: return value.text.find_first_not_of(' ') != std::string_view::npos;
  }
}

int compareReals(double left, double right) {
  if (left == right) return 0;
  if (left != 0 && right != 0) {
    int left_exponent = 0;
    int right_exponent = 0;
    int difference_exponent = 0;
    std::frexp(left, &left_exponent);
    std::frexp(right, &right_exponent);
    std::frexp(left - right, &difference_exponent);
    if (difference_exponent < left_exponent - 50 && difference_exponent < right_exponent - 50) return 0;
  }
  return left < right ? -1 : 1;
}

int compareScalars(const Scalar& left, const Scalar& right) {
  if (left.type == ValueType::Integer && right.type == ValueType::Integer) {
    return left.integer < right.integer ? -1 : (left.integer > right.integer ? 1 : 0);
  }
  if (left.type == ValueType::String && right.type == ValueType::String)
    return compareText(left.text, right.text);
  return compareReals(realOf(left), realOf(right));
}

Scalar evaluateNode(const Node& node, std::string& scratch) {
  switch (node.kind) {
    case NodeKind::Constant:
      switch (node.type) {
        case ValueType::Integer: return Scalar::ofInteger(node.integer);
        case ValueType::Real: return Scalar::ofReal(node.real);
        default: return Scalar::ofText(node.text);
      }
    case NodeKind::Variable: return loadElement(*node.variable, 0);
    case NodeKind::Subscript:
    case NodeKind::Substring: return evaluateSubscript(node, scratch);
    case NodeKind::Procedure: return callProcedure(node, scratch);
    case NodeKind::Function: return callBuiltIn(node, scratch);
    case NodeKind::Operator: return evaluateOperator(node, scratch);
  }
  haltWithNoEvaluation();
}

}  // namespace detail

using detail::Scalar;

std::int32_t evaluateInteger(const Node& tree) {
  std::string scratch;
  return detail::integerOf(detail::evaluateNode(tree, scratch));
}

double evaluateReal(const Node& tree) {
  std::string scratch;
  return detail::realOf(detail::evaluateNode(tree, scratch));
}

std::string evaluateString(const Node& tree) {
  std::string scratch;
  const Scalar value = detail::evaluateNode(tree, scratch);
  std::string text_scratch;
  const std::string_view text = detail::textOf(value, text_scratch);
  return std::string(text);
}

void pushEvaluatedString(const Node& tree) {
  stringStack().push(evaluateString(tree));
}

bool test(const Node& tree) {
  std::string scratch;
  return detail::truthOf(detail::evaluateNode(tree, scratch));
}

}  // namespace veltrano::runtime
