// storage_torture: random file statements against an in-memory model of what must be stored,
// for a given time or number of steps, with crashes injected at random writes, failed writes,
// and periodic reopening. Four tables in two storage files (one enciphered), several key shapes
// (numeric unique, NOCASE text with a second component, descending, OPT), records and keys as
// large as a table's may be, a MEMO and a BLOB, and transactions over both files that commit or
// roll back.
//
// After every crash or failed write the files are closed, the faults cleared and the files
// reopened, as a restart would find them: each table must then hold exactly the model before
// or exactly the model after the interrupted statement (a transaction counts as one statement
// over both files), and every file must pass the entry check. Any divergence prints the seed
// and the step, which replay it exactly:
//
//   storage_torture --seed 12345 --steps 40000 [--dir DIRECTORY] [--verbose]
//   storage_torture --seconds 300 (a fresh seed from the clock, printed first)
//   --one-file-transactions keeps each transaction within one storage file, leaving the commit
//   over several files (the control-file protocol) out.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/fault_injection.h"
#include "platform/file.h"
#include "runtime/errors/error_state.h"
#include "runtime/values/field_value.h"
#include "runtime/values/type_codes.h"
#include "storage/declared_file.h"
#include "storage/driver.h"
#include "storage/page_file.h"
#include "storage/wendlock_check.h"
#include "storage/wendlock_driver.h"

namespace veltrano::torture {
namespace {

using storage::DeclaredFile;
using storage::Operation;
using storage::OperationArguments;

struct Divergence : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// What a table must hold: record images and memo contents by the record's unique number.
struct StoredRecord {
  std::vector<std::uint8_t> image;
  std::vector<std::uint8_t> memo;
  friend bool operator==(const StoredRecord&, const StoredRecord&) = default;
};
using TableModel = std::map<std::int64_t, StoredRecord>;
using Model = std::vector<TableModel>;  // one per table

struct Table {
  std::unique_ptr<DeclaredFile> file;
  std::string storage_path;  // the storage file holding the table
  std::string owner;
  const runtime::FieldDescriptor* id = nullptr;  // the unique number
  bool blob = false;
  std::size_t most_records = 1500;  // kept to a size that a full verification can afford
};

class Torture {
 public:
  Torture(std::uint64_t seed, std::string directory, bool verbose, bool one_file_transactions)
      : seed_(seed),
        random_(seed),
        directory_(std::move(directory)),
        verbose_(verbose),
        one_file_transactions_(one_file_transactions) {}

  void setUp();
  // One random step; false once the step limit or the time is reached.
  void step();
  void finishAndVerify();

  std::uint64_t steps() const { return step_; }
  std::uint64_t crashes() const { return crashes_; }
  std::uint64_t failures() const { return failed_writes_; }
  std::uint64_t reopens() const { return reopens_; }
  std::uint64_t transactions() const { return transactions_; }

 private:
  // Statements.
  int statement(Table& table, Operation operation, OperationArguments arguments = {});
  bool filteredWalkMatches(Table& table, const storage::KeyDescriptor& key, const TableModel& model,
                           const std::vector<std::int64_t>& seen, std::string& why);
  int openTable(Table& table);
  void closeAll();
  // Random content.
  std::string randomName();
  void fillRecord(Table& table, std::int64_t id, StoredRecord& record);
  void load(Table& table, const StoredRecord& record);
  StoredRecord current(Table& table);
  // Operations, each applied to the database and to `model`.
  int addRecord(std::size_t t, Model& model);
  int changeRecord(std::size_t t, Model& model);
  int deleteRecord(std::size_t t, Model& model);
  void readRecord(std::size_t t, const Model& model);
  void duplicateAdd(std::size_t t, const Model& model);
  int transaction(Model& model);
  // Verification.
  void verifyTable(std::size_t t, const TableModel& model);
  bool tableMatches(std::size_t t, const TableModel& model, std::string& why);
  void verifyAll(const Model& model);
  void checkFiles();
  // After a crash or a failed write: restart and accept either side of the statement.
  void restart(const Model& before, const Model& after);
  [[noreturn]] void diverged(const std::string& what);
  std::int64_t pickId(const TableModel& model);

