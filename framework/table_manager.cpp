#include "framework/table_manager.h"

#include <algorithm>
#include <cstdlib>

#include "framework/driver_calls.h"
#include "framework/thread_number.h"
#include "runtime/errors/error_state.h"
#include "runtime/values/field_value.h"

namespace veltrano::framework {

using storage::Operation;

namespace {

constexpr int kAccessDenied = 5;
constexpr int kFileNotFound = 2;
constexpr int kRecordNotAvailable = 33;
constexpr int kCreatesDuplicateKey = 40;
constexpr int kRecordHeld = 43;
constexpr int kKeyFileMustBeRebuilt = 46;
constexpr int kFileAlreadyOpen = 52;
constexpr int kRecordChanged = 89;

const storage::KeyDescriptor* primaryKeyOf(const TableManager& manager) {
  if (manager.PRIMARYKEY == 0 || manager.PRIMARYKEY > manager.KEYS.size()) return nullptr;
  return manager.KEYS[manager.PRIMARYKEY - 1u].KEY;
}

}  // namespace

void TableManager::Opened() {
  // Nothing to prepare by default; a file whose buffer needs values on open overrides this.
}

void TableManager::PresetFields() {}

void TableManager::Init(storage::FileControlBlock* file, ErrorManager* errors) {
  FILE = file;
  ERRORS = errors;
  BUFFER = file != nullptr ? file->record : std::span<std::uint8_t>();
  INFO.clear();
  KEYS.clear();
  BUFFERS.clear();
  SAVED.clear();
}

void TableManager::Kill() {
  INFO.clear();
  KEYS.clear();
  BUFFERS.clear();
  SAVED.clear();
}

bool TableManager::RegisterKey(const storage::KeyDescriptor* key, std::string_view description,
                               std::uint8_t auto_inc_component) {
  if (key == nullptr || FILE == nullptr || FILE->layout == nullptr) return false;
  if (auto_inc_component > key->components.size()) return false;
  KeyInfo info;
  info.KEY = key;
  info.DESCRIPTION = std::string(description.substr(0, kDescriptionWidth));
  info.AUTOINC = auto_inc_component;
  info.DUPS = (key->attributes & storage::kKeyDup) != 0 ? 1 : 0;
  info.NOCASE = (key->attributes & storage::kKeyNocase) != 0 ? 1 : 0;
  for (const std::int32_t component : key->components) {
    const auto number = static_cast<std::size_t>(std::abs(component));
    if (number == 0 || number > FILE->layout->fieldCount()) return false;
    KeyComponent part;
    part.FIELD = fieldOf(*FILE->layout, BUFFER, number - 1);
    part.FIELDNAME = part.FIELD.field->name;
    part.ASCEND = component > 0 ? 1 : 0;
    info.FIELDS.push_back(std::move(part));
  }
  KEYS.push_back(std::move(info));
  if (auto_inc_component != 0) HASAUTOINC = 1;
  return true;
}

ThreadInfo& TableManager::SelectThreadState() {
  const bool per_thread = FILE != nullptr && (FILE->attributes & storage::kFileThread) != 0;
  const std::int32_t id = per_thread ? currentThreadNumber() : 1;
  if (per_thread && thread_instances_ != nullptr) thread_instances_->selectThread(id);
  if (ERRORS != nullptr) ERRORS->SetFile(GetName());
  for (ThreadInfo& info : INFO) {
    if (info.ID == id) return info;
  }
  ThreadInfo info;
  info.ID = id;
  INFO.push_back(info);
  return INFO.back();
}

Level TableManager::EnsureFileOpen() {
  ThreadInfo& info = SelectThreadState();
  if (LAZYOPEN == 0 || info.USED != 0) return kLevelBenign;
  if (info.OPENED == 0) return Throw(39);
  const std::int32_t state = SaveFileState();
  const Level level = openFile(true, true);
  RestoreFileState(state, true);
  return level;
}

Level TableManager::Open() {
  return openFile(true, false);
}

Level TableManager::openFile(bool show_errors, bool forced) {
  if (FILE == nullptr) return kLevelFatal;
  {
    ThreadInfo& info = SelectThreadState();
    if (!forced && (LAZYOPEN != 0 || info.OPENED != 0)) {
      ++info.OPENED;
      Opened();
      return kLevelBenign;
    }
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    storage::OperationArguments open_arguments;
    open_arguments.access_mode = OPENMODE;
    int code = fileCall(Operation::Open, *FILE, open_arguments);
    if (code == kAccessDenied) {
      // Another station may have died holding the file; the driver can clear its locks.
      sendCommand(*FILE, "Recover=" + std::to_string(LOCKRECOVER));
      open_arguments.access_mode = OPENMODE;
      code = fileCall(Operation::Open, *FILE, open_arguments);
    }
    if (code == 0 || code == kFileAlreadyOpen) {
      ThreadInfo& info = SelectThreadState();
      info.USED = 1;
      info.ATEOF = 0;
      info.AUTOINCDONE = 0;
      ++info.OPENED;
      Opened();
      return kLevelBenign;
    }
    if (code == kAccessDenied) {
      if ((OPENMODE & kOpenAccessBits) == 0) break;
      OPENMODE = static_cast<std::uint8_t>(OPENMODE & ~0x0Fu);
      Throw(2);
      continue;
    }
    if (code == kFileNotFound) {
      if (CREATE == 0) break;
      if (fileCall(Operation::Create, *FILE) == 0) continue;
      NoteError(10);
      return reportNoted(show_errors);
    }
    if (code == kKeyFileMustBeRebuilt) {
      NoteError(27);
      if (show_errors) Throw();
      if (fileCall(Operation::BuildFile, *FILE) == 0) continue;
      return Throw(26);
    }
    break;
  }
  NoteError(23);
  return reportNoted(show_errors);
}

Level TableManager::reportNoted(bool show_errors) {
  return show_errors ? Throw() : kLevelNotify;
}

Level TableManager::Close() {
  ThreadInfo& info = SelectThreadState();
  if (info.OPENED > 0) {
    --info.OPENED;
    if (info.OPENED == 0) {
      if (info.USED != 0 && FILE != nullptr) fileCall(Operation::Close, *FILE);
      info.USED = 0;
    }
  }
  return kLevelBenign;
}

Level TableManager::Next() {
  return nextRecord(true);
}

Level TableManager::NextQuiet() {
  return nextRecord(false);
}

Level TableManager::nextRecord(bool show_errors) {
  if (EnsureFileOpen() != kLevelBenign) return kLevelFatal;
  for (;;) {
    SelectThreadState().ATEOF = 0;
    const int code = fileCall(Operation::Next, *FILE);
    if (code == 0) return kLevelBenign;
    if (code == kRecordNotAvailable) {
      SelectThreadState().ATEOF = 1;
      return kLevelNotify;
    }
    if (code == kRecordHeld) {
      if (SKIPHELDRECORDS != 0) continue;
      NoteError(28);
      return reportNoted(show_errors);
    }
    NoteError(1);
    return show_errors ? Throw() : kLevelFatal;
  }
}

Level TableManager::Fetch(const storage::KeyDescriptor* key) {
  if (EnsureFileOpen() != kLevelBenign) return kLevelFatal;
  if (fileCall(Operation::GetFileKey, *FILE, key) == 0) return kLevelBenign;
  ClearRecord();
  return kLevelNotify;
}

Level TableManager::Insert() {
  return insertRecord(true);
}

Level TableManager::InsertQuiet() {
  return insertRecord(false);
}

Level TableManager::insertRecord(bool show_errors) {
  if (EnsureFileOpen() != kLevelBenign) return kLevelFatal;
  std::size_t failed_field = 0;
  if (CheckRecord(failed_field) != kLevelBenign) return kLevelNotify;
  ChangeStep step(*this);
  if (step.begin() != 0) {
    NoteError(21);
    return reportNoted(show_errors);
  }
  int code = 0;
  bool numbered_here = false;
  if (HASAUTOINC == 0) {
    code = fileCall(Operation::Add, *FILE);
  } else if (SelectThreadState().AUTOINCDONE != 0) {
    code = fileCall(Operation::Put, *FILE);
  } else {
    if (reserveNumber(show_errors) != kLevelBenign) return kLevelNotify;
    numbered_here = true;
  }
  if (code == 0) code = step.record(Change::kInsert);
  if (code == 0) code = step.finish();
  if (code == 0) {
    SelectThreadState().AUTOINCDONE = 0;
    return kLevelBenign;
  }
  // The record the numbering added goes with the rolled-back step: nothing stays reserved.
  step.rollBack();
  if (numbered_here) SelectThreadState().AUTOINCDONE = 0;
  if (code == kCreatesDuplicateKey) {
    NoteError(13);
    if (show_errors) {
      for (const KeyInfo& key : KEYS) {
        storage::OperationArguments arguments;
        arguments.key = key.KEY;
        if (storage::fileStatement(Operation::DuplicateKey, *FILE, arguments) != 0 &&
            runtime::errorCode() == 0) {
          RaiseWithMessage(13, key.DESCRIPTION);
          return kLevelNotify;
        }
      }
    }
    return kLevelNotify;
  }
  NoteError(4);
  return reportNoted(show_errors);
}

Level TableManager::Update(int mode) {
  if (EnsureFileOpen() != kLevelBenign) return kLevelFatal;
  std::size_t failed_field = 0;
  if (CheckRecord(failed_field) != kLevelBenign) return kLevelNotify;
  const std::string position = CurrentPosition();
  ChangeStep step(*this);
  if (step.begin() != 0) {
    NoteError(21);
    return mode != 0 ? Throw() : kLevelNotify;
  }
  int code = step.rememberStored(position);
  if (code == 0) code = fileCall(Operation::Put, *FILE);
  if (code == 0) code = step.record(Change::kUpdate);
  if (code == 0) code = step.finish();
  if (code == 0) return kLevelBenign;
  step.rollBack();
  if (code == kRecordChanged) {
    NoteError(mode == 2 ? 7 : 6);
    if (mode != 0) Throw();
    // Show the other station's values: the clerk's changes are lost from the buffer, as the
    // message says.
    fileCall(Operation::Watch, *FILE);
    Reget(position);
    return kLevelNotify;
  }
  NoteError(25);
  return mode != 0 ? Throw() : kLevelNotify;
}

Level TableManager::CheckField(std::size_t field_number) {
  if (ALIASEDFILE == nullptr) return kLevelBenign;
  const auto to = ALIASEDFILE->BUFFER;
  if (to.size() == BUFFER.size()) std::copy(BUFFER.begin(), BUFFER.end(), to.begin());
  const Level level = ALIASEDFILE->CheckField(field_number);
  if (to.size() == BUFFER.size()) std::copy(to.begin(), to.end(), BUFFER.begin());
  return level;
}

Level TableManager::CheckFields(std::size_t low, std::size_t high, std::size_t& failed_field) {
  for (std::size_t field = low; field <= high; ++field) {
    const Level level = CheckField(field);
    if (level != kLevelBenign) {
      failed_field = field;
      return level;
    }
  }
  return kLevelBenign;
}

Level TableManager::CheckRecord(std::size_t& failed_field) {
  const std::size_t fields = FILE != nullptr && FILE->layout != nullptr ? FILE->layout->fieldCount() : 0;
  return CheckFields(1, fields, failed_field);
}

Level TableManager::Throw(MessageId id) {
  NoteError(id);
  return Throw();
}

Level TableManager::Throw() {
  const ThreadInfo& info = SelectThreadState();
  return ERRORS != nullptr ? ERRORS->HandleError(info.LASTERROR) : kLevelNotify;
}

Level TableManager::RaiseWithMessage(MessageId id, std::string_view text) {
  NoteError(id);
  if (ERRORS != nullptr) ERRORS->MESSAGETEXT = std::string(text.substr(0, ErrorManager::kFieldWidth));
  return Throw();
}

void TableManager::NoteError(MessageId id) {
  SelectThreadState().LASTERROR = static_cast<std::uint8_t>(id);
  if (ERRORS != nullptr) ERRORS->CaptureErrorState();
}

bool TableManager::AtFileEnd() {
  return SelectThreadState().ATEOF != 0;
}

std::size_t TableManager::KeyComponents(const storage::KeyDescriptor* key) const {
  return key != nullptr ? key->components.size() : 0;
}

std::string TableManager::GetName() const {
  if (FILENAME != nullptr) return *FILENAME;
  return FILENAMEVALUE;
}

const KeyInfo* TableManager::keyInfo(const storage::KeyDescriptor* key) const {
  for (const KeyInfo& info : KEYS) {
    if (info.KEY == key) return &info;
  }
  return nullptr;
}

int TableManager::RecordChange(Change change) {
  if (change_history_ == nullptr) return 0;
  if (change == Change::kDelete && SelectThreadState().AUTOINCDONE != 0) return 0;
  return change_history_->record(*this, change);
}

std::string TableManager::CurrentPosition() {
  if (FILE == nullptr) return {};
  storage::OperationArguments arguments;
  arguments.key = primaryKeyOf(*this);
  const int code =
      fileCall(arguments.key != nullptr ? Operation::PositionKey : Operation::PositionFile, *FILE, arguments);
  if (code != 0) return {};
  return arguments.result_text.substr(0, kPositionWidth);
}

int TableManager::Reget(const std::string& position) {
  if (FILE == nullptr) return 37;
  storage::OperationArguments arguments;
  arguments.key = primaryKeyOf(*this);
  arguments.text = position;
  return fileCall(arguments.key != nullptr ? Operation::RegetKey : Operation::RegetFile, *FILE, arguments);
}

void TableManager::ClearRecord() {
  if (FILE == nullptr) return;
  if (FILE->layout != nullptr) runtime::clearRecord(*FILE->layout, BUFFER);
  for (auto& memo : FILE->memo_values) memo.clear();
}

}  // namespace veltrano::framework
