#include "framework/browse/query_by_example.h"

#include <algorithm>

#include "framework/browse/browse_manager.h"
#include "runtime/picture/picture.h"
#include "runtime/values/text_compare.h"

namespace veltrano::framework {
namespace {

constexpr std::size_t kLongestOperator = 10;
constexpr std::string_view kOperatorCharacters = "><~=";

std::string clipped(std::string_view value) {
  std::size_t end = value.find_last_not_of(' ');
  value = end == std::string_view::npos ? std::string_view() : value.substr(0, end + 1);
  return std::string(value.substr(0, QueryByExample::kValueWidth));
}

// The value in single quotes, every single quote inside it doubled.
std::string quoted(std::string_view value) {
  std::string text = "'";
  for (char c : value) {
    text += c;
    if (c == '\'') text += '\'';
  }
  return text + "'";
}

// A comparison operator the filter grammar reads: ">" alone asks for "at least", and an
// operator without ">" or "=" gets its "=" ("" is "=", "<" is "<=", "~" is "~="). An operator
// that already ends in "=" is complete as typed ("=", "<=", ">=").
std::string completed(std::string op) {
  if (op.find('>') != std::string::npos && op.find('<') == std::string::npos) return ">=";
  if (op.find('>') == std::string::npos && op.find('=') == std::string::npos) op += '=';
  return op;
}

bool isNumberPicture(std::string_view picture) {
  if (picture.size() < 2 || picture[0] != '@') return false;
  char kind = static_cast<char>(runtime::upperChar(static_cast<std::uint8_t>(picture[1])));
  return kind == 'N' || kind == 'E' || kind == 'D' || kind == 'T';
}

class FilterBuilder {
 public:
  // Whole conditions only: one that would not fit the buffer ends the filter, so a cut never
  // leaves a condition that reads as another.
  bool add(const std::string& condition) {
    std::size_t joined = text_.empty() ? condition.size() : text_.size() + 5 + condition.size();
    if (joined > QueryByExample::kFilterWidth) return false;
    if (!text_.empty()) text_ += " AND ";
    text_ += condition;
    return true;
  }
  std::string text() && { return std::move(text_); }

 private:
  std::string text_;
};

}  // namespace

void QueryByExample::Init(BrowseManager* browse) {
  BROWSE = browse;
  if (browse != nullptr && browse->WINDOW != nullptr) TRANSLATOR = browse->WINDOW->TRANSLATOR;
  FIELDS.clear();
}

void QueryByExample::Kill() {
  FIELDS.clear();
}

void QueryByExample::AddItem(std::string_view expression, std::string_view title, std::string_view picture) {
  QueryField field;
  field.EXPRESSION = std::string(expression);
  field.TITLE = std::string(title);
  field.PICTURE = std::string(picture);
  field.TYPE = isNumberPicture(picture) ? 'N' : 'S';
  FIELDS.push_back(std::move(field));
}

void QueryByExample::Reset() {
  for (QueryField& field : FIELDS) {
    field.LOW.clear();
    field.EQUAL.clear();
    field.HIGH.clear();
  }
}

std::string QueryByExample::GetFilter() const {
  FilterBuilder filter;
  for (const QueryField& field : FIELDS) {
    const std::string& expression = field.EXPRESSION;
    const bool upper = expression.find("UPPER(") != std::string::npos;
    const bool text = field.TYPE == 'S';
    runtime::CompiledPicture picture = runtime::compilePicture(field.PICTURE);
    // A bound compares with the field as the clerk reads it: upper-cased when the field is,
    // and a number's, date's or time's value read back through its picture.
    auto bound = [&](const std::string& typed) {
      std::string value = clipped(typed);
      if (value.empty()) return value;
      if (upper) value = runtime::upperText(value);
      return text ? value : runtime::deformatPicture(value, picture);
    };
    std::string low = bound(field.LOW);
    std::string high = bound(field.HIGH);
    std::string condition;
    if (!low.empty()) condition = expression + " >= " + quoted(low);
    if (!high.empty()) condition += (condition.empty() ? "" : " AND ") + expression + " <= " + quoted(high);
    std::string value = clipped(field.EQUAL);
    if (low.empty() && high.empty() && !value.empty()) {
      if (upper) value = runtime::upperText(value);
      std::size_t op_end = std::min(value.find_first_not_of(kOperatorCharacters), kLongestOperator);
      std::string op = value.substr(0, std::min(op_end, value.size()));
      value.erase(0, op.size());
      if (!value.empty() && value.front() == '*') {
        std::string rest = value.substr(1);
        // "*text*" is the same question as "*text".
        if (!rest.empty() && rest.back() == '*') rest.pop_back();
        // A lone "*" asks for an empty text anywhere in the field, which every record has: it
        // adds no condition (the evaluator finds an empty text nowhere).
        if (!rest.empty()) condition = "INSTRING(" + quoted(rest) + "," + expression + ",1,1) <> 0";
      } else if (!value.empty() && value.back() == '*') {
        value.pop_back();
        condition =
            "SUB(" + expression + ",1," + std::to_string(value.size()) + ")" + completed(op) + quoted(value);
      } else {
        condition =
            expression + completed(op) + (text ? quoted(value) : runtime::deformatPicture(value, picture));
      }
    }
    if (!condition.empty() && !filter.add(condition)) break;
  }
  return std::move(filter).text();
}

}  // namespace veltrano::framework
