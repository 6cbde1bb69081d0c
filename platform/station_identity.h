// Who makes a change: the station's host name and the operating-system user running the
// program, as the history of a change records them (UTF-8, empty when the system does not tell).
#pragma once

#include <string>

namespace veltrano::platform {

std::string hostName();
std::string userName();

}  // namespace veltrano::platform
