// Saving and restoring the record buffer and the file's place around nested work: a lookup
// from a form reads the same file the form is editing, a cascade walks a child file in the
// middle of a browse. Ids only grow, so a stale id never restores somebody else's state.
#include <algorithm>

#include "framework/driver_calls.h"
#include "framework/table_manager.h"
#include "runtime/errors/error_state.h"

namespace veltrano::framework {

using storage::Operation;

std::int32_t TableManager::SnapshotRecord() {
  SavedBuffer saved;
  saved.ID = ++next_buffer_id_;
  saved.BUFFER.assign(BUFFER.begin(), BUFFER.end());
  if (FILE != nullptr) saved.MEMOS = FILE->memo_values;
  BUFFERS.push_back(std::move(saved));
  return BUFFERS.back().ID;
}

bool TableManager::RestoreSnapshot(std::int32_t id, bool release) {
  const auto found =
      std::find_if(BUFFERS.begin(), BUFFERS.end(), [id](const SavedBuffer& b) { return b.ID == id; });
  if (found == BUFFERS.end()) return false;
  if (found->BUFFER.size() == BUFFER.size())
    std::copy(found->BUFFER.begin(), found->BUFFER.end(), BUFFER.begin());
  if (FILE != nullptr) FILE->memo_values = found->MEMOS;
  if (release) BUFFERS.erase(found);
  return true;
}

bool TableManager::ReleaseSnapshot(std::int32_t id) {
  return std::erase_if(BUFFERS, [id](const SavedBuffer& b) { return b.ID == id; }) != 0;
}

bool TableManager::SameAsSaved(std::int32_t id) const {
  const auto found =
      std::find_if(BUFFERS.begin(), BUFFERS.end(), [id](const SavedBuffer& b) { return b.ID == id; });
  if (found == BUFFERS.end()) return false;
  if (!std::equal(found->BUFFER.begin(), found->BUFFER.end(), BUFFER.begin(), BUFFER.end())) return false;
  return FILE == nullptr || found->MEMOS == FILE->memo_values;
}

std::int32_t TableManager::SaveFileState() {
  SavedFileState state;
  state.BUFFER = SnapshotRecord();
  state.ID = ++next_saved_id_;
  // WHELD and WWATCH start clear: the driver does not say whether the current record is held or
  // watched. A caller that held or watched it marks the state so.
  const ThreadInfo& info = SelectThreadState();
  if (FILE != nullptr && info.USED != 0) {
    // The key the current sequence follows, if any, and the place in it.
    storage::OperationArguments query;
    const auto key_number = storage::fileStatement(Operation::QueryKey, *FILE, query);
    if (runtime::errorCode() == 0 && key_number > 0 &&
        static_cast<std::size_t>(key_number) <= FILE->keys.size()) {
      state.KEY = FILE->keys[static_cast<std::size_t>(key_number - 1)];
    }
    storage::OperationArguments position;
    position.key = state.KEY;
    if (fileCall(state.KEY != nullptr ? Operation::PositionKey : Operation::PositionFile, *FILE, position) ==
        0) {
      state.POS = position.result_text.substr(0, kPositionWidth);
    }
  }
  SAVED.push_back(std::move(state));
  return SAVED.back().ID;
}

bool TableManager::RestoreFileState(std::int32_t id, bool release) {
  const auto found =
      std::find_if(SAVED.begin(), SAVED.end(), [id](const SavedFileState& s) { return s.ID == id; });
  if (found == SAVED.end()) return false;
  const ThreadInfo& info = SelectThreadState();
  if (FILE != nullptr && info.USED != 0 && !found->POS.empty()) {
    storage::OperationArguments arguments;
    arguments.key = found->KEY;
    arguments.text = found->POS;
    // RESET leaves the saved record to be read next; reading it makes it current again (for a
    // PUT or DELETE after the restore) and lets the sequence go on after it. The nested work
    // read other records, which ended a hold or watch on this one: the re-read asks again.
    if (fileCall(found->KEY != nullptr ? Operation::ResetKey : Operation::ResetFile, *FILE, arguments) == 0) {
      if (found->WHELD != 0) fileCall(Operation::HoldFile, *FILE);
      if (found->WWATCH != 0) fileCall(Operation::Watch, *FILE);
      fileCall(Operation::Next, *FILE);
    }
  }
  const std::int32_t buffer = found->BUFFER;
  if (release) SAVED.erase(found);
  RestoreSnapshot(buffer, release);
  return true;
}

}  // namespace veltrano::framework
