#include "platform/directory_entries.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/os_error.h"

namespace veltrano::platform {
namespace {

struct DirectoryCloser {
  void operator()(DIR* directory) const { ::closedir(directory); }
};
using OpenDirectory = std::unique_ptr<DIR, DirectoryCloser>;

template <typename Visit>
int eachName(std::string_view directory, Visit visit) {
  const std::string path(directory);
  OpenDirectory opened(::opendir(path.c_str()));
  if (!opened) return osErrorFromErrno(errno);
  while (const dirent* entry = ::readdir(opened.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (!visit(path + "/" + name, name)) break;
  }
  return 0;
}

}  // namespace

std::vector<std::string> fileNames(std::string_view directory, int* error) {
  std::vector<std::string> names;
  *error = eachName(directory, [&](const std::string& path, const std::string& name) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) names.push_back(name);
    return true;
  });
  std::sort(names.begin(), names.end());
  return names;
}

bool directoryEmpty(std::string_view directory, int* error) {
  bool empty = true;
  *error = eachName(directory, [&](const std::string&, const std::string&) { return empty = false; });
  if (*error == kOsFileNotFound) *error = 0;
  return empty;
}

int removeEmptyDirectory(std::string_view directory) {
  const std::string path(directory);
  return ::rmdir(path.c_str()) == 0 ? 0 : osErrorFromErrno(errno);
}

}  // namespace veltrano::platform
