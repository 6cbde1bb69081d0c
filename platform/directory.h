// Directories as the program's start needs them: the data directory made, entered and tried
// for writing before any file in it is opened. Paths are UTF-8, as the file system takes them;
// results are operating-system error numbers in the runtime's numbering (os_error.h), 0 for
// success.
#pragma once

#include <string>
#include <string_view>

namespace veltrano::platform {

// Creates the directory and every missing directory above it. An existing directory is success.
int createDirectories(std::string_view path);
// Makes `path` the process's working directory.
int changeDirectory(std::string_view path);
// The working directory, empty when it cannot be read.
std::string currentDirectory();
// `path` as it names a file from the working directory now, so that the name still holds after
// the working directory changes; empty for an empty path or a working directory that cannot be
// read.
std::string absolutePath(std::string_view path);
// Whether a new file can be made in `directory`: one is made and removed again.
int probeWritable(std::string_view directory);
// The value of an environment variable, empty when it is not set.
std::string environmentValue(std::string_view name);
// The path of the running program, empty when the system does not tell it.
std::string executablePath();

}  // namespace veltrano::platform
