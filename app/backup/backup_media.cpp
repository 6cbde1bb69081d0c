#include "app/backup/backup_media.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/backup/gzip_stream.h"
#include "platform/directory.h"
#include "platform/directory_entries.h"
#include "platform/file.h"
#include "platform/os_error.h"

namespace veltrano::app::backup {
namespace {

constexpr std::size_t kBlock = 512;

// The ustar header of a regular file: name, mode, owner, size and time as octal text, and the
// checksum over the header with its own field taken as spaces.
std::array<std::uint8_t, kBlock> tarHeader(std::string_view name, std::uint64_t size) {
  std::array<std::uint8_t, kBlock> header{};
  auto put = [&](std::size_t at, std::size_t width, std::string_view text) {
    std::memcpy(header.data() + at, text.data(), std::min(width, text.size()));
  };
  auto octal = [&](std::size_t at, std::size_t width, std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llo", static_cast<int>(width - 1),
                  static_cast<unsigned long long>(value));
    put(at, width - 1, text);
  };
  put(0, 100, name);
  octal(100, 8, 0644);
  octal(108, 8, 0);
  octal(116, 8, 0);
  octal(124, 12, size);
  octal(136, 12, 0);
  header[156] = '0';
  put(257, 6, "ustar");
  put(263, 2, "00");
  std::memset(header.data() + 148, ' ', 8);
  unsigned sum = 0;
  for (const std::uint8_t byte : header) sum += byte;
  char text[8];
  std::snprintf(text, sizeof text, "%06o", sum);
  std::memcpy(header.data() + 148, text, 7);
  return header;
}

class DirectorySink final : public FileSink {
 public:
  explicit DirectorySink(std::string directory) : directory_(std::move(directory)) {}
  int begin(std::string_view name, std::uint64_t) override {
    if (const int made = platform::createDirectories(directory_); made != 0) return made;
    int error = 0;
    file_ = platform::fileSystem().open(directory_ + "/" + std::string(name), platform::Access::ReadWrite,
                                        platform::Creation::CreateNew, &error);
    offset_ = 0;
    return error;
  }
  int write(std::span<const std::uint8_t> bytes) override {
    const platform::IoResult written = file_->write(offset_, bytes);
    if (written.error != 0) return written.error;
    if (written.bytes != bytes.size()) return platform::kOsDiskFull;
    offset_ += bytes.size();
    return 0;
  }
  int end() override {
    const int synced = file_->sync();
    file_.reset();
    return synced;
  }
  int finish() override { return platform::createDirectories(directory_); }

 private:
  std::string directory_;
  std::unique_ptr<platform::File> file_;
  std::uint64_t offset_ = 0;
};

class ArchiveSink final : public FileSink {
 public:
  explicit ArchiveSink(std::unique_ptr<platform::File> file) : file_(std::move(file)), gzip_(*file_) {}
  int begin(std::string_view name, std::uint64_t size) override {
    size_ = size;
    return gzip_.write(tarHeader(name, size));
  }
  int write(std::span<const std::uint8_t> bytes) override { return gzip_.write(bytes); }
  int end() override {
    static const std::array<std::uint8_t, kBlock> zeros{};
    const std::size_t pad = (kBlock - size_ % kBlock) % kBlock;
    return gzip_.write(std::span(zeros.data(), pad));
  }
  int finish() override {
    static const std::array<std::uint8_t, 2 * kBlock> end_of_archive{};
    if (const int error = gzip_.write(end_of_archive); error != 0) return error;
    return gzip_.finish();
  }

 private:
  std::unique_ptr<platform::File> file_;
  GzipWriter gzip_;
  std::uint64_t size_ = 0;
};

class DirectorySource final : public FileSource {
 public:
  DirectorySource(std::string directory, std::vector<std::string> names)
      : directory_(std::move(directory)), names_(std::move(names)) {}
  bool next(std::string& name, std::uint64_t& size) override {
    if (index_ >= names_.size()) return false;
    name = names_[index_++];
    int error = 0;
    file_ = platform::fileSystem().open(directory_ + "/" + name, platform::Access::ReadOnly,
                                        platform::Creation::OpenExisting, &error);
    const std::int64_t length = file_ ? file_->size(&error) : -1;
    if (length < 0) return fail("файл " + name + " копии не читается: ошибка " + osErrorText(error));
    size = static_cast<std::uint64_t>(length);
    offset_ = 0;
    return true;
  }
  bool read(std::span<std::uint8_t> bytes) override {
    const platform::IoResult got = file_->read(offset_, bytes);
    if (got.error != 0 || got.bytes != bytes.size())
      return fail("файл копии не читается: ошибка " + osErrorText(got.error));
    offset_ += bytes.size();
    return true;
  }
  const std::string& problem() const override { return problem_; }

