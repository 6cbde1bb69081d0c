// The data directory, made ready before the program opens any file in it: created when missing
// and made the working directory (the storage files, "veltrano.INI" and the transaction control
// file lie there), then looked over:
//
//   no storage file at all       the first start: the clerk chooses an empty database or the
//                                demonstration institution, and every file is created (so the
//                                next start finds the answer in what the directory holds);
//   some storage files missing   the clerk is told which, and may have them created empty;
//   a file that cannot be read   the clerk is told which file and what is wrong, advised to run
//                                "wlk check" and "wlk build", and the program ends without
//                                having written to it;
//   a directory that refuses     the program ends when nothing is there yet, and otherwise works
//   writing                      with the files open for reading only.
//
// Another station working in the same directory changes nothing here: the files are shared and
// the storage driver's locks decide.
#pragma once

#include <cstdint>
#include <string>

namespace veltrano::app {

// $VELTRANO_DATA, else ~/veltrano-data (UTF-8).
std::string defaultDataDirectory();

struct DataDirectoryOptions {
  std::string path;                   // UTF-8
  std::int64_t demo_employees = 300;  // the demonstration institution's size
};

enum class DataReadiness : std::uint8_t {
  kReady,     // the program works as usual
  kReadOnly,  // the files can be read but nothing written: the managers open them read-only
  kEnd,       // the clerk was told why; the program ends
};

// REQUIRES: a window engine is installed (the questions and messages go through it).
DataReadiness prepareDataDirectory(const DataDirectoryOptions& options);

}  // namespace veltrano::app
