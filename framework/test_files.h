// Test support for the managers' tests (included only by *_test.cpp): real WENDLOCK tables
// over in-memory storage files, behind a driver that passes every operation on but can be told
// to fail a chosen call, and that remembers what it was asked to do.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

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

}  // namespace veltrano::framework::testing
