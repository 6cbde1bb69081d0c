#include "runtime/view/view_descriptor.h"

#include <utility>

namespace veltrano::runtime {
namespace {

void line(std::string& out, int indent, std::string_view text) {
  out.append(static_cast<std::size_t>(indent), ' ');
  out.append(text);
  out.append("\r\n");
}

void describeLevel(std::string& out, const ViewDescriptor& view, int indent) {
  if (view.projection) {
    std::string text = "PROJECT(";
    bool first = true;
    for (const auto& item : *view.projection) {
      if (!first) text += ',';
      first = false;
      text += item.kind == ProjectionItem::Kind::Memo ? "MEMO(" : "FIELD(";
      text += std::to_string(item.number);
      text += ')';
    }
    text += ')';
    line(out, indent, text);
  }
  for (const auto& join : view.joins) {
    std::string text = "JOIN(";
    if (join.key) {
      text += "KEY";
      for (const auto field : join.linking_fields) text += ",FIELD(" + std::to_string(field) + ")";
    } else {
      text += join.expression;
    }
    text += ')';
    if (join.inner) text += ",INNER";
    line(out, indent, text);
    describeLevel(out, join.view, indent + 2);
    line(out, indent, "END");
  }
}

}  // namespace

ViewJoin ViewJoin::byKey(std::size_t file, std::size_t key, std::vector<std::uint32_t> linking_fields,
                         bool inner) {
  ViewJoin join;
  join.view.file = file;
  join.key = key;
  join.linking_fields = std::move(linking_fields);
  join.inner = inner;
  return join;
}

ViewJoin ViewJoin::byExpression(std::size_t file, std::string expression, bool inner) {
  ViewJoin join;
  join.view.file = file;
  join.expression = std::move(expression);
  join.inner = inner;
  return join;
}

std::string describeView(const ViewDescriptor& view) {
  std::string out;
  line(out, 0, "VIEW(FILE)");
  describeLevel(out, view, 2);
  line(out, 0, "END");
  return out;
}

}  // namespace veltrano::runtime
