#include "runtime/values/field_stack.h"

#include "runtime/values/field_value.h"
#include "runtime/values/value_stacks.h"

namespace veltrano::runtime {

void pushFieldText(const FieldDescriptor& field, std::span<const std::uint8_t> record,
                   std::uint32_t element) {
  requireStringStackType(field.type);
  if (isStringType(field.type) || field.type == TypeCode::Group) {
    stringStack().push(stringView(field, record, element));
  } else {
    stringStack().push(loadText(field, record, element));
  }
}

void pushFieldDecimal(const FieldDescriptor& field, std::span<const std::uint8_t> record,
                      std::uint32_t element) {
  decimalStack().push(loadDecimal(field, record, element));
}

void popTextToField(const FieldDescriptor& field, std::span<std::uint8_t> record, std::uint32_t element) {
  StringStack& stack = stringStack();
  storeText(field, record, stack.top(), element);
  stack.pop();
}

void popDecimalToField(const FieldDescriptor& field, std::span<std::uint8_t> record, std::uint32_t element) {
  storeDecimal(field, record, decimalStack().pop(), element);
}

}  // namespace veltrano::runtime
