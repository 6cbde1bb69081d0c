// The transaction state of the process: LOGOUT, COMMIT and ROLLBACK over several storage files.
//
// LOGOUT names the files; from then on their changes stay in their caches. COMMIT:
//   1. counts the files with changes; a single one simply writes its update, with no control
//      file and no marker;
//   2. opens every control file (the path set by SEND "TCF=", or the default control file of
//      each file), chooses the identifier — the clock in seconds, plus one while any control
//      file already holds it — and records it in every control file;
//   3. gives each changed file a marker naming the identifier and its control file, and writes
//      the first half of its update (everything into the pending area, the header naming it);
//      should one fail, every file of the transaction drops its changes and COMMIT returns the
//      error;
//   4. removes the identifier from the control files: the commit point;
//   5. writes the second half of every update.
// A file found on open with a pending update asks its marker's control file (keepPendingUpdate
// in transaction_control_file.h): identifier still there, the update is discarded; gone, it is
// rolled forward.
//
// With several default control files (files in several directories), every marker names the
// first of them, and the identifier leaves that one first: the commit point is one write to one
// file, so the files of a transaction cannot recover differently. The identifier is recorded
// in the others as well and removed from them after the commit point.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::storage {

// More distinct default control files than a transaction may use.
inline constexpr int kFailureTooManyControlFiles = 2183;
inline constexpr std::size_t kMostControlFiles = 100;

// A storage file taking part in a transaction.
class TransactionMember {
 public:
  virtual ~TransactionMember() = default;
  // The storage file's path (1251), whose directory holds its default control file.
  virtual std::string storagePath() const = 0;
  virtual bool hasChanges() = 0;
  // Replaces the transaction marker (the entry with key 0xFF) among the changes.
  virtual void setMarker(std::span<const std::uint8_t> data) = 0;
  virtual int prepareUpdate() = 0;
  virtual int completeUpdate() = 0;
  // The whole update at once (a transaction of one changed file).
  virtual int writeUpdate() = 0;
  // Drops every change not written (after prepareUpdate, the pending area as well) and re-reads
  // the header.
  virtual void discardChanges() = 0;
};

class Transaction {
 public:
  // The control file path set by SEND "TCF="; empty for the default.
  void setControlFilePath(std::string path) { control_path_ = std::move(path); }
  const std::string& controlFilePath() const { return control_path_; }

  bool active() const { return !members_.empty(); }
  bool contains(const TransactionMember& member) const;
  const std::vector<TransactionMember*>& members() const { return members_; }
  // The distinct default control files gathered by LOGOUT (none while a path is set).
  const std::vector<std::string>& controlFiles() const { return control_files_; }

  // LOGOUT of one file: joins it once. One more distinct default control file than 100 is
  // storage failure 2183 (the file does not join).
  void join(TransactionMember& member);
  // A member closing while the transaction runs: it drops its changes and leaves.
  void leave(TransactionMember& member);

  // 0, or the error of the step that failed. The transaction ends either way.
  int commit();
  // Every member drops its changes; the transaction ends.
  void rollback();

  // The identifier seed; the clock's seconds unless a test sets its own.
  void setClockForTesting(std::uint32_t (*seconds)()) { seconds_ = seconds; }

 private:
  int commitSeveral(const std::vector<TransactionMember*>& changed);
  void end();

  std::string control_path_;
  std::vector<TransactionMember*> members_;
  std::vector<std::string> control_files_;
  std::uint32_t (*seconds_)() = nullptr;
};

}  // namespace veltrano::storage
