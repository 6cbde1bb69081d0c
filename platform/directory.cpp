#include "platform/directory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/file.h"
#include "platform/os_error.h"

namespace veltrano::platform {

int createDirectories(std::string_view path) {
  if (path.empty()) return kOsPathNotFound;
  if (fileSystem().isDirectory(path)) return kOsNoError;
  std::string partial;
  std::size_t at = 0;
  while (at != std::string_view::npos) {
    const std::size_t slash = path.find('/', at + 1);
    partial = std::string(path.substr(0, slash));
    at = slash;
    if (partial.empty() || fileSystem().isDirectory(partial)) continue;
    if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) return osErrorFromErrno(errno);
  }
  return fileSystem().isDirectory(path) ? kOsNoError : kOsPathNotFound;
}

int changeDirectory(std::string_view path) {
  return ::chdir(std::string(path).c_str()) == 0 ? kOsNoError : osErrorFromErrno(errno);
}

std::string currentDirectory() {
  char buffer[PATH_MAX];
  return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

std::string absolutePath(std::string_view path) {
  if (path.empty() || path.front() == '/') return std::string(path);
  const std::string working = currentDirectory();
  return working.empty() ? std::string() : working + "/" + std::string(path);
}

int probeWritable(std::string_view directory) {
  // A name of this process's own, so that two stations trying the same directory at once do
  // not meet.
  static std::atomic<unsigned> attempt{0};
  const std::string probe = std::string(directory) + "/.veltrano-write-test-" + std::to_string(::getpid()) +
                            "-" + std::to_string(attempt.fetch_add(1));
  int error = 0;
  if (!fileSystem().open(probe, Access::ReadWrite, Creation::CreateNew, &error)) return error;
  return fileSystem().remove(probe);
}

std::string executablePath() {
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

std::string environmentValue(std::string_view name) {
  const char* value = std::getenv(std::string(name).c_str());
  return value != nullptr ? std::string(value) : std::string();
}

}  // namespace veltrano::platform
