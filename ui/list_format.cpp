#include "ui/list_format.h"

#include <limits>

namespace veltrano::ui {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool fail(std::string* error, std::string reason) {
  if (error != nullptr) *error = std::move(reason);
  return false;
}

// group -> [width] [alignment ['(' indent ')']] marks* ['~' title '~' [alignment ['(' n ')']]]
//          '@' picture '@'
bool parseGroup(std::string_view format, std::size_t& at, ListColumn& column, std::string* error) {
  int width = 0;
  while (at < format.size() && isDigit(format[at])) {
    if (width < std::numeric_limits<int>::max() / 10) width = width * 10 + (format[at] - '0');
    ++at;
  }
  column.width = width;
  bool alignment_seen = false;
  while (at < format.size()) {
    char c = format[at];
    if (c == '~') {
      std::size_t end = format.find('~', at + 1);
      if (end == std::string_view::npos) return fail(error, "the column title is not closed by \"~\"");
      column.title = std::string(format.substr(at + 1, end - at - 1));
      at = end + 1;
      alignment_seen = true;  // a letter after the title aligns the title, not the column
      continue;
    }
    if (c == '@') {
      std::size_t end = format.find('@', at + 1);
      if (end == std::string_view::npos) return fail(error, "the column picture is not closed by \"@\"");
      column.picture = "@" + std::string(format.substr(at + 1, end - at - 1));
      at = end + 1;
      return true;
    }
    if (!alignment_seen && (c == 'L' || c == 'R' || c == 'C' || c == 'D')) {
      column.alignment = c;
      alignment_seen = true;
    } else if (c == '|') {
      column.right_border = true;
    } else if (c == 'M') {
      column.resizable = true;
    }
    ++at;
  }
  return fail(error, "a column has no picture between \"@\"");
}

// bracketed -> '[' group+ ']' ['(' width ')'] marks* ['~' title '~']
bool parseBracketed(std::string_view format, std::size_t& at, ListFormat& result, std::string* error) {
  const std::size_t first = result.columns.size();
  ++at;
  while (at < format.size() && format[at] != ']') {
    ListColumn column;
    if (!parseGroup(format, at, column, error)) return false;
    result.columns.push_back(std::move(column));
  }
  if (at >= format.size()) return fail(error, "a group of columns is not closed by \"]\"");
  if (result.columns.size() == first) return fail(error, "a group of columns holds no column");
  ++at;
  std::string title;
  while (at < format.size() && format[at] != '[' && !isDigit(format[at])) {
    if (format[at] == '~') {
      const std::size_t end = format.find('~', at + 1);
      if (end == std::string_view::npos) return fail(error, "the group's title is not closed by \"~\"");
      title = std::string(format.substr(at + 1, end - at - 1));
      at = end + 1;
      break;
    }
    if (format[at] == '(') {
      const std::size_t end = format.find(')', at + 1);
      if (end == std::string_view::npos) return fail(error, "the group's width is not closed by \")\"");
      at = end;
    }
    ++at;
  }
  for (std::size_t column = first; column < result.columns.size(); ++column)
    result.columns[column].group_title = title;
  return true;
}

}  // namespace

std::optional<ListFormat> parseListFormat(std::string_view format, std::string* error) {
  ListFormat result;
  std::size_t at = 0;
  while (at < format.size()) {
    if (format[at] == '[') {
      if (!parseBracketed(format, at, result, error)) return std::nullopt;
      continue;
    }
    ListColumn column;
    if (!parseGroup(format, at, column, error)) return std::nullopt;
    result.columns.push_back(std::move(column));
  }
  return result;
}

}  // namespace veltrano::ui
