// The storage files behind open tables. Within one process every table opened from the same
// storage file (paths compared without regard to case) shares one open file — one tree, one
// cache, one header — counted by a use count, and closed with its last table.
//
// A catalog opens storage files and handles them as whole files (remove, rename, copy). The
// program's catalog works on page files; tests may put an in-memory catalog in its place.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "storage/cache_counts.h"
#include "storage/entry_tree.h"
#include "storage/memory_entry_tree.h"

namespace veltrano::storage {

class StationFile;

class StorageFile {
 public:
  virtual ~StorageFile() = default;
  virtual EntryTree& tree() = 0;
  virtual bool readOnly() const = 0;
  // Writes the changes made since the last update (the end-of-operation write). 0 or an
  // operating-system error number.
  virtual int writeUpdate() = 0;
  // Drops the changes not yet written.
  virtual void discardChanges() = 0;
  // Picks up what another station wrote since the file was last read.
  virtual void refresh() {}
  // The locks, sharing and transaction part of a file other stations may open (wendlock_station.h);
  // null for a file only this process sees.
  virtual StationFile* station() { return nullptr; }
  // The page cache's hits and loads so far (zero for a file kept in memory).
  virtual CacheCounts cacheCounts() const { return {}; }
};

struct StorageOpen {
  std::string_view path;  // 1251, as the file name gives it
  std::string_view owner;
  bool read_only = false;
  bool create = false;  // create a missing file
};

class StorageCatalog {
 public:
  virtual ~StorageCatalog() = default;
  // The open file, or null with an error: 2 when missing, 36 when not a storage file, or an
  // operating-system error number.
  virtual std::unique_ptr<StorageFile> open(const StorageOpen& request, int* error) = 0;
  virtual bool exists(std::string_view path) = 0;
  virtual int remove(std::string_view path) = 0;
  virtual int rename(std::string_view from, std::string_view to) = 0;
  // Copies a whole storage file (its written state).
  virtual int copy(std::string_view from, std::string_view to) = 0;
};

// Storage files kept in memory, by upper-cased path: for tests and models. Writing an update
// keeps the tree; discarding goes back to the last written one.
class MemoryCatalog final : public StorageCatalog {
 public:
  std::unique_ptr<StorageFile> open(const StorageOpen& request, int* error) override;
  bool exists(std::string_view path) override;
  int remove(std::string_view path) override;
  int rename(std::string_view from, std::string_view to) override;
  int copy(std::string_view from, std::string_view to) override;

 private:
  struct Stored {
    MemoryEntryTree written;
  };
  friend class MemoryStorageFile;
  std::map<std::string, std::shared_ptr<Stored>> files_;
};

// Open storage files shared between the tables of a process.
class SharedStorageFiles {
 public:
  explicit SharedStorageFiles(StorageCatalog& catalog) : catalog_(&catalog) {}

  StorageCatalog& catalog() { return *catalog_; }
  void setCatalog(StorageCatalog& catalog) { catalog_ = &catalog; }

  // The shared open file for `request.path`, opening it on first use. A file first opened
  // read-only is not reopened for writing while in use (5).
  std::shared_ptr<StorageFile> acquire(const StorageOpen& request, int* error);
  // Whether the path is open in this process.
  bool isOpen(std::string_view path);

 private:
  StorageCatalog* catalog_;
  std::mutex mutex_;
  std::map<std::string, std::weak_ptr<StorageFile>> open_;
};

// The upper-cased path by which storage files are compared.
std::string storageFileIdentity(std::string_view path);

}  // namespace veltrano::storage
