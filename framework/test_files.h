// Test support for the managers' tests (included only by *_test.cpp): real WENDLOCK tables
// over in-memory storage files or over storage files in a temporary directory, behind a driver
// that passes every operation on but can be told to fail a chosen call, and that remembers what
// it was asked to do.
#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/file.h"
#include "platform/os_error.h"
#include "storage/declared_file.h"
#include "storage/driver.h"
#include "storage/wendlock_driver.h"
#include "storage/wendlock_files.h"

namespace veltrano::framework::testing {

class ScriptedDriver final : public storage::Driver {
 public:
  explicit ScriptedDriver(storage::Driver& real) : real_(real) {}

  const storage::DriverRegistration& registration() const override { return real_.registration(); }
  storage::OperationResult describe(storage::FileControlBlock& file) override { return real_.describe(file); }

  storage::OperationResult perform(storage::Operation operation, storage::FileControlBlock& file,
                                   storage::OperationArguments& arguments) override {
    calls.push_back({operation, file.label, arguments.text});
    auto script = failures_.find({operation, file.label});
    if (script != failures_.end()) {
      if (script->second.skip > 0) {
        --script->second.skip;
      } else if (script->second.times > 0) {
        const int code = script->second.code;
        if (--script->second.times == 0) failures_.erase(script);
        return {code, 0, 0};
      }
    }
    return real_.perform(operation, file, arguments);
  }

  // The call of `operation` on the file labelled `label` after `skip` successful ones fails
  // with `code`, `times` times in a row.
  void fail(storage::Operation operation, const std::string& label, int code, int skip = 0, int times = 1) {
    failures_[{operation, label}] = {code, skip, times};
  }

  struct Call {
    storage::Operation operation;
    std::string label;
    std::string text;
  };
  std::vector<Call> calls;

  std::vector<std::string> sent(const std::string& label) const {
    std::vector<std::string> texts;
    for (const Call& call : calls) {
      if (call.operation == storage::Operation::Send && call.label == label) texts.push_back(call.text);
    }
    return texts;
  }
  int count(storage::Operation operation, const std::string& label) const {
    int n = 0;
    for (const Call& call : calls) n += call.operation == operation && call.label == label ? 1 : 0;
    return n;
  }

 private:
  struct Failure {
    int code = 0;
    int skip = 0;
    int times = 1;
  };
  storage::Driver& real_;
  std::map<std::pair<storage::Operation, std::string>, Failure> failures_;
};

// Storage files of one test, and the driver every declared file of the test uses.
class TestStorage {
 public:
  TestStorage() : real_(catalog_), driver_(real_) {}

  ScriptedDriver& driver() { return driver_; }

  std::unique_ptr<storage::DeclaredFile> declare(const std::string& label, runtime::RecordLayout layout) {
    auto file = storage::DeclaredFile::make(label, std::move(layout));
    file->setDriver(driver_);
    return file;
  }

 private:
  storage::MemoryCatalog catalog_;
  storage::WendlockDriver real_;
  ScriptedDriver driver_;
};

// Storage files of one test on disk, in a directory of their own that goes with the test, and
// the program's own driver behind the scripted one. Every file of the test must be closed
// before this ends: the program's driver outlives the test.
class DiskStorage {
 public:
  DiskStorage() : driver_(storage::wendlockDriver()) {
    static std::atomic<int> made{0};
    directory_ = std::filesystem::temp_directory_path() /
                 ("veltrano-managers-" + std::to_string(::getpid()) + "-" + std::to_string(++made));
    std::filesystem::remove_all(directory_);
    std::filesystem::create_directories(directory_);
  }
  ~DiskStorage() {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }
  DiskStorage(const DiskStorage&) = delete;
  DiskStorage& operator=(const DiskStorage&) = delete;

  ScriptedDriver& driver() { return driver_; }
  const std::filesystem::path& directory() const { return directory_; }
  // The storage file that holds the table labelled `label`.
  std::filesystem::path pathOf(const std::string& label) const { return directory_ / (label + ".WLK"); }

  // A control block of its own on the table: a second declaration of the same label is what
  // another window or another station opens.
  std::unique_ptr<storage::DeclaredFile> declare(const std::string& label, runtime::RecordLayout layout) {
    auto file = storage::DeclaredFile::make(label, std::move(layout));
    file->setName(pathOf(label).string());
    file->setDriver(driver_);
    return file;
  }

 private:
  std::filesystem::path directory_;
  ScriptedDriver driver_;
};

// The real file system, except that opening one chosen file for writing is refused with
// "access denied", as for a file whose permissions allow reading only. Permissions do not
// bind a test that runs as root; this refusal does.
class WriteRefusingFileSystem final : public platform::FileSystem {
 public:
  explicit WriteRefusingFileSystem(std::filesystem::path refused) : refused_(std::move(refused)) {}

  std::unique_ptr<platform::File> open(std::string_view path, platform::Access access,
                                       platform::Creation creation, int* error) override {
    if (access == platform::Access::ReadWrite && std::filesystem::path(path) == refused_) {
      ++refusals;
      if (error != nullptr) *error = platform::kOsAccessDenied;
      return nullptr;
    }
    return base_.open(path, access, creation, error);
  }
  int remove(std::string_view path) override { return base_.remove(path); }
  int rename(std::string_view from, std::string_view to) override { return base_.rename(from, to); }
  bool exists(std::string_view path) override { return base_.exists(path); }
  bool isDirectory(std::string_view path) override { return base_.isDirectory(path); }

  int refusals = 0;

 private:
  std::filesystem::path refused_;
  platform::FileSystem& base_ = platform::realFileSystem();
};

}  // namespace veltrano::framework::testing
