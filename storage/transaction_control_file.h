// The transaction control file: a storage file of the ordinary format holding one entry per
// transaction in commit, its key the 4-byte transaction identifier (big-endian, as numbers in
// keys are), no data. An identifier present means "that transaction has not reached its commit
// point"; removing it is the commit point.
//
// Every station commits through the same control files, so each change of one is made under its
// writer byte with the header re-read first, and a read under a reader slot. The file is opened
// for reading and writing, shared with all, and created when missing.
//
// Paths here are code page 1251 text as the storage file names are; the default control file
// of a storage file is "wendlock.tcf" in the storage file's directory, recorded in markers as
// "C:\wenDlocK.TCF".
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::storage {

inline constexpr std::string_view kDefaultControlFileName = "wendlock.tcf";
inline constexpr std::string_view kDefaultControlFileMark = "C:\\wenDlocK.TCF";

// "wendlock.tcf" beside the storage file.
std::string defaultControlFilePath(std::string_view storage_path);
// Whether a recorded path stands for the default control file.
bool isDefaultControlFileMark(std::string_view recorded);

// The transaction marker's data: the identifier, then the control file path and a zero byte.
std::vector<std::uint8_t> encodeTransactionMarker(std::uint32_t id, std::string_view recorded_path);
struct TransactionMarker {
  std::uint32_t id = 0;
  std::string recorded_path;
};
// Empty for data too short to hold an identifier.
std::optional<TransactionMarker> decodeTransactionMarker(std::span<const std::uint8_t> data);

class ControlFile {
 public:
  // Opens (creating when missing, unless `create` is false) the control file at `path`.
  // *error: 0; 5 when another station keeps it to itself; 2 when missing and not created;
  // or the error of the open.
  static std::unique_ptr<ControlFile> open(std::string_view path, bool create, int* error);
  ~ControlFile();
  ControlFile(const ControlFile&) = delete;
  ControlFile& operator=(const ControlFile&) = delete;

  const std::string& path() const { return path_; }

  // Whether the identifier is recorded (read under a reader slot).
  bool holds(std::uint32_t id);
  // Records or removes the identifier and writes the file's update at once: 0 or the
  // operating-system error of the write (the file is then left as before).
  int insert(std::uint32_t id);
  int remove(std::uint32_t id);

  // For COMMIT: keeps other stations from changing the file between choosing an identifier and
  // recording it. Nested with the calls above on the same thread.
  void beginExclusive();
  void endExclusive();
  bool holdsUnlocked(std::uint32_t id);
  // The largest identifier this control file has ever recorded (kept in its number counter), so
  // that a new transaction never reuses the identifier of one whose files may still carry an
  // unfinished update naming it. Read under beginExclusive().
  std::uint32_t lastIssuedUnlocked();

 private:
  struct Parts;
  ControlFile(std::string path, std::unique_ptr<Parts> parts);
  int change(std::uint32_t id, bool insert);

  std::string path_;
  std::unique_ptr<Parts> parts_;
};

// The decision recovery asks for a storage file found with a complete pending update carrying a
// transaction marker: true rolls the update forward, false discards it. The update is
// discarded when the marker's control file still holds the identifier (the transaction never
// reached its commit point) or cannot be opened; one that another station keeps to itself is
// retried until it opens.
bool keepPendingUpdate(std::string_view storage_path, std::span<const std::uint8_t> marker_data);

}  // namespace veltrano::storage
