#include "storage/sharing_modes.h"

namespace veltrano::storage {
namespace {

constexpr int kAccessDenied = 5;

}  // namespace

OpenMode OpenMode::decode(std::uint32_t access_mode) {
  OpenMode mode;
  mode.write = (access_mode & 0x3) != 0;
  switch (access_mode & 0x30) {
    case 0x20: mode.others_write = false; break;
    case 0x10:
    case 0x30: mode.others_read = mode.others_write = false; break;
    default: break;
  }
  mode.through_system = (access_mode & 0x100) != 0;
  mode.create = (access_mode & 0x200) != 0;
  return mode;
}

LockPolicy OpenMode::policy() const {
  if (others_write) return LockPolicy::Full;
  return others_read ? LockPolicy::PendingOnly : LockPolicy::None;
}

int SharingEmulation::Counts::count(Byte byte) const {
  switch (byte) {
    case kReads: return reads;
    case kWrites: return writes;
    case kDeniesRead: return denies_read;
    case kDeniesWrite: return denies_write;
    case kGate: break;
  }
  return 0;
}

SharingEmulation::~SharingEmulation() {
  for (const Byte byte : {kReads, kWrites, kDeniesRead, kDeniesWrite}) {
    if (counts_.count(byte) > 0) file_.unlock(kSharingBase + byte, 1);
  }
}

bool SharingEmulation::otherStationHolds(Byte byte) {
  const std::uint64_t at = kSharingBase + byte;
  switch (file_.lock(at, 1, platform::LockKind::Exclusive, platform::LockWait::Fail)) {
    case platform::LockOutcome::Busy: return true;
    case platform::LockOutcome::Failed: {
      // A file open for reading only can still see an exclusive hold: the one that denies
      // reading is held that way.
      if (file_.lock(at, 1, platform::LockKind::Shared, platform::LockWait::Fail) ==
          platform::LockOutcome::Busy) {
        return true;
      }
      if (counts_.count(byte) == 0) file_.unlock(at, 1);
      return false;
    }
    case platform::LockOutcome::Granted: break;
  }
  // The probe replaced this process's own hold, if it had one: put it back.
  if (counts_.count(byte) > 0) {
    declare(byte, 0, counts_.count(byte));
  } else {
    file_.unlock(at, 1);
  }
  return false;
}

void SharingEmulation::declare(Byte byte, int before, int after) {
  const std::uint64_t at = kSharingBase + byte;
  if (before == 0 && after > 0) {
    // At most one station denies reading (it keeps every other opener out), so it holds its
    // byte exclusively where it can, for read-only openers to see.
    if (byte != kDeniesRead || file_.lock(at, 1, platform::LockKind::Exclusive, platform::LockWait::Fail) !=
                                   platform::LockOutcome::Granted) {
      file_.lock(at, 1, platform::LockKind::Shared, platform::LockWait::Wait);
    }
  }
  if (before > 0 && after == 0) file_.unlock(at, 1);
}

int SharingEmulation::admit(const OpenMode& mode, bool beside_own_tables) {
  std::lock_guard guard(mutex_);
  // The other tables of this process first: the operating system cannot tell them apart.
  if (!beside_own_tables &&
      (counts_.denies_read > 0 || (mode.write && counts_.denies_write > 0) ||
       (!mode.others_read && counts_.reads > 0) || (!mode.others_write && counts_.writes > 0))) {
    return kAccessDenied;
  }
  const auto gate =
      file_.lock(kSharingBase + kGate, 1, platform::LockKind::Exclusive, platform::LockWait::Wait);
  const bool refused = otherStationHolds(kDeniesRead) || (mode.write && otherStationHolds(kDeniesWrite)) ||
                       (!mode.others_read && otherStationHolds(kReads)) ||
                       (!mode.others_write && otherStationHolds(kWrites));
  if (!refused) {
    Counts after = counts_;
    ++after.reads;
    if (mode.write) ++after.writes;
    if (!mode.others_read) ++after.denies_read;
    if (!mode.others_write) ++after.denies_write;
    for (const Byte byte : {kReads, kWrites, kDeniesRead, kDeniesWrite}) {
      declare(byte, counts_.count(byte), after.count(byte));
    }
    counts_ = after;
  }
  if (gate == platform::LockOutcome::Granted) file_.unlock(kSharingBase + kGate, 1);
  return refused ? kAccessDenied : 0;
}

void SharingEmulation::leave(const OpenMode& mode) {
  std::lock_guard guard(mutex_);
  Counts after = counts_;
  if (after.reads > 0) --after.reads;
  if (mode.write && after.writes > 0) --after.writes;
  if (!mode.others_read && after.denies_read > 0) --after.denies_read;
  if (!mode.others_write && after.denies_write > 0) --after.denies_write;
  for (const Byte byte : {kReads, kWrites, kDeniesRead, kDeniesWrite}) {
    declare(byte, counts_.count(byte), after.count(byte));
  }
  counts_ = after;
}

LockPolicy SharingEmulation::policy() const {
  std::lock_guard guard(mutex_);
  if (counts_.denies_write == 0) return LockPolicy::Full;
  return counts_.denies_read == 0 ? LockPolicy::PendingOnly : LockPolicy::None;
}

}  // namespace veltrano::storage
