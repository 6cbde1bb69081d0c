// wlk demo DIR --employees N [--seed S]: the application's files filled with demo data.
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>

#include "app/demo/demo_data.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"
#include "runtime/datetime/environment.h"
#include "runtime/errors/error_state.h"
#include "tools/wlk/commands.h"

namespace veltrano::wlk {
namespace {

bool wholeNumber(const std::string& text, std::int64_t low, std::int64_t high, std::int64_t& value) {
  if (text.empty() || text.size() > 10) return false;
  char* end = nullptr;
  const long long parsed = std::strtoll(text.c_str(), &end, 10);
  if (end == nullptr || *end != '\0' || parsed < low || parsed > high) return false;
  value = parsed;
  return true;
}

// The storage files already in `directory` (1251), named for a message; empty when there are none.
std::string storageFilesIn(const std::string& directory) {
  std::error_code error;
  std::string names;
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(platform::utf8From1251(directory), error)) {
    std::string extension = entry.path().extension().string();
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string name = entry.path().filename().string();
    if (extension != ".WLK" && name != "wendlock.tcf") continue;
    if (++count <= 3) names += (names.empty() ? "" : ", ") + name;
  }
  if (count > 3) names += " and " + std::to_string(count - 3) + " more";
  return names;
}

}  // namespace

int demoCommand(const CommonOptions&, std::span<const std::string> arguments) {
  app::DemoOptions demo;
  bool have_directory = false;
  bool have_count = false;
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    std::int64_t value = 0;
    if (argument == "--employees" || argument == "--seed") {
      if (index + 1 >= arguments.size()) {
        std::fprintf(stderr, "wlk demo: %s needs a value\n", argument.c_str());
        return 2;
      }
      const std::string& text = arguments[++index];
      if (argument == "--employees") {
        if (!wholeNumber(text, 0, app::kMostDemoEmployees, value)) {
          std::fprintf(stderr, "wlk demo: --employees takes a number from 0 to %lld\n",
                       static_cast<long long>(app::kMostDemoEmployees));
          return 2;
        }
        demo.employees = value;
        have_count = true;
      } else {
        if (!wholeNumber(text, 0, 4294967295LL, value)) {
          std::fprintf(stderr, "wlk demo: --seed takes a number from 0 to 4294967295\n");
          return 2;
        }
        demo.seed = static_cast<std::uint32_t>(value);
      }
    } else if (!have_directory && !argument.empty() && argument[0] != '-') {
      demo.directory = platform::cp1251FromUtf8(argument);
      have_directory = true;
    } else {
      std::fprintf(stderr, "wlk demo: unexpected argument '%s'\n", argument.c_str());
      return 2;
    }
  }
  if (!have_directory || !have_count) {
    std::fprintf(stderr, "usage: wlk demo DIR --employees N [--seed S]\n");
    return 2;
  }
  // The files are keyed with the environment in force: the application's unless --env says else.
  if (const auto held = storageFilesIn(demo.directory); !held.empty()) {
    std::fprintf(stderr,
                 "wlk demo: %s already holds storage files (%s): demo data would replace them; give an empty "
                 "directory or a new one\n",
                 platform::utf8From1251(demo.directory).c_str(), held.c_str());
    return 1;
  }
  const auto started = std::chrono::steady_clock::now();
  app::DemoSummary summary;
  const std::string error = app::generateDemoData(demo, &summary);
  if (!error.empty()) {
    std::fprintf(stderr, "wlk demo: %s\n", error.c_str());
    return 1;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  for (const auto& [label, records] : summary.records) {
    std::printf("%-9s %lld\n", label.c_str(), static_cast<long long>(records));
  }
  std::printf("%lld employees (%lld dismissed, %lld part-time) in %.2f s\n",
              static_cast<long long>(demo.employees), static_cast<long long>(summary.dismissed),
              static_cast<long long>(summary.part_timers), seconds);
  return 0;
}

}  // namespace veltrano::wlk
