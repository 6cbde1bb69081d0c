// The table manager: everything about one data file. Opening and closing with counts per
// thread, deferred (lazy) opening, recovery when the file is missing, locked or has a damaged
// key file, priming of a new record, auto-numbering, validation hooks, insert, update,
// read-next, and saving and restoring the record buffer and file position around nested work.
// Every failure becomes a message id reported through the ErrorManager; every operation
// returns a level.
//
// The dictionary code declares one manager per file and shares it between threads:
//
//   TableManager karta;
//   karta.Init(&karta_file, &errors);        // the file's control block, the error manager
//   karta.FILENAMEVALUE = "KARTA";
//   karta.CREATE = 1;
//   karta.LOCKRECOVER = 10;
//   karta.RegisterKey(&num_key, "KAR:NUM_KEY", 1);  // component 1 is auto-numbered
//   ...
//   karta.Kill();
//
// Files are normally opened and closed through their RelationGuard; a window primes a new
// record with PrepareRecord, then Insert (or ReleaseNumber when the clerk cancels).
//
// Operations that can fail come in pairs: the plain one shows the message and returns the
// level the ErrorManager gives; the Quiet one returns 5 and leaves the id in INFO.LASTERROR.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/change_history.h"
#include "framework/error_manager.h"
#include "framework/field_ref.h"
#include "framework/level.h"
#include "framework/thread_instances.h"
#include "storage/file_control_block.h"

namespace veltrano::framework {

class RelationGuard;

// OPENMODE: the low two bits are the access bits (0 read only, 1 write only, 2 read/write),
// the next two the sharing bits; clearing the low four bits asks for read-only access.
inline constexpr std::uint8_t kOpenReadWriteDenyNone = 0x42;
inline constexpr std::uint8_t kOpenAccessBits = 0x03;

// Per-thread state of one manager.
struct ThreadInfo {
  std::int32_t ID = 0;           // thread number; 1 for files not declared THREAD
  std::uint8_t USED = 0;         // physically open
  std::uint16_t OPENED = 0;      // open count
  std::uint8_t ATEOF = 0;        // the last Next hit the end of file
  std::uint8_t AUTOINCDONE = 0;  // the new record was added to reserve its number
  std::uint8_t LASTERROR = 0;    // message id of the last NoteError
};

struct KeyComponent {
  FieldRef FIELD;
  std::string FIELDNAME;
  std::uint8_t ASCEND = 1;
};

struct KeyInfo {
  const storage::KeyDescriptor* KEY = nullptr;
  std::string DESCRIPTION;  // at most 80 characters
  std::vector<KeyComponent> FIELDS;
  std::uint8_t AUTOINC = 0;  // number of the auto-numbered component; 0 = none
  std::uint8_t DUPS = 0;
  std::uint8_t NOCASE = 0;
};

// A saved image of the record buffer with its memo and blob contents.
struct SavedBuffer {
  std::int32_t ID = 0;
  std::vector<std::uint8_t> BUFFER;
  std::vector<std::vector<std::uint8_t>> MEMOS;
};

struct SavedFileState {
  std::int32_t BUFFER = 0;  // id in BUFFERS
  std::int32_t ID = 0;
  std::uint8_t WHELD = 0;
  std::uint8_t WWATCH = 0;
  std::string POS;  // at most 512 characters; empty when the file had no current record
  const storage::KeyDescriptor* KEY = nullptr;
};

class TableManager {
 public:
  static constexpr std::size_t kPositionWidth = 512;
  static constexpr std::size_t kDescriptionWidth = 80;

  TableManager() = default;
  virtual ~TableManager() = default;
  TableManager(const TableManager&) = delete;
  TableManager& operator=(const TableManager&) = delete;

  // The extension points, in their fixed order.
  virtual void Opened();
  virtual Level ReleaseNumber(RelationGuard* relation_guard = nullptr);
  virtual Level Close();
  virtual bool SameAsSaved(std::int32_t id) const;
  virtual Level Insert();
  virtual Level Open();
  virtual Level ReserveNumber();
  virtual void PresetFields();
  virtual Level PrepareRecord(bool suppress_clear = false);
  virtual Level Throw(MessageId id);
  virtual Level Throw();
  virtual Level RaiseWithMessage(MessageId id, std::string_view text);
  virtual Level ReserveNumberQuiet();
  virtual Level CheckField(std::size_t field_number);
  virtual Level CheckFields(std::size_t low, std::size_t high, std::size_t& failed_field);
  virtual Level CheckRecord(std::size_t& failed_field);

