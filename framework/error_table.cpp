#include "framework/error_table.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include "platform/codepage.h"

namespace veltrano::framework {
namespace {

// The built-in texts as written here (UTF-8); they become code page 1251 once, when the
// stored table is first built. The order is the stored order: look-ups search from the last
// entry backwards, so it decides which of two entries with one id wins.
struct SourceEntry {
  MessageId id;
  Level level;
  const char* title;
  const char* message;
};

constexpr std::array<SourceEntry, 39> kBuiltIn{{
    {27, 5, "Invalid Key", "%File key file is invalid. Key must be rebuilt."},
    {26, 3, "Key was not built", "Error: (%ErrorText) repairing key for %File."},
    {10, 3, "File Creation Error", "Error: (%ErrorText) creating %File."},
    {24, 5, "Procedure not defined", "The Procedure %Message has not been defined."},
    {17, 5, "Range Error", "The value of %Field must be lower than %Message."},
    {18, 5, "Range Error", "The value of %Field must be higher than %Message."},
    {16, 5, "Range Error", "The value of %Field must be between %Message."},
    {14, 5, "Field contents error", "The value of %Field must be found in the %Message file."},
    {31, 5, "Referential Integrity Update Error",
     "This record is referenced from the file %File. Linking field(s) have been restricted from change "
     "and have been reset to original values."},
    {30, 5, "Referential Integrity Delete Error",
     "This record is referenced from the file %File. This record cannot be deleted while these "
     "references exist."},
    {4, 5, "Record Insert Error",
     "An error was experienced during the creation of a record. Error: %ErrorText."},
    {6, 5, "Record Was Not Updated", "This record was changed by another station."},
    {7, 5, "Record Was Not Updated",
     "This record was changed by another station. Those changes will now be displayed. Use the Ditto "
     "Button or Ctrl+' to recall your changes."},
    {34, 1, "Ошибка изменения записи",
     "Обнаружена ошибка при изменении записи. Вы хотите повторить попытку изменения записи ?"},
    {33, 1, "Record Delete Error",
     "An error was experienced deleting this record. Do you want to try to delete it again?"},
    {20, 5, "Invalid Request", "This form cannot be used to insert a record"},
    {38, 5, "Invalid Request", "This form cannot be used to update a record"},
    {12, 5, "Invalid Request", "This form cannot be used to delete a record"},
    {8, 1, "Changes will be lost!", "Are you sure you want to cancel?"},
    {13, 5, "Duplicate Key Error", "Adding this record creates a duplicate entry for the key: %Message"},
    {32, 1, "Auto Increment Error",
     "Attempts to automatically number this record have failed.  Error: %ErrorText. Try Again?"},
    {19, 5, "File Load Error", "%File File Load Error.  Error: %ErrorText."},
    {36, 1, "Beginning of File Error",
     "The beginning of the file was encountered. Do you want to start again from the end of the file?"},
    {37, 1, "End of File Error",
     "The end of the file was encountered. Do you want to start again from the beginning?"},
    {23, 3, "File Access Error", "File (%File) could not be opened.  Error: %ErrorText."},
    {25, 5, "Запись изменить нельзя", "Такой номер уже существует."},
    {11, 5, "Record was not deleted",
     "An error (%ErrorText) was experienced when deleting a record from the %File file."},
    {9, 1, "Подтверждение удаления", "Вы уверены что хотите удалить запись?"},
    {35, 1, "Save Record", "Do you want to save the changes to this record?"},
    {21, 5, "Transaction cancelled", "Error: (%ErrorText) attempting to frame the transaction on %File."},
    {1, 5, "Record Retrieval Error",
     "Error: (%ErrorText) attempting to access a record from the %File file.  Returning to previous window."},
    {40, 5, "View Open Error",
     "Error: (%ErrorText) attempting to open the current VIEW. Filter and Range Limits ignored."},
    {3, 1, "Record Added", "This record has been added to the file. Do you want to add another record?"},
    {28, 5, "Record not read",
     "A record held by another station was encountered reading from the %File file."},
    {5, 5, "Add New Record?", "Record match not found, do you wish to add a new one?"},
    {15, 5, "Value Error", "The value of %Field must be in the list : %Message."},
    {22, 5, "Сообщение", "С такими параметрами записей НЕТ."},
    {2, 5, "Access Denied", "Could not get write access to %File so trying read-only."},
    {39, 2, "File Usage Error", "Attempt to use file (%File) before it was opened"},
}};

void putShort(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

bool putText(std::vector<std::uint8_t>& out, std::string_view text) {
  if (text.size() > 255) return false;
  out.push_back(static_cast<std::uint8_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
  return true;
}

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool readShort(std::uint16_t& value) {
    if (bytes_.size() - position_ < 2) return false;
    value = static_cast<std::uint16_t>(bytes_[position_] | (bytes_[position_ + 1] << 8));
    position_ += 2;
    return true;
  }
  bool readByte(std::uint8_t& value) {
    if (position_ >= bytes_.size()) return false;
    value = bytes_[position_++];
    return true;
  }
  bool readText(std::string_view& text) {
    std::uint8_t length = 0;
    if (!readByte(length) || bytes_.size() - position_ < length) return false;
    text = std::string_view(reinterpret_cast<const char*>(bytes_.data() + position_), length);
    position_ += length;
    return true;
  }
  std::size_t position() const { return position_; }
  bool atEnd() const { return position_ == bytes_.size(); }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

void setReason(std::string* error, std::string reason) {
  if (error != nullptr) *error = std::move(reason);
}

std::vector<std::uint8_t> buildBuiltInTable() {
  // The converted texts must live as long as the views the entries hold while encoding.
  std::vector<std::string> texts;
  texts.reserve(kBuiltIn.size() * 2);
  std::vector<ErrorTableEntry> entries;
  for (const SourceEntry& source : kBuiltIn) {
    texts.push_back(platform::ru(source.title));
    texts.push_back(platform::ru(source.message));
  }
  for (std::size_t i = 0; i < kBuiltIn.size(); ++i) {
    entries.push_back({kBuiltIn[i].id, kBuiltIn[i].level, texts[2 * i], texts[2 * i + 1]});
  }
  auto encoded = encodeErrorTable(entries);
  if (!encoded) {
    // Only an edit of the table above can get here; no user input reaches it.
    std::fputs("Veltrano: the built-in message table has a text longer than 255 characters\n", stderr);
    std::abort();
  }
  return std::move(*encoded);
}

}  // namespace

std::optional<std::vector<ErrorTableEntry>> parseErrorTable(std::span<const std::uint8_t> table,
                                                            std::string* error) {
  Reader reader(table);
  std::uint16_t count = 0;
  if (!reader.readShort(count)) {
    setReason(error, "the table has no entry count");
    return std::nullopt;
  }
  std::vector<ErrorTableEntry> entries;
  entries.reserve(count);
  for (std::uint16_t i = 0; i < count; ++i) {
    ErrorTableEntry entry;
    if (!reader.readShort(entry.id) || !reader.readByte(entry.level) || !reader.readText(entry.title) ||
        !reader.readText(entry.message)) {
      setReason(error, "entry " + std::to_string(i + 1) + " of " + std::to_string(count) +
                           " is cut short at byte " + std::to_string(reader.position()));
      return std::nullopt;
    }
    entries.push_back(entry);
  }
  if (!reader.atEnd()) {
    setReason(error, "bytes follow the last entry at byte " + std::to_string(reader.position()));
    return std::nullopt;
  }
  return entries;
}

std::optional<std::vector<std::uint8_t>> encodeErrorTable(std::span<const ErrorTableEntry> entries) {
  if (entries.size() > 0xFFFF) return std::nullopt;
  std::vector<std::uint8_t> out;
  putShort(out, static_cast<std::uint16_t>(entries.size()));
  for (const ErrorTableEntry& entry : entries) {
    putShort(out, entry.id);
    out.push_back(entry.level);
    if (!putText(out, entry.title) || !putText(out, entry.message)) return std::nullopt;
  }
  return out;
}

std::span<const std::uint8_t> builtInErrorTable() {
  static const std::vector<std::uint8_t> table = buildBuiltInTable();
  return table;
}

}  // namespace veltrano::framework
