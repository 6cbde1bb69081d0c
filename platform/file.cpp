#include "platform/file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <thread>

#include "platform/mapped_copy.h"
#include "platform/os_error.h"

namespace veltrano::platform {
namespace {

int lastOsError() { return osErrorFromErrno(errno); }

// How much of a file is mapped for reading; reads that end past it take a system call each. It is
// address space only: the pages are the kernel's cache of the file.
constexpr std::uint64_t kMappedBytes = std::uint64_t{1} << 32;

class PosixFile final : public File {
 public:
  // `size` is the file's length at opening. A file system that cannot map the file leaves every
  // read to the system call.
  PosixFile(int descriptor, std::string path, std::uint64_t size)
      : descriptor_(descriptor), path_(std::move(path)), known_size_(size) {
    void* at = ::mmap(nullptr, kMappedBytes, PROT_READ, MAP_SHARED, descriptor_, 0);
    if (at != MAP_FAILED) mapping_ = static_cast<const std::uint8_t*>(at);
  }
  ~PosixFile() override {
    if (mapping_ != nullptr) ::munmap(const_cast<std::uint8_t*>(mapping_), kMappedBytes);
    ::close(descriptor_);
  }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  // A read of bytes known to exist is a copy out of the file's mapping, with no system call: a
  // storage operation reads the header and a few pages, and on a shared file it already pays two
  // lock calls. What another program writes is seen all the same (the mapping shows the kernel's
  // cache of the file). A file another program cut shorter than known makes the copy fail, and the
  // read is made the ordinary way, which reports the short file.
  IoResult read(std::uint64_t offset, std::span<std::uint8_t> out) override {
    const std::uint64_t limit = std::min(known_size_.load(std::memory_order_relaxed), kMappedBytes);
    if (mapping_ != nullptr && offset <= limit && out.size() <= limit - offset &&
        copyFromMapping(out.data(), mapping_ + offset, out.size())) {
      return {0, out.size()};
    }
    IoResult result;
    while (result.bytes < out.size()) {
      const ssize_t got = ::pread(descriptor_, out.data() + result.bytes, out.size() - result.bytes,
                                  static_cast<off_t>(offset + result.bytes));
      if (got < 0) {
        if (errno == EINTR) continue;
        result.error = lastOsError();
        return result;
      }
      if (got == 0) {
        known_size_.store(offset + result.bytes, std::memory_order_relaxed);  // the end, just seen
        return result;
      }
      result.bytes += static_cast<std::size_t>(got);
    }
    knowAtLeast(offset + result.bytes);
    return result;
  }

  IoResult write(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    IoResult result;
    while (result.bytes < data.size()) {
      const ssize_t put = ::pwrite(descriptor_, data.data() + result.bytes, data.size() - result.bytes,
                                   static_cast<off_t>(offset + result.bytes));
      if (put < 0) {
        if (errno == EINTR) continue;
        result.error = lastOsError();
        break;
      }
      result.bytes += static_cast<std::size_t>(put);
    }
    knowAtLeast(offset + result.bytes);
    return result;
  }

  int setEnd(std::uint64_t length) override {
    if (::ftruncate(descriptor_, static_cast<off_t>(length)) != 0) {
      const int error = lastOsError();
      known_size_.store(0, std::memory_order_relaxed);  // unknown until size() looks again
      return error;
    }
    known_size_.store(length, std::memory_order_relaxed);
    return 0;
  }

  int sync() override {
    while (::fdatasync(descriptor_) != 0) {
      if (errno != EINTR) return lastOsError();
    }
    return 0;
  }

  std::int64_t size(int* error) override {
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0) {
      if (error != nullptr) *error = lastOsError();
      return -1;
    }
    if (error != nullptr) *error = 0;
    known_size_.store(static_cast<std::uint64_t>(status.st_size), std::memory_order_relaxed);
    return status.st_size;
  }

