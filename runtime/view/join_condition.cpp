#include "runtime/view/join_condition.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "runtime/expr/binding_scopes.h"
#include "runtime/expr/tree_walk.h"

namespace veltrano::runtime {
std::shared_ptr<const VariableBinding> fieldBinding(const ViewFile& file, std::size_t index) {
  auto binding = std::make_shared<VariableBinding>();
  const FieldDescriptor& field = file.layout->field(index);
  binding->name = field.name;
  binding->field = field;
  binding->record = file.record;
  binding->owner = file.identity;
  binding->type = valueTypeOfField(field.type).value_or(ValueType::String);
  return binding;
}

NodePointer keyJoinCondition(const ViewFile& parent, const ViewFile& secondary, const ViewKey& key,
                             std::span<const std::uint32_t> linking_fields) {
  std::vector<NodePointer> links;
  const std::size_t count = std::min(linking_fields.size(), key.components.size());
  for (std::size_t i = 0; i < count; ++i) {
    const auto secondary_index = static_cast<std::size_t>(std::abs(key.components[i])) - 1;
    const std::size_t parent_index = linking_fields[i] - 1;
    NodePointer left = makeVariableNode(fieldBinding(secondary, secondary_index));
    NodePointer right = makeVariableNode(fieldBinding(parent, parent_index));
    const TypeCode type = secondary.layout->field(secondary_index).type;
    if (key.nocase && (isStringType(type) || type == TypeCode::Group)) {
      left = makeUpper(std::move(left));
      right = makeUpper(std::move(right));
    }
    links.push_back(makeEquality(std::move(left), std::move(right)));
  }
  return joinConjuncts(std::move(links));
}

}  // namespace veltrano::runtime
