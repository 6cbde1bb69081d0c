// The contract between file statements and a file driver.
//
// Every file statement becomes one call of fileStatement(): the operation code, the file's
// control block and the operation's further arguments. The common entry does the work every
// driver shares — answering QUERY_VIEW, discarding a stale expanded description, refusing a
// failed file, turning storage failures into error 90, tracing, and posting the outcome into the
// calling thread's error state (runtime/errors) — and hands the operation itself to the driver
// named in the control block. Nothing here throws to the caller.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "storage/file_control_block.h"
#include "storage/operations.h"
#include "storage/stored_test.h"

namespace veltrano::storage {

// The further arguments of an operation; each operation reads the members it needs.
struct OperationArguments {
  const KeyDescriptor* key = nullptr;  // the key forms (SETkey, GETkeyptr, RECORDSkey, BUILDkey …)
  std::uint32_t pointer = 0;           // the pointer forms: a record position
  std::uint32_t length = 0;            // the forms whose names end in "len"
  std::int32_t seconds = 0;            // the forms whose names end in "sec": the wait
  std::uint32_t access_mode = 0;       // OPEN and SHARE
  std::int32_t count = 0;              // SKIP
  std::string text;  // SEND, COPY, RENAME, BUILDdyn…, properties; a position for RESET/REGET
  std::vector<FileControlBlock*> files;  // LOGOUT: the files of the transaction
  // NEXT and PREVIOUS: records this test rejects may be passed over on their stored images (a
  // driver may also ignore it: the caller still tests what it is given).
  const StoredTest* filter = nullptr;
  // The string result of NAME, POSITIONfile/key, SEND, GET_PROPERTY, GETPROPERTYkey. The
  // file-statement layer of the runtime pushes it onto the string stack.
  std::string result_text;
};

// The result of a driver's operation: the error code it posts (0 = success) and the
// operation's value (a count, a pointer, a truth value), 0 where it has none.
struct OperationResult {
  int error = 0;
  std::int64_t value = 0;
  int os_error = 0;  // with error 0: a failed system call, posted as 300 + os_error
};

// What a driver announces about itself.
struct DriverRegistration {
  std::string name;                       // up to 20 characters, e.g. "WENDLOCK"
  std::string library;                    // up to 12 characters; unused when the driver is built in
  std::string notice;                     // up to 40 characters
  std::string description;                // up to 30 characters, e.g. "Wendlock (WLK)"
  std::array<std::uint8_t, 60> limits{};  // driver constants; the largest record size among them
  std::vector<std::uint8_t> operations;   // supported operation codes, in the driver's order
  std::vector<std::uint8_t> field_types;  // supported field type codes
  std::string server_library;             // unused
};

// A count of the records of an open file that pass a test, made by the driver on the records
// where they are stored (StoredTest). It runs in steps of a given number of records, between
// which the caller may let other stations in (ReadRun); the record buffer is left as it was
// before the count.
struct RecordScan : StoredTest {
  // Asked for. With `key`, the records that key holds (an OPT key leaves out the records whose
  // components are all empty, a key not yet built those it does not cover); else every record.
  const KeyDescriptor* key = nullptr;
  // Kept by the driver from step to step.
  std::int64_t passed = 0;
  bool done = false;
  std::vector<std::uint8_t> resume;  // where the next step starts; empty at the first
};

// A run of reads that share one operation lock (Driver::holdReads); ends when destroyed.
class ReadRun {
 public:
  virtual ~ReadRun() = default;
};

class Driver {
 public:
  virtual ~Driver() = default;

  virtual const DriverRegistration& registration() const = 0;

  // Builds the driver's expanded description of the file into `file.state` (it may fail with
  // an error code such as 47, 75 or 79, leaving the state empty). The entry calls it on first
  // use and again after discarding a stale one.
  virtual OperationResult describe(FileControlBlock& file) = 0;

  // Carries out one operation. A storage failure is raised as StorageFailure and caught by the
  // entry. REQUIRES: file.state is set (describe succeeded).
  virtual OperationResult perform(Operation operation, FileControlBlock& file,
                                  OperationArguments& arguments) = 0;

  // Lets the calling thread's reads of the open file share one operation lock while the run
  // lives, instead of taking one each: for walks over many records (a view counting or sorting
  // its rows). Other stations' updates wait while a run lives, so the walker ends it every few
  // hundred records. Null when the driver takes no per-operation locks for the file.
  virtual std::unique_ptr<ReadRun> holdReads(FileControlBlock& file) {
    (void)file;
    return nullptr;
  }
  // The pointer of the open file's current record, as POINTERfile gives it, for the view walk
  // that asks after every record it reads: a driver that keeps it at hand answers without an
  // operation (and without the operation's lock). Empty when it cannot; the caller then asks
  // POINTERfile.
  virtual std::optional<std::uint32_t> currentPointer(FileControlBlock& file) {
    (void)file;
    return std::nullopt;
  }
  // One step of a count (see RecordScan): up to `records` more records tested. 80 when the
  // driver cannot count on stored records; the caller then reads the records one by one.
  virtual OperationResult scanRecords(FileControlBlock& file, RecordScan& scan, std::size_t records) {
    (void)file, (void)scan, (void)records;
    return {80, 0, 0};
  }
  // Whether tracing is on for the file: only then is an operation timed for its trace line.
  virtual bool traces(FileControlBlock& file) {
    (void)file;
    return false;
  }
  // Writes the trace lines of a finished operation when tracing is on for the file.
  virtual void trace(Operation operation, FileControlBlock& file, const OperationArguments& arguments,
                     int error, std::uint64_t hundredths) {
    (void)operation, (void)file, (void)arguments, (void)error, (void)hundredths;
  }
};

// The single entry of every file statement: performs steps common to all drivers around the
// driver's operation, then posts the outcome (clearing the error state first). Returns the
// operation's value; BOF and EOF give true when the call fails.
std::int64_t fileStatement(Operation operation, FileControlBlock& file, OperationArguments& arguments);
std::int64_t fileStatement(Operation operation, FileControlBlock& file);

// One step of a count on stored records (RecordScan), through the same entry checks as a file
// statement: 37 for a file not open, 90 for a file that had a storage failure (or has one now),
// 80 when its driver cannot. Returns the error code, posted as a file statement posts it.
int scanRecords(FileControlBlock& file, RecordScan& scan, std::size_t records);

}  // namespace veltrano::storage
