#include "tools/wlk/record_text.h"

#include <charconv>
#include <cstdio>

#include "platform/codepage.h"
#include "runtime/expr/binding_scopes.h"
#include "runtime/expr/parser.h"

namespace veltrano::wlk {

std::optional<FieldReference> findField(const runtime::RecordLayout& layout, std::string_view name) {
  std::uint32_t element = 0;
  if (const auto open = name.find('['); open != std::string_view::npos) {
    if (name.back() != ']') return std::nullopt;
    const std::string_view digits = name.substr(open + 1, name.size() - open - 2);
    std::uint32_t subscript = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), subscript);
    if (error != std::errc() || end != digits.data() + digits.size() || subscript == 0) return std::nullopt;
    element = subscript - 1;
    name = name.substr(0, open);
  }
  const int index = layout.find(name);
  if (index < 0) return std::nullopt;
  const auto& field = layout.field(static_cast<std::size_t>(index));
  if (element >= field.elementCount()) return std::nullopt;
  return FieldReference{static_cast<std::size_t>(index), element};
}

BoundRecord::BoundRecord(storage::DeclaredFile& file) {
  runtime::pushScope(true);
  for (const auto& field : file.layout().fields()) runtime::bindVariable(field.name, field, file.record());
}

BoundRecord::~BoundRecord() {
  runtime::popScope();
}

runtime::NodePointer parseOrReport(std::string_view utf8_text) {
  runtime::ParseError error;
  auto tree = runtime::parseExpression(platform::cp1251FromUtf8(utf8_text), &error);
  if (!tree) {
    std::fprintf(stderr, "wlk: expression does not parse at %zu: %s\n  %s\n", error.position + 1,
                 platform::utf8From1251(error.message).c_str(), std::string(utf8_text).c_str());
  }
  return tree;
}

std::vector<FieldReference> defaultColumns(const runtime::RecordLayout& layout) {
  std::vector<FieldReference> columns;
  for (std::size_t i = 0; i < layout.fieldCount(); ++i) {
    const auto& field = layout.field(i);
    if (field.type == runtime::TypeCode::Group) continue;
    for (std::uint32_t element = 0; element < field.elementCount(); ++element)
      columns.push_back({i, element});
  }
  return columns;
}

}  // namespace veltrano::wlk
