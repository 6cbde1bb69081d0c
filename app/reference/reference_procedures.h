// Registers the procedures of the reference books and the staff schedule under their numbers:
// the lists and forms of every reference book (reference_descriptions.h), the staff schedule
// VELTR002 with its forms VELTR003–VELTR005, and the selection lists (selection_lists.h). The
// main menu's items for them become usable by this.
#pragma once

#include "app/frame/application.h"

namespace veltrano::app::reference {

// REQUIRES: `application` outlives every call of the procedures registered.
void registerReferenceProcedures(Application& application);

}  // namespace veltrano::app::reference
