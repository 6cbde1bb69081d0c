#include "storage/whole_file_hold.h"

#include "storage/wendlock_station.h"

namespace veltrano::storage {
namespace {

constexpr int kAccessDenied = 5;

// What an operation on a whole file declares itself as: reading (and writing), sharing both.
const OpenMode kSharedWriter = OpenMode::decode(0x42);
const OpenMode kSharedReader = OpenMode::decode(0x40);
// Read and write, sharing nothing.
const OpenMode kAlone = OpenMode::decode(0x12);

}  // namespace

WholeFileHold::WholeFileHold(StorageFile& file, bool writes, bool wait)
    : station_(file.station()), mode_(writes ? kSharedWriter : kSharedReader) {
  if (station_ == nullptr) {
    file.refresh();
    return;
  }
  if (station_->admit(mode_, true) != 0) {
    error_ = kAccessDenied;
    return;
  }
  admitted_ = true;
  lock_.emplace(station_->gate(), true, wait);
  if (!lock_->ok()) {
    busy_ = !wait;
    error_ = kAccessDenied;
  }
}

WholeFileHold::~WholeFileHold() {
  lock_.reset();
  if (claimed_) station_->leave(kAlone);
  if (admitted_) station_->leave(mode_);
}

int WholeFileHold::claimWhole() {
  if (station_ == nullptr || claimed_) return error_;
  if (error_ != 0) return error_;
  if (station_->admit(kAlone, true) != 0) return kAccessDenied;
  claimed_ = true;
  return 0;
}

}  // namespace veltrano::storage
