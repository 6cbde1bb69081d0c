// Join conditions of a view as expression trees.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "runtime/expr/expression.h"
#include "runtime/view/view_descriptor.h"

namespace veltrano::runtime {

// A binding of field `index` (0-based) of the file's layout over its record buffer, tagged with
// the file's identity, as BIND would make it.
std::shared_ptr<const VariableBinding> fieldBinding(const ViewFile& file, std::size_t index);

// The condition of a join by key: for each linking field, the secondary key's component of the
// same position equals the parent's linking field, all of them together. On a case-insensitive
// key, string components are compared upper-cased on both sides (numbers have no case, and
// upper-casing them would compare their texts). Key components past the linking fields take no
// part; linking fields past the key's components are ignored. Null when no field links.
// REQUIRES: the key components and linking fields name fields of their layouts.
NodePointer keyJoinCondition(const ViewFile& parent, const ViewFile& secondary, const ViewKey& key,
                             std::span<const std::uint32_t> linking_fields);

}  // namespace veltrano::runtime
