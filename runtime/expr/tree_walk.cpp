#include "runtime/expr/tree_walk.h"

#include <utility>

namespace veltrano::runtime {
namespace {

bool isAnd(const Node& node) {
  return node.kind == NodeKind::Operator && node.op == OperatorCode::And;
}

void collect(const Node& node, std::vector<const Node*>& parts) {
  if (!isAnd(node)) {
    parts.push_back(&node);
    return;
  }
  collect(*node.operands[0], parts);
  collect(*node.operands[1], parts);
}

void take(NodePointer node, std::vector<NodePointer>& parts) {
  if (!isAnd(*node)) {
    parts.push_back(std::move(node));
    return;
  }
  take(std::move(node->operands[0]), parts);
  take(std::move(node->operands[1]), parts);
}

}  // namespace

std::vector<const Node*> conjuncts(const Node& tree) {
  std::vector<const Node*> parts;
  collect(tree, parts);
  return parts;
}

std::vector<NodePointer> splitConjuncts(NodePointer tree) {
  std::vector<NodePointer> parts;
  if (tree) take(std::move(tree), parts);
  return parts;
}

NodePointer joinConjuncts(std::vector<NodePointer> parts) {
  NodePointer joined;
  for (auto& part : parts) {
    if (!part) continue;
    joined =
        joined ? makeOperatorNode(OperatorCode::And, std::move(joined), std::move(part)) : std::move(part);
  }
  return joined;
}

void forEachVariable(const Node& tree, const std::function<void(const VariableBinding&)>& visit) {
  if (tree.variable) visit(*tree.variable);
  for (const auto& operand : tree.operands) {
    if (operand) forEachVariable(*operand, visit);
  }
}

bool callsProcedure(const Node& tree) {
  if (tree.kind == NodeKind::Procedure) return true;
  for (const auto& operand : tree.operands) {
    if (operand && callsProcedure(*operand)) return true;
  }
  return false;
}

}  // namespace veltrano::runtime
