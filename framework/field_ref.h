// References to fields of a record buffer, and private copies of field values: what the
// managers' link pairs, key components and auto-numbering work on. Values move between
// fields of different types the way an assignment does (text to text, numbers through the
// decimal working value); fields of one type and width are copied byte for byte.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "runtime/values/decimal.h"
#include "runtime/values/record_layout.h"

namespace veltrano::framework {

// A field of a record buffer. Both the descriptor and the buffer belong to the file (or
// variable) the reference names, and must outlive the reference.
struct FieldRef {
  const runtime::FieldDescriptor* field = nullptr;
  std::span<std::uint8_t> record;

  // A reference whose field lies inside its buffer; every operation below does nothing (or
  // compares unequal) on any other.
  bool valid() const;
  std::span<std::uint8_t> bytes() const;
};

// Field number `index` (0-based) of a layout over `record`; an invalid reference when the
// index is out of range.
FieldRef fieldOf(const runtime::RecordLayout& layout, std::span<std::uint8_t> record, std::size_t index);

// A private copy of one field's value, kept in the field's own encoding.
class FieldCopy {
 public:
  FieldCopy() = default;
  explicit FieldCopy(FieldRef shape);
  FieldCopy(const FieldCopy& other);
  FieldCopy& operator=(const FieldCopy& other);

  FieldRef ref();

 private:
  runtime::FieldDescriptor descriptor_;  // the original's, moved to offset 0
  std::vector<std::uint8_t> bytes_;
};

void copyField(FieldRef to, FieldRef from);
// Numbers compare as numbers; anything else compares as text, trailing spaces ignored.
bool sameValue(FieldRef a, FieldRef b);
// Direction as runtime::clearField: 0 the empty value, >0 the highest, <0 the lowest.
void clearFieldValue(FieldRef field, int direction = 0);
runtime::Decimal loadNumber(FieldRef field);
void storeNumber(FieldRef field, const runtime::Decimal& value);

}  // namespace veltrano::framework
