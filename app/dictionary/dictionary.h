// The dictionary at run time: the 39 declared files with their per-thread instances, one table
// manager and one relation guard per file, registered the way the program's start-up expects.
//
//   framework::ErrorManager errors;        // start-up: the global error manager first,
//   errors.Init();                         // then the settings file,
//   app::Dictionary dictionary;            // then the dictionary:
//   dictionary.Init(errors);               //   file managers, then relation managers
//   … run the main frame …
//   dictionary.Kill();                     // relation managers, then file managers
//   errors.Kill();
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/dictionary/dictionary_files.h"
#include "framework/error_manager.h"
#include "framework/relation_guard.h"
#include "framework/table_manager.h"
#include "storage/driver.h"

namespace veltrano::app {

// Seconds the driver's recovery is given when an open is refused by a station that died.
inline constexpr std::int16_t kLockRecoverSeconds = 10;

// The file manager of RABOTA: a new appointment is taken to match the position ("да") until the
// clerk says otherwise.
class RabotaManager final : public framework::TableManager {
 public:
  void PresetFields() override;
};

class Dictionary;

// A file's relation manager: the dictionary's relations where the file is the parent (update
// mode none, delete mode cascade, one link pair, the child's key) and, where it is the child,
// the short relation back to the parent, in the order of the relation table.
class DictionaryGuard final : public framework::RelationGuard {
 public:
  DictionaryGuard(Dictionary& dictionary, std::string_view label) : dictionary_(dictionary), label_(label) {}
  void Init(framework::TableManager* manager, bool use_logout) override;

 private:
  Dictionary& dictionary_;
  std::string_view label_;
};

class Dictionary {
 public:
  // On the program's driver, in the working directory.
  Dictionary();
  // `directory` (1251) names where the files lie; empty for the working directory.
  explicit Dictionary(storage::Driver& driver, std::string directory = {});
  ~Dictionary();
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;

  // Start-up, after the error manager and the settings file: clears every record buffer, then
  // initialises the file managers in dictionary order (control block, message name, keys in
  // stored order with the auto-numbered ones flagged), then the relation managers.
  // REQUIRES: `errors` is initialised and outlives Kill().
  void Init(framework::ErrorManager& errors);
  // Tear-down: relation managers, then file managers, in reverse order. Safe to call twice.
  void Kill();
  bool initialised() const { return initialised_; }

  DictionaryFiles& files() { return files_; }
  // REQUIRES for the three below: a label of the dictionary.
  storage::DeclaredFile& file(std::string_view label) { return files_.file(label); }
  framework::TableManager& manager(std::string_view label);
  framework::RelationGuard& guard(std::string_view label);
  // Keeps the record of changes that some of the managers write (the card history) for as long
  // as the managers live: Kill ends it before them.
  void adoptChangeHistory(std::unique_ptr<framework::ChangeHistory> history) {
    change_history_ = std::move(history);
  }

 private:
  DictionaryFiles files_;
  std::vector<std::unique_ptr<framework::TableManager>> managers_;
  std::vector<std::unique_ptr<DictionaryGuard>> guards_;
  std::unique_ptr<framework::ChangeHistory> change_history_;
  bool initialised_ = false;
};

}  // namespace veltrano::app
