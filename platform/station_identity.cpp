#include "platform/station_identity.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <vector>

namespace veltrano::platform {

std::string hostName() {
  std::array<char, 256> name{};
  if (gethostname(name.data(), name.size() - 1) != 0) return {};
  return name.data();
}

std::string userName() {
  // The account the process runs as, which a changed environment cannot disguise; the
  // environment only when the system has no entry for it (a container's bare user id).
  const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
    return found->pw_name;
  const char* from_environment = std::getenv("USER");
  return from_environment != nullptr ? from_environment : std::to_string(geteuid());
}

}  // namespace veltrano::platform
