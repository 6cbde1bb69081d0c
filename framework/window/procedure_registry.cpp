#include "framework/window/procedure_registry.h"

#include <utility>

namespace veltrano::framework {

void ProcedureRegistry::Register(std::uint16_t number, std::string_view name, ProcedureEntry entry) {
  procedures_[number] = Registered{std::string(name), std::move(entry)};
}

std::string ProcedureRegistry::Name(std::uint16_t number) const {
  auto found = procedures_.find(number);
  return found == procedures_.end() ? std::string() : found->second.name;
}

std::optional<std::uint8_t> ProcedureRegistry::Call(std::uint16_t number, const ProcedureCall& call) const {
  auto found = procedures_.find(number);
  if (found == procedures_.end() || !found->second.entry) return std::nullopt;
  // A copy: the procedure may register others meanwhile.
  ProcedureEntry entry = found->second.entry;
  return entry(call);
}

}  // namespace veltrano::framework
