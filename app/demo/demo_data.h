// `wlk demo`: the application's 39 files filled with a realistic, reproducible institution —
// the reference books, a staff schedule of subdivisions, departments and positions, and
// employees with their work history, appointments, training, attestations, certificates,
// leave and family. Everything goes through the dictionary's table managers, so numbering,
// priming and keys apply as in the program, and the cards' derived fields and the child
// records' flags are computed by the same code the card's lists use.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "storage/driver.h"

namespace veltrano::app {

struct DemoOptions {
  std::string directory;  // code page 1251; must exist. Files already there are replaced.
  std::int64_t employees = 100;
  std::uint32_t seed = 1;
  std::int32_t today = 0;                    // the date serial the data is laid out around; 0: today
  storage::Driver* driver = nullptr;         // null: the program's driver (files on disk)
  std::int64_t employees_per_commit = 1000;  // changes are written in transactions this large
};

inline constexpr std::int64_t kMostDemoEmployees = 9999999;  // KAR:NUM has seven digits

struct DemoSummary {
  std::vector<std::pair<std::string, std::int64_t>> records;  // per file, dictionary order
  std::int64_t dismissed = 0;
  std::int64_t part_timers = 0;
};

// Empty on success; otherwise what went wrong (UTF-8), with the files possibly half written.
std::string generateDemoData(const DemoOptions& options, DemoSummary* summary = nullptr);

}  // namespace veltrano::app
