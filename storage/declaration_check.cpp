#include "storage/declaration_check.h"

#include <cstdlib>

#include "storage/page_format.h"

namespace veltrano::storage {
namespace {

using runtime::TypeCode;

constexpr std::uint32_t kLargestRecord = 15000;
constexpr std::size_t kLargestKeyCount = 240;
constexpr std::size_t kLargestMemoCount = 255;  // a memo's number is one byte of its chunks' keys
constexpr int kDeepestNesting = 100;
constexpr int kInvalidRecordDeclaration = 47;
constexpr int kInvalidKeyLength = 88;
// Table number and key number before the value; a DUP key's record number after it.
constexpr std::size_t kKeyPrefixBytes = 4 + 1;
constexpr std::size_t kRecordNumberBytes = 4;

bool storedType(TypeCode type) {
  switch (type) {
    case TypeCode::Byte:
    case TypeCode::Short:
    case TypeCode::Ushort:
    case TypeCode::Date:
    case TypeCode::Time:
    case TypeCode::Long:
    case TypeCode::Ulong:
    case TypeCode::Sreal:
    case TypeCode::Real:
    case TypeCode::Decimal:
    case TypeCode::String:
    case TypeCode::Cstring:
    case TypeCode::Pstring:
    case TypeCode::Group: return true;
    default: return false;
  }
}

// Whether every field lies within the record, an OVER field within the field it overlays and a
// GROUP's members within the group.
bool fieldsInPlace(const runtime::RecordLayout& layout) {
  for (const auto& field : layout.fields()) {
    const std::uint64_t end = std::uint64_t{field.offset} + field.size;
    if (end > layout.size()) return false;
    if (field.element_size != 0 && field.size % field.element_size != 0) return false;
    for (const int holder : {field.over, field.parent}) {
      if (holder < 0) continue;
      const auto& outer = layout.field(static_cast<std::size_t>(holder));
      if (field.offset < outer.offset || end > std::uint64_t{outer.offset} + outer.size) return false;
    }
  }
  return true;
}

}  // namespace

int checkDeclaration(const FileControlBlock& file) {
  const auto& layout = *file.layout;
  if (layout.size() > kLargestRecord || file.keys.size() > kLargestKeyCount ||
      file.memos.size() > kLargestMemoCount)
    return kInvalidRecordDeclaration;
  for (std::size_t i = 0; i < layout.fieldCount(); ++i) {
    if (layout.depth(i) > kDeepestNesting) return 75;
  }
  for (const auto& field : layout.fields()) {
    if (!field.overlay && !storedType(field.type)) return 79;
  }
  for (const auto* key : file.keys) {
    if (key == nullptr || key->components.empty()) return kInvalidRecordDeclaration;
    for (const auto component : key->components) {
      const auto index = static_cast<std::size_t>(std::abs(component));
      if (component == 0 || index > layout.fieldCount()) return kInvalidRecordDeclaration;
    }
  }
  for (const auto* memo : file.memos) {
    if (memo == nullptr) return kInvalidRecordDeclaration;
  }
  return 0;
}

std::size_t longestKeyValue(bool unique) {
  // An index page may have to hold a whole key entry's key as a separator; a unique key keeps
  // its record number as data, outside the key.
  return kLargestStoredKey - kKeyPrefixBytes - (unique ? 0 : kRecordNumberBytes);
}

int checkCreatable(const FileControlBlock& file, const TableDefinition& declared) {
  if (const int invalid = checkDeclaration(file); invalid != 0) return invalid;
  const auto& layout = *file.layout;
  if (!fieldsInPlace(layout)) return kInvalidRecordDeclaration;
  // What the file will hold must read back as this declaration, or the table could not be opened.
  std::string problem;
  const auto read_back = readDefinition(writeDefinition(declared), &problem);
  if (!read_back || !definitionsMatch(*read_back, declared) || !layoutOf(*read_back)) {
    return kInvalidRecordDeclaration;
  }
  // A memo's size is a 16-bit number of the stream.
  for (const auto* memo : file.memos) {
    if ((memo->attributes & kMemoBlob) == 0 && (memo->size == 0 || memo->size > 0xFFFF))
      return kInvalidRecordDeclaration;
  }
  for (const auto* key : file.keys) {
    std::size_t length = 0;
    for (const auto component : key->components) {
      length += layout.field(static_cast<std::size_t>(std::abs(component)) - 1).size;
    }
    if (length > longestKeyValue((key->attributes & kKeyDup) == 0)) return kInvalidKeyLength;
  }
  return 0;
}

}  // namespace veltrano::storage
