// Where the stations of a storage file lock it. Every lock is a byte-range lock at 0x80000000 or
// above, where no data ever lies:
//
//   reader slots   0x80000000 + s, s = 0 … 1022, one byte each: a station reading the file
//                  holds one slot for the duration of the operation
//   writer byte    0x800003FF: a station about to change the file holds it for the operation,
//                  so writers exclude each other
//   write lock     0x80000000, 1023 bytes: every reader slot at once, held while an update is
//                  written, so it waits for running reads and keeps new ones out
//   number lock    0x80000401 + n: n is a record number (HOLD, PUT) or a table number (LOCK);
//                  the two never coincide, since both come from the file's one counter
//
// The open-mode emulation (sharing_modes.h) locks a range far above the highest number lock.
#pragma once

#include <cstdint>

namespace veltrano::storage {

inline constexpr std::uint64_t kLockRegionBase = 0x80000000;
inline constexpr std::uint32_t kReaderSlotCount = 1023;
inline constexpr std::uint64_t kWriterByteOffset = 0x800003FF;
inline constexpr std::uint64_t kNumberLockBase = 0x80000401;

// Failures raised for a lock or unlock request that names both a number and a region.
inline constexpr int kFailureMalformedLock = 2328;
inline constexpr int kFailureMalformedUnlock = 2352;

struct LockRange {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;

  std::uint64_t end() const { return offset + length; }
  bool overlaps(const LockRange& other) const { return offset < other.end() && other.offset < end(); }
  bool operator==(const LockRange&) const = default;
};

inline LockRange readerSlotRange(std::uint32_t slot) {
  return {kLockRegionBase + slot % kReaderSlotCount, 1};
}
inline LockRange writerByteRange() {
  return {kWriterByteOffset, 1};
}
inline LockRange writeLockRange() {
  return {kLockRegionBase, kReaderSlotCount};
}
inline LockRange numberLockRange(std::uint32_t number) {
  return {kNumberLockBase + number, 1};
}

// The regions a lock request may name besides a number.
enum class LockRegion { None, ReaderSlot, WriterByte, WriteLock };

// A request as the driver's lock routine receives it: a number (record or table; 0 = none) or
// a region, never both.
struct LockRequest {
  std::uint32_t number = 0;
  LockRegion region = LockRegion::None;
  std::uint32_t slot = 0;  // for LockRegion::ReaderSlot
};

// The range a request names. A request naming both a number and a region, or neither, is a
// storage failure: `failure` is 2328 for a lock and 2352 for an unlock.
LockRange rangeOf(const LockRequest& request, int failure);

}  // namespace veltrano::storage
