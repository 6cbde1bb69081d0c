// What a backup needs of directories beyond directory.h: the names in one, and removing an empty
// one. Paths are UTF-8; results are operating-system error numbers in the runtime's numbering
// (os_error.h), 0 for success.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veltrano::platform {

// The names of the regular files in `directory`, sorted by their bytes.
std::vector<std::string> fileNames(std::string_view directory, int* error);
// Whether `directory` holds anything at all (files, directories, hidden names); a missing one is
// empty.
bool directoryEmpty(std::string_view directory, int* error);
int removeEmptyDirectory(std::string_view directory);

}  // namespace veltrano::platform
