#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <mutex>

namespace veltrano::platform {
namespace {

std::mutex override_mutex;
std::optional<LocalDateTime> now_override;

}  // namespace

LocalDateTime localNow() {
  {
    std::lock_guard lock(override_mutex);
    if (now_override) return *now_override;
  }
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm parts{};
  localtime_r(&seconds, &parts);
  const auto milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return LocalDateTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                       parts.tm_min,         parts.tm_sec,     static_cast<int>(milliseconds)};
}

std::int64_t secondsSinceEpoch() {
  {
    std::lock_guard lock(override_mutex);
    if (now_override) {
      std::tm parts{};
      parts.tm_year = now_override->year - 1900;
      parts.tm_mon = now_override->month - 1;
      parts.tm_mday = now_override->day;
      parts.tm_hour = now_override->hour;
      parts.tm_min = now_override->minute;
      parts.tm_sec = now_override->second;
      return static_cast<std::int64_t>(timegm(&parts));
    }
  }
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::uint64_t tickMilliseconds() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

void setNowOverride(std::optional<LocalDateTime> now) {
  std::lock_guard lock(override_mutex);
  now_override = now;
}

}  // namespace veltrano::platform
