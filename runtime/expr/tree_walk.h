// Walking expression trees: the conjuncts of a filter and the names each one reads, which a
// view uses to test every conjunct as early as the join walk allows.
#pragma once

#include <functional>
#include <vector>

#include "runtime/expr/expression.h"

namespace veltrano::runtime {

// The operands of the top-level AND operators, left to right; the tree itself when its root is
// not an AND.
std::vector<const Node*> conjuncts(const Node& tree);
// The same, taking the tree apart: each conjunct becomes a tree of its own.
std::vector<NodePointer> splitConjuncts(NodePointer tree);
// The conjuncts joined by AND again (left to right); nullptr for none.
NodePointer joinConjuncts(std::vector<NodePointer> parts);

// Calls `visit` for every bound variable the tree reads (once per occurrence).
void forEachVariable(const Node& tree, const std::function<void(const VariableBinding&)>& visit);
// Whether the tree calls a bound procedure (whose reads cannot be known).
bool callsProcedure(const Node& tree);

}  // namespace veltrano::runtime
