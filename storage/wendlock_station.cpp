#include "storage/wendlock_station.h"

namespace veltrano::storage {

StationFile::StationFile(PageFile& file, std::string storage_path, bool read_only)
    : file_(file),
      path_(std::move(storage_path)),
      locks_(file.file(), read_only),
      sharing_(file.file()),
      gate_(locks_, LockPolicy::Full, [this] { file_.reloadIfChanged(); }) {
  // An update written, or a crashed one recovered, during this station's own read (its header
  // check) takes the write lock over the station's reader slot: through the lock table, letting
  // go of it takes the slot back.
  file_.setWriteLocking(
      [this] { return locks_.lock(writeLockRange(), LockPatience::forever()) == LockOutcome::Granted; },
      [this] { locks_.unlock(writeLockRange(), true); });
}

StationFile::~StationFile() {
  releaseTransactionWriter();
  file_.setWriteLocking({}, {});
}

int StationFile::admit(const OpenMode& mode, bool beside_own_tables) {
  const int outcome = sharing_.admit(mode, beside_own_tables);
  gate_.setPolicy(sharing_.policy());
  return outcome;
}

void StationFile::leave(const OpenMode& mode) {
  sharing_.leave(mode);
  gate_.setPolicy(sharing_.policy());
}

void StationFile::keepWriterForTransaction() {
  if (transaction_writer_ || gate_.policy() != LockPolicy::Full) return;
  // The calling operation already holds the writer byte, so this is granted at once.
  transaction_writer_ = locks_.lock(writerByteRange(), LockPatience::forever()) == LockOutcome::Granted;
}

void StationFile::releaseTransactionWriter() {
  if (!transaction_writer_) return;
  locks_.unlock(writerByteRange(), true);
  transaction_writer_ = false;
}

void StationFile::setMarker(std::span<const std::uint8_t> data) {
  const std::uint8_t marker_key[1] = {0xFF};
  file_.insert(marker_key, data);
}

int StationFile::completeUpdate() {
  const int outcome = file_.completeUpdate();
  releaseTransactionWriter();
  return outcome;
}

int StationFile::writeUpdate() {
  // A single file's update carries no marker: one left by an earlier transaction must not
  // decide this update's recovery.
  const std::uint8_t marker_key[1] = {0xFF};
  file_.erase(marker_key);
  const int outcome = file_.flush();
  releaseTransactionWriter();
  return outcome;
}

void StationFile::discardChanges() {
  file_.discardChanges();
  releaseTransactionWriter();
}

}  // namespace veltrano::storage
