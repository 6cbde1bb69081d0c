#include "runtime/expr/binding_scopes.h"

#include <array>
#include <utility>

#include "runtime/datetime/char_tables.h"
#include "runtime/errors/runtime_error.h"

namespace veltrano::runtime {
namespace {

struct Keyword {
  std::string_view name;
  OperatorCode op;
};
constexpr std::array<Keyword, 4> kKeywords = {{
    {"AND", OperatorCode::And},
    {"OR", OperatorCode::Or},
    {"XOR", OperatorCode::Xor},
    {"NOT", OperatorCode::Not},
}};

std::optional<NameLookup> findFixedName(const std::string& key) {
  for (const auto& keyword : kKeywords) {
    if (key == keyword.name) {
      NameLookup found;
      found.kind = NameLookup::Kind::Keyword;
      found.keyword = keyword.op;
      return found;
    }
  }
  for (const auto& function : builtInFunctions()) {
    if (key == function.name) {
      NameLookup found;
      found.kind = NameLookup::Kind::Function;
      found.function = &function;
      return found;
    }
  }
  return std::nullopt;
}

bool isLetter(std::uint8_t c) {
  const CharTables& tables = charTables();
  return (tables.flags[c] & (kCaseUpper | kCaseLower)) != 0 || tables.partner[c] != 0;
}

// The element width a field of `type` must have, 0 when any width will do.
std::uint32_t requiredElementWidth(TypeCode type) {
  switch (type) {
    case TypeCode::Decimal:
    case TypeCode::Pdecimal:
    case TypeCode::String:
    case TypeCode::Cstring:
    case TypeCode::Pstring:
    case TypeCode::Group: return 0;
    default: return fixedWidth(type);
  }
}

bool fieldFits(const FieldDescriptor& field, std::size_t record_size) {
  const std::uint32_t element = field.element_size == 0 ? field.size : field.element_size;
  if (element == 0 || field.size < element || field.size % element != 0) return false;
  if (static_cast<std::uint64_t>(field.offset) + field.size > record_size) return false;
  const std::uint32_t required = requiredElementWidth(field.type);
  if (required != 0 && element != required) return false;
  if ((field.type == TypeCode::Decimal || field.type == TypeCode::Pdecimal) && element > 16) return false;
  return true;
}

}  // namespace

std::string nameKey(std::string_view name) {
  const CharTables& tables = charTables();
  std::string key(name);
  for (char& c : key) {
    const auto byte = static_cast<std::uint8_t>(c);
    if ((tables.flags[byte] & kCaseLower) != 0 && tables.partner[byte] != 0) {
      c = static_cast<char>(tables.partner[byte]);
    }
  }
  return key;
}

bool isBindableName(std::string_view name) {
  if (name.empty() || name.size() > kMaxBoundNameLength) return false;
  for (char c : name) {
    const auto byte = static_cast<std::uint8_t>(c);
    const bool digit = byte >= '0' && byte <= '9';
    if (!digit && byte != '_' && byte != ':' && !isLetter(byte)) return false;
  }
  return true;
}

std::optional<ValueType> valueTypeOfField(TypeCode type) {
  switch (type) {
    case TypeCode::Byte:
    case TypeCode::Short:
    case TypeCode::Ushort:
    case TypeCode::Long:
    case TypeCode::Date:
    case TypeCode::Time: return ValueType::Integer;
    // A ULONG above 2^31 does not fit the evaluator's 32-bit integers.
    case TypeCode::Ulong:
    case TypeCode::Sreal:
    case TypeCode::Real:
    case TypeCode::Decimal:
    case TypeCode::Pdecimal:
    case TypeCode::Bfloat4:
    case TypeCode::Bfloat8: return ValueType::Real;
    case TypeCode::String:
    case TypeCode::Cstring:
    case TypeCode::Pstring:
    case TypeCode::Group: return ValueType::String;
    default: return std::nullopt;
  }
}

BindingScopes::BindingScopes() {
  scopes_.emplace_back();
}

bool BindingScopes::bindVariable(std::string_view name, const FieldDescriptor& field,
                                 std::span<std::uint8_t> record, const void* owner) {
  if (!isBindableName(name)) return false;
  std::string key = nameKey(name);
  if (findFixedName(key)) return false;
  const auto type = valueTypeOfField(field.type);
  if (!type || !fieldFits(field, record.size())) return false;
  auto binding = std::make_shared<VariableBinding>();
  binding->name = std::string(name);
  binding->field = field;
  if (binding->field.element_size == 0) binding->field.element_size = field.size;
  binding->record = record;
  binding->owner = owner;
  binding->type = *type;
  NameLookup entry;
  entry.kind = NameLookup::Kind::Variable;
  entry.variable = std::move(binding);
  scopes_.back().names.insert_or_assign(std::move(key), std::move(entry));
  return true;
}

bool BindingScopes::bindProcedure(std::string_view name, std::vector<ValueType> parameters, ValueType result,
                                  std::function<Value(std::span<const Value>)> entry) {
  if (!isBindableName(name) || !entry) return false;
  std::string key = nameKey(name);
  if (findFixedName(key)) return false;
  auto binding = std::make_shared<ProcedureBinding>();
  binding->name = std::string(name);
  binding->parameters = std::move(parameters);
  binding->result = result == ValueType::Picture ? ValueType::String : result;
  binding->entry = std::move(entry);
  NameLookup found;
  found.kind = NameLookup::Kind::Procedure;
  found.procedure = std::move(binding);
  scopes_.back().names.insert_or_assign(std::move(key), std::move(found));
  return true;
}

void BindingScopes::pushScope(bool keep_outer_names) {
  Scope scope;
  scope.keep_outer_names = keep_outer_names;
  scopes_.push_back(std::move(scope));
}

void BindingScopes::popScope() {
  if (scopes_.size() <= 1) haltWithRuntimeError(kMismatchedScopes);
  scopes_.pop_back();
}

std::optional<NameLookup> BindingScopes::find(std::string_view name) const {
  const std::string key = nameKey(name);
  if (auto fixed = findFixedName(key)) return fixed;
  for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
    const auto found = scope->names.find(key);
    if (found != scope->names.end()) return found->second;
    if (!scope->keep_outer_names) break;
  }
  return std::nullopt;
}

void BindingScopes::clear() {
  scopes_.clear();
  scopes_.emplace_back();
}

BindingScopes& bindingScopes() {
  static BindingScopes scopes;
  return scopes;
}

bool bindVariable(std::string_view name, const FieldDescriptor& field, std::span<std::uint8_t> record,
                  const void* owner) {
  return bindingScopes().bindVariable(name, field, record, owner);
}

bool bindVariable(std::string_view name, std::int32_t& variable) {
  FieldDescriptor field;
  field.name = std::string(name);
  field.type = TypeCode::Long;
  field.size = field.element_size = sizeof variable;
  return bindingScopes().bindVariable(name, field,
                                      std::span(reinterpret_cast<std::uint8_t*>(&variable), sizeof variable));
}

bool bindVariable(std::string_view name, double& variable) {
  FieldDescriptor field;
  field.name = std::string(name);
  field.type = TypeCode::Real;
  field.size = field.element_size = sizeof variable;
  return bindingScopes().bindVariable(name, field,
                                      std::span(reinterpret_cast<std::uint8_t*>(&variable), sizeof variable));
}

void pushScope(bool keep_outer_names) {
  bindingScopes().pushScope(keep_outer_names);
}
void popScope() {
  bindingScopes().popScope();
}

}  // namespace veltrano::runtime