 private:
  bool fail(std::string why) {
    problem_ = std::move(why);
    return false;
  }
  std::string directory_;
  std::vector<std::string> names_;
  std::size_t index_ = 0;
  std::unique_ptr<platform::File> file_;
  std::uint64_t offset_ = 0;
  std::string problem_;
};

class ArchiveSource final : public FileSource {
 public:
  explicit ArchiveSource(std::unique_ptr<platform::File> file) : file_(std::move(file)), gzip_(*file_) {}
  bool next(std::string& name, std::uint64_t& size) override {
    if (!skipPadding()) return false;
    std::array<std::uint8_t, kBlock> header{};
    if (!gzip_.readExactly(header)) return damaged();
    if (header[0] == 0) return false;  // the end-of-archive blocks
    unsigned sum = 0;
    for (std::size_t i = 0; i < kBlock; ++i) sum += i >= 148 && i < 156 ? unsigned{' '} : unsigned{header[i]};
    const std::string stored(reinterpret_cast<const char*>(header.data() + 148), 8);
    const std::string size_text(reinterpret_cast<const char*>(header.data() + 124), 12);
    char* end = nullptr;
    if (std::strtoul(stored.c_str(), &end, 8) != sum || header[156] != '0') return damaged();
    name.assign(reinterpret_cast<const char*>(header.data()),
                strnlen(reinterpret_cast<const char*>(header.data()), 100));
    size = std::strtoull(size_text.c_str(), &end, 8);
    // A name that climbs out of the directory or into another is not one this program wrote.
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") return damaged();
    remaining_ = size;
    pad_ = (kBlock - size % kBlock) % kBlock;
    return true;
  }
  bool read(std::span<std::uint8_t> bytes) override {
    if (bytes.size() > remaining_ || !gzip_.readExactly(bytes)) return damaged();
    remaining_ -= bytes.size();
    return true;
  }
  const std::string& problem() const override { return problem_; }

 private:
  bool skipPadding() {
    std::array<std::uint8_t, kBlock> skipped{};
    if (remaining_ != 0 || (pad_ != 0 && !gzip_.readExactly(std::span(skipped.data(), pad_))))
      return damaged();
    pad_ = 0;
    return true;
  }
  bool damaged() {
    problem_ = gzip_.error() != 0 ? "архив не читается: ошибка " + osErrorText(gzip_.error())
                                  : "архив поврежден или обрывается";
    return false;
  }
  std::unique_ptr<platform::File> file_;
  GzipReader gzip_;
  std::uint64_t remaining_ = 0;
  std::size_t pad_ = 0;
  std::string problem_;
};

}  // namespace

std::string osErrorText(int error) {
  return std::to_string(error) + " (" + std::string(platform::osErrorText(error)) + ")";
}

std::unique_ptr<FileSink> directorySink(std::string directory) {
  return std::make_unique<DirectorySink>(std::move(directory));
}

std::unique_ptr<FileSink> archiveSink(const std::string& path, int* error) {
  auto file =
      platform::fileSystem().open(path, platform::Access::ReadWrite, platform::Creation::CreateNew, error);
  if (!file) return nullptr;
  return std::make_unique<ArchiveSink>(std::move(file));
}

std::unique_ptr<FileSource> directorySource(const std::string& directory, int* error) {
  std::vector<std::string> names = platform::fileNames(directory, error);
  if (*error != 0) return nullptr;
  return std::make_unique<DirectorySource>(directory, std::move(names));
}

std::unique_ptr<FileSource> archiveSource(const std::string& path, int* error) {
  auto file =
      platform::fileSystem().open(path, platform::Access::ReadOnly, platform::Creation::OpenExisting, error);
  if (!file) return nullptr;
  return std::make_unique<ArchiveSource>(std::move(file));
}

}  // namespace veltrano::app::backup
