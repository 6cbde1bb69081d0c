#include "app/dictionary/application_globals.h"

#include "runtime/values/field_value.h"

namespace veltrano::app {
namespace {

runtime::RecordLayout globalsLayout() {
  runtime::RecordLayoutBuilder builder;
  builder.decimal("numg", 7, 0)
      .decimal("numo", 5, 0)
      .string("otdelenieg", 60)
      .string("datan", 20)
      .scalar("datag", runtime::TypeCode::Date)
      .scalar("st1", runtime::TypeCode::Long)
      .scalar("st2", runtime::TypeCode::Long)
      .string("katg", 20)
      .string("profg", 60)
      .string("postg", 60)
      .scalar("datanp", runtime::TypeCode::Date)
      .scalar("datakp", runtime::TypeCode::Date)
      .string("otborg", 20);
  return builder.build();
}

}  // namespace

ApplicationGlobals::ApplicationGlobals() : layout_(globalsLayout()), values_(layout_.size()) {
  runtime::clearRecord(layout_, values_);
}

bool ApplicationGlobals::bindAll(runtime::BindingScopes& scopes) {
  bool bound = true;
  for (const auto& field : layout_.fields())
    bound = scopes.bindVariable(field.name, field, values_, this) && bound;
  return bound;
}

const runtime::FieldDescriptor* ApplicationGlobals::find(std::string_view name) const {
  const int index = layout_.find(name);
  return index < 0 ? nullptr : &layout_.field(static_cast<std::size_t>(index));
}

std::int64_t ApplicationGlobals::number(std::string_view name) const {
  const auto* field = find(name);
  return field == nullptr ? 0 : static_cast<std::int64_t>(runtime::loadReal(*field, values_));
}

std::string ApplicationGlobals::text(std::string_view name) const {
  const auto* field = find(name);
  if (field == nullptr) return {};
  std::string value = runtime::loadText(*field, values_);
  while (!value.empty() && value.back() == ' ') value.pop_back();
  return value;
}

bool ApplicationGlobals::setNumber(std::string_view name, std::int64_t value) {
  const auto* field = find(name);
  if (field == nullptr) return false;
  runtime::storeInteger(*field, values_, value);
  return true;
}

bool ApplicationGlobals::setText(std::string_view name, std::string_view value) {
  const auto* field = find(name);
  if (field == nullptr) return false;
  runtime::storeText(*field, values_, value);
  return true;
}

ApplicationGlobals& applicationGlobals() {
  static ApplicationGlobals globals;
  return globals;
}

}  // namespace veltrano::app