  // REQUIRES: `file` and `errors` outlive the manager; the file has a layout.
  void Init(storage::FileControlBlock* file, ErrorManager* errors);
  void Kill();

  // Adds a KEYS record. `auto_inc_component` is the 1-based number of the auto-numbered
  // component (0 = none); a number beyond the key's components is refused (false).
  bool RegisterKey(const storage::KeyDescriptor* key, std::string_view description,
                   std::uint8_t auto_inc_component = 0);

  // The calling thread's INFO record (added zeroed when missing); also tells the error manager
  // this file's name. For a file declared THREAD with instances set, the calling thread's
  // instance of the file is made current first.
  ThreadInfo& SelectThreadState();
  // Where the per-thread instances of a file declared THREAD are kept; null (the default) when
  // the control block is the only instance.
  // REQUIRES: `instances` outlives the manager or is replaced before it ends.
  void SetThreadInstances(ThreadInstances* instances) { thread_instances_ = instances; }
  // Where every change this manager makes is recorded; null (the default) for none.
  // REQUIRES: `history` outlives the manager or is replaced before it ends.
  void SetChangeHistory(ChangeHistory* history) { change_history_ = history; }
  ChangeHistory* changeHistory() const { return change_history_; }
  // The history of a change of the current record made outside the manager (a relation guard's
  // delete): 0 without a history, and for the record an insert reserved but has not made yet.
  int RecordChange(Change change);
  Level EnsureFileOpen();
  Level Next();
  Level NextQuiet();
  Level Fetch(const storage::KeyDescriptor* key);
  Level InsertQuiet();
  // mode 0 silent, 1 errors shown, 2 errors shown and another station's changes redisplayed.
  Level Update(int mode);
  Level UpdateQuiet() { return Update(0); }

  std::int32_t SaveFileState();
  bool RestoreFileState(std::int32_t id, bool release = true);
  std::int32_t SnapshotRecord();
  bool RestoreSnapshot(std::int32_t id, bool release = true);
  // Drops a saved image without restoring it (a form that ends keeps what the buffer holds).
  bool ReleaseSnapshot(std::int32_t id);

  bool AtFileEnd();
  std::size_t KeyComponents(const storage::KeyDescriptor* key) const;
  std::string GetName() const;
  void NoteError(MessageId id);

  // The record's position for PUT's recovery and the relation guard's re-read: of the primary
  // key when PRIMARYKEY is set, else of the file. Empty when there is no current record.
  std::string CurrentPosition();
  // Re-reads the record at a position taken by CurrentPosition; the runtime's error code.
  int Reget(const std::string& position);
  // Clears the record buffer and the memos.
  void ClearRecord();

  storage::FileControlBlock* file() const { return FILE; }
  const KeyInfo* keyInfo(const storage::KeyDescriptor* key) const;

  // Fields, in their defined order.
  TableManager* ALIASEDFILE = nullptr;
  std::span<std::uint8_t> BUFFER;
  std::vector<SavedBuffer> BUFFERS;
  std::uint8_t CREATE = 0;
  ErrorManager* ERRORS = nullptr;
  storage::FileControlBlock* FILE = nullptr;
  const std::string* FILENAME = nullptr;
  std::string FILENAMEVALUE;
  std::uint8_t HASAUTOINC = 0;
  std::vector<ThreadInfo> INFO;
  std::vector<KeyInfo> KEYS;
  std::uint8_t LAZYOPEN = 0;
  std::int16_t LOCKRECOVER = 0;
  std::uint8_t OPENMODE = kOpenReadWriteDenyNone;
  std::uint8_t PRIMARYKEY = 0;
  std::vector<SavedFileState> SAVED;
  std::uint8_t SKIPHELDRECORDS = 0;

 protected:
  Level openFile(bool show_errors, bool forced);
  Level reportNoted(bool show_errors);
  Level nextRecord(bool show_errors);
  Level insertRecord(bool show_errors);
  Level reserveNumber(bool show_errors);
  // Reads the highest number in use for an auto-numbered key; 0 with the number, else the
  // runtime error of the read.
  int highestNumber(const KeyInfo& key, runtime::Decimal& highest);

 private:
  ThreadInstances* thread_instances_ = nullptr;
  ChangeHistory* change_history_ = nullptr;
  std::int32_t next_buffer_id_ = 0;
  std::int32_t next_saved_id_ = 0;
};

}  // namespace veltrano::framework
