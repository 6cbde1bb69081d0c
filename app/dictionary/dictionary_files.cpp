#include "app/dictionary/dictionary_files.h"

#include <algorithm>
#include <stdexcept>

#include "app/dictionary/dictionary_layout.h"
#include "framework/thread_number.h"
#include "runtime/values/field_value.h"

namespace veltrano::app {

std::uint32_t dictionaryKeyAttributes(const KeySpec& key) {
  return storage::kKeyOpt | storage::kKeyNocase | (key.unique ? storage::kKeyPrimary : storage::kKeyDup);
}

std::unique_ptr<storage::DeclaredFile> declareDictionaryFile(const FileSpec& spec, storage::Driver& driver,
                                                             std::string_view directory) {
  auto file = storage::DeclaredFile::make(std::string(spec.label), recordLayout(spec));
  file->setAttributes(kDictionaryFileAttributes);
  file->setDriver(driver);
  if (!directory.empty()) file->setName(std::string(directory) + "/" + std::string(spec.label));
  for (const auto& key : spec.keys) {
    const std::vector<std::string> components(key.components.begin(), key.components.end());
    file->addKey(std::string(key.label), components, dictionaryKeyAttributes(key));
  }
  if (spec.memo) file->addMemo(std::string(spec.memo->label), spec.memo->size);
  return file;
}

DictionaryFiles::DictionaryFiles(storage::Driver& driver, std::string directory)
    : current_(framework::currentThreadNumber()) {
  for (const auto& spec : dictionaryFiles()) files_.push_back(declareDictionaryFile(spec, driver, directory));
  clearBuffers();
}

DictionaryFiles::~DictionaryFiles() {
  closeFront();
  for (auto& [thread, instances] : parked_) {
    exchange(instances);
    closeFront();
    exchange(instances);
  }
}

std::optional<std::size_t> DictionaryFiles::indexOf(std::string_view label) const {
  const auto& specs = dictionaryFiles();
  for (std::size_t index = 0; index < specs.size(); ++index) {
    if (specs[index].label == label) return index;
  }
  return std::nullopt;
}

storage::DeclaredFile& DictionaryFiles::file(std::string_view label) {
  const auto index = indexOf(label);
  if (!index) throw std::out_of_range("no file " + std::string(label) + " in the dictionary");
  return *files_[*index];
}

void DictionaryFiles::clearBuffers() {
  for (auto& file : files_) {
    runtime::clearRecord(file->layout(), file->record());
    for (auto& memo : file->file().memo_values) memo.clear();
  }
}

DictionaryFiles::Instances DictionaryFiles::freshInstances() const {
  Instances instances(files_.size());
  for (std::size_t index = 0; index < files_.size(); ++index) {
    const storage::DeclaredFile& file = *files_[index];
    instances[index].record.resize(file.layout().size());
    runtime::clearRecord(file.layout(), instances[index].record);
    instances[index].memos.resize(file.file().memo_values.size());
  }
  return instances;
}

void DictionaryFiles::exchange(Instances& instances) {
  for (std::size_t index = 0; index < files_.size(); ++index) {
    storage::FileControlBlock& front = files_[index]->file();
    Instance& other = instances[index];
    std::swap_ranges(front.record.begin(), front.record.end(), other.record.begin());
    std::swap(front.memo_values, other.memos);
    std::swap(front.state, other.state);
  }
}

void DictionaryFiles::closeFront() {
  for (auto& file : files_) {
    if (file->file().state && file->file().state->open)
      storage::fileStatement(storage::Operation::Close, file->file());
  }
}

void DictionaryFiles::selectThread(std::int32_t thread) {
  if (thread == current_) return;
  Instances incoming;
  if (auto parked = parked_.find(thread); parked != parked_.end()) {
    incoming = std::move(parked->second);
    parked_.erase(parked);
  } else {
    incoming = freshInstances();
  }
  exchange(incoming);
  // `incoming` now holds what the previous owner left in front; nobody's after endThread.
  if (current_ != kNoThread) parked_[current_] = std::move(incoming);
  current_ = thread;
}

void DictionaryFiles::selectCallingThread() {
  selectThread(framework::currentThreadNumber());
}

void DictionaryFiles::endThread(std::int32_t thread) {
  if (thread == current_) {
    closeFront();
    clearBuffers();
    current_ = kNoThread;
    return;
  }
  auto parked = parked_.find(thread);
  if (parked == parked_.end()) return;
  exchange(parked->second);
  closeFront();
  exchange(parked->second);
  parked_.erase(parked);
}

}  // namespace veltrano::app
