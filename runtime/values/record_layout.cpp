#include "runtime/values/record_layout.h"

namespace veltrano::runtime {
namespace {

char upperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upperAscii(a[i]) != upperAscii(b[i])) return false;
  }
  return true;
}

}  // namespace

int RecordLayout::find(std::string_view name) const {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (equalsIgnoringCase(fields_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

int RecordLayout::depth(std::size_t index) const {
  int level = 0;
  for (int parent = fields_[index].parent; parent >= 0;
       parent = fields_[static_cast<std::size_t>(parent)].parent) {
    ++level;
  }
  return level;
}

RecordLayoutBuilder& RecordLayoutBuilder::field(std::string_view name, TypeCode type,
                                                std::uint32_t element_size) {
  FieldDescriptor descriptor;
  descriptor.name = std::string(name);
  descriptor.type = type;
  descriptor.offset = offset_;
  descriptor.size = element_size;
  descriptor.element_size = element_size;
  descriptor.parent = open_groups_.empty() ? -1 : open_groups_.back();
  descriptor.overlay = descriptor.parent >= 0;
  fields_.push_back(std::move(descriptor));
  offset_ += element_size;
  return *this;
}

RecordLayoutBuilder& RecordLayoutBuilder::scalar(std::string_view name, TypeCode type) {
  return field(name, type, fixedWidth(type));
}

RecordLayoutBuilder& RecordLayoutBuilder::string(std::string_view name, std::uint32_t length) {
  return field(name, TypeCode::String, length);
}

RecordLayoutBuilder& RecordLayoutBuilder::cstring(std::string_view name, std::uint32_t length) {
  return field(name, TypeCode::Cstring, length);
}

RecordLayoutBuilder& RecordLayoutBuilder::pstring(std::string_view name, std::uint32_t length) {
  return field(name, TypeCode::Pstring, length);
}

RecordLayoutBuilder& RecordLayoutBuilder::decimal(std::string_view name, std::uint8_t digits,
                                                  std::uint8_t places) {
  field(name, TypeCode::Decimal, decimalBytes(digits));
  fields_.back().digits = digits;
  fields_.back().places = places;
  return *this;
}

RecordLayoutBuilder& RecordLayoutBuilder::pdecimal(std::string_view name, std::uint8_t digits,
                                                   std::uint8_t places) {
  field(name, TypeCode::Pdecimal, decimalBytes(digits));
  fields_.back().digits = digits;
  fields_.back().places = places;
  return *this;
}

RecordLayoutBuilder& RecordLayoutBuilder::dim(std::vector<std::uint32_t> dimensions) {
  auto& last = fields_.back();
  std::uint32_t count = 1;
  for (const auto dimension : dimensions) count *= dimension;
  offset_ -= last.size;
  last.size = last.element_size * count;
  last.dimensions = std::move(dimensions);
  offset_ += last.size;
  return *this;
}

RecordLayoutBuilder& RecordLayoutBuilder::picture(std::string_view picture) {
  fields_.back().picture = std::string(picture);
  return *this;
}

RecordLayoutBuilder& RecordLayoutBuilder::externalName(std::string_view name) {
  fields_.back().external_name = std::string(name);
  return *this;
}

RecordLayoutBuilder& RecordLayoutBuilder::over(std::string_view name) {
  auto& last = fields_.back();
  for (std::size_t i = 0; i + 1 < fields_.size(); ++i) {
    if (equalsIgnoringCase(fields_[i].name, name)) {
      offset_ -= last.size;
      last.offset = fields_[i].offset;
      last.over = static_cast<int>(i);
      last.overlay = true;
      break;
    }
  }
  return *this;
}

RecordLayoutBuilder& RecordLayoutBuilder::beginGroup(std::string_view name) {
  field(name, TypeCode::Group, 0);
  open_groups_.push_back(static_cast<int>(fields_.size() - 1));
  return *this;
}

RecordLayoutBuilder& RecordLayoutBuilder::endGroup() {
  if (open_groups_.empty()) return *this;
  auto& group = fields_[static_cast<std::size_t>(open_groups_.back())];
  open_groups_.pop_back();
  group.size = offset_ - group.offset;
  group.element_size = group.size;
  return *this;
}

RecordLayout RecordLayoutBuilder::build() {
  while (!open_groups_.empty()) endGroup();
  RecordLayout layout;
  layout.fields_ = std::move(fields_);
  layout.size_ = offset_;
  fields_.clear();
  offset_ = 0;
  return layout;
}

}  // namespace veltrano::runtime
