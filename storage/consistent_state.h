// One consistent state of a data directory's files on disk, for a backup: every storage file
// ("*.WLK") and the transaction control file held still at once under the locks every station
// respects, so that what is read of them is a state some moment had, with no station's
// transaction half in it.
//
// On each file it takes what a committing station takes:
//   the writer byte, shared: a station keeps it exclusively from its transaction's first change
//     of the file to the transaction's end, and every single change takes it, so while it is
//     held here no transaction is running on the file and none can start changing it;
//   a reader slot, shared: the write lock an update's write to disk takes covers every slot, so
//     nothing is written to the file (not even another station's recovery) while it is held.
// It first declares itself to the file's sharing as a station that reads and writes and shares
// both, so that a station that opened a file keeping writers out (it then writes without these
// locks) refuses the backup instead of being copied in the middle of a write.
//
// Locks are tried, never waited for while others are held: a file that is busy makes every lock
// be let go, and the attempt is made again a little later, until `patience` runs out. A station
// in the middle of a transaction therefore finishes it (it may need a file already taken here),
// and the backup says which file kept it waiting.
//
//   std::string why;
//   auto state = ConsistentState::take("/srv/kadry", std::chrono::seconds(30), &why);
//   if (!state) … why …
//   for (auto& member : state->members()) … member.file->read(offset, bytes) …
//   // the state ends with the object
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file.h"
#include "storage/sharing_modes.h"

namespace veltrano::storage {

class ConsistentState {
 public:
  struct Member {
    std::string name;  // as it is in the directory
    std::unique_ptr<platform::File> file;
    std::unique_ptr<SharingEmulation> sharing;
    std::int64_t size = 0;  // taken once every lock was held
  };

  // Null with the reason (UTF-8) in *why when the files cannot be held.
  static std::unique_ptr<ConsistentState> take(std::string_view directory, std::chrono::milliseconds patience,
                                               std::string* why);
  ~ConsistentState();
  ConsistentState(const ConsistentState&) = delete;
  ConsistentState& operator=(const ConsistentState&) = delete;

  std::vector<Member>& members() { return members_; }

  // Whether a directory entry is one of the files a backup takes: a storage file or the
  // transaction control file (names compared without regard to case).
  static bool belongsToState(std::string_view name);

 private:
  ConsistentState() = default;
  // Every lock of every member, or none (false) with the busy file's name in *busy.
  bool lockAll(std::string* busy);
  void unlockAll();

  std::vector<Member> members_;
  std::vector<std::pair<platform::File*, std::uint64_t>> held_;  // file, offset of a one-byte lock
};

}  // namespace veltrano::storage
