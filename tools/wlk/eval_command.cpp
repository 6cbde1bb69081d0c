// wlk eval [--bind NAME TYPE VALUE]... EXPR — parses EXPR as a filter expression and prints its
// value followed by a newline: strings as they are (trailing blanks kept), integers in decimal,
// reals by the runtime's real-to-text conversion.
//
// Each --bind declares a variable NAME of TYPE (BYTE, SHORT, USHORT, LONG, ULONG, SREAL, REAL,
// DECIMAL(d,p), PDECIMAL(d,p), STRING(n), CSTRING(n), PSTRING(n), DATE, TIME) and assigns VALUE
// to it as text; a DATE or TIME takes a serial number. Exit status: 0 printed, 2 a usage error or
// an expression that does not parse (a message on stderr), 1 a runtime error (printed by the
// handler wlk installs).
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "runtime/errors/error_state.h"
#include "runtime/expr/binding_scopes.h"
#include "runtime/expr/evaluate.h"
#include "runtime/values/field_value.h"
#include "tools/wlk/commands.h"
#include "tools/wlk/record_text.h"

namespace veltrano::wlk {
namespace {

using runtime::FieldDescriptor;
using runtime::TypeCode;

std::string upperAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

// "NAME" or "NAME(a)" or "NAME(a,b)" with decimal numbers; false when the text has another shape.
bool splitType(std::string_view text, std::string& name, std::vector<long>& numbers) {
  const std::size_t open = text.find('(');
  name = upperAscii(text.substr(0, open));
  numbers.clear();
  if (open == std::string_view::npos) return true;
  if (text.back() != ')') return false;
  std::string_view inside = text.substr(open + 1, text.size() - open - 2);
  while (true) {
    const std::size_t comma = inside.find(',');
    const std::string_view part = inside.substr(0, comma);
    if (part.empty() || part.size() > 6) return false;
    long value = 0;
    for (char c : part) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + (c - '0');
    }
    numbers.push_back(value);
    if (comma == std::string_view::npos) return true;
    inside = inside.substr(comma + 1);
  }
}

// The descriptor of a variable declared as `text`, or nothing for a type wlk does not know.
std::optional<FieldDescriptor> declaredType(std::string_view text) {
  std::string name;
  std::vector<long> numbers;
  if (!splitType(text, name, numbers)) return std::nullopt;
  struct Scalar {
    const char* name;
    TypeCode type;
  };
  static constexpr Scalar kScalars[] = {
      {"BYTE", TypeCode::Byte}, {"SHORT", TypeCode::Short}, {"USHORT", TypeCode::Ushort},
      {"LONG", TypeCode::Long}, {"ULONG", TypeCode::Ulong}, {"SREAL", TypeCode::Sreal},
      {"REAL", TypeCode::Real}, {"DATE", TypeCode::Date},   {"TIME", TypeCode::Time},
  };
  FieldDescriptor field;
  for (const Scalar& scalar : kScalars) {
    if (name == scalar.name) {
      if (!numbers.empty()) return std::nullopt;
      field.type = scalar.type;
      field.size = runtime::fixedWidth(scalar.type);
      field.element_size = field.size;
      return field;
    }
  }
  if (name == "DECIMAL" || name == "PDECIMAL") {
    if (numbers.size() != 2 || numbers[0] < 1 || numbers[0] > 31 || numbers[1] > numbers[0])
      return std::nullopt;
    field.type = name == "DECIMAL" ? TypeCode::Decimal : TypeCode::Pdecimal;
    field.digits = static_cast<std::uint8_t>(numbers[0]);
    field.places = static_cast<std::uint8_t>(numbers[1]);
    field.size = field.element_size = runtime::decimalBytes(field.digits);
    return field;
  }
  const long limit = name == "PSTRING" ? 256 : 65535;  // a PSTRING counts in one byte
  if (name == "STRING" || name == "CSTRING" || name == "PSTRING") {
    if (numbers.size() != 1 || numbers[0] < 1 || numbers[0] > limit) return std::nullopt;
    field.type =
        name == "STRING" ? TypeCode::String : (name == "CSTRING" ? TypeCode::Cstring : TypeCode::Pstring);
    field.size = field.element_size = static_cast<std::uint32_t>(numbers[0]);
    return field;
  }
  return std::nullopt;
}

int usage(const char* message) {
  std::fprintf(stderr, "wlk eval: %s\nusage: wlk eval [--bind NAME TYPE VALUE]... EXPR\n", message);
  return 2;
}

}  // namespace

int evalCommand(const CommonOptions&, std::span<const std::string> arguments) {
  // The variables live as long as the command: bindings point into them.
  std::vector<std::unique_ptr<std::vector<std::uint8_t>>> storage;
  std::size_t index = 0;
  while (index < arguments.size() && arguments[index] == "--bind") {
    if (index + 3 >= arguments.size()) return usage("--bind needs NAME TYPE VALUE");
    const std::string name = platform::cp1251FromUtf8(arguments[index + 1]);
    const std::optional<FieldDescriptor> field = declaredType(arguments[index + 2]);
    if (!field) {
      std::fprintf(stderr, "wlk eval: unknown type '%s'\n", arguments[index + 2].c_str());
      return 2;
    }
    auto bytes = std::make_unique<std::vector<std::uint8_t>>(field->size, 0);
    runtime::storeText(*field, *bytes, platform::cp1251FromUtf8(arguments[index + 3]));
    if (!runtime::bindVariable(name, *field, *bytes)) {
      std::fprintf(stderr, "wlk eval: cannot bind the name '%s'\n", arguments[index + 1].c_str());
      return 2;
    }
    storage.push_back(std::move(bytes));
    index += 4;
  }
  if (arguments.size() - index != 1) return usage("expected one expression");

  runtime::clearErrors();
  const runtime::NodePointer tree = parseOrReport(arguments[index]);
  if (!tree) return 2;
  const std::string value = platform::utf8From1251(runtime::evaluateString(*tree));
  std::fwrite(value.data(), 1, value.size(), stdout);
  std::fputc('\n', stdout);
  return 0;
}

}  // namespace veltrano::wlk
