// What a process keeps beside each shared storage file for the other stations: its locks, the
// sharing declared by the tables open on it, the operation gate, and its part in transactions.
//
// One exists per open page file (wendlock_page_catalog.cpp); files kept in memory have none and
// take no locks.
#pragma once

#include <string>

#include "storage/lock_operation.h"
#include "storage/lock_station.h"
#include "storage/page_file.h"
#include "storage/sharing_modes.h"
#include "storage/transaction.h"

namespace veltrano::storage {

class StationFile final : public TransactionMember {
 public:
  // `storage_path`: the storage file's name (1251) as the driver resolved it.
  StationFile(PageFile& file, std::string storage_path, bool read_only);
  ~StationFile() override;
  StationFile(const StationFile&) = delete;
  StationFile& operator=(const StationFile&) = delete;

  StationLocks& locks() { return locks_; }
  OperationGate& gate() { return gate_; }

  // A table opening with `mode`: 0, or 5 when another table or station's sharing refuses it.
  int admit(const OpenMode& mode, bool beside_own_tables = false);
  void leave(const OpenMode& mode);

  // While a transaction has changes of this file in the cache no other station may write it:
  // the writer byte taken by the first changing operation stays held until the transaction
  // ends.
  void keepWriterForTransaction();

  // TransactionMember.
  std::string storagePath() const override { return path_; }
  bool hasChanges() override { return file_.hasChanges(); }
  void setMarker(std::span<const std::uint8_t> data) override;
  int prepareUpdate() override { return file_.prepareUpdate(); }
  int completeUpdate() override;
  int writeUpdate() override;
  void discardChanges() override;

 private:
  void releaseTransactionWriter();

  PageFile& file_;
  std::string path_;
  StationLocks locks_;
  SharingEmulation sharing_;
  OperationGate gate_;
  bool transaction_writer_ = false;
};

}  // namespace veltrano::storage
