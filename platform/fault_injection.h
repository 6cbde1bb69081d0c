// The fault-injecting twin of the file system, for tests of every write path.
//
// Writes through all files opened from one FaultInjectingFileSystem are counted together,
// 1, 2, 3, … in the order they happen. A test first runs an operation without faults to learn
// how many writes it makes, then repeats it with a fault at each of them:
//   - failWrite(k): the k-th write transfers nothing and returns an error;
//   - shortenWrite(k, n): the k-th write transfers only its first n bytes and returns an error;
//   - crashAfterWrite(k): the k-th write and those before it reach the disk; every later write,
//     set-end and flush is silently dropped, as if the machine had stopped there. The test then
//     reopens the files through the real file system and checks what a restart would find.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/file.h"
#include "platform/os_error.h"

namespace veltrano::platform {

class FaultInjectingFileSystem final : public FileSystem {
 public:
  explicit FaultInjectingFileSystem(FileSystem& base = realFileSystem()) : base_(base) {}

  void failWrite(std::uint64_t k, int error = kOsWriteFault);
  void shortenWrite(std::uint64_t k, std::size_t keep_bytes, int error = kOsDiskFull);
  void crashAfterWrite(std::uint64_t k);
  // Removes every planned fault and the crashed state; the write count goes on.
  void clearFaults();
  void resetCount();

  std::uint64_t writeCount() const;
  bool crashed() const;

  std::unique_ptr<File> open(std::string_view path, Access access, Creation creation,
                             int* error) override;
  int remove(std::string_view path) override;
  int rename(std::string_view from, std::string_view to) override;
  bool exists(std::string_view path) override { return base_.exists(path); }
  bool isDirectory(std::string_view path) override { return base_.isDirectory(path); }

  // What the next write must do; called by the files of this file system.
  enum class WriteFate { Write, Fail, Shorten, Drop };
  struct WritePlan {
    WriteFate fate = WriteFate::Write;
    std::size_t keep_bytes = 0;
    int error = 0;
  };
  WritePlan nextWrite();
  bool dropping() const;

 private:
  FileSystem& base_;
  mutable std::mutex mutex_;
  std::uint64_t writes_ = 0;
  std::uint64_t fail_at_ = 0;
  int fail_error_ = 0;
  std::uint64_t shorten_at_ = 0;
  std::size_t shorten_keep_ = 0;
  int shorten_error_ = 0;
  std::uint64_t crash_after_ = 0;
  bool crashed_ = false;
};

}  // namespace veltrano::platform
