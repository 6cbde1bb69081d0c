// The registration record of the storage driver, WENDLOCK: what it calls itself, the operations
// it carries out and the field types it stores, and its limits block.
//
// Limits block (60 bytes, every value an unsigned 32-bit little-endian word, unused bytes 0):
//   offset 0  largest record size in bytes                 15000
//   offset 4  largest number of keys and indexes of a file   240
//   offset 8  deepest GROUP nesting of a record              100
// A description that exceeds them is refused when the driver builds it (47, 47 and 75).
#pragma once

#include <cstddef>
#include <cstdint>

#include "storage/driver.h"

namespace veltrano::storage {

inline constexpr std::size_t kLimitLargestRecord = 0;
inline constexpr std::size_t kLimitLargestKeyCount = 4;
inline constexpr std::size_t kLimitDeepestGroupNesting = 8;

const DriverRegistration& wendlockRegistration();

// The 32-bit word of the limits block at `offset` (one of the kLimit… offsets).
// 0 for an offset whose word would not lie inside the block.
std::uint32_t registrationLimit(const DriverRegistration& registration, std::size_t offset);

// Whether the registration lists `code` among the driver's operations.
bool supportsOperation(const DriverRegistration& registration, int code);

}  // namespace veltrano::storage
