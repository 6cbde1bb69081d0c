#include "framework/field_ref.h"

#include <algorithm>
#include <cstring>

#include "runtime/values/field_value.h"
#include "runtime/values/text_compare.h"

namespace veltrano::framework {
namespace {

bool numeric(const runtime::FieldDescriptor& field) {
  return runtime::isNumericType(field.type) || field.type == runtime::TypeCode::Date ||
         field.type == runtime::TypeCode::Time;
}

}  // namespace

bool FieldRef::valid() const {
  return field != nullptr && field->offset <= record.size() && field->size <= record.size() - field->offset;
}

std::span<std::uint8_t> FieldRef::bytes() const {
  return valid() ? record.subspan(field->offset, field->size) : std::span<std::uint8_t>();
}

FieldRef fieldOf(const runtime::RecordLayout& layout, std::span<std::uint8_t> record, std::size_t index) {
  if (index >= layout.fieldCount()) return {};
  return {&layout.field(index), record};
}

FieldCopy::FieldCopy(FieldRef shape) {
  if (!shape.valid()) return;
  descriptor_ = *shape.field;
  descriptor_.offset = 0;
  descriptor_.over = -1;
  descriptor_.parent = -1;
  const auto source = shape.bytes();
  bytes_.assign(source.begin(), source.end());
}

FieldCopy::FieldCopy(const FieldCopy& other) = default;
FieldCopy& FieldCopy::operator=(const FieldCopy& other) = default;

FieldRef FieldCopy::ref() {
  if (bytes_.empty() && descriptor_.size != 0) return {};
  return {&descriptor_, bytes_};
}

void copyField(FieldRef to, FieldRef from) {
  if (!to.valid() || !from.valid()) return;
  const auto& target = *to.field;
  const auto& source = *from.field;
  if (target.type == source.type && target.size == source.size && target.places == source.places) {
    const auto in = from.bytes();
    std::memmove(to.bytes().data(), in.data(), in.size());
  } else if (numeric(target) && numeric(source)) {
    runtime::storeDecimal(target, to.record, runtime::loadDecimal(source, from.record));
  } else {
    runtime::storeText(target, to.record, runtime::loadText(source, from.record));
  }
}

bool sameValue(FieldRef a, FieldRef b) {
  if (!a.valid() || !b.valid()) return false;
  if (numeric(*a.field) && numeric(*b.field)) {
    return runtime::loadDecimal(*a.field, a.record) == runtime::loadDecimal(*b.field, b.record);
  }
  if (a.field->type == b.field->type && !runtime::isStringType(a.field->type) &&
      a.field->type != runtime::TypeCode::Group) {
    const auto x = a.bytes();
    const auto y = b.bytes();
    return std::equal(x.begin(), x.end(), y.begin(), y.end());
  }
  return runtime::compareText(runtime::loadText(*a.field, a.record), runtime::loadText(*b.field, b.record)) ==
         0;
}

void clearFieldValue(FieldRef field, int direction) {
  if (!field.valid()) return;
  runtime::clearField(*field.field, field.record, direction);
}

runtime::Decimal loadNumber(FieldRef field) {
  if (!field.valid()) return {};
  return runtime::loadDecimal(*field.field, field.record);
}

void storeNumber(FieldRef field, const runtime::Decimal& value) {
  if (!field.valid()) return;
  runtime::storeDecimal(*field.field, field.record, value);
}

}  // namespace veltrano::framework
