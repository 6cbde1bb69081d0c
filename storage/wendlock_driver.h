// WENDLOCK, the storage driver: every declared file is a table inside a storage file (Part of
// the storage engine's file format: see docs/file-format.md, "Entries of a table").
//
// The driver is reached through fileStatement() (driver.h), which calls describe() and
// perform(). It keeps, per file control block, a WendlockState: the resolved storage file and
// table, the declaration in stored form, and — while open — the shared storage file and the
// open WendlockTable.
//
//   FileControlBlock file = …;                   // or a DeclaredFile (declared_file.h)
//   file.driver = &wendlockDriver();
//   fileStatement(Operation::Create, file);      // a new table, replacing one of that name
//   fileStatement(Operation::Open, file, open);  // open.access_mode 0x22: read/write, deny write
//   … fill file.record …
//   fileStatement(Operation::Add, file);
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "storage/definition_stream.h"
#include "storage/driver.h"
#include "storage/driver_trace.h"
#include "storage/file_name.h"
#include "storage/sharing_modes.h"
#include "storage/transaction.h"
#include "storage/wendlock_files.h"
#include "storage/wendlock_table.h"

namespace veltrano::storage {

struct WendlockState final : DriverState {
  StorageFileName name;
  bool table_given = false;  // the name had a "\!" table part
  std::string owner;
  bool oem = false;
  std::optional<TableDefinition> declared;  // absent when the file has no record declaration

  // While open.
  std::shared_ptr<StorageFile> file;
  std::unique_ptr<WendlockTable> table;
  bool read_only = false;
  // A table opened without a record declaration takes it from the stored definition.
  std::unique_ptr<runtime::RecordLayout> own_layout;
  std::vector<std::uint8_t> own_record;
  std::optional<TableDefinition> stored;

  bool full_build = false;
  bool building = false;  // a BUILDevent is running: the end-of-operation write waits for it
  Operation recorded_build = Operation::None;  // what BUILDevent carries out
  int recorded_build_key = -1;

  // Between stations (wendlock_station.h): the mode the table was opened with, the record
  // whose number lock a HOLD placed, the wait of the HOLD request, and a LOCK on the table.
  OpenMode mode;
  std::uint32_t locked_record = 0;
  std::int32_t hold_seconds = 0;
  bool table_locked = false;
  bool in_view = false;  // between INVIEW and the ENDVIEW that flushes once
  DriverTraceSettings trace;
};

// Whether an operation adds, changes or removes records or keys of an open table.
bool changesRecords(Operation operation);

class WendlockDriver final : public Driver {
 public:
  explicit WendlockDriver(StorageCatalog& catalog);

  const DriverRegistration& registration() const override;
  OperationResult describe(FileControlBlock& file) override;
  std::unique_ptr<ReadRun> holdReads(FileControlBlock& file) override;
  std::optional<std::uint32_t> currentPointer(FileControlBlock& file) override;
  OperationResult scanRecords(FileControlBlock& file, RecordScan& scan, std::size_t records) override;
  bool traces(FileControlBlock& file) override;
  OperationResult perform(Operation operation, FileControlBlock& file,
                          OperationArguments& arguments) override;
  void trace(Operation operation, FileControlBlock& file, const OperationArguments& arguments, int error,
             std::uint64_t hundredths) override;

  SharedStorageFiles& files() { return files_; }
  StorageCatalog& catalog() { return files_.catalog(); }

  // The state of a described file, or null.
  static WendlockState* stateOf(FileControlBlock& file);
  // The record layout the open file works with: the declaration's, or the stored one.
  static const runtime::RecordLayout* layoutOf(FileControlBlock& file);
  // The record buffer the open file works with.
  static std::span<std::uint8_t> recordOf(FileControlBlock& file);

 private:
  OperationResult open(FileControlBlock& file, WendlockState& state, std::uint32_t access_mode);
  void close(WendlockState& state);
  OperationResult create(FileControlBlock& file, WendlockState& state);
  // The operations on a whole table or storage file (wendlock_whole_file.cpp).
  OperationResult remove(WendlockState& state);
  OperationResult copyOrRename(FileControlBlock& file, WendlockState& state, std::string_view target,
                               bool rename);
  OperationResult copyOrRenameFile(WendlockState& state, const StorageFileName& target, bool rename);
  // BUILD of an open table (under its operation lock), and of a closed one.
  OperationResult build(WendlockState& state, Operation operation, int key);
  OperationResult buildClosed(Operation operation, FileControlBlock& file, WendlockState& state,
                              OperationArguments& arguments);
  OperationResult send(FileControlBlock& file, WendlockState& state, OperationArguments& arguments);
  OperationResult onOpenTable(Operation operation, FileControlBlock& file, WendlockState& state,
                              OperationArguments& arguments);
  // The end-of-operation write of a changing operation.
  int endOperation(WendlockState& state);
  // An operation on an open table under the file's operation lock, with what other stations
  // see of it: number locks, sharing, transactions (wendlock_locking.cpp).
  OperationResult onSharedTable(Operation operation, FileControlBlock& file, WendlockState& state,
                                OperationArguments& arguments);
  void letGoOfLocks(WendlockState& state);
  OperationResult logout(FileControlBlock& file, WendlockState& state, OperationArguments& arguments);
  OperationResult commit();
  void rollback();

  SharedStorageFiles files_;
  std::string transaction_file_;  // the TCF command's path; empty for the default
  std::set<StorageFile*> in_transaction_;
  // The files of the transaction that other stations share; the others are written or
  // dropped as they are at COMMIT and ROLLBACK.
  Transaction transaction_;
};

// The program's driver, over page files on disk.
WendlockDriver& wendlockDriver();

// The table shape (key encoders, memo kinds, record image) of a definition over a layout.
TableShape tableShapeOf(const TableDefinition& definition, const runtime::RecordLayout& layout, bool oem);

}  // namespace veltrano::storage
