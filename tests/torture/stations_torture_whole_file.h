// The operations on whole tables and files that a station of storage_stations_torture runs beside
// the other stations' updates: BUILD of a shared table (open, and closed, which the others'
// sharing refuses), PACK, CREATE over a table, COPY of ITEMS into a table of the same file and of
// the other file, RENAME, EMPTY and REMOVE of the station's own scratch table, and a copy of a
// whole storage file. None may lose or damage what the others write (the final checks see to
// that); a copy must be one consistent state of what it copied, which is checked here.
#pragma once

#include <cstdint>
#include <map>
#include <random>
#include <string>

#include "tests/torture/stations_torture_log.h"
#include "tests/torture/stations_torture_tables.h"

namespace veltrano::torture {

struct WholeFileStation {
  std::string directory;
  int station = 0;
  Tables& tables;  // the station's open tables
  // What the station's own items hold: only it changes them, so a copy must show them so.
  const std::map<std::int64_t, OwnedRecord>& own_items;
  std::map<std::string, std::int64_t>& statistics;
};

// Runs one of the operations, chosen at random. Throws std::runtime_error on a failure.
void runWholeFileOperation(WholeFileStation& station, std::mt19937_64& random);

}  // namespace veltrano::torture
