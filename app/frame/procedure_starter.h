// Starting a menu command's procedure on a thread of its own, as the main menu does: a new
// thread asked for with a 25000-byte stack and no string arguments, whether or not the same
// procedure already runs (choosing an item twice opens two independent windows), and nothing
// said when all 63 slots are taken.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/window/procedure_registry.h"
#include "ui/thread_table.h"

namespace veltrano::app {

class ProcedureStarter {
 public:
  static constexpr std::size_t kMenuStackSize = 25000;

  // REQUIRES: both outlive the starter and every thread it starts.
  ProcedureStarter(ui::ThreadTable& threads, const framework::ProcedureRegistry& procedures)
      : threads_(threads), procedures_(procedures) {}

  // The new thread's slot (1–63); -1 when no slot is free; 0 when nothing was started (the
  // procedure is not registered, or the program is closing down).
  // REQUIRES: the caller holds the run lock.
  int Start(std::uint16_t procedure);

  ui::ThreadTable& threads() const { return threads_; }

 private:
  ui::ThreadTable& threads_;
  const framework::ProcedureRegistry& procedures_;
};

}  // namespace veltrano::app
