#include "app/history/card_history.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "app/dictionary/dictionary_files.h"
#include "app/dictionary/record_access.h"
#include "framework/driver_calls.h"
#include "framework/table_manager.h"
#include "platform/codepage.h"
#include "platform/station_identity.h"
#include "runtime/datetime/calendar.h"
#include "runtime/errors/error_state.h"
#include "runtime/values/field_value.h"

namespace veltrano::app::history {
namespace {

using runtime::TypeCode;
using storage::Operation;

constexpr std::string_view kCardLabel = "KARTA";
constexpr std::string_view kCardNumber = "KAR:NUM";
constexpr int kFileNotFound = 2;
// Read only, sharing everything: the second instance only ever reads.
constexpr std::uint32_t kReadSharingAll = 0x40;

std::string clipped(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return std::string(end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1));
}

std::string dateText(std::int32_t serial) {
  runtime::DateParts parts;
  if (serial == 0 || runtime::partsFromSerial(serial, parts) != 0)
    return serial == 0 ? "" : std::to_string(serial);
  char text[16];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d", parts.day, parts.month, parts.year);
  return text;
}

std::string timeText(std::int32_t serial) {
  runtime::TimeParts parts;
  if (serial == 0 || runtime::partsFromTimeSerial(serial, parts) != 0)
    return serial == 0 ? "" : std::to_string(serial);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", parts.hours, parts.minutes, parts.seconds);
  return text;
}

// An element's value as the history shows it: text without its trailing blanks, dates as
// dd.mm.yyyy, times as hh:mm:ss, numbers in decimal; empty for an empty value.
std::string valueText(const runtime::FieldDescriptor& field, std::span<const std::uint8_t> record,
                      std::uint32_t element) {
  switch (field.type) {
    case TypeCode::String:
    case TypeCode::Cstring:
    case TypeCode::Pstring: return clipped(runtime::stringView(field, record, element));
    case TypeCode::Date:
      return dateText(static_cast<std::int32_t>(runtime::loadDecimal(field, record, element).toInteger()));
    case TypeCode::Time:
      return timeText(static_cast<std::int32_t>(runtime::loadDecimal(field, record, element).toInteger()));
    default: {
      const std::string text = runtime::loadText(field, record, element);
      return text == "0" ? "" : text;
    }
  }
}

std::string elementLabel(const runtime::FieldDescriptor& field, std::uint32_t element) {
  if (!field.isArray()) return field.name;
  return field.name + "[" + std::to_string(element + 1) + "]";
}

std::string memoText(const std::vector<std::vector<std::uint8_t>>& memos, std::size_t index) {
  if (index >= memos.size()) return {};
  const auto& memo = memos[index];
  const std::string text(memo.begin(), std::find(memo.begin(), memo.end(), std::uint8_t{0}));
  return clipped(text);
}

std::string directoryOf(const storage::DeclaredFile& file) {
  const std::string name = file.file().external_name.value_or(std::string());
  const std::size_t slash = name.find_last_of('/');
  return slash == std::string::npos ? std::string() : name.substr(0, slash);
}

bool openFile(storage::DeclaredFile& file, std::uint32_t mode) {
  storage::OperationArguments arguments;
  arguments.access_mode = mode;
  return framework::fileCall(Operation::Open, file.file(), arguments) == 0;
}

}  // namespace

std::vector<FieldChange> changedFields(const storage::DeclaredFile& file,
                                       std::span<const std::uint8_t> before,
                                       std::span<const std::uint8_t> after,
                                       const std::vector<std::vector<std::uint8_t>>& memos_before,
                                       const std::vector<std::vector<std::uint8_t>>& memos_after) {
  std::vector<FieldChange> changes;
  for (const runtime::FieldDescriptor& field : file.layout().fields()) {
    // A group's bytes are its members', and an overlay's those of the field it lies over.
    if (field.type == TypeCode::Group || field.overlay) continue;
    for (std::uint32_t element = 0; element < field.elementCount(); ++element) {
      // Most fields of a rewrite are as they were: their bytes tell without making texts.
      const std::size_t at =
          field.offset + element * (field.element_size == 0 ? field.size : field.element_size);
      const std::size_t width = field.element_size == 0 ? field.size : field.element_size;
      if (!before.empty() && !after.empty() &&
          std::equal(before.begin() + static_cast<std::ptrdiff_t>(at),
                     before.begin() + static_cast<std::ptrdiff_t>(at + width),
                     after.begin() + static_cast<std::ptrdiff_t>(at)))
        continue;
      std::string old_value = before.empty() ? std::string() : valueText(field, before, element);
      std::string new_value = after.empty() ? std::string() : valueText(field, after, element);
      if (old_value != new_value)
        changes.push_back({elementLabel(field, element), std::move(old_value), std::move(new_value)});
    }
  }
  for (std::size_t index = 0; index < file.file().memos.size(); ++index) {
    std::string old_value = memoText(memos_before, index);
    std::string new_value = memoText(memos_after, index);
    if (old_value != new_value)
      changes.push_back({file.file().memos[index]->label, std::move(old_value), std::move(new_value)});
  }
  return changes;
}

CardHistory::CardHistory(Dictionary& dictionary)
    : station_(platform::cp1251FromUtf8(platform::hostName())),
      user_(platform::cp1251FromUtf8(platform::userName())) {
  storage::DeclaredFile& card = dictionary.file(kCardLabel);
  const std::string directory = directoryOf(card);
  storage::Driver& driver = *card.file().driver;
  history_ = declareHistoryFile(driver, directory);
  auto watch = [&](std::string_view label, std::string_view number_field) {
    Watched watched;
    watched.label = label;
    watched.number_field = number_field;
    watched.manager = &dictionary.manager(label);
    const FileSpec* spec = findFileSpec(label);
    watched.stored = declareDictionaryFile(*spec, driver, directory);
    watched.stored->setAttributes(kDictionaryFileAttributes & ~(storage::kFileThread | storage::kFileCreate));
    watched_.push_back(std::move(watched));
  };
  watch(kCardLabel, kCardNumber);
  for (const RelationSpec& relation : dictionaryRelations()) {
    if (relation.parent == kCardLabel) watch(relation.child, relation.child_field);
  }
  for (Watched& watched : watched_) watched.manager->SetChangeHistory(this);
}

