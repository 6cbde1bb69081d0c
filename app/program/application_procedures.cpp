#include "app/program/application_procedures.h"

#include "app/reference/reference_procedures.h"

namespace veltrano::app {

void registerApplicationProcedures(Application& application) {
  reference::registerReferenceProcedures(application);
}

}  // namespace veltrano::app
