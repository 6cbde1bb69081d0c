// Record fields as wlk insert, select and delete see them: field names with an optional
// element subscript, every field bound by its label for filter and field expressions, and the
// default columns of a record.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/expr/expression.h"
#include "storage/declared_file.h"

namespace veltrano::wlk {

struct FieldReference {
  std::size_t field = 0;
  std::uint32_t element = 0;  // 0-based
};

// "NAME", "NAME[k]" or "NAME[i,j,…]" (subscripts from 1, one per dimension the layout knows), the
// label compared without regard to case. nullopt when there is no such element, with the reason
// in *why (1251) when the field exists but the subscripts do not fit it.
std::optional<FieldReference> findField(const runtime::RecordLayout& layout, std::string_view name,
                                        std::string* why = nullptr);

// Binds every field of the record by its label in a new scope (popped by the destructor), and
// every MEMO as a STRING of its declared size, whose text loadMemos() takes from the file's memo
// buffers after each read. A BLOB is binary and is not bound.
class BoundRecord {
 public:
  explicit BoundRecord(storage::DeclaredFile& file);
  ~BoundRecord();
  BoundRecord(const BoundRecord&) = delete;
  BoundRecord& operator=(const BoundRecord&) = delete;

  void loadMemos();

 private:
  storage::DeclaredFile& file_;
  struct BoundMemo {
    std::size_t index;
    runtime::FieldDescriptor field;
    std::vector<std::uint8_t> text;
  };
  std::vector<BoundMemo> memos_;
};

// Parses an expression over the bound names; null after printing where and why it does not.
runtime::NodePointer parseOrReport(std::string_view utf8_text);

// The default columns: every field but groups, each array element a column of its own.
std::vector<FieldReference> defaultColumns(const runtime::RecordLayout& layout);

}  // namespace veltrano::wlk
