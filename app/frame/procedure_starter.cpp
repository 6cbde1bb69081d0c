#include "app/frame/procedure_starter.h"

namespace veltrano::app {

int ProcedureStarter::Start(std::uint16_t procedure) {
  if (!procedures_.Has(procedure)) return 0;
  const framework::ProcedureRegistry& procedures = procedures_;
  return threads_.start(
      [&procedures, procedure](std::uintptr_t) {
        procedures.Call(procedure, framework::ProcedureCall{framework::kRequestNone, nullptr});
      },
      0, kMenuStackSize);
}

}  // namespace veltrano::app
