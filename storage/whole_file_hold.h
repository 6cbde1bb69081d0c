// What an operation on a whole table or storage file — BUILD, PACK, CREATE, REMOVE, COPY,
// RENAME — holds for its whole run, so that no other station's update lands between the moment
// it reads the file and the moment its own update is written (which would write the other's
// pages back as they were, losing what the driver had acknowledged).
//
// Between stations it is the writer byte, the lock every changing operation takes, held from
// before the file is read until the update is written; it is taken only after the operation has
// declared itself to the file's sharing as a station that reads and writes and shares both, so
// that a station that opened the file denying writes refuses it (5 "Access Denied"). An
// operation that removes or replaces the disk file claims it whole besides (claimWhole): every
// other station must have closed it. Files only this process sees (the in-memory catalog) need
// none of it.
//
//   WholeFileHold hold(*shared_file);
//   if (hold.error() != 0) return {hold.error(), 0, 0};
//   … read and change the tree, write the update …
#pragma once

#include <optional>

#include "storage/lock_operation.h"
#include "storage/sharing_modes.h"
#include "storage/wendlock_files.h"

namespace veltrano::storage {

class StationFile;

class WholeFileHold {
 public:
  // Takes the hold, waiting for the writers before it (unless `wait` is false: then busy() tells
  // that another writer has the file); then picks up what they wrote. `writes`: the operation
  // changes this file (a copy's source only reads it, and a station that opened it denying
  // writes lets it). REQUIRES: `file` outlives the hold.
  explicit WholeFileHold(StorageFile& file, bool writes = true, bool wait = true);
  ~WholeFileHold();
  WholeFileHold(const WholeFileHold&) = delete;
  WholeFileHold& operator=(const WholeFileHold&) = delete;

  // 0, or 5 "Access Denied" when another station's sharing refuses a writer or the operating
  // system refused the lock.
  int error() const { return error_; }
  bool busy() const { return busy_; }
  // Keeps every other station from opening the file until the hold ends: 0, or 5 when another
  // station has it open (this process's own tables are not asked).
  int claimWhole();

 private:
  StationFile* station_ = nullptr;
  bool admitted_ = false;
  bool claimed_ = false;
  bool busy_ = false;
  OpenMode mode_;
  std::optional<OperationLock> lock_;
  int error_ = 0;
};

}  // namespace veltrano::storage
