#include "storage/declaration_dump.h"

#include <algorithm>
#include <vector>

namespace veltrano::storage {
namespace {

constexpr std::size_t kFileColumn = 18;
constexpr std::size_t kDeclarationColumn = 20;
constexpr std::size_t kFieldColumn = 22;
constexpr std::size_t kWidestColumn = 1023;

using runtime::FieldDescriptor;
using runtime::TypeCode;

void startLine(std::string& out, std::string_view label, std::size_t column) {
  column = std::min(column, kWidestColumn);
  out += label;
  if (label.size() >= column) {
    out += ' ';
  } else {
    out.append(column - label.size(), ' ');
  }
}

void endLine(std::string& out) {
  out += "\r\n";
}

std::string quoted(std::string_view text) {
  std::string out = "'";
  for (const char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  out += '\'';
  return out;
}

bool present(const std::optional<std::string>& text) {
  return text.has_value() && !text->empty();
}

std::size_t groupColumn(int depth) {
  return kFieldColumn + 2 * static_cast<std::size_t>(depth);
}

void dumpFileLine(std::string& out, const FileControlBlock& file, std::string_view driver_name) {
  startLine(out, file.label, kFileColumn);
  out += "FILE,DRIVER(" + quoted(driver_name);
  if (!file.driver_options.empty()) out += "," + quoted(file.driver_options);
  out += ")";
  if (present(file.owner)) out += ",OWNER(******)";
  if (present(file.external_name)) out += ",NAME(" + quoted(*file.external_name) + ")";
  if (file.attributes & kFileCreate) out += ",CREATE";
  if (file.attributes & kFileEncrypt) out += ",ENCRYPT";
  if (file.attributes & kFileReclaim) out += ",RECLAIM";
  if (file.attributes & kFileThread) out += ",THREAD";
  endLine(out);
}

// A component names a field by its 1-based number in the layout; a number that names no field
// (a declaration the driver would refuse) is written as "?" and the number, so the dump of a
// broken declaration still shows what it holds.
std::string componentText(const FileControlBlock& file, std::int32_t component) {
  std::string out(1, component < 0 ? '-' : '+');
  const auto magnitude = component < 0 ? -static_cast<std::int64_t>(component) : component;
  if (file.layout != nullptr && magnitude >= 1 &&
      static_cast<std::uint64_t>(magnitude) <= file.layout->fieldCount()) {
    out += file.layout->field(static_cast<std::size_t>(magnitude - 1)).name;
  } else {
    out += "?" + std::to_string(magnitude);
  }
  return out;
}

void dumpKey(std::string& out, const FileControlBlock& file, const KeyDescriptor& key) {
  startLine(out, key.label, kDeclarationColumn);
  out += (key.attributes & kKeyIndex) ? "INDEX(" : "KEY(";
  for (std::size_t i = 0; i < key.components.size(); ++i) {
    if (i > 0) out += ",";
    out += componentText(file, key.components[i]);
  }
  out += ")";
  if (key.attributes & kKeyDup) out += ",DUP";
  if (key.attributes & kKeyOpt) out += ",OPT";
  if (key.attributes & kKeyNocase) out += ",NOCASE";
  if (key.attributes & kKeyPrimary) out += ",PRIMARY";
  if (present(key.external_name)) out += ",NAME(" + quoted(*key.external_name) + ")";
  endLine(out);
}

void dumpMemo(std::string& out, const MemoDescriptor& memo) {
  startLine(out, memo.label, kDeclarationColumn);
  if (memo.attributes & kMemoBlob) {
    out += "BLOB";
  } else {
    out += "MEMO(" + std::to_string(memo.size) + ")";
  }
  if (present(memo.external_name)) out += ",NAME(" + quoted(*memo.external_name) + ")";
  if (memo.attributes & kMemoBinary) out += ",BINARY";
  endLine(out);
}

std::uint32_t elementSize(const FieldDescriptor& field) {
  return field.element_size != 0 ? field.element_size : field.size;
}

void dumpField(std::string& out, const runtime::RecordLayout& layout, std::size_t index) {
  const FieldDescriptor& field = layout.field(index);
  startLine(out, field.name, groupColumn(layout.depth(index)));
  out += runtime::typeName(field.type);
  if (field.type == TypeCode::Decimal || field.type == TypeCode::Pdecimal) {
    // The declared digit count is not kept apart from the size: a field of b bytes holds
    // 2b - 1 digits, which is what reading the dump back must reproduce.
    const std::uint32_t digits = elementSize(field) * 2 - 1;
    out += "(" + std::to_string(digits) + "," + std::to_string(field.places) + ")";
  } else if (runtime::isStringType(field.type)) {
    if (!field.picture.empty()) {
      std::string_view picture = field.picture;
      if (picture.starts_with('@')) picture.remove_prefix(1);
      out += "(@";
      out += picture;
      out += ")";
    } else {
      out += "(" + std::to_string(elementSize(field)) + ")";
    }
  }
  if (field.isArray()) {
    out += ", DIM(";
    for (std::size_t i = 0; i < field.dimensions.size(); ++i) {
      if (i > 0) out += ",";
      out += std::to_string(field.dimensions[i]);
    }
    out += ")";
  }
  if (field.over >= 0 && static_cast<std::size_t>(field.over) < layout.fieldCount()) {
    out += ", OVER(" + layout.field(static_cast<std::size_t>(field.over)).name + ")";
  }
  if (!field.external_name.empty() && field.external_name != field.name) {
    out += ",NAME(" + quoted(field.external_name) + ")";
  }
  endLine(out);
}

bool isWithin(const runtime::RecordLayout& layout, std::size_t index, int group) {
  for (int parent = layout.field(index).parent; parent >= 0;
       parent = layout.field(static_cast<std::size_t>(parent)).parent) {
    if (parent == group) return true;
  }
  return false;
}

void dumpRecord(std::string& out, const runtime::RecordLayout& layout) {
  std::vector<int> open_groups;
  const auto closeGroup = [&] {
    startLine(out, {}, groupColumn(layout.depth(static_cast<std::size_t>(open_groups.back()))));
    out += "END";
    endLine(out);
    open_groups.pop_back();
  };
  for (std::size_t i = 0; i < layout.fieldCount(); ++i) {
    while (!open_groups.empty() && !isWithin(layout, i, open_groups.back())) closeGroup();
    dumpField(out, layout, i);
    if (layout.field(i).type == TypeCode::Group) open_groups.push_back(static_cast<int>(i));
  }
  while (!open_groups.empty()) closeGroup();
}

}  // namespace

std::string dumpDeclaration(const FileControlBlock& file, std::string_view driver_name) {
  std::string out;
  dumpFileLine(out, file, driver_name);
  for (const KeyDescriptor* key : file.keys) {
    if (key != nullptr) dumpKey(out, file, *key);
  }
  for (const MemoDescriptor* memo : file.memos) {
    if (memo != nullptr) dumpMemo(out, *memo);
  }
  startLine(out, {}, kDeclarationColumn);
  out += "RECORD";
  endLine(out);
  if (file.layout != nullptr) dumpRecord(out, *file.layout);
  startLine(out, {}, kDeclarationColumn);
  out += "END";
  endLine(out);
  startLine(out, {}, kDeclarationColumn);
  out += "END";
  endLine(out);
  endLine(out);
  return out;
}

}  // namespace veltrano::storage
