#include "tools/wlk/record_text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "platform/codepage.h"
#include "runtime/expr/binding_scopes.h"
#include "runtime/expr/parser.h"

namespace veltrano::wlk {

std::optional<FieldReference> findField(const runtime::RecordLayout& layout, std::string_view name,
                                        std::string* why) {
  std::vector<std::uint32_t> subscripts;
  if (const auto open = name.find('['); open != std::string_view::npos) {
    if (name.back() != ']') return std::nullopt;
    std::string_view list = name.substr(open + 1, name.size() - open - 2);
    for (;;) {
      const auto comma = list.find(',');
      const std::string_view digits = list.substr(0, comma);
      std::uint32_t subscript = 0;
      const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), subscript);
      if (error != std::errc() || end != digits.data() + digits.size() || subscript == 0) return std::nullopt;
      subscripts.push_back(subscript);
      if (comma == std::string_view::npos) break;
      list = list.substr(comma + 1);
    }
    name = name.substr(0, open);
  }
  const int index = layout.find(name);
  if (index < 0) return std::nullopt;
  const auto& field = layout.field(static_cast<std::size_t>(index));
  const std::vector<std::uint32_t> dimensions =
      field.dimensions.empty() ? std::vector<std::uint32_t>{field.elementCount()} : field.dimensions;
  auto refuse = [&](const std::string& reason) {
    if (why != nullptr) *why = field.name + reason;
    return std::nullopt;
  };
  if (subscripts.empty()) subscripts.push_back(1);
  if (subscripts.size() != dimensions.size()) {
    // A table's stored definition keeps an array's element count, not its dimensions.
    return refuse(" has " + std::to_string(field.elementCount()) + " elements in " +
                  (dimensions.size() == 1 ? std::string("one dimension")
                                          : std::to_string(dimensions.size()) + " dimensions") +
                  " (the file keeps no other): write " + field.name + "[k], k from 1 to " +
                  std::to_string(field.elementCount()) + "; element [i,j] of DIM(m,n) is k = (i-1)*n + j");
  }
  std::uint32_t element = 0;
  for (std::size_t d = 0; d < dimensions.size(); ++d) {
    if (subscripts[d] > dimensions[d])
      return refuse(" has no element " + std::to_string(subscripts[d]) + " in dimension " +
                    std::to_string(d + 1) + " (it has " + std::to_string(dimensions[d]) + ")");
    element = element * dimensions[d] + (subscripts[d] - 1);
  }
  return FieldReference{static_cast<std::size_t>(index), element};
}

BoundRecord::BoundRecord(storage::DeclaredFile& file) : file_(file) {
  runtime::pushScope(true);
  for (const auto& field : file.layout().fields()) runtime::bindVariable(field.name, field, file.record());
  const auto& memos = file.file().memos;
  memos_.reserve(memos.size());
  for (std::size_t i = 0; i < memos.size(); ++i) {
    if ((memos[i]->attributes & storage::kMemoBlob) != 0 || memos[i]->size == 0) continue;
    runtime::FieldDescriptor field;
    field.name = memos[i]->label;
    field.type = runtime::TypeCode::String;
    field.size = field.element_size = memos[i]->size;
    memos_.push_back(BoundMemo{i, std::move(field), std::vector<std::uint8_t>(memos[i]->size, ' ')});
  }
  // Bound once they no longer move: the bindings keep where their bytes are.
  for (auto& memo : memos_) runtime::bindVariable(memo.field.name, memo.field, memo.text);
}

void BoundRecord::loadMemos() {
  for (auto& memo : memos_) {
    const auto& contents = file_.file().memo_values.at(memo.index);
    const std::size_t length = std::min(contents.size(), memo.text.size());
    std::copy(contents.begin(), contents.begin() + static_cast<std::ptrdiff_t>(length), memo.text.begin());
    std::fill(memo.text.begin() + static_cast<std::ptrdiff_t>(length), memo.text.end(), ' ');
  }
}

BoundRecord::~BoundRecord() {
  runtime::popScope();
}

runtime::NodePointer parseOrReport(std::string_view utf8_text) {
  const std::string text = platform::cp1251FromUtf8(utf8_text);
  runtime::ParseError error;
  auto tree = runtime::parseExpression(text, &error);
  if (tree) return tree;
  std::string message = platform::utf8From1251(error.message);
  // The parser names every name it cannot bind a variable, functions too.
  constexpr std::string_view kUnbound = "No BIND on variable ";
  if (message.rfind(kUnbound, 0) == 0) {
    const std::string name = message.substr(kUnbound.size());
    std::size_t after = error.position + platform::cp1251FromUtf8(name).size();
    while (after < text.size() && text[after] == ' ') ++after;
    message = after < text.size() && text[after] == '(' ? "there is no function " + name
                                                        : "there is no field or variable " + name;
  }
  // Text in 1251 has one byte per character, so the position counts characters of the UTF-8 text.
  const std::string where =
      error.position >= text.size() ? "at its end" : "at character " + std::to_string(error.position + 1);
  std::fprintf(stderr, "wlk: the expression does not parse %s: %s\n  %s\n  %s^\n", where.c_str(),
               message.c_str(), std::string(utf8_text).c_str(),
               std::string(std::min(error.position, text.size()), ' ').c_str());
  return nullptr;
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
