#include "storage/wendlock_files.h"

#include "storage/file_name.h"

namespace veltrano::storage {

std::string storageFileIdentity(std::string_view path) {
  return upperCase1251(path);
}

class MemoryStorageFile final : public StorageFile {
 public:
  MemoryStorageFile(std::shared_ptr<MemoryCatalog::Stored> stored, bool read_only)
      : stored_(std::move(stored)), tree_(stored_->written), read_only_(read_only) {}
  EntryTree& tree() override { return tree_; }
  bool readOnly() const override { return read_only_; }
  int writeUpdate() override {
    if (!read_only_) stored_->written = tree_;
    return 0;
  }
  void discardChanges() override { tree_ = stored_->written; }
  void refresh() override {}

 private:
  std::shared_ptr<MemoryCatalog::Stored> stored_;
  MemoryEntryTree tree_;
  bool read_only_;
};

std::unique_ptr<StorageFile> MemoryCatalog::open(const StorageOpen& request, int* error) {
  const auto identity = storageFileIdentity(request.path);
  auto found = files_.find(identity);
  if (found == files_.end()) {
    if (!request.create) {
      *error = 2;
      return nullptr;
    }
    found = files_.emplace(identity, std::make_shared<Stored>()).first;
  }
  *error = 0;
  return std::make_unique<MemoryStorageFile>(found->second, request.read_only);
}

bool MemoryCatalog::exists(std::string_view path) {
  return files_.count(storageFileIdentity(path)) != 0;
}

int MemoryCatalog::remove(std::string_view path) {
  return files_.erase(storageFileIdentity(path)) != 0 ? 0 : 2;
}

int MemoryCatalog::rename(std::string_view from, std::string_view to) {
  auto found = files_.find(storageFileIdentity(from));
  if (found == files_.end()) return 2;
  auto stored = found->second;
  files_.erase(found);
  files_[storageFileIdentity(to)] = std::move(stored);
  return 0;
}

int MemoryCatalog::copy(std::string_view from, std::string_view to) {
  auto found = files_.find(storageFileIdentity(from));
  if (found == files_.end()) return 2;
  files_[storageFileIdentity(to)] = std::make_shared<Stored>(*found->second);
  return 0;
}

std::shared_ptr<StorageFile> SharedStorageFiles::acquire(const StorageOpen& request, int* error) {
  std::lock_guard lock(mutex_);
  const auto identity = storageFileIdentity(request.path);
  if (auto found = open_.find(identity); found != open_.end()) {
    if (auto file = found->second.lock()) {
      if (file->readOnly() && !request.read_only) {
        *error = 5;
        return nullptr;
      }
      *error = 0;
      return file;
    }
  }
  std::shared_ptr<StorageFile> file = catalog_->open(request, error);
  if (!file) return nullptr;
  open_[identity] = file;
  return file;
}

bool SharedStorageFiles::isOpen(std::string_view path) {
  std::lock_guard lock(mutex_);
  const auto found = open_.find(storageFileIdentity(path));
  return found != open_.end() && !found->second.expired();
}

}  // namespace veltrano::storage
