#include "app/dictionary/record_access.h"

#include <stdexcept>

#include "runtime/values/field_value.h"

namespace veltrano::app {

const runtime::FieldDescriptor& RecordAccess::field(std::string_view name) const {
  const int index = layout_->find(name);
  if (index < 0) throw std::out_of_range("no field " + std::string(name) + " in this record");
  return layout_->field(static_cast<std::size_t>(index));
}

std::string RecordAccess::text(std::string_view name, std::uint32_t element) const {
  std::string value = runtime::loadText(field(name), record_, element);
  while (!value.empty() && value.back() == ' ') value.pop_back();
  return value;
}

std::int64_t RecordAccess::integer(std::string_view name, std::uint32_t element) const {
  // The application's numbers are whole and at most 7 digits: a double holds them exactly.
  return static_cast<std::int64_t>(runtime::loadReal(field(name), record_, element));
}

bool RecordAccess::blank(std::string_view name, std::uint32_t element) const {
  const auto& descriptor = field(name);
  if (descriptor.type == runtime::TypeCode::String) {
    return runtime::stringView(descriptor, record_, element).find_first_not_of(' ') == std::string_view::npos;
  }
  return runtime::loadReal(descriptor, record_, element) == 0.0;
}

void RecordAccess::setText(std::string_view name, std::string_view value, std::uint32_t element) {
  runtime::storeText(field(name), record_, value, element);
}

void RecordAccess::setInteger(std::string_view name, std::int64_t value, std::uint32_t element) {
  runtime::storeInteger(field(name), record_, value, element);
}

void RecordAccess::clear(std::string_view name) {
  runtime::clearField(field(name), record_);
}

void RecordAccess::clearAll() {
  runtime::clearRecord(*layout_, record_);
}

}  // namespace veltrano::app
