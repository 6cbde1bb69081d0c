// The local date and time, a millisecond tick count, and a test override of "now".
#pragma once

#include <cstdint>
#include <optional>

namespace veltrano::platform {

struct LocalDateTime {
  int year = 0;
  int month = 0;   // 1–12
  int day = 0;     // 1–31
  int hour = 0;    // 0–23
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// The local date and time, or the override a test has set.
LocalDateTime localNow();

// Seconds since 1 January 1970 (UTC); moves with the override when one is set.
std::int64_t secondsSinceEpoch();

// Milliseconds from an arbitrary start, never going backwards (unaffected by the override).
std::uint64_t tickMilliseconds();

// Makes localNow() answer `now` until cleared with std::nullopt. For tests and for the
// command-line tool's --today option.
void setNowOverride(std::optional<LocalDateTime> now);

}  // namespace veltrano::platform
