#include "runtime/expr/expression.h"

#include <algorithm>
#include <utility>

#include "runtime/expr/function_table.h"

namespace veltrano::runtime {
namespace {

void updateDepth(Node& node) {
  node.depth = 1;
  for (const auto& operand : node.operands) {
    if (operand) node.depth = std::max(node.depth, operand->depth + 1);
  }
}

}  // namespace

NodePointer makeIntegerConstant(std::int32_t value) {
  auto node = std::make_unique<Node>();
  node->type = ValueType::Integer;
  node->integer = value;
  node->real = value;
  return node;
}

NodePointer makeRealConstant(double value) {
  auto node = std::make_unique<Node>();
  node->type = ValueType::Real;
  node->real = value;
  return node;
}

NodePointer makeStringConstant(std::string text) {
  auto node = std::make_unique<Node>();
  node->type = ValueType::String;
  node->text = std::move(text);
  return node;
}

NodePointer makePictureConstant(std::string text) {
  auto node = std::make_unique<Node>();
  node->type = ValueType::Picture;
  node->text = std::move(text);
  return node;
}

NodePointer makeVariableNode(std::shared_ptr<const VariableBinding> binding) {
  auto node = std::make_unique<Node>();
  node->kind = NodeKind::Variable;
  node->type = binding->type;
  node->variable = std::move(binding);
  return node;
}

ValueType operatorResultType(OperatorCode op, ValueType left, ValueType right) {
  switch (op) {
    case OperatorCode::Power:
    case OperatorCode::Divide: return ValueType::Real;
    case OperatorCode::Multiply:
    case OperatorCode::Remainder:
    case OperatorCode::Add:
    case OperatorCode::Subtract:
      return left == ValueType::Integer && right == ValueType::Integer ? ValueType::Integer : ValueType::Real;
    case OperatorCode::Negate: return left == ValueType::Integer ? ValueType::Integer : ValueType::Real;
    case OperatorCode::Concatenate: return ValueType::String;
    default: return ValueType::Integer;
  }
}

NodePointer makeOperatorNode(OperatorCode op, NodePointer left, NodePointer right) {
  auto node = std::make_unique<Node>();
  node->kind = NodeKind::Operator;
  node->op = op;
  const ValueType left_type = left ? left->type : ValueType::Integer;
  const ValueType right_type = right ? right->type : left_type;
  node->type = operatorResultType(op, left_type, right_type);
  node->operands.push_back(std::move(left));
  if (right) node->operands.push_back(std::move(right));
  updateDepth(*node);
  return node;
}

NodePointer makeFunctionNode(FunctionCode function, std::vector<NodePointer> arguments) {
  auto node = std::make_unique<Node>();
  node->kind = NodeKind::Function;
  node->function = function;
  if (const BuiltInFunction* entry = builtInFunction(function)) {
    node->type = entry->result;
    node->text = std::string(entry->name);
    if (entry->arity != kVariableArity) arguments.resize(static_cast<std::size_t>(entry->arity));
  }
  node->operands = std::move(arguments);
  updateDepth(*node);
  return node;
}

NodePointer makeEquality(NodePointer left, NodePointer right) {
  return makeOperatorNode(OperatorCode::Equal, std::move(left), std::move(right));
}

NodePointer makeUpper(NodePointer operand) {
  std::vector<NodePointer> arguments;
  arguments.push_back(std::move(operand));
  return makeFunctionNode(FunctionCode::Upper, std::move(arguments));
}

NodePointer cloneTree(const Node& node) {
  auto copy = std::make_unique<Node>();
  copy->kind = node.kind;
  copy->type = node.type;
  copy->op = node.op;
  copy->function = node.function;
  copy->variable = node.variable;
  copy->procedure = node.procedure;
  copy->integer = node.integer;
  copy->real = node.real;
  copy->text = node.text;
  copy->depth = node.depth;
  copy->operands.reserve(node.operands.size());
  for (const auto& operand : node.operands) {
    copy->operands.push_back(operand ? cloneTree(*operand) : nullptr);
  }
  return copy;
}

}  // namespace veltrano::runtime