  LockOutcome lock(std::uint64_t offset, std::uint64_t length, LockKind kind, LockWait wait) override {
    struct flock request {};
    request.l_type = kind == LockKind::Exclusive ? F_WRLCK : F_RDLCK;
    request.l_whence = SEEK_SET;
    request.l_start = static_cast<off_t>(offset);
    request.l_len = static_cast<off_t>(length);
    const int command = wait == LockWait::Wait ? F_OFD_SETLKW : F_OFD_SETLK;
    while (::fcntl(descriptor_, command, &request) != 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EACCES) return LockOutcome::Busy;
      return LockOutcome::Failed;
    }
    return LockOutcome::Granted;
  }

  int unlock(std::uint64_t offset, std::uint64_t length) override {
    struct flock request {};
    request.l_type = F_UNLCK;
    request.l_whence = SEEK_SET;
    request.l_start = static_cast<off_t>(offset);
    request.l_len = static_cast<off_t>(length);
    while (::fcntl(descriptor_, F_OFD_SETLK, &request) != 0) {
      if (errno != EINTR) return lastOsError();
    }
    return 0;
  }

  const std::string& path() const override { return path_; }

 private:
  void knowAtLeast(std::uint64_t end) {
    std::uint64_t known = known_size_.load(std::memory_order_relaxed);
    while (end > known && !known_size_.compare_exchange_weak(known, end, std::memory_order_relaxed)) {
    }
  }

  int descriptor_;
  std::string path_;
  const std::uint8_t* mapping_ = nullptr;
  // Bytes the file is known to hold: its length when last looked at, set, read or written here.
  std::atomic<std::uint64_t> known_size_{0};
};

class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<File> open(std::string_view path, Access access, Creation creation,
                             int* error) override {
    const std::string name(path);
    int flags = (access == Access::ReadOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC;
    switch (creation) {
      case Creation::OpenExisting: break;
      case Creation::OpenOrCreate: flags |= O_CREAT; break;
      case Creation::CreateNew: flags |= O_CREAT | O_EXCL; break;
      case Creation::Truncate: flags |= O_CREAT | O_TRUNC; break;
    }
    if (access == Access::ReadOnly && creation != Creation::OpenExisting) {
      flags = (flags & ~O_RDONLY) | O_RDWR;
    }
    int descriptor;
    do {
      descriptor = ::open(name.c_str(), flags, 0666);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
      if (error != nullptr) *error = lastOsError();
      return nullptr;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) status.st_size = 0;
    if (S_ISDIR(status.st_mode)) {
      ::close(descriptor);
      if (error != nullptr) *error = kOsAccessDenied;
      return nullptr;
    }
    if (error != nullptr) *error = 0;
    return std::make_unique<PosixFile>(descriptor, name, static_cast<std::uint64_t>(status.st_size));
  }

  int remove(std::string_view path) override {
    return ::unlink(std::string(path).c_str()) == 0 ? 0 : lastOsError();
  }

  int rename(std::string_view from, std::string_view to) override {
    return ::rename(std::string(from).c_str(), std::string(to).c_str()) == 0 ? 0 : lastOsError();
  }

  bool exists(std::string_view path) override {
    struct stat status {};
    return ::stat(std::string(path).c_str(), &status) == 0;
  }

  bool isDirectory(std::string_view path) override {
    struct stat status {};
    return ::stat(std::string(path).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
  }
};

FileSystem* current_file_system = nullptr;

}  // namespace

FileSystem& realFileSystem() {
  static PosixFileSystem instance;
  return instance;
}

FileSystem& fileSystem() {
  return current_file_system != nullptr ? *current_file_system : realFileSystem();
}

FileSystemOverride::FileSystemOverride(FileSystem& replacement) : previous_(current_file_system) {
  current_file_system = &replacement;
}

FileSystemOverride::~FileSystemOverride() { current_file_system = previous_; }

}  // namespace veltrano::platform