  std::uint64_t seed_;
  std::mt19937_64 random_;
  std::string directory_;
  bool verbose_;
  bool one_file_transactions_;  // each transaction stays within one storage file
  platform::FaultInjectingFileSystem faults_;
  std::unique_ptr<platform::FileSystemOverride> override_;
  std::vector<Table> tables_;
  Model model_;
  std::int64_t next_id_ = 1;
  std::uint64_t step_ = 0;
  bool fault_armed_ = false;
  std::string operation_;  // the step's statement, for the report of a divergence
  std::uint64_t crashes_ = 0, failed_writes_ = 0, reopens_ = 0, transactions_ = 0;
};

void Torture::diverged(const std::string& what) {
  throw Divergence("divergence at step " + std::to_string(step_) + " (" + operation_ + "): " + what +
                   " — replay with --seed " + std::to_string(seed_) + " --steps " +
                   std::to_string(step_ + 1));
}

int Torture::statement(Table& table, Operation operation, OperationArguments arguments) {
  storage::fileStatement(operation, table.file->file(), arguments);
  return runtime::errorCode();
}

int Torture::openTable(Table& table) {
  OperationArguments open;
  open.access_mode = 0x42;
  return statement(table, Operation::Open, open);
}

void Torture::setUp() {
  std::filesystem::create_directories(directory_);
  override_ = std::make_unique<platform::FileSystemOverride>(faults_);
  const std::string plain = directory_ + "/PLAIN.WLK", secret = directory_ + "/SECRET.WLK";
  for (const auto& path : {plain, secret}) std::filesystem::remove(path);
  {
    // Staff: a numeric unique key, a NOCASE name key with a second component, a descending
    // date key that leaves out blank dates (OPT), and a memo.
    runtime::RecordLayoutBuilder fields;
    fields.decimal("STA:ID", 7, 0)
        .string("STA:FAM", 20)
        .string("STA:NOM", 12)
        .scalar("STA:BORN", runtime::TypeCode::Date);
    fields.decimal("STA:RATE", 5, 2).scalar("STA:FLAG", runtime::TypeCode::Byte);
    Table table{DeclaredFile::make("STAFF", fields.build()), plain, "", nullptr, false};
    table.file->setName(plain + "\\!STAFF");
    table.file->addKey("STA:ID_KEY", {"+STA:ID"}, storage::kKeyPrimary);
    table.file->addKey("STA:FAM_KEY", {"+STA:FAM", "+STA:NOM"}, storage::kKeyDup | storage::kKeyNocase);
    table.file->addKey("STA:BORN_KEY", {"-STA:BORN"}, storage::kKeyDup | storage::kKeyOpt);
    table.file->addMemo("STA:NOTES", 400);
    tables_.push_back(std::move(table));
  }
  {
    // Journal lines in the same storage file: a second table, a long string, a LONG key.
    runtime::RecordLayoutBuilder fields;
    fields.scalar("LOG:ID", runtime::TypeCode::Long)
        .string("LOG:TEXT", 300)
        .scalar("LOG:KIND", runtime::TypeCode::Short);
    Table table{DeclaredFile::make("LOG", fields.build()), plain, "", nullptr, false};
    table.file->setName(plain + "\\!LOG");
    table.file->addKey("LOG:ID_KEY", {"+LOG:ID"}, storage::kKeyPrimary);
    table.file->addKey("LOG:KIND_KEY", {"+LOG:KIND", "-LOG:ID"}, storage::kKeyDup);
    tables_.push_back(std::move(table));
  }
  {
    // Bulky records as large as a table's may be, with a text whose key is as long as a key may
    // be and a second long text in a NOCASE OPT key. Their texts share long prefixes, so that the
    // keys' index pages hold separators nearly as long as the keys themselves, few to a page.
    runtime::RecordLayoutBuilder fields;
    fields.scalar("BIG:ID", runtime::TypeCode::Long).string("BIG:TEXT", 7523).string("BIG:NOTE", 7473);
    Table table{DeclaredFile::make("BULKY", fields.build()), plain, "", nullptr, false};
    table.file->setName(plain + "\\!BULKY");
    table.file->addKey("BIG:ID_KEY", {"+BIG:ID"}, storage::kKeyPrimary);
    table.file->addKey("BIG:TEXT_KEY", {"+BIG:TEXT", "-BIG:ID"}, storage::kKeyDup);
    table.file->addKey("BIG:NOTE_KEY", {"+BIG:NOTE"},
                       storage::kKeyDup | storage::kKeyNocase | storage::kKeyOpt);
    table.most_records = 120;
    tables_.push_back(std::move(table));
  }
  {
    // Scanned documents in an enciphered file: a BLOB of up to several chunks.
    runtime::RecordLayoutBuilder fields;
    fields.decimal("DOC:ID", 9, 0).string("DOC:TITLE", 60).scalar("DOC:DATE", runtime::TypeCode::Date);
    Table table{DeclaredFile::make("DOCS", fields.build()), secret, "Kljuch-7", nullptr, true};
    table.file->setName(secret + "\\!DOCS");
    table.file->setOwner(table.owner);
    table.file->setAttributes(storage::kFileEncrypt);
    table.file->addKey("DOC:ID_KEY", {"+DOC:ID"}, storage::kKeyPrimary);
    table.file->addKey("DOC:TITLE_KEY", {"+DOC:TITLE"},
                       storage::kKeyDup | storage::kKeyNocase | storage::kKeyOpt);
    table.file->addMemo("DOC:SCAN", 0, storage::kMemoBlob | storage::kMemoBinary);
    tables_.push_back(std::move(table));
  }
  for (auto& table : tables_) {
    table.file->setDriver(storage::wendlockDriver());
    table.id = &table.file->layout().field(0);
    if (statement(table, Operation::Create) != 0) throw std::runtime_error("CREATE failed");
    if (openTable(table) != 0) throw std::runtime_error("OPEN failed");
  }
  model_.assign(tables_.size(), {});
}

std::string Torture::randomName() {
  // Latin and Cyrillic (code page 1251) letters in both cases, so that NOCASE keys meet equal
  // names spelt differently; now and then a blank one, so that OPT keys leave records out.
  static const std::string latin = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::uniform_int_distribution<int> percent(0, 99);
  if (percent(random_) < 5) return {};
  const int length = std::uniform_int_distribution<int>(1, 18)(random_);
  std::string name;
  for (int i = 0; i < length; ++i) {
    if (percent(random_) < 50) {
      name += latin[std::uniform_int_distribution<std::size_t>(0, latin.size() - 1)(random_)];
    } else {
      // А–я without Ё/ё: 0xC0–0xFF.
      name += static_cast<char>(std::uniform_int_distribution<int>(0xC0, 0xFF)(random_));
    }
  }
  // Few distinct first letters, so that equal prefixes and equal names are common.
  if (percent(random_) < 40) name = "Ivan" + name.substr(0, 4);
  return name;
}

void Torture::fillRecord(Table& table, std::int64_t id, StoredRecord& record) {
  const auto& layout = table.file->layout();
  record.image.assign(layout.size(), 0);
  runtime::clearRecord(layout, record.image);
  std::uniform_int_distribution<int> percent(0, 99);
  runtime::storeInteger(*table.id, record.image, id);
  for (std::size_t f = 1; f < layout.fieldCount(); ++f) {
    const auto& field = layout.field(f);
    if (runtime::isStringType(field.type)) {
      std::string text = randomName();
      if (field.size > 1000) {
        const std::size_t run = percent(random_) < 30
                                    ? field.size - std::uniform_int_distribution<std::size_t>(0, 20)(random_)
                                    : std::uniform_int_distribution<std::size_t>(0, field.size)(random_);
        text = std::string(run, 'Q') + text;
      } else if (field.size > 100 && !text.empty())
        text += std::string(std::uniform_int_distribution<std::size_t>(0, 250)(random_), '.');
      runtime::storeText(field, record.image, text);
    } else if (field.type == runtime::TypeCode::Date) {
      if (percent(random_) >= 10)
        runtime::storeInteger(field, record.image, std::uniform_int_distribution<int>(4, 80000)(random_));
    } else {
      runtime::storeInteger(field, record.image, std::uniform_int_distribution<int>(0, 200)(random_));
    }
  }
  record.memo.clear();
  if (table.file->file().memos.empty() || percent(random_) < 30) return;
  if (table.blob) {
    const std::size_t bytes = std::uniform_int_distribution<std::size_t>(1, 3000)(random_);
    for (std::size_t i = 0; i < bytes; ++i) record.memo.push_back(static_cast<std::uint8_t>(random_()));
  } else {
    const std::size_t letters = std::uniform_int_distribution<std::size_t>(1, 400)(random_);
    for (std::size_t i = 0; i < letters; ++i) record.memo.push_back(static_cast<std::uint8_t>('a' + i % 26));
  }
}

void Torture::load(Table& table, const StoredRecord& record) {
  std::copy(record.image.begin(), record.image.end(), table.file->record().begin());
  auto& memos = table.file->file().memo_values;
  if (!memos.empty()) memos[0] = record.memo;
}

StoredRecord Torture::current(Table& table) {
  StoredRecord record;
  record.image.assign(table.file->record().begin(), table.file->record().end());
  const auto& memos = table.file->file().memo_values;
  if (!memos.empty()) record.memo = memos[0];
  // A MEMO is kept without its trailing blanks; an empty one reads back empty.
  if (!table.blob) {
    while (!record.memo.empty() && record.memo.back() == ' ') record.memo.pop_back();
  }
  return record;
}

std::int64_t Torture::pickId(const TableModel& model) {
  auto at = model.begin();
  std::advance(at,
               static_cast<long>(std::uniform_int_distribution<std::size_t>(0, model.size() - 1)(random_)));
  return at->first;
}

int Torture::addRecord(std::size_t t, Model& model) {
  auto& table = tables_[t];
  StoredRecord record;
  const std::int64_t id = next_id_++;
  fillRecord(table, id, record);
  load(table, record);
  const int error = statement(table, Operation::Add);
  model[t][id] = record;
  return error;
}

int Torture::changeRecord(std::size_t t, Model& model) {
  auto& table = tables_[t];
  if (model[t].empty()) return addRecord(t, model);
  const std::int64_t id = pickId(model[t]);
  runtime::storeInteger(*table.id, table.file->record(), id);
  OperationArguments get;
  get.key = table.file->file().keys[0];
  if (const int error = statement(table, Operation::GetFileKey, get); error != 0)
    diverged("GET of record " + std::to_string(id) + " before PUT gave " + std::to_string(error));
  if (!(current(table) == model[t][id])) diverged("record " + std::to_string(id) + " differs before PUT");
  StoredRecord record;
  fillRecord(table, id, record);
  load(table, record);
  const int error = statement(table, Operation::Put);
  model[t][id] = record;
  return error;
}

int Torture::deleteRecord(std::size_t t, Model& model) {
  auto& table = tables_[t];
  if (model[t].empty()) return 0;
  const std::int64_t id = pickId(model[t]);
  runtime::storeInteger(*table.id, table.file->record(), id);
  OperationArguments get;
  get.key = table.file->file().keys[0];
  if (const int error = statement(table, Operation::GetFileKey, get); error != 0)
    diverged("GET of record " + std::to_string(id) + " before DELETE gave " + std::to_string(error));
  const int error = statement(table, Operation::Delete);
  model[t].erase(id);
  return error;
}

void Torture::readRecord(std::size_t t, const Model& model) {
  auto& table = tables_[t];
  std::int64_t id = next_id_ + 5;  // absent
  if (!model[t].empty() && random_() % 4 != 0) id = pickId(model[t]);
  runtime::storeInteger(*table.id, table.file->record(), id);
  OperationArguments get;
  get.key = table.file->file().keys[0];
  const int error = statement(table, Operation::GetFileKey, get);
  const auto found = model[t].find(id);
  if (found == model[t].end()) {
    if (error != 35)
      diverged("GET of absent record " + std::to_string(id) + " gave " + std::to_string(error));
    return;
  }
  if (error != 0) diverged("GET of record " + std::to_string(id) + " gave " + std::to_string(error));
  if (!(current(table) == found->second)) diverged("record " + std::to_string(id) + " read back differently");
}

void Torture::duplicateAdd(std::size_t t, const Model& model) {
  auto& table = tables_[t];
  if (model[t].empty()) return;
  const std::int64_t id = pickId(model[t]);
  StoredRecord record;
  fillRecord(table, id, record);
  load(table, record);
  if (const int error = statement(table, Operation::Add); error != 40)
    diverged("ADD of a second record " + std::to_string(id) + " gave " + std::to_string(error) + ", not 40");
}

// LOGOUT over both storage files, a few changes, then COMMIT or ROLLBACK. Like every operation
// here it leaves in `model` what must be stored once it has succeeded.
int Torture::transaction(Model& model) {
  ++transactions_;
  OperationArguments logout;
  const std::string& only = tables_[random_() % tables_.size()].storage_path;
  std::vector<std::size_t> members;
  for (std::size_t t = 0; t < tables_.size(); ++t) {
    if (one_file_transactions_ && tables_[t].storage_path != only) continue;
    logout.files.push_back(&tables_[t].file->file());
    members.push_back(t);
  }
  if (const int error = statement(tables_[0], Operation::Logout, logout); error != 0) return error;
  Model changed = model;
  const int changes = std::uniform_int_distribution<int>(1, 12)(random_);
  for (int i = 0; i < changes; ++i) {
    const std::size_t t = members[random_() % members.size()];
    int error = 0;
    switch (random_() % 4) {
      case 0: error = addRecord(t, changed); break;
      case 1: error = changeRecord(t, changed); break;
      case 2: error = deleteRecord(t, changed); break;
      default: readRecord(t, changed); break;
    }
    if (error != 0) diverged("a change inside a transaction gave " + std::to_string(error));
  }
  if (random_() % 5 == 0) {
    statement(tables_[0], Operation::Rollback);
    return 0;
  }
  const int error = statement(tables_[0], Operation::Commit);
  model = std::move(changed);
  return error;
}

bool Torture::tableMatches(std::size_t t, const TableModel& model, std::string& why) {
  auto& table = tables_[t];
  const auto records = storage::fileStatement(Operation::RecordsFile, table.file->file());
  if (runtime::errorCode() != 0 || records != static_cast<std::int64_t>(model.size())) {
    why = table.file->file().label + " holds " + std::to_string(records) + " records, not " +
          std::to_string(model.size());
    return false;
  }
  const auto& keys = table.file->file().keys;
  for (std::size_t k = 0; k < keys.size(); ++k) {
    OperationArguments set;
    set.key = keys[k];
    if (statement(table, Operation::SetKey, set) != 0) {
      why = "SET of key " + keys[k]->label + " failed";
      return false;
    }
    std::vector<std::int64_t> seen;
    std::optional<std::int64_t> previous;
    for (;;) {
      const int error = statement(table, Operation::Next);
      if (error == 33) break;
      if (error != 0) {
        why = "NEXT in " + keys[k]->label + " gave " + std::to_string(error) + " " +
              runtime::errorState().file_error_code + " " + runtime::errorState().file_error;
        return false;
      }
      const auto id = static_cast<std::int64_t>(runtime::loadReal(*table.id, table.file->record()));
      const auto found = model.find(id);
      if (found == model.end() || !(current(table) == found->second)) {
        why = keys[k]->label + " gives record " + std::to_string(id) +
              (found == model.end() ? ", not in the model" : " with other contents");
        return false;
      }
      if (k == 0 && previous && *previous >= id) {
        why = "the unique key is out of order at " + std::to_string(id);
        return false;
      }
      previous = id;
      seen.push_back(id);
    }
    // An OPT key leaves out exactly the records whose key fields are all blank (or zero).
    std::size_t due = 0;
    for (const auto& [id, record] : model) {
      bool blank = (keys[k]->attributes & storage::kKeyOpt) != 0;
      for (const auto component : keys[k]->components) {
        const auto& field = table.file->layout().field(static_cast<std::size_t>(std::abs(component) - 1));
        const std::span<const std::uint8_t> image(record.image);
        if (runtime::isStringType(field.type)) {
          const auto text = runtime::stringView(field, image);
          if (text.find_first_not_of(' ') != std::string_view::npos) blank = false;
        } else if (runtime::loadReal(field, image) != 0) {
          blank = false;
        }
      }
      if (!blank) ++due;
    }
    std::sort(seen.begin(), seen.end());
    if (seen.size() != due || std::adjacent_find(seen.begin(), seen.end()) != seen.end()) {
      why = keys[k]->label + " gives " + std::to_string(seen.size()) + " records, " + std::to_string(due) +
            " due";
      return false;
    }
    if (!filteredWalkMatches(table, *keys[k], model, seen, why)) return false;
  }
  return true;
}

bool Torture::filteredWalkMatches(Table& table, const storage::KeyDescriptor& key, const TableModel& model,
                                  const std::vector<std::int64_t>& seen, std::string& why) {
  // The driver tests the filter on stored images and passes over what it rejects: the records
  // that pass are those of the plain walk that pass, each read whole as the model has it.
  const runtime::FieldDescriptor& id_field = *table.id;
  const auto idOf = [&] {
    return static_cast<std::int64_t>(runtime::loadReal(id_field, table.file->record()));
  };
  const std::int64_t divisor = 2 + static_cast<std::int64_t>(random_() % 5);
  storage::StoredTest filter;
  filter.reads.push_back({id_field.offset, id_field.size});
  filter.test = [&] { return idOf() % divisor == 0; };
  std::vector<std::int64_t> due;
  for (const std::int64_t id : seen) {
    if (id % divisor == 0) due.push_back(id);
  }
  for (const bool forward : {true, false}) {
    OperationArguments set;
    set.key = &key;
    if (statement(table, Operation::SetKey, set) != 0) {
      why = "SET of key " + key.label + " failed";
      return false;
    }
    std::vector<std::int64_t> passing;
    for (;;) {
      OperationArguments step;
      step.filter = &filter;
      const int error = statement(table, forward ? Operation::Next : Operation::Previous, step);
      if (error == 33) break;
      const std::int64_t id = idOf();
      const auto found = model.find(id);
      if (error != 0 || found == model.end() || !(current(table) == found->second)) {
        why = "a filtered walk of " + key.label + " gives record " + std::to_string(id) + " (error " +
              std::to_string(error) + ") unlike the model";
        return false;
      }
      if (id % divisor == 0) passing.push_back(id);
    }
    std::sort(passing.begin(), passing.end());
    if (passing != due) {
      why = "a filtered walk of " + key.label + " gives " + std::to_string(passing.size()) +
            " passing records, " + std::to_string(due.size()) + " due";
      return false;
    }
  }
  return true;
}

void Torture::verifyTable(std::size_t t, const TableModel& model) {
  std::string why;
  if (!tableMatches(t, model, why)) diverged(why);
}

void Torture::verifyAll(const Model& model) {
  for (std::size_t t = 0; t < tables_.size(); ++t) verifyTable(t, model[t]);
}

void Torture::checkFiles() {
  for (const auto& [path, owner] : {std::pair<std::string, std::string>{directory_ + "/PLAIN.WLK", ""},
                                    {directory_ + "/SECRET.WLK", "Kljuch-7"}}) {
    storage::PageFileOptions options;
    options.owner = owner;
    options.read_only = true;
    int error = 0;
    auto file = storage::PageFile::open(path, platform::Creation::OpenExisting, options, &error);
    if (!file) diverged("the entry check cannot open " + path + ": " + std::to_string(error));
    const auto problems = storage::checkEntries(*file);
    if (!problems.empty()) diverged(path + " fails the entry check: " + problems.front());
  }
}

void Torture::closeAll() {
  for (auto& table : tables_) statement(table, Operation::Close);
}

void Torture::restart(const Model& before, const Model& after) {
  // Whatever the crash left unwritten is gone: nothing more reaches the disk while closing.
  if (!faults_.crashed()) faults_.crashAfterWrite(faults_.writeCount());
  closeAll();
  faults_.clearFaults();
  fault_armed_ = false;
  for (auto& table : tables_) {
    if (const int error = openTable(table); error != 0)
      diverged("reopening after a crash gave " + std::to_string(error));
  }
  // The files of a transaction recover together: all before, or all after.
  std::string why_after, why_before;
  bool is_after = true, is_before = true;
  for (std::size_t t = 0; t < tables_.size(); ++t) {
    if (is_after && !tableMatches(t, after[t], why_after)) is_after = false;
    if (is_before && !tableMatches(t, before[t], why_before)) is_before = false;
  }
  if (!is_after && !is_before)
    diverged("after a crash the files hold neither side of the statement (after: " + why_after +
             "; before: " + why_before + ")");
  model_ = is_after ? after : before;
  checkFiles();
}

void Torture::step() {
  std::uniform_int_distribution<int> percent(0, 99);
  // Arm a fault now and then: a crash a few writes ahead, or a write that fails.
  if (!fault_armed_ && percent(random_) < 4) {
    const std::uint64_t ahead = std::uniform_int_distribution<std::uint64_t>(1, 60)(random_);
    if (percent(random_) < 75) {
      faults_.crashAfterWrite(faults_.writeCount() + ahead);
    } else if (percent(random_) < 50) {
      faults_.failWrite(faults_.writeCount() + ahead);
    } else {
      faults_.shortenWrite(faults_.writeCount() + ahead,
                           std::uniform_int_distribution<std::size_t>(0, 700)(random_));
    }
    fault_armed_ = true;
  }
  const std::size_t t = random_() % tables_.size();
  const bool large = model_[t].size() > tables_[t].most_records;
  Model working = model_;
  int error = 0;
  const int choice = percent(random_);
  if (choice < (large ? 15 : 35)) {
    operation_ = "ADD in " + tables_[t].file->file().label;
    error = addRecord(t, working);
  } else if (choice < 55) {
    operation_ = "PUT in " + tables_[t].file->file().label;
    error = changeRecord(t, working);
  } else if (choice < 70) {
    operation_ = "DELETE in " + tables_[t].file->file().label;
    error = deleteRecord(t, working);
  } else if (choice < 85) {
    operation_ = "GET in " + tables_[t].file->file().label;
    readRecord(t, working);
  } else if (choice < 87) {
    operation_ = "duplicate ADD in " + tables_[t].file->file().label;
    duplicateAdd(t, working);
  } else if (choice < 96) {
    operation_ = "transaction in " + tables_[t].file->file().label;
    error = transaction(working);
  } else if (choice < 98) {
    // A restart without a crash.
    operation_ = "reopening";
    ++reopens_;
    closeAll();
    for (auto& table : tables_) {
      if (const int reopened = openTable(table); reopened != 0)
        diverged("reopening gave " + std::to_string(reopened));
    }
    verifyAll(working);
  } else {
    operation_ = "verification of " + tables_[t].file->file().label;
    verifyTable(t, working[t]);
  }
  if (faults_.crashed() || error != 0) {
    if (!fault_armed_)
      diverged("a statement failed with " + std::to_string(error) + " with no fault planned");
    if (faults_.crashed())
      ++crashes_;
    else
      ++failed_writes_;
    if (verbose_)
      std::cerr << "step " << step_ << ": " << (faults_.crashed() ? "crash" : "failed write") << " (error "
                << error << ") at write " << faults_.writeCount() << "\n";
    restart(model_, working);
  } else {
    model_ = std::move(working);
  }
  ++step_;
}

void Torture::finishAndVerify() {
  faults_.clearFaults();
  fault_armed_ = false;
  verifyAll(model_);
  closeAll();
  for (auto& table : tables_) {
    if (const int error = openTable(table); error != 0)
      diverged("the last reopening gave " + std::to_string(error));
  }
  verifyAll(model_);
  closeAll();
  checkFiles();
}

}  // namespace
}  // namespace veltrano::torture

