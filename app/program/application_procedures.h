// Every procedure of the application, registered at start-up. Each library of procedures has a
// registration function of its own and adds one line to the list in the .cpp; the main menu
// then enables the items whose procedures it brings, with no change to the frame.
#pragma once

#include "app/frame/application.h"

namespace veltrano::app {

void registerApplicationProcedures(Application& application);

}  // namespace veltrano::app
