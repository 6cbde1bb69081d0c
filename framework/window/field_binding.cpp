#include "framework/window/field_binding.h"

#include <algorithm>

#include "runtime/values/decimal.h"
#include "runtime/values/field_value.h"
#include "runtime/values/text_compare.h"

namespace veltrano::framework {
namespace {

namespace code = runtime::picture_code;
using runtime::PictureKind;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isLetter(char c) {
  return runtime::isAlphaChar(static_cast<std::uint8_t>(c));
}

char upper(char c) {
  return static_cast<char>(runtime::upperChar(static_cast<std::uint8_t>(c)));
}

std::string trimmed(std::string_view text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string rightTrimmed(std::string_view text) {
  std::size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

bool isTemplate(const runtime::CompiledPicture& picture) {
  return picture.valid() &&
         (picture.pictureKind() == PictureKind::kPattern || picture.pictureKind() == PictureKind::kKeyIn);
}

std::string loadValueText(const BoundValue& value) {
  if (value.memo != nullptr) return std::string(value.memo->begin(), value.memo->end());
  if (!value.valid()) return {};
  if (value.numeric()) return runtime::loadDecimal(*value.field, value.record, value.element).toText();
  return runtime::loadText(*value.field, value.record, value.element);
}

void storeValueText(const BoundValue& value, std::string_view text) {
  if (value.memo != nullptr) {
    std::string_view kept = value.memo_size != 0 ? text.substr(0, value.memo_size) : text;
    value.memo->assign(kept.begin(), kept.end());
    return;
  }
  if (value.valid()) runtime::storeText(*value.field, value.record, text, value.element);
}

// The picture's separators and whether it shows a sign.
struct NumberShape {
  char decimal = '.';
  char grouping = 0;
  bool sign = false;
  bool exponent = false;
  std::string currency;
};

NumberShape shapeOf(const runtime::CompiledPicture& picture) {
  NumberShape shape;
  for (std::size_t t = 0; t < picture.length; ++t) {
    const runtime::PictureToken& token = picture.tokens[t];
    switch (token.code) {
      case code::kDecimal: shape.decimal = token.pad; break;
      case code::kGrouping: shape.grouping = token.pad; break;
      case code::kSign: shape.sign = true; break;
      case code::kExponentSign: shape.exponent = true; break;
      case code::kCurrency: shape.currency += token.pad; break;
      default: break;
    }
  }
  return shape;
}

// A number as the clerk types it: spaces and grouping marks anywhere in the integer part, a sign
// before or after, one decimal separator (the picture's, or whichever of "." and "," the picture
// does not group with), currency characters of the picture. The value as "-123.45".
std::optional<std::string> typedNumber(std::string_view typed, const NumberShape& shape) {
  std::string digits;
  bool negative = false;
  bool point = false;
  bool any = false;
  std::string exponent;
  const char other_decimal = shape.decimal == ',' ? '.' : ',';
  for (std::size_t at = 0; at < typed.size(); ++at) {
    const char c = typed[at];
    if (isDigit(c)) {
      if (!exponent.empty()) {
        exponent += c;
      } else {
        digits += c;
        any = true;
      }
    } else if (c == ' ') {
      continue;
    } else if (c == '-' || c == '(' || c == ')') {
      if (!exponent.empty() && exponent.size() == 1 && c == '-') {
        exponent += c;
      } else {
        negative = true;
      }
    } else if (c == '+') {
      if (!exponent.empty() && exponent.size() == 1) exponent += c;
    } else if (shape.exponent && (c == 'e' || c == 'E') && any && exponent.empty()) {
      exponent = "e";
    } else if ((c == shape.decimal || (c == other_decimal && c != shape.grouping)) && !point &&
               exponent.empty()) {
      digits += '.';
      point = true;
    } else if (c == shape.grouping && !point) {
      continue;
    } else if (shape.currency.find(c) != std::string::npos) {
      continue;
    } else {
      return std::nullopt;
    }
  }
  if (!any) return std::string();
  if (negative && !shape.sign) return std::nullopt;
  if (exponent.size() == 1 || exponent == "e-" || exponent == "e+") return std::nullopt;
  return (negative ? "-" : "") + digits + exponent;
}

// Runs of digits and runs of letters, which say what a date or time names.
std::vector<std::string> partsOf(std::string_view text) {
  std::vector<std::string> parts;
  std::string run;
  int kind = 0;  // 1 digits, 2 letters
  for (const char c : text) {
    const int now = isDigit(c) ? 1 : isLetter(c) ? 2 : 0;
    if (now != kind && !run.empty()) parts.push_back(std::move(run)), run.clear();
    kind = now;
    if (now != 0) run += now == 2 ? upper(c) : c;
  }
  if (!run.empty()) parts.push_back(std::move(run));
  return parts;
}

// The date or time read back, formatted again, must name what was typed: the reading normalises
// 32.13.2001 into 1.02.2002, which the clerk did not mean.
bool namesTheSame(std::string_view typed, std::string_view formatted) {
  const std::vector<std::string> mine = partsOf(typed);
  const std::vector<std::string> shown = partsOf(formatted);
  if (mine.size() != shown.size()) return false;
  for (std::size_t i = 0; i < mine.size(); ++i) {
    const std::string& a = mine[i];
    const std::string& b = shown[i];
    if (isDigit(a[0]) != isDigit(b[0])) return false;
    if (!isDigit(a[0])) {
      if (b.compare(0, std::min<std::size_t>(3, b.size()), a, 0, std::min<std::size_t>(3, a.size())) != 0)
        return false;
      continue;
    }
    if (a.size() > 9 || b.size() > 9) return false;
    const long typed_number = std::stol(a);
    const long shown_number = std::stol(b);
    // A two-digit year stands for the full one the century window gives.
    if (typed_number != shown_number &&
        !(a.size() <= 2 && b.size() == 4 && shown_number % 100 == typed_number))
      return false;
  }
  return true;
}

bool fitsPicture(std::string_view value, const runtime::CompiledPicture& picture) {
  return runtime::formatPicture(value, picture).find('#') == std::string::npos;
}

std::optional<std::string> readNumber(std::string_view typed, const runtime::CompiledPicture& picture) {
  std::optional<std::string> number = typedNumber(typed, shapeOf(picture));
  if (!number) return std::nullopt;
  if (number->empty()) return std::string("0");
  if (!fitsPicture(*number, picture)) return std::nullopt;
  return number;
}

std::optional<std::string> readDateOrTime(std::string_view typed, const runtime::CompiledPicture& picture) {
  const std::string text = trimmed(typed);
  // Nothing but the separators of an empty date: no date.
  if (text.find_first_not_of(" ./-,:") == std::string::npos) return std::string("0");
  for (const char c : text) {
    if (!isDigit(c) && !isLetter(c) && c != ' ' && c != '.' && c != '/' && c != '-' && c != ',' && c != ':')
      return std::nullopt;
  }
  const std::string serial = runtime::deformatPicture(text, picture);
  if (serial.empty() || serial == "0" || serial == "-1") return std::nullopt;
  if (!namesTheSame(text, runtime::formatPicture(serial, picture))) return std::nullopt;
  return serial;
}

bool templateAccepts(std::uint8_t token, char c) {
  switch (token) {
    case code::kDigitPadded: return isDigit(c);
    case code::kDigitBlank: return isDigit(c) || c == ' ';
    case code::kKeyAt:
    case code::kKeyCaret: return isLetter(c);
    default: return true;  // "_", "?" and "|" take any character
  }
}

}  // namespace

bool BoundValue::valid() const {
  if (memo != nullptr) return true;
  return field != nullptr && field->offset <= record.size() && field->size <= record.size() - field->offset &&
         element < field->elementCount();
}

bool BoundValue::numeric() const {
  if (memo != nullptr || field == nullptr) return false;
  return runtime::isNumericType(field->type) || field->type == runtime::TypeCode::Date ||
         field->type == runtime::TypeCode::Time;
}

FieldBinding bindField(ui::ControlId control, ui::ControlKind kind, const runtime::RecordLayout& layout,
                       std::span<std::uint8_t> record, std::string_view field_name, std::string_view picture,
                       std::uint32_t element) {
  FieldBinding binding;
  binding.control = control;
  binding.kind = kind;
  const int index = layout.find(field_name);
  if (index < 0) return binding;
  binding.value.field = &layout.field(static_cast<std::size_t>(index));
  binding.value.record = record;
  binding.value.element = element;
  binding.picture = picture.empty() ? binding.value.field->picture : std::string(picture);
  binding.compiled = runtime::compilePicture(binding.picture);
  return binding;
}

std::optional<std::string> fillTemplate(const runtime::CompiledPicture& picture, std::string_view typed) {
  if (!isTemplate(picture)) return std::nullopt;
  // Only the template's own characters (an entry with an input mask left empty): nothing typed.
  if (std::none_of(typed.begin(), typed.end(), [](char c) { return isDigit(c) || isLetter(c); }))
    return std::string();
  std::string filled;
  std::size_t at = 0;
  bool optional_rest = false;
  for (std::size_t t = 0; t < picture.length; ++t) {
    const runtime::PictureToken& token = picture.tokens[t];
    if (token.code == code::kLiteral) {
      // The template's own character is added; typed where it stands, it is taken as typed.
      filled += token.pad;
      if (at < typed.size() && typed[at] == token.pad) ++at;
      continue;
    }
    if (token.code == code::kKeyBar) {
      optional_rest = true;
      continue;
    }
    // Characters typed where the template has none of its literals are the clerk's own
    // separators (a blank or a dash between groups): skipped.
    while (at < typed.size() && !templateAccepts(token.code, typed[at]) && !isDigit(typed[at]) &&
           !isLetter(typed[at]))
      ++at;
    if (at >= typed.size()) {
      if (!optional_rest && token.code != code::kKeyQuestion) return std::nullopt;
      filled += ' ';
      continue;
    }
    const char c = typed[at];
    if (!templateAccepts(token.code, c)) return std::nullopt;
    filled += token.code == code::kKeyCaret ? upper(c) : c;
    ++at;
  }
  while (at < typed.size() && typed[at] == ' ') ++at;
  if (at != typed.size()) return std::nullopt;
  return filled;
}

std::string shownText(const FieldBinding& binding) {
  const BoundValue& value = binding.value;
  const std::string text = loadValueText(value);
  switch (binding.kind) {
    case ui::ControlKind::kCheck: {
      const bool on = value.numeric() ? !runtime::Decimal::fromText(text).isZero() : !trimmed(text).empty();
      return on ? "1" : "0";
    }
    case ui::ControlKind::kOptionGroup:
    case ui::ControlKind::kText: return rightTrimmed(text);
    default: break;
  }
  if (!binding.compiled.valid()) return rightTrimmed(text);
  if (isTemplate(binding.compiled) && !value.numeric()) {
    // A string field keeps the filled template; text stored otherwise is shown as it is.
    std::optional<std::string> filled = fillTemplate(binding.compiled, rightTrimmed(text));
    return filled ? rightTrimmed(*filled) : rightTrimmed(text);
  }
  const PictureKind kind = binding.compiled.pictureKind();
  if ((kind == PictureKind::kDate || kind == PictureKind::kTime) && value.numeric() &&
      runtime::Decimal::fromText(text).isZero())
    return {};  // no date: the separators alone would only be in the way of typing one
  if (kind == PictureKind::kString) return rightTrimmed(runtime::formatPicture(text, binding.compiled));
  return trimmed(runtime::formatPicture(text, binding.compiled));
}

bool storeShownText(const FieldBinding& binding, std::string_view shown) {
  const BoundValue& value = binding.value;
  if (!value.valid()) return false;
  switch (binding.kind) {
    case ui::ControlKind::kCheck:
      storeValueText(value, value.numeric() ? (shown == "1" ? "1" : "0") : (shown == "1" ? "1" : ""));
      return true;
    case ui::ControlKind::kOptionGroup:
    case ui::ControlKind::kText: storeValueText(value, shown); return true;
    default: break;
  }
  if (!binding.compiled.valid() || binding.compiled.pictureKind() == PictureKind::kString) {
    if (!value.numeric()) {
      storeValueText(value, shown);
      return true;
    }
    std::optional<std::string> number = typedNumber(shown, NumberShape{});
    if (!number) return false;
    storeValueText(value, number->empty() ? "0" : *number);
    return true;
  }
  std::optional<std::string> read;
  switch (binding.compiled.pictureKind()) {
    case PictureKind::kDate:
    case PictureKind::kTime: read = readDateOrTime(shown, binding.compiled); break;
    case PictureKind::kPattern:
    case PictureKind::kKeyIn: {
      read = fillTemplate(binding.compiled, shown);
      if (read && value.numeric())
        read = read->empty() ? "0" : runtime::deformatPicture(*read, binding.compiled);
      break;
    }
    default: read = readNumber(shown, binding.compiled); break;
  }
  if (!read) return false;
  storeValueText(value, *read);
  return true;
}

bool valueIsEmpty(const FieldBinding& binding) {
  const std::string text = loadValueText(binding.value);
  if (binding.value.numeric()) return runtime::Decimal::fromText(text).isZero();
  return trimmed(text).empty();
}

}  // namespace veltrano::framework
