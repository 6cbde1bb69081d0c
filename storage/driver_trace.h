// The driver trace and the view trace, switched on from the system profile (platform/profile.h,
// which stands for the Windows profile, never the program's own settings file).
//
// Driver trace, read when the driver first builds its description of a file:
//   [VSWENDLOCK] Profile=1         trace every operation on the file
//                TraceFile=…       the trace file (at most 260 characters; empty or missing:
//                                  "WENDLOCK.LOG")
//                Details=1         also record contents and, once per file, its declaration;
//                                  for an encrypted file only when its driver options hold
//                                  "ALLOWDETAILS" (any case): the password itself is never
//                                  written, but record contents would give the data away
// Each traced operation appends, to the file opened for appending on first use:
//   the declaration dump (details, first time the file occurs in this trace file);
//   the head, written "%-18s": "NEXT(KARTA,KAR:FAM_KEY[2] 1) " — name, "(", file, for key
//   operations "," key and "[" its number "]", " ", the thread's number, ") ";
//   with details, for the record operations one line per field "  %-18s: value" (strings
//   '…', dates "07 Mar 1999 (72421)", times "08:30:00.00 (3060001)", other values in
//   hexadecimal: "%02XH" for a single byte, "%02X " per byte of a longer one); for SETkeykey
//   and SETkeykeyptr the key's fields;
//   "File Error: …" for error 90 (FILEERROR), "Error: …" for another error (ERROR);
//   "Time Taken: %ld.%02ld secs" and CR LF.
//
// View trace, read when a view is created: [VSVIEW] Profile, TraceIntoFiles, and with Profile
// set TraceFile (default "VIEW.LOG"); its lines begin "VIEW:%lX:" with the view's identity.
#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "platform/profile.h"
#include "runtime/values/record_layout.h"
#include "storage/file_control_block.h"
#include "storage/operations.h"

namespace veltrano::storage {

inline constexpr std::string_view kDefaultDriverTraceFile = "WENDLOCK.LOG";
inline constexpr std::string_view kDefaultViewTraceFile = "VIEW.LOG";
inline constexpr std::size_t kLongestTraceFileName = 260;

struct DriverTraceSettings {
  bool on = false;
  bool details = false;
  std::string file = std::string(kDefaultDriverTraceFile);

  // `encrypted`: the file has the ENCRYPT attribute; `driver_options`: its options string.
  static DriverTraceSettings read(const platform::IniFile& profile, bool encrypted,
                                  std::string_view driver_options);
};

struct ViewTraceSettings {
  bool on = false;
  bool into_files = false;
  std::string file = std::string(kDefaultViewTraceFile);

  static ViewTraceSettings read(const platform::IniFile& profile);
};

// One finished operation as the trace shows it.
struct TracedOperation {
  Operation operation = Operation::None;
  std::string_view file_name;          // the file as the program names it
  const KeyDescriptor* key = nullptr;  // the key of a key operation
  int key_number = 0;                  // its 1-based number in the declaration
  int thread = 0;                      // the calling thread's number
  const runtime::RecordLayout* layout = nullptr;
  std::span<const std::uint8_t> record;  // the record buffer after the operation
  int error = 0;
  std::string_view error_text;  // ERROR as the program reads it
  std::string_view file_error;  // FILEERROR
  std::uint64_t hundredths = 0;
};

// The lines of one operation (without the declaration dump).
std::string formatTraceEntry(const TracedOperation& traced, bool details);
// "  %-18s: value" lines for the fields of `record`; `only` limits them to the given 0-based
// field numbers when not empty.
std::string formatFieldLines(const runtime::RecordLayout& layout, std::span<const std::uint8_t> record,
                             std::span<const std::size_t> only = {});
// One field's value as the detailed trace writes it.
std::string formatFieldValue(const runtime::FieldDescriptor& field, std::span<const std::uint8_t> bytes);

// The trace files of the process, each opened for appending on first use and written whole
// entries at a time, so that the threads' entries never interleave.
class TraceLog {
 public:
  // Appends `text`; a trace that cannot be written is given up silently (it must never change
  // what a statement does).
  void append(const std::string& path, std::string_view text);
  // Traces one operation under `settings`, with the declaration dump the first time `file`
  // occurs in that trace file.
  void trace(const DriverTraceSettings& settings, const FileControlBlock& file,
             const TracedOperation& traced);
  // A view trace line: "VIEW:%lX:" and `text`, then CR LF.
  void traceView(const ViewTraceSettings& settings, std::uintptr_t view, std::string_view text);
  // The number of the calling thread in the trace: 1 for the first thread that traces, then 2 …
  int threadNumber();

 private:
  std::mutex mutex_;
  std::set<std::pair<std::string, const FileControlBlock*>> dumped_;
  std::vector<std::pair<std::size_t, int>> threads_;  // hashed thread id → number
};

// The process's trace log.
TraceLog& traceLog();

}  // namespace veltrano::storage
