// Fuzz target: any text, parsed as a filter expression and, when it parses, evaluated every way.
// Runtime errors (MEMORY's 406) are turned into an exception this target catches, so that a
// long run goes on after them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/errors/error_state.h"
#include "runtime/errors/runtime_error.h"
#include "runtime/expr/binding_scopes.h"
#include "runtime/expr/evaluate.h"
#include "runtime/expr/parser.h"
#include "runtime/expr/write_text.h"

namespace {

struct StoppedByRuntimeError {};

// Variables the inputs can name: a record with a string, a date and an array.
struct Bound {
  std::int32_t number = 7;
  double real = 2.5;
  std::uint8_t record[24] = {'I',  'v',  'a', 'n', ' ', ' ', ' ', ' ', ' ', ' ', 0x0F, 0x03,
                             0xD0, 0x07, 1,   0,   2,   0,   3,   0,   4,   0,   5,    0};
};

Bound& bound() {
  static Bound variables;
  return variables;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  using namespace veltrano::runtime;
  setRuntimeErrorHandler([](int, std::string_view) { throw StoppedByRuntimeError{}; });
  Bound& variables = bound();
  bindVariable("N", variables.number);
  bindVariable("R", variables.real);
  FieldDescriptor field;
  field.type = TypeCode::String;
  field.size = field.element_size = 10;
  bindVariable("KAR:FAM", field, variables.record);
  field.type = TypeCode::Date;
  field.offset = 10;
  field.size = field.element_size = 4;
  bindVariable("KAR:DATA", field, variables.record);
  field.type = TypeCode::Short;
  field.offset = 14;
  field.size = 10;
  field.element_size = 2;
  field.dimensions = {5};
  bindVariable("KAR:ARR", field, variables.record);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace veltrano::runtime;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // GETINI with a file name would read arbitrary files: keep the run hermetic.
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  if (upper.find("GETINI") != std::string::npos) return 0;
  NodePointer tree = parseExpression(text);
  clearErrors();
  if (!tree) return 0;
  try {
    (void)evaluateInteger(*tree);
    (void)evaluateReal(*tree);
    (void)evaluateString(*tree);
    (void)test(*tree);
  } catch (const StoppedByRuntimeError&) {
  }
  // The written form (with its LIKE and IS NULL rewrites, which are not this grammar's).
  (void)writeExpression(*tree);
  return 0;
}
