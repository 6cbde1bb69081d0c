// The walk over a whole view (ViewCursor::records and the sorted snapshot): see view_cursor.h.
#pragma once

#include <memory>
#include <vector>

#include "storage/driver.h"
#include "storage/view_cursor.h"

namespace veltrano::storage {

class ViewCursor::WholeWalk {
 public:
  explicit WholeWalk(ViewCursor& cursor) : cursor_(cursor) {
    cursor_.memos_unread_ = !cursor_.callsProcedures();
    hold();
  }
  ~WholeWalk() {
    letGo();
    cursor_.memos_unread_ = false;
  }
  WholeWalk(const WholeWalk&) = delete;
  WholeWalk& operator=(const WholeWalk&) = delete;

  static constexpr std::uint64_t kRecordsPerRun = 256;

  // After each primary record: lets other stations in now and then.
  void stepped() {
    if (++records_ % kRecordsPerRun != 0) return;
    letOthersIn();
  }
  void letOthersIn() {
    letGo();
    hold();
  }

 private:
  void hold() {
    for (FileControlBlock* file : cursor_.files_) {
      if (file->driver == nullptr) continue;
      if (auto run = file->driver->holdReads(*file)) runs_.push_back(std::move(run));
    }
  }
  void letGo() {
    while (!runs_.empty()) runs_.pop_back();  // the last taken first
  }

  ViewCursor& cursor_;
  std::vector<std::unique_ptr<ReadRun>> runs_;
  std::uint64_t records_ = 0;
};

}  // namespace veltrano::storage
