// The fixed numbers of the storage file's layout and the byte helpers its codecs share.
//
// Integers of the file header and of page headers are little-endian. The file's number counter
// is kept big-endian so that numbers placed in keys sort by unsigned bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace veltrano::storage {

inline constexpr std::size_t kUnitBytes = 256;
inline constexpr std::size_t kFileHeaderBytes = 512;
inline constexpr std::size_t kPageHeaderBytes = 13;
inline constexpr std::size_t kChildNumberBytes = 4;
inline constexpr int kRunCount = 60;  // run 0 holds no pages; runs 1–59 hold pages of that many units
inline constexpr int kLargestClass = 59;
inline constexpr std::size_t kLargestPageBytes = kLargestClass * kUnitBytes;  // 15104
inline constexpr std::size_t kEntryLengthLimit = 15094;                       // entries are shorter
// The longest entry a page of 59 units holds alone (beside its flag byte and both lengths): a
// longer one, up to the format's limit, could only be stored in a page packed below 59 units,
// which its bytes decide, so this system never writes one. And the longest key: an index page
// must hold two beside their child numbers, or a level of the tree could need as many index
// pages as the level below and the tree would never end.
inline constexpr std::size_t kLargestStoredEntry = kLargestPageBytes - kPageHeaderBytes - 5;  // 15086
inline constexpr std::size_t kLargestStoredKey =
    (kLargestPageBytes - kPageHeaderBytes - 2 * (kChildNumberBytes + 5)) / 2;  // 7536
inline constexpr std::size_t kCipherBlockBytes = 64;
inline constexpr std::uint8_t kFillByte = 0xB0;
inline constexpr std::uint32_t kNoPage = 0xFFFFFFFF;  // the root of an empty tree

// Page offsets are 32-bit, so units stay below (2^32 − 512) / 256. Numbers from here up never
// name a unit; the cache uses them for pages that have no place in the file yet.
inline constexpr std::uint32_t kUnitLimit = 0x00FFFFFE;
inline constexpr std::uint32_t kFirstUnplacedId = 0x01000000;

// Storage failure numbers raised by the page file.
namespace failure {
inline constexpr int kLiteralOverrun = 522;      // a literal count of a packed page overruns it
inline constexpr int kRepeatOverrun = 530;       // a repeat count overruns it (or repeats nothing)
inline constexpr int kEntryTooLong = 824;        // an entry of 15094 bytes or more
inline constexpr int kNumbersExhausted = 1173;   // the number counter's first byte reached 0xFE
inline constexpr int kPageSizeMismatch = 1477;   // a page's size (or home) does not match its place
inline constexpr int kEntriesDoNotFill = 1602;   // entries do not end at the page's size; a damaged tree
inline constexpr int kBodyOverAccounted = 1659;  // a page larger than its accounted size
inline constexpr int kPageTooLarge = 1678;       // a page (or entry) that needs more than 59 units
inline constexpr int kUnitOutsideRuns = 1735;    // a unit that lies in no run
inline constexpr int kShortRead = 2172;
inline constexpr int kReadNotWholeBlocks = 2272;
inline constexpr int kReadFailed = 2277;
inline constexpr int kWriteNotWholeBlocks = 2286;
inline constexpr int kSeekFailed = 2341;  // an offset beyond the 32-bit file
}  // namespace failure

constexpr std::uint64_t unitOffset(std::uint32_t unit) {
  return kFileHeaderBytes + std::uint64_t{unit} * kUnitBytes;
}
constexpr std::size_t roundUpToUnit(std::size_t bytes) {
  return (bytes + kUnitBytes - 1) / kUnitBytes * kUnitBytes;
}

inline std::uint16_t loadLe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t loadLe32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}
inline std::uint32_t loadBe32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}
inline void storeLe16(std::uint8_t* p, std::uint16_t value) {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
}
inline void storeLe32(std::uint8_t* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline void storeBe32(std::uint8_t* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

}  // namespace veltrano::storage
