#include "runtime/values/runtime_array.h"

#include "runtime/errors/runtime_error.h"

namespace veltrano::runtime {

void haltOutOfArrayMemory() {
  haltWithRuntimeError(kStringStackError, "Out of memory in VESARRAY!");
}

}  // namespace veltrano::runtime
