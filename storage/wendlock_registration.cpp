#include "storage/wendlock_registration.h"

#include <algorithm>

namespace veltrano::storage {
namespace {

void putLimit(std::array<std::uint8_t, 60>& limits, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) limits[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

DriverRegistration makeRegistration() {
  DriverRegistration registration;
  registration.name = "WENDLOCK";
  // The driver is linked into the program, so there is no separately loaded library to name.
  registration.library = "";
  registration.notice = "Veltrano record storage, page files";
  registration.description = "Wendlock (WLK)";
  putLimit(registration.limits, kLimitLargestRecord, 15000);
  putLimit(registration.limits, kLimitLargestKeyCount, 240);
  putLimit(registration.limits, kLimitDeepestGroupNesting, 100);
  // The runtime reads this order as it is; it is not sorted.
  registration.operations = {1,  4,  2,  5,  3,  6,  52, 14, 7,  8,  9,  10, 11, 12, 57, 13, 29, 15,
                             16, 17, 72, 86, 18, 19, 20, 21, 22, 23, 24, 65, 25, 26, 27, 28, 61, 62,
                             31, 30, 54, 32, 33, 66, 67, 36, 37, 38, 63, 64, 40, 60, 41, 42, 43, 44,
                             47, 45, 46, 71, 85, 48, 49, 56, 50, 58, 34, 75, 76, 77, 78, 79};
  registration.field_types = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 18, 19, 20, 21, 27, 22, 24};
  registration.server_library = "";
  return registration;
}

}  // namespace

const DriverRegistration& wendlockRegistration() {
  static const DriverRegistration registration = makeRegistration();
  return registration;
}

std::uint32_t registrationLimit(const DriverRegistration& registration, std::size_t offset) {
  std::uint32_t value = 0;
  if (offset > registration.limits.size() - 4) return 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value |= static_cast<std::uint32_t>(registration.limits[offset + i]) << (8 * i);
  }
  return value;
}

bool supportsOperation(const DriverRegistration& registration, int code) {
  if (code < 0 || code > 255) return false;
  return std::ranges::find(registration.operations, static_cast<std::uint8_t>(code)) !=
         registration.operations.end();
}

}  // namespace veltrano::storage
