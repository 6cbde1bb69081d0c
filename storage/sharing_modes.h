// Open modes: the access and sharing an OPEN asks for, and the emulation of the sharing rules
// of the system the files were first kept on, where a file opened "deny write" keeps every
// other writer out and "deny all" every other opener.
//
// The access mode word of OPEN: bits 0–1 the access (0 read-only, otherwise read and write);
// bits 4–5 the sharing (0, and 0x40 which leaves them 0, share everything; 0x20 lets others
// only read; 0x10 and 0x30 share nothing); 0x100 open through the system's file-creation call;
// 0x200 create, replacing an existing file.
//
// The emulation locks five bytes far above every lock region of the format (the highest number
// lock ends below 0x17E000402):
//   gate        taken exclusively, waiting, while one opener checks and declares itself
//   reads       held shared by every opener that reads the file
//   writes      held shared by every opener that writes it
//   denies read, denies write: held shared by every opener that keeps others from reading or
//               writing
// An opener checks, under the gate, that nobody else holds the bytes that conflict with what it
// asks (an exclusive lock on a byte is granted only when no other open file holds it), then
// holds its own. The tables of one process share one open file, so their modes are counted here
// and the process holds the union of what they declare; a table's mode is checked against the
// other tables of the process first.
//
// A file open for reading only cannot take an exclusive lock on Linux, so it probes with a
// shared lock, which sees only exclusive holds. The station that denies reading (there is at
// most one) holds its byte exclusively, so a read-only opener is kept out of an exclusively
// opened file; one that denies writing itself cannot see other writers and is admitted on
// what it can see (it still declares itself, keeping later conflicting opens out).
#pragma once

#include <cstdint>
#include <mutex>

#include "platform/file.h"
#include "storage/lock_operation.h"

namespace veltrano::storage {

inline constexpr std::uint64_t kSharingBase = 0x200000000;

struct OpenMode {
  bool write = false;           // read and write access
  bool others_read = true;      // others may read
  bool others_write = true;     // others may write
  bool through_system = false;  // 0x100
  bool create = false;          // 0x200

  static OpenMode decode(std::uint32_t access_mode);
  // The operation locks a station opened this way takes.
  LockPolicy policy() const;
};

class SharingEmulation {
 public:
  explicit SharingEmulation(platform::File& file) : file_(file) {}
  ~SharingEmulation();
  SharingEmulation(const SharingEmulation&) = delete;
  SharingEmulation& operator=(const SharingEmulation&) = delete;

  // Admits one more table opened with `mode`: 0, or 5 "Access Denied" when the mode conflicts
  // with another table of this process or another station. `beside_own_tables`: the opener is
  // an operation of this process on the whole file (a BUILD, CREATE, COPY …) and is checked
  // against the other stations only; the process's own tables are its own business.
  int admit(const OpenMode& mode, bool beside_own_tables = false);
  // The table opened with `mode` has closed.
  void leave(const OpenMode& mode);
  // The operation locks the process must take, given every table it has open: the file's
  // locks are needed as soon as some other station may be writing or reading it.
  LockPolicy policy() const;

 private:
  enum Byte : std::uint64_t { kGate = 0, kReads = 1, kWrites = 2, kDeniesRead = 3, kDeniesWrite = 4 };
  struct Counts {
    int reads = 0;
    int writes = 0;
    int denies_read = 0;
    int denies_write = 0;
    int count(Byte byte) const;
  };

  bool otherStationHolds(Byte byte);
  void declare(Byte byte, int before, int after);

  platform::File& file_;
  mutable std::mutex mutex_;
  Counts counts_;
};

}  // namespace veltrano::storage
