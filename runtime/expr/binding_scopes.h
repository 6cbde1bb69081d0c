// BIND and the binding scopes: the names a filter text may use.
//
// Names are looked up without regard to case (both sides upper-cased through the case table),
// first in the current scope, then in older scopes from the newest down, stopping below a scope
// pushed with keep-outer-names false. Keywords (AND, OR, XOR, NOT) and the built-in functions
// are visible in every scope and cannot be rebound. Binding a name again in the same scope
// replaces the earlier binding.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/expr/expression.h"
#include "runtime/expr/function_table.h"

namespace veltrano::runtime {

inline constexpr std::size_t kMaxBoundNameLength = 99;

struct NameLookup {
  enum class Kind : std::uint8_t { Variable, Procedure, Function, Keyword };
  Kind kind = Kind::Variable;
  std::shared_ptr<const VariableBinding> variable;
  std::shared_ptr<const ProcedureBinding> procedure;
  const BuiltInFunction* function = nullptr;
  OperatorCode keyword = OperatorCode::None;
};

class BindingScopes {
 public:
  BindingScopes();

  // BIND(name, variable): `field` describes the variable's bytes within `record`. Returns false
  // (binding nothing) for a name that is empty, longer than 99 characters, made of other than
  // letters, digits, "_" and ":", or a keyword or built-in name; or for a field whose type
  // cannot be evaluated (MEMO, BLOB, CLASS, …) or that does not lie within `record`.
  bool bindVariable(std::string_view name, const FieldDescriptor& field, std::span<std::uint8_t> record,
                    const void* owner = nullptr);
  // BIND(name, procedure).
  bool bindProcedure(std::string_view name, std::vector<ValueType> parameters, ValueType result,
                     std::function<Value(std::span<const Value>)> entry);

  // PUSHSCOPE: starts an empty scope; with keep_outer_names false the older ones are hidden.
  void pushScope(bool keep_outer_names);
  // POPSCOPE: frees the current scope's bindings. Without a matching pushScope the program stops
  // with runtime error 802.
  void popScope();
  // Pushed scopes not yet popped.
  std::size_t depth() const { return scopes_.size() - 1; }

  std::optional<NameLookup> find(std::string_view name) const;

  // Forgets every binding and scope (tests, and the end of the program).
  void clear();

 private:
  struct Scope {
    bool keep_outer_names = true;
    std::map<std::string, NameLookup> names;  // keyed by the upper-cased name
  };
  std::vector<Scope> scopes_;
};

// The program's binding scopes (one set, used under the run lock).
BindingScopes& bindingScopes();

// The upper-cased look-up key of a name (case table of the environment).
std::string nameKey(std::string_view name);
// A name BIND accepts: 1–99 letters, digits, "_" and ":".
bool isBindableName(std::string_view name);
// How a field of this type evaluates; std::nullopt for types an expression cannot read.
std::optional<ValueType> valueTypeOfField(TypeCode type);

// Shorthands over bindingScopes(). (Not named "bind": std::bind would win the look-up for
// arguments of standard types.)
bool bindVariable(std::string_view name, const FieldDescriptor& field, std::span<std::uint8_t> record,
                  const void* owner = nullptr);
bool bindVariable(std::string_view name, std::int32_t& variable);  // a LONG variable
bool bindVariable(std::string_view name, double& variable);        // a REAL variable
void pushScope(bool keep_outer_names);
void popScope();

}  // namespace veltrano::runtime
