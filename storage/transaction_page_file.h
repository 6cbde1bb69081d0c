// A page file as a member of a transaction.
#pragma once

#include <string>

#include "storage/page_file.h"
#include "storage/transaction.h"

namespace veltrano::storage {

class PageFileTransactionMember final : public TransactionMember {
 public:
  PageFileTransactionMember(PageFile& file, std::string storage_path)
      : file_(file), storage_path_(std::move(storage_path)) {}

  std::string storagePath() const override { return storage_path_; }
  bool hasChanges() override { return file_.hasChanges(); }
  void setMarker(std::span<const std::uint8_t> data) override {
    const std::uint8_t marker_key[1] = {0xFF};
    file_.insert(marker_key, data);
  }
  int prepareUpdate() override { return file_.prepareUpdate(); }
  int completeUpdate() override { return file_.completeUpdate(); }
  int writeUpdate() override { return file_.flush(); }
  void discardChanges() override { file_.discardChanges(); }

 private:
  PageFile& file_;
  std::string storage_path_;
};

}  // namespace veltrano::storage
