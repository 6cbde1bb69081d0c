// One station of storage_stations_torture: a process that opens the shared tables and changes
// them at random through the driver, as the program does, logging what it committed.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace veltrano::torture {

struct StationOptions {
  std::string directory;
  int station = 0;   // 0-based
  int stations = 1;  // how many run at once
  std::uint64_t seed = 0;
  int incarnation = 0;  // 0 for the first run; a restart after a kill counts up
  std::chrono::steady_clock::time_point deadline;
  std::optional<std::uint64_t> steps;  // instead of the deadline
  bool kill_mode = false;              // the station may be killed: every counter update goes with its mark
};

// Creates the files with their fixed records. Returns the exit status (0 = done).
int createFiles(const std::string& directory, int stations);

// Runs a station to its end. Returns the exit status: 0 when everything behaved, 1 after
// printing the failure and the seed.
int runStation(const StationOptions& options);

}  // namespace veltrano::torture
