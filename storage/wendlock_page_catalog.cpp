// Storage files on disk: the page file behind every open table of the program.
#include <vector>

#include "platform/file.h"
#include "storage/file_name.h"
#include "storage/page_file.h"
#include "storage/transaction_control_file.h"
#include "storage/wendlock_driver.h"
#include "storage/wendlock_station.h"

namespace veltrano::storage {
namespace {

class PageStorageFile final : public StorageFile {
 public:
  PageStorageFile(std::unique_ptr<PageFile> file, std::string_view path, bool read_only)
      : file_(std::move(file)), read_only_(read_only), station_(*file_, std::string(path), read_only) {}
  EntryTree& tree() override { return *file_; }
  bool readOnly() const override { return read_only_; }
  int writeUpdate() override {
    if (!file_->hasChanges()) return 0;
    // An update written on its own belongs to no transaction. A marker an earlier transaction
    // left in the tree would otherwise travel in this update's pending area, and should its
    // identifier be in a control file again, recovery would throw away an update whose pages
    // had already begun to overwrite their homes.
    const std::uint8_t marker_key[1] = {0xFF};
    file_->erase(marker_key);
    return file_->flush();
  }
  void discardChanges() override { file_->discardChanges(); }
  void refresh() override { file_->reloadIfChanged(); }
  StationFile* station() override { return &station_; }
  CacheCounts cacheCounts() const override { return file_->cache().counts(); }

 private:
  std::unique_ptr<PageFile> file_;
  bool read_only_;
  StationFile station_;
};

class PageFileCatalog final : public StorageCatalog {
 public:
  std::unique_ptr<StorageFile> open(const StorageOpen& request, int* error) override {
    PageFileOptions options;
    options.owner = std::string(request.owner);
    options.read_only = request.read_only;
    // A pending update left by a transaction is kept or dropped as its control file says.
    options.keep_pending_update = [path = std::string(request.path)](std::span<const std::uint8_t> marker) {
      return keepPendingUpdate(path, marker);
    };
    auto file = PageFile::open(
        platformPath(request.path),
        request.create ? platform::Creation::OpenOrCreate : platform::Creation::OpenExisting, options, error);
    if (!file) return nullptr;
    return std::make_unique<PageStorageFile>(std::move(file), request.path, request.read_only);
  }
  bool exists(std::string_view path) override { return platform::fileSystem().exists(platformPath(path)); }
  int remove(std::string_view path) override { return platform::fileSystem().remove(platformPath(path)); }
  int rename(std::string_view from, std::string_view to) override {
    return platform::fileSystem().rename(platformPath(from), platformPath(to));
  }
  int copy(std::string_view from, std::string_view to) override {
    auto& files = platform::fileSystem();
    int error = 0;
    auto source =
        files.open(platformPath(from), platform::Access::ReadOnly, platform::Creation::OpenExisting, &error);
    if (!source) return error;
    auto target =
        files.open(platformPath(to), platform::Access::ReadWrite, platform::Creation::Truncate, &error);
    if (!target) return error;
    std::vector<std::uint8_t> block(1 << 16);
    std::uint64_t at = 0;
    for (;;) {
      const auto read = source->read(at, block);
      if (read.error != 0) return read.error;
      if (read.bytes == 0) break;
      const auto written = target->write(at, std::span<const std::uint8_t>(block.data(), read.bytes));
      if (written.error != 0) return written.error;
      if (written.bytes != read.bytes) return 5;
      at += read.bytes;
    }
    return target->sync();
  }
};

}  // namespace

WendlockDriver& wendlockDriver() {
  static PageFileCatalog catalog;
  static WendlockDriver driver(catalog);
  return driver;
}

}  // namespace veltrano::storage
