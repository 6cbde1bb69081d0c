// Where a backup's files go and where a restore takes them from: a directory of plain files or a
// tar archive in a gzip stream (ustar headers, so that tar reads it as well).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace veltrano::app::backup {

// Writes named files one after the other; every call gives 0 or an operating-system error.
class FileSink {
 public:
  virtual ~FileSink() = default;
  virtual int begin(std::string_view name, std::uint64_t size) = 0;
  virtual int write(std::span<const std::uint8_t> bytes) = 0;
  virtual int end() = 0;
  // Everything written reaches the medium.
  virtual int finish() = 0;
};

// Into `directory` (made when missing), each file synced as it ends.
std::unique_ptr<FileSink> directorySink(std::string directory);
// Into the archive `path` (made, must not exist).
std::unique_ptr<FileSink> archiveSink(const std::string& path, int* error);

// Reads the files of a backup in turn: next() gives the next file's name and size (false at the
// end), read() its bytes.
class FileSource {
 public:
  virtual ~FileSource() = default;
  virtual bool next(std::string& name, std::uint64_t& size) = 0;
  virtual bool read(std::span<std::uint8_t> bytes) = 0;
  // Why the last next() or read() failed (UTF-8), empty at a clean end.
  virtual const std::string& problem() const = 0;
};

std::unique_ptr<FileSource> directorySource(const std::string& directory, int* error);
std::unique_ptr<FileSource> archiveSource(const std::string& path, int* error);

// "112 (…)": an operating-system error as the messages give it.
std::string osErrorText(int error);

}  // namespace veltrano::app::backup
