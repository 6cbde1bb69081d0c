// Reads and writes fields of a record buffer by their labels ("KAR:FAM"). Procedures of the
// application address the global buffers by field name; this keeps the conversions (blank-padded
// text, packed decimals, date serials) in one place.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "runtime/values/record_layout.h"
#include "storage/declared_file.h"

namespace veltrano::app {

class RecordAccess {
 public:
  RecordAccess(const runtime::RecordLayout& layout, std::span<std::uint8_t> record)
      : layout_(&layout), record_(record) {}
  explicit RecordAccess(storage::DeclaredFile& file) : RecordAccess(file.layout(), file.record()) {}

  // REQUIRES: the layout has a field of this name. Names are the dictionary's own, so a wrong
  // one is a fault of the program, reported by std::out_of_range.
  const runtime::FieldDescriptor& field(std::string_view name) const;
  bool has(std::string_view name) const { return layout_->find(name) >= 0; }

  // The text of an element without its trailing blanks (numbers in decimal, dates as serials).
  std::string text(std::string_view name, std::uint32_t element = 0) const;
  // A number or date serial; text that is not a number gives 0.
  std::int64_t integer(std::string_view name, std::uint32_t element = 0) const;
  // True when a string holds only blanks, or a number or date is 0.
  bool blank(std::string_view name, std::uint32_t element = 0) const;

  // Text is cut or blank-padded to the field; numbers take their decimal text ("12.50").
  void setText(std::string_view name, std::string_view value, std::uint32_t element = 0);
  void setInteger(std::string_view name, std::int64_t value, std::uint32_t element = 0);
  // Every element of the field to its empty value.
  void clear(std::string_view name);
  void clearAll();

  const runtime::RecordLayout& layout() const { return *layout_; }
  std::span<std::uint8_t> record() const { return record_; }

 private:
  const runtime::RecordLayout* layout_;
  std::span<std::uint8_t> record_;
};

}  // namespace veltrano::app
