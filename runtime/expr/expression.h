// Expression trees of filter texts: one node per operator, operand, constant, name or call.
//
// A tree is built once (by the parser, or programmatically by the view code) and evaluated many
// times. Nodes own their operands; variable and procedure nodes share ownership of their
// bindings, so a tree stays safe to evaluate even after the scope that bound its names was
// popped (it keeps reading the record buffer the binding named, which the binder must keep
// alive as long as it evaluates the tree).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "runtime/values/record_layout.h"

namespace veltrano::runtime {

// The result type of a node.
enum class ValueType : std::uint8_t { Integer = 1, Real = 2, Picture = 3, String = 4 };

// Operator codes, shared with the lexer's token codes.
enum class OperatorCode : std::uint8_t {
  None = 0,
  Power = 2,
  Multiply = 3,
  Divide = 4,
  Remainder = 5,
  Negate = 6,
  Add = 7,
  Subtract = 8,
  Concatenate = 9,
  Equal = 10,
  NotEqual = 11,
  Less = 12,
  Greater = 13,
  LessEqual = 14,
  GreaterEqual = 15,
  Not = 16,
  And = 17,
  Or = 18,
  Xor = 19,
  Comma = 20,
  Colon = 21,
};

enum class FunctionCode : std::uint8_t {
  None = 0,
  Memory = 1,
  Sub = 2,
  Instring = 3,
  Clip = 4,
  All = 5,
  Center = 6,
  Chr = 7,
  Deformat = 8,
  Format = 9,
  Left = 10,
  Len = 11,
  Lower = 12,
  Numeric = 13,
  Right = 14,
  Upper = 15,
  Val = 16,
  Abs = 17,
  Inrange = 18,
  Int = 19,
  Loge = 20,
  Log10 = 21,
  Random = 22,
  Round = 23,
  Sqrt = 24,
  Sin = 25,
  Cos = 26,
  Tan = 27,
  Asin = 28,
  Acos = 29,
  Atan = 30,
  Band = 31,
  Bor = 32,
  Bxor = 33,
  Bshift = 34,
  Today = 35,
  Clock = 36,
  Date = 37,
  Day = 38,
  Month = 39,
  Year = 40,
  Age = 41,
  Choose = 42,
  Inlist = 43,
  Getini = 44,
  Match = 45,
  Null = 46,
};

// A value passed to and returned by a bound procedure.
using Value = std::variant<std::int32_t, double, std::string>;

// A bound variable: a field of a record buffer, or a plain variable described as a one-field
// record over its own bytes. The binder keeps `record` alive while trees that name it are used.
struct VariableBinding {
  std::string name;       // as bound, code page 1251 ("KAR:FAM")
  FieldDescriptor field;  // type, offset, size, digits and places, dimensions
  std::span<std::uint8_t> record;
  const void* owner = nullptr;          // the binder's tag (a view uses it to tell which file a name reads)
  ValueType type = ValueType::Integer;  // how the variable evaluates
};

// A bound procedure: called with its arguments converted to `parameters`, the last one
// evaluated first; returns a value of `result` type.
struct ProcedureBinding {
  std::string name;
  std::vector<ValueType> parameters;
  ValueType result = ValueType::Integer;
  std::function<Value(std::span<const Value>)> entry;
};

enum class NodeKind : std::uint8_t {
  Constant,
  Variable,
  Procedure,
  Function,
  Operator,
  Subscript,
  Substring
};

struct Node {
  NodeKind kind = NodeKind::Constant;
  ValueType type = ValueType::Integer;
  OperatorCode op = OperatorCode::None;        // Operator nodes
  FunctionCode function = FunctionCode::None;  // Function nodes
  // Operator: the left and right operand (one for NOT and unary minus). Function and procedure:
  // the argument slots, nullptr for an argument left out. Subscript: the subscripts. Substring:
  // the subscripts followed by the end of the range.
  std::vector<std::unique_ptr<Node>> operands;
  std::shared_ptr<const VariableBinding> variable;    // Variable, Subscript, Substring
  std::shared_ptr<const ProcedureBinding> procedure;  // Procedure
  std::int32_t integer = 0;                           // Integer constants
  double real = 0;                                    // Real constants
  std::string text;  // String and picture constants; the name of a built-in function
  int depth = 1;     // levels of the tree below and including this node
};

using NodePointer = std::unique_ptr<Node>;

// Trees deeper than this do not parse (nor evaluate recursively past the stack).
inline constexpr int kMaxTreeDepth = 400;

// --- Building trees programmatically ---------------------------------------------------------
NodePointer makeIntegerConstant(std::int32_t value);
NodePointer makeRealConstant(double value);
NodePointer makeStringConstant(std::string text);
NodePointer makePictureConstant(std::string text);
NodePointer makeVariableNode(std::shared_ptr<const VariableBinding> binding);
// A binary operator (unary for Not and Negate, `right` then nullptr).
NodePointer makeOperatorNode(OperatorCode op, NodePointer left, NodePointer right = nullptr);
// A built-in call; a nullptr argument is a slot left out.
NodePointer makeFunctionNode(FunctionCode function, std::vector<NodePointer> arguments);
// `left = right`, the link of a join by key.
NodePointer makeEquality(NodePointer left, NodePointer right);
// UPPER(operand), the case-insensitive side of a link.
NodePointer makeUpper(NodePointer operand);
// A copy of a whole tree (bindings shared).
NodePointer cloneTree(const Node& node);

// The result type of an operator over operands of these types.
ValueType operatorResultType(OperatorCode op, ValueType left, ValueType right);

}  // namespace veltrano::runtime
