// wlk history DIR [--employee N] — the change history of the cards of a data directory, newest
// first: one line per change (number, date and time, file, employee, what was done, station and
// user), then one indented line per changed field with its old and new value.
#include <cstdio>
#include <cstdlib>

#include "app/history/history_file.h"
#include "framework/driver_calls.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"
#include "storage/wendlock_driver.h"
#include "tools/wlk/storage_commands.h"
#include "tools/wlk/table_access.h"

namespace veltrano::wlk {
namespace {

constexpr int kFileNotFound = 2;
constexpr std::uint32_t kReadSharingAll = 0x40;

std::string when(const app::history::HistoryEntry& entry) {
  runtime::DateParts date;
  runtime::TimeParts time;
  if (runtime::partsFromSerial(entry.date, date) != 0 || runtime::partsFromTimeSerial(entry.time, time) != 0)
    return "(no date)";
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date.year, date.month, date.day,
                time.hours, time.minutes, time.seconds);
  return text;
}

std::string utf8(const std::string& text) {
  return platform::utf8From1251(text);
}

}  // namespace

int historyCommand(const CommonOptions&, std::span<const std::string> arguments) {
  constexpr std::string_view kUsage = "usage: wlk history DIR [--employee N]";
  if (arguments.size() != 1 && arguments.size() != 3) return usageError(kUsage);
  std::int64_t employee = 0;
  if (arguments.size() == 3) {
    char* end = nullptr;
    employee = std::strtoll(arguments[2].c_str(), &end, 10);
    if (arguments[1] != "--employee" || arguments[2].empty() || *end != '\0' || employee <= 0)
      return usageError(kUsage);
  }
  auto history =
      app::history::declareHistoryFile(storage::wendlockDriver(), platform::cp1251FromUtf8(arguments[0]));
  storage::OperationArguments open;
  open.access_mode = kReadSharingAll;
  const int opened = framework::fileCall(storage::Operation::Open, history->file(), open);
  if (opened == kFileNotFound) {
    std::printf("no history in %s\n", arguments[0].c_str());
    return 0;
  }
  if (opened != 0) return reportFileError();
  int error = 0;
  const auto entries =
      app::history::readHistory(*history, arguments.size() == 3 ? &employee : nullptr, &error);
  framework::fileCall(storage::Operation::Close, history->file());
  for (const auto& entry : entries) {
    std::printf("#%d %s %s %lld %s %s %s\n", entry.number, when(entry).c_str(), entry.file.c_str(),
                static_cast<long long>(entry.employee), utf8(app::history::changeText(entry.change)).c_str(),
                utf8(entry.station).c_str(), utf8(entry.user).c_str());
    for (const auto& field : entry.fields)
      std::printf("  %s: %s -> %s\n", utf8(field.label).c_str(), utf8(field.old_value).c_str(),
                  utf8(field.new_value).c_str());
  }
  if (error != 0) {
    std::fprintf(stderr, "wlk: the history could not be read to its end: error %d\n", error);
    return 1;
  }
  return 0;
}

}  // namespace veltrano::wlk
