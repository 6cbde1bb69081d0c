// The change history of the employee cards: set on the managers of KARTA and of its child files
// (every file the dictionary relates to KARTA), it writes one ISTORIYA record for each card or
// child record added, changed or deleted, with every field whose value differs between the
// record as stored before and after: inserts list the fields that are not empty, deletes the
// fields the record held, a rewrite that changes nothing is not recorded.
//
//   history::CardHistory history(dictionary);   // after dictionary.Init, before any change
//   … the program runs; every change of a card writes its history …
//   // history ends before the dictionary's Kill
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/dictionary/dictionary.h"
#include "app/history/history_file.h"
#include "framework/change_history.h"

namespace veltrano::app::history {

class CardHistory final : public framework::ChangeHistory {
 public:
  explicit CardHistory(Dictionary& dictionary);
  // Takes itself off the managers and closes its files.
  ~CardHistory() override;
  CardHistory(const CardHistory&) = delete;
  CardHistory& operator=(const CardHistory&) = delete;

  storage::FileControlBlock* historyFile() override;
  int rememberStored(framework::TableManager& manager, const std::string& position) override;
  int record(framework::TableManager& manager, framework::Change change) override;

  // The history file, open (null when it cannot be opened): what the history window reads.
  storage::DeclaredFile* openHistory();

 private:
  struct Watched {
    std::string_view label;
    std::string_view number_field;  // the employee's number in this file
    framework::TableManager* manager = nullptr;
    // A second instance of the file, for reading the stored record without disturbing the
    // instance the change is made through (its held and watched record).
    std::unique_ptr<storage::DeclaredFile> stored;
    bool stored_open = false;
    std::vector<std::uint8_t> old_record;
    std::vector<std::vector<std::uint8_t>> old_memos;
    bool remembered = false;
  };

  Watched* watchedOf(const framework::TableManager& manager);
  int writeEntry(const Watched& watched, framework::Change change, const std::vector<FieldChange>& fields);
  std::int32_t nextNumber();

  std::vector<Watched> watched_;
  std::unique_ptr<storage::DeclaredFile> history_;
  bool history_open_ = false;
  std::string station_;
  std::string user_;
};

// The fields that differ between two images of a file's record (either may be empty: nothing
// stored before an insert, nothing after a delete), memos included, in layout order.
std::vector<FieldChange> changedFields(const storage::DeclaredFile& file,
                                       std::span<const std::uint8_t> before,
                                       std::span<const std::uint8_t> after,
                                       const std::vector<std::vector<std::uint8_t>>& memos_before,
                                       const std::vector<std::vector<std::uint8_t>>& memos_after);

}  // namespace veltrano::app::history
