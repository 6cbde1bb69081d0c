// Ordering of record fields by their type, as queue sort orders use it: strings by the collation
// with trailing blanks ignored, integers and floats numerically, DECIMAL and PDECIMAL exactly,
// dates and times by their serials. Arrays compare element by element.
#pragma once

#include <cstdint>
#include <span>

#include "runtime/values/record_layout.h"

namespace veltrano::runtime {

// Negative, 0 or positive. REQUIRES: both records hold the whole field.
int compareField(const FieldDescriptor& field, std::span<const std::uint8_t> left,
                 std::span<const std::uint8_t> right);

}  // namespace veltrano::runtime
