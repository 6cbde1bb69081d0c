// Field values on the runtime's value stacks: the loads push a buffer value onto the calling
// thread's string or decimal stack, the stores take the top value off and write it into a field.
#pragma once

#include <cstdint>
#include <span>

#include "runtime/values/record_layout.h"

namespace veltrano::runtime {

// String fields go onto the stack straight from the buffer. A type the string stack cannot carry
// stops the program with 501 "String Stack Error".
void pushFieldText(const FieldDescriptor& field, std::span<const std::uint8_t> record,
                   std::uint32_t element = 0);
void pushFieldDecimal(const FieldDescriptor& field, std::span<const std::uint8_t> record,
                      std::uint32_t element = 0);
// REQUIRES: the stack is not empty (an empty one stops the program with 501).
void popTextToField(const FieldDescriptor& field, std::span<std::uint8_t> record, std::uint32_t element = 0);
void popDecimalToField(const FieldDescriptor& field, std::span<std::uint8_t> record,
                       std::uint32_t element = 0);

}  // namespace veltrano::runtime
