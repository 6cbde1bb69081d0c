// Files as the storage engine needs them: positioned reads and writes with 64-bit offsets,
// set end, flush to the medium, and byte-range locks that belong to the open file (Linux
// open-file-description locks), which is how the other stations see them.
//
// Every file operation of the program goes through a FileSystem, so that tests can put the
// fault-injecting twin (fault_injection.h) in place of the real one.
//
// Errors are reported as operating-system error numbers in the numbering the runtime posts
// (os_error.h): 0 is success, 2 "file not found", 5 "access denied" and so on.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace veltrano::platform {

// The outcome of a read or a write: an error number (0 = none) and the bytes transferred.
// A read at or past the end of the file transfers fewer bytes than asked without an error.
struct IoResult {
  int error = 0;
  std::size_t bytes = 0;
};

enum class LockKind { Shared, Exclusive };
enum class LockWait { Fail, Wait };

// The outcome of a lock request: granted, held by another open file, or a failure.
enum class LockOutcome { Granted, Busy, Failed };

class File {
 public:
  virtual ~File() = default;

  virtual IoResult read(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
  virtual IoResult write(std::uint64_t offset, std::span<const std::uint8_t> data) = 0;
  // Sets the file's length, cutting or extending it with zeros.
  virtual int setEnd(std::uint64_t length) = 0;
  // Flushes written data to the medium (fdatasync).
  virtual int sync() = 0;
  // The current length in bytes, or -1 with the error in *error.
  virtual std::int64_t size(int* error = nullptr) = 0;

  // Locks [offset, offset + length). Locks taken through one open file never conflict with each
  // other; locks of different open files (in this process or another) do.
  virtual LockOutcome lock(std::uint64_t offset, std::uint64_t length, LockKind kind, LockWait wait) = 0;
  virtual int unlock(std::uint64_t offset, std::uint64_t length) = 0;

  // The path the file was opened with.
  virtual const std::string& path() const = 0;
};

enum class Access { ReadOnly, ReadWrite };
enum class Creation {
  OpenExisting,  // fail with 2 when missing
  OpenOrCreate,  // create an empty file when missing
  CreateNew,     // fail with 80 when it exists
  Truncate,      // create, or empty an existing file
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual std::unique_ptr<File> open(std::string_view path, Access access, Creation creation,
                                     int* error) = 0;
  virtual int remove(std::string_view path) = 0;
  virtual int rename(std::string_view from, std::string_view to) = 0;
  virtual bool exists(std::string_view path) = 0;
  virtual bool isDirectory(std::string_view path) = 0;
};

// The operating system's file system.
FileSystem& realFileSystem();

// The file system the program uses: the real one unless a test has put another in place.
FileSystem& fileSystem();

// Puts `replacement` in place of the program's file system until the returned guard ends.
// REQUIRES: no other thread is using files while the guard is made or ends.
class FileSystemOverride {
 public:
  explicit FileSystemOverride(FileSystem& replacement);
  ~FileSystemOverride();
  FileSystemOverride(const FileSystemOverride&) = delete;
  FileSystemOverride& operator=(const FileSystemOverride&) = delete;

 private:
  FileSystem* previous_;
};

}  // namespace veltrano::platform