CardHistory::~CardHistory() {
  for (Watched& watched : watched_) {
    watched.manager->SetChangeHistory(nullptr);
    if (watched.stored_open) framework::fileCall(Operation::Close, watched.stored->file());
  }
  if (history_open_) framework::fileCall(Operation::Close, history_->file());
}

storage::DeclaredFile* CardHistory::openHistory() {
  if (!history_open_) {
    history_open_ = openFile(*history_, framework::kOpenReadWriteDenyNone);
    // The first change in a directory makes the file, as the dictionary's files are made.
    if (!history_open_ && runtime::errorCode() == kFileNotFound &&
        framework::fileCall(Operation::Create, history_->file()) == 0)
      history_open_ = openFile(*history_, framework::kOpenReadWriteDenyNone);
  }
  return history_open_ ? history_.get() : nullptr;
}

storage::FileControlBlock* CardHistory::historyFile() {
  storage::DeclaredFile* file = openHistory();
  return file != nullptr ? &file->file() : nullptr;
}

CardHistory::Watched* CardHistory::watchedOf(const framework::TableManager& manager) {
  for (Watched& watched : watched_) {
    if (watched.manager == &manager) return &watched;
  }
  return nullptr;
}

int CardHistory::rememberStored(framework::TableManager& manager, const std::string& position) {
  Watched* watched = watchedOf(manager);
  if (watched == nullptr) return 0;
  watched->remembered = false;
  if (!watched->stored_open) watched->stored_open = openFile(*watched->stored, kReadSharingAll);
  if (!watched->stored_open) return runtime::errorCode();
  storage::OperationArguments arguments;
  arguments.text = position;
  if (const int code = framework::fileCall(Operation::RegetFile, watched->stored->file(), arguments);
      code != 0)
    return code;
  const auto record = watched->stored->record();
  watched->old_record.assign(record.begin(), record.end());
  watched->old_memos = watched->stored->file().memo_values;
  watched->remembered = true;
  return 0;
}

int CardHistory::record(framework::TableManager& manager, framework::Change change) {
  Watched* watched = watchedOf(manager);
  if (watched == nullptr) return 0;
  storage::DeclaredFile& file = *watched->stored;
  const std::span<const std::uint8_t> current = manager.BUFFER;
  const auto& memos = manager.FILE->memo_values;
  const std::vector<std::vector<std::uint8_t>> none;
  std::vector<FieldChange> fields;
  switch (change) {
    case framework::Change::kInsert: fields = changedFields(file, {}, current, none, memos); break;
    case framework::Change::kDelete: fields = changedFields(file, current, {}, memos, none); break;
    case framework::Change::kUpdate:
      // A rewrite whose stored record could not be read before is refused by rememberStored;
      // one without it (a manager that did not ask) is recorded against an empty record.
      fields = changedFields(file,
                             watched->remembered ? std::span<const std::uint8_t>(watched->old_record)
                                                 : std::span<const std::uint8_t>(),
                             current, watched->remembered ? watched->old_memos : none, memos);
      watched->remembered = false;
      if (fields.empty()) return 0;
      break;
  }
  return writeEntry(*watched, change, fields);
}

std::int32_t CardHistory::nextNumber() {
  RecordAccess record(*history_);
  record.setInteger("IST:NOMER", std::numeric_limits<std::int32_t>::max());
  if (framework::fileCall(Operation::SetKeyKey, history_->file(), history_->key("IST:NOMER_KEY")) != 0)
    return 1;
  if (framework::fileCall(Operation::Previous, history_->file()) != 0) return 1;
  return static_cast<std::int32_t>(record.integer("IST:NOMER")) + 1;
}

int CardHistory::writeEntry(const Watched& watched, framework::Change change,
                            const std::vector<FieldChange>& fields) {
  if (openHistory() == nullptr) return runtime::errorCode();
  const std::int32_t number = nextNumber();
  RecordAccess record(*history_);
  record.clearAll();
  record.setInteger("IST:NOMER", number);
  record.setInteger("IST:DATA", runtime::today());
  record.setInteger("IST:VREMYA", runtime::clockSerial());
  record.setText("IST:STANCIYA", station_);
  record.setText("IST:POLZOVATEL", user_);
  record.setText("IST:FAIL", watched.label);
  const RecordAccess changed(
      watched.manager->FILE->layout != nullptr ? *watched.manager->FILE->layout : watched.stored->layout(),
      watched.manager->BUFFER);
  record.setInteger("IST:NUM", changed.integer(watched.number_field));
  record.setInteger("IST:DEISTVIE", static_cast<std::int64_t>(change));
  const std::string text = encodeFieldChanges(fields);
  const std::size_t size = history_->file().memos.front()->size;
  auto& memo = history_->file().memo_values.front();
  // A change too long for the memo keeps its first lines whole.
  std::size_t kept = std::min(text.size(), static_cast<std::size_t>(size));
  if (kept < text.size()) kept = text.rfind('\n', kept) == std::string::npos ? 0 : text.rfind('\n', kept) + 1;
  memo.assign(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(kept));
  return framework::fileCall(Operation::Add, history_->file());
}

}  // namespace veltrano::app::history