int main(int argc, char** argv) {
  using Clock = std::chrono::steady_clock;
  std::optional<std::uint64_t> seed;
  std::optional<std::uint64_t> steps;
  double seconds = 10;
  std::string directory;
  bool verbose = false;
  bool one_file_transactions = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool has_value = i + 1 < argc;
    if (argument == "--seed" && has_value)
      seed = std::stoull(argv[++i]);
    else if (argument == "--steps" && has_value)
      steps = std::stoull(argv[++i]);
    else if (argument == "--seconds" && has_value)
      seconds = std::stod(argv[++i]);
    else if (argument == "--minutes" && has_value)
      seconds = 60 * std::stod(argv[++i]);
    else if (argument == "--dir" && has_value)
      directory = argv[++i];
    else if (argument == "--verbose")
      verbose = true;
    else if (argument == "--one-file-transactions")
      one_file_transactions = true;
    else {
      std::cerr << "usage: storage_torture [--seed S] [--steps N | --seconds T | --minutes M] [--dir D] "
                   "[--verbose] [--one-file-transactions]\n";
      return 2;
    }
  }
  if (!seed) seed = static_cast<std::uint64_t>(Clock::now().time_since_epoch().count());
  const bool own_directory = directory.empty();
  if (own_directory)
    directory =
        (std::filesystem::temp_directory_path() / ("storage_torture." + std::to_string(::getpid()))).string();
  std::cout << "storage_torture: seed " << *seed << std::endl;
  veltrano::torture::Torture torture(*seed, directory, verbose, one_file_transactions);
  const auto deadline =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  try {
    torture.setUp();
    while (steps ? torture.steps() < *steps : Clock::now() < deadline) torture.step();
    torture.finishAndVerify();
  } catch (const std::exception& failure) {
    std::cout << "storage_torture: seed " << *seed << ": " << failure.what() << std::endl;
    return 1;
  }
  std::cout << "storage_torture: seed " << *seed << ": " << torture.steps() << " steps, " << torture.crashes()
            << " crashes, " << torture.failures() << " failed writes, " << torture.reopens()
            << " reopenings, " << torture.transactions() << " transactions, no divergence" << std::endl;
  if (own_directory) std::filesystem::remove_all(directory);
  return 0;
}
