// The application's 39 files as declared files, built from the dictionary tables, and their
// per-thread instances.
//
// Every file is declared THREAD: each procedure thread has its own record buffer and its own
// open instance of the file (position, held record, open count at the driver), so procedures on
// one thread share one KARTA buffer while a list on another thread has its own. The managers
// and the buffer references handed out (to relation links, key components, bound filter names)
// all point at one set of control blocks, the front instances; the instances of the thread that
// runs are kept there, and the others' are parked. Only one procedure thread runs at a time
// (the run lock), so making a thread's instances current is an exchange of buffers, memo
// contents and the driver's open state, done by selectThread() when a thread takes the run lock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/dictionary/dictionary_tables.h"
#include "storage/declared_file.h"
#include "storage/driver.h"

namespace veltrano::app {

// Created when missing, space of deleted records reused, one instance per thread, strings
// stored in the OEM code page.
inline constexpr std::uint8_t kDictionaryFileAttributes =
    storage::kFileCreate | storage::kFileReclaim | storage::kFileThread | storage::kFileOem;

// OPT and NOCASE on every key; PRIMARY for a unique key, DUP for every other.
std::uint32_t dictionaryKeyAttributes(const KeySpec& key);

// The declared file of a dictionary entry, on `driver`. The label names the storage file;
// with a directory the file is named DIRECTORY/LABEL instead (demo data and tests: the program
// itself works in its working directory). `directory` is code page 1251 text.
std::unique_ptr<storage::DeclaredFile> declareDictionaryFile(const FileSpec& spec, storage::Driver& driver,
                                                             std::string_view directory = {});

inline constexpr std::int32_t kNoThread = -1;

class DictionaryFiles {
 public:
  // The front instances belong to the calling thread's number (framework::currentThreadNumber).
  explicit DictionaryFiles(storage::Driver& driver, std::string directory = {});
  // Closes every thread's open instances.
  ~DictionaryFiles();
  DictionaryFiles(const DictionaryFiles&) = delete;
  DictionaryFiles& operator=(const DictionaryFiles&) = delete;

  std::size_t size() const { return files_.size(); }
  storage::DeclaredFile& at(std::size_t index) { return *files_[index]; }
  const FileSpec& spec(std::size_t index) const { return dictionaryFiles()[index]; }
  std::optional<std::size_t> indexOf(std::string_view label) const;
  // REQUIRES: a label of the dictionary (std::out_of_range otherwise: a fault of the program).
  storage::DeclaredFile& file(std::string_view label);

  // Start-up: every buffer of the current thread cleared field by field (strings to spaces,
  // numbers and dates to 0) and its memos emptied.
  void clearBuffers();

  // Makes `thread`'s instances current, parking those of the thread that had them. A thread
  // seen for the first time starts with cleared buffers and closed files.
  void selectThread(std::int32_t thread);
  // selectThread(framework::currentThreadNumber()).
  void selectCallingThread();
  std::int32_t currentThread() const { return current_; }
  // A thread ended: its open instances are closed and its buffers dropped. When it was the
  // current one, no thread owns the front instances until the next selectThread.
  void endThread(std::int32_t thread);
  // Threads with parked instances.
  std::size_t parkedThreads() const { return parked_.size(); }

 private:
  struct Instance {
    std::vector<std::uint8_t> record;
    std::vector<std::vector<std::uint8_t>> memos;
    std::unique_ptr<storage::DriverState> state;
  };
  using Instances = std::vector<Instance>;  // one per file, in dictionary order

  Instances freshInstances() const;
  // Swaps the front instances with `instances`.
  void exchange(Instances& instances);
  // Closes every open front instance.
  void closeFront();

  std::vector<std::unique_ptr<storage::DeclaredFile>> files_;
  std::int32_t current_ = kNoThread;
  std::map<std::int32_t, Instances> parked_;
};

}  // namespace veltrano::app
