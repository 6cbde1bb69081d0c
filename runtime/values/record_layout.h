// Record layouts: the fields of a record declaration in order, each at the sum of the widths of
// the fields before it (no gaps), arrays and groups inline. A GROUP is followed by its members
// (parent = the group's index); a field declared OVER another shares that field's bytes.
//
// MEMO and BLOB fields are not part of the record buffer; files describe them separately.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/values/type_codes.h"

namespace veltrano::runtime {

struct FieldDescriptor {
  std::string name;               // the label with its prefix, code page 1251 ("KAR:FAM")
  TypeCode type = TypeCode::End;  // the type of one element; Group for a group
  std::uint32_t offset = 0;       // from the start of the record buffer
  std::uint32_t size = 0;         // bytes of all elements together
  std::uint32_t element_size = 0;
  std::uint8_t digits = 0;                // DECIMAL/PDECIMAL: declared digits
  std::uint8_t places = 0;                // DECIMAL/PDECIMAL: digits after the point
  std::vector<std::uint32_t> dimensions;  // DIM(…); empty for a simple field
  std::string picture;                    // a declared picture such as "@s20"; empty when none
  std::string external_name;              // NAME('…'); empty when none
  int over = -1;                          // index of the field this one overlays (OVER); -1 when none
  int parent = -1;                        // index of the enclosing GROUP; -1 at the top level
  bool overlay = false;                   // lies within an earlier field's bytes (OVER, or a group member)

  std::uint32_t elementCount() const { return element_size == 0 ? 1 : size / element_size; }
  bool isArray() const { return !dimensions.empty(); }
};

class RecordLayout {
 public:
  const std::vector<FieldDescriptor>& fields() const { return fields_; }
  const FieldDescriptor& field(std::size_t index) const { return fields_[index]; }
  std::size_t fieldCount() const { return fields_.size(); }
  // Bytes in the record buffer.
  std::uint32_t size() const { return size_; }
  // The index of the field with this name (compared without regard to ASCII case), or -1.
  int find(std::string_view name) const;
  // The depth of a field's GROUP nesting (0 at the top level).
  int depth(std::size_t index) const;

 private:
  friend class RecordLayoutBuilder;
  std::vector<FieldDescriptor> fields_;
  std::uint32_t size_ = 0;
};

// Builds a layout field by field, in declaration order:
//   RecordLayoutBuilder b;
//   b.string("KAR:FAM", 20).decimal("KAR:NUM", 7, 0).scalar("KAR:DATA_R", TypeCode::Date);
//   b.beginGroup("KAR:ADR"); b.string("KAR:GOROD", 20); b.endGroup();
//   RecordLayout layout = b.build();
class RecordLayoutBuilder {
 public:
  RecordLayoutBuilder& scalar(std::string_view name, TypeCode type);  // BYTE … BFLOAT8, DATE, TIME
  RecordLayoutBuilder& string(std::string_view name, std::uint32_t length);
  RecordLayoutBuilder& cstring(std::string_view name, std::uint32_t length);
  RecordLayoutBuilder& pstring(std::string_view name, std::uint32_t length);
  RecordLayoutBuilder& decimal(std::string_view name, std::uint8_t digits, std::uint8_t places);
  RecordLayoutBuilder& pdecimal(std::string_view name, std::uint8_t digits, std::uint8_t places);
  // The general form: a field of `type` whose one element is `element_size` bytes.
  RecordLayoutBuilder& field(std::string_view name, TypeCode type, std::uint32_t element_size);

  // Modifiers of the field added last.
  RecordLayoutBuilder& dim(std::vector<std::uint32_t> dimensions);
  RecordLayoutBuilder& picture(std::string_view picture);
  RecordLayoutBuilder& externalName(std::string_view name);
  // The field added last overlays the earlier field `name` (same offset, no width of its own).
  RecordLayoutBuilder& over(std::string_view name);

  RecordLayoutBuilder& beginGroup(std::string_view name);
  RecordLayoutBuilder& endGroup();

  RecordLayout build();

 private:
  void closeLast();
  std::vector<FieldDescriptor> fields_;
  std::vector<int> open_groups_;
  std::uint32_t offset_ = 0;
};

}  // namespace veltrano::runtime
