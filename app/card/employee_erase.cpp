#include "app/card/employee_erase.h"

#include <array>
#include <vector>

#include "app/dictionary/record_access.h"
#include "framework/driver_calls.h"
#include "framework/transaction_frame.h"

namespace veltrano::app::card {
namespace {

constexpr std::array kEmployeeFiles{
    EmployeeFile{"KARTA", "KAR:NUM", "KAR:NUM_KEY"},  EmployeeFile{"ATTESTAT", "ATT:NUM", "ATT:NUM_KEY"},
    EmployeeFile{"OTPUSK", "OTP:NUM", "OTP:NUM_KEY"}, EmployeeFile{"SERTIFIK", "SER:NUM", "SER:NUM_KEY"},
    EmployeeFile{"TRUD", "TRU:NUM", "TRU:NUM_KEY"},   EmployeeFile{"RABOTA", "RAB:NUM", "RAB:NUM_KEY"},
    EmployeeFile{"POVYSH", "POV:NUM", "POV:NUM_KEY"}, EmployeeFile{"SOSTAV", "SOS:NUM", "SOS:NUM_KEY"},
    EmployeeFile{"PODGOT", "POD:NUM", "POD:NUM_KEY"},
};

// The nine files opened through their managers for the erase, and closed after it.
class OpenFiles {
 public:
  explicit OpenFiles(Dictionary& dictionary) : dictionary_(dictionary) {}
  ~OpenFiles() {
    for (auto it = opened_.rbegin(); it != opened_.rend(); ++it) (*it)->Close();
  }
  OpenFiles(const OpenFiles&) = delete;
  OpenFiles& operator=(const OpenFiles&) = delete;

  framework::Level open() {
    for (const EmployeeFile& file : kEmployeeFiles) {
      framework::TableManager& manager = dictionary_.manager(file.file);
      if (const framework::Level level = manager.Open(); level != framework::kLevelBenign) return level;
      opened_.push_back(&manager);
      blocks_.push_back(&dictionary_.file(file.file).file());
    }
    return framework::kLevelBenign;
  }
  const std::vector<storage::FileControlBlock*>& blocks() const { return blocks_; }

 private:
  Dictionary& dictionary_;
  std::vector<framework::TableManager*> opened_;
  std::vector<storage::FileControlBlock*> blocks_;
};

// Deletes the employee's records of one file: the first of the number is found by its key each
// time, until there is none. The id of the failure, 0 when there was none.
framework::MessageId deleteRecordsOf(Dictionary& dictionary, const EmployeeFile& file,
                                     std::int64_t employee) {
  storage::DeclaredFile& declared = dictionary.file(file.file);
  RecordAccess record(declared);
  for (;;) {
    record.clear(file.number);
    record.setInteger(file.number, employee);
    if (framework::fileCall(storage::Operation::SetKeyKey, declared.file(), declared.key(file.key)) != 0)
      return 1;
    const int read = framework::fileCall(storage::Operation::Next, declared.file());
    if (read == 33 || (read == 0 && record.integer(file.number) != employee)) return 0;
    if (read != 0) return 1;
    if (dictionary.manager(file.file).RecordChange(framework::Change::kDelete) != 0 ||
        framework::fileCall(storage::Operation::Delete, declared.file()) != 0)
      return 11;
  }
}

}  // namespace

std::span<const EmployeeFile> employeeFiles() {
  return kEmployeeFiles;
}

framework::Level eraseEmployee(Dictionary& dictionary, std::int64_t employee) {
  OpenFiles files(dictionary);
  if (const framework::Level opened = files.open(); opened != framework::kLevelBenign) return opened;
  framework::TableManager& karta = dictionary.manager("KARTA");
  // The erase's history goes with it: the history file is one of the transaction's.
  std::vector<storage::FileControlBlock*> blocks = files.blocks();
  if (framework::ChangeHistory* history = karta.changeHistory(); history != nullptr) {
    storage::FileControlBlock* history_file = history->historyFile();
    if (history_file == nullptr) return karta.Throw(21);
    blocks.push_back(history_file);
  }
  framework::TransactionFrame transaction;
  if (transaction.begin(blocks) != 0) return karta.Throw(21);
  for (const EmployeeFile& file : kEmployeeFiles) {
    if (const framework::MessageId failed = deleteRecordsOf(dictionary, file, employee); failed != 0) {
      framework::TableManager& manager = dictionary.manager(file.file);
      manager.NoteError(failed);
      transaction.rollBack();
      manager.Throw();
      return framework::kLevelNotify;
    }
  }
  if (transaction.commit() != 0) {
    karta.NoteError(21);
    transaction.rollBack();
    karta.Throw();
    return framework::kLevelNotify;
  }
  return framework::kLevelBenign;
}

}  // namespace veltrano::app::card
