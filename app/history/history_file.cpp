#include "app/history/history_file.h"

#include <algorithm>
#include <limits>

#include "app/dictionary/dictionary_files.h"
#include "app/dictionary/record_access.h"
#include "framework/driver_calls.h"
#include "platform/codepage.h"

namespace veltrano::app::history {
namespace {

using runtime::TypeCode;
using storage::Operation;

constexpr int kRecordNotAvailable = 33;

FileSpec makeHistorySpec() {
  return {kHistoryLabel,
          "istoriya",
          "IST",
          105,
          {FieldSpec{"IST:NOMER", TypeCode::Long}, FieldSpec{"IST:DATA", TypeCode::Date},
           FieldSpec{"IST:VREMYA", TypeCode::Time}, FieldSpec{"IST:STANCIYA", TypeCode::String, 40},
           FieldSpec{"IST:POLZOVATEL", TypeCode::String, 40}, FieldSpec{"IST:FAIL", TypeCode::String, 8},
           FieldSpec{"IST:NUM", TypeCode::Decimal, 7}, FieldSpec{"IST:DEISTVIE", TypeCode::Byte}},
          {KeySpec{"IST:NOMER_KEY", {"IST:NOMER"}, false, false},
           KeySpec{"IST:NUM_KEY", {"IST:NUM", "IST:NOMER"}, false, false}},
          MemoSpec{"IST:POLYA", 16000},
          {}};
}

void appendEscaped(std::string& out, std::string_view value) {
  for (const char c : value) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
}

std::string unescaped(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    const char next = value[++i];
    out += next == 't' ? '\t' : next == 'n' ? '\n' : next;
  }
  return out;
}

HistoryEntry entryOf(storage::DeclaredFile& history) {
  RecordAccess record(history);
  HistoryEntry entry;
  entry.number = static_cast<std::int32_t>(record.integer("IST:NOMER"));
  entry.date = static_cast<std::int32_t>(record.integer("IST:DATA"));
  entry.time = static_cast<std::int32_t>(record.integer("IST:VREMYA"));
  entry.station = record.text("IST:STANCIYA");
  entry.user = record.text("IST:POLZOVATEL");
  entry.file = record.text("IST:FAIL");
  entry.employee = record.integer("IST:NUM");
  const std::int64_t change = record.integer("IST:DEISTVIE");
  entry.change =
      change >= 1 && change <= 3 ? static_cast<framework::Change>(change) : framework::Change::kUpdate;
  const auto& memo = history.file().memo_values.front();
  entry.fields =
      decodeFieldChanges(std::string_view(reinterpret_cast<const char*>(memo.data()), memo.size()));
  return entry;
}

}  // namespace

const FileSpec& historyFileSpec() {
  static const FileSpec spec = makeHistorySpec();
  return spec;
}

std::unique_ptr<storage::DeclaredFile> declareHistoryFile(storage::Driver& driver,
                                                          std::string_view directory) {
  auto file = declareDictionaryFile(historyFileSpec(), driver, directory);
  file->setAttributes(kDictionaryFileAttributes & ~storage::kFileThread);
  return file;
}

std::string encodeFieldChanges(const std::vector<FieldChange>& fields) {
  std::string out;
  for (const FieldChange& field : fields) {
    appendEscaped(out, field.label);
    out += '\t';
    appendEscaped(out, field.old_value);
    out += '\t';
    appendEscaped(out, field.new_value);
    out += '\n';
  }
  return out;
}

std::vector<FieldChange> decodeFieldChanges(std::string_view text) {
  std::vector<FieldChange> fields;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    const std::size_t first = line.find('\t');
    const std::size_t second = first == std::string_view::npos ? first : line.find('\t', first + 1);
    if (second == std::string_view::npos) continue;
    fields.push_back({unescaped(line.substr(0, first)), unescaped(line.substr(first + 1, second - first - 1)),
                      unescaped(line.substr(second + 1))});
  }
  return fields;
}

std::string changeText(framework::Change change) {
  switch (change) {
    case framework::Change::kInsert: return platform::ru("добавление");
    case framework::Change::kDelete: return platform::ru("удаление");
    default: return platform::ru("изменение");
  }
}

std::vector<HistoryEntry> readHistory(storage::DeclaredFile& history, const std::int64_t* employee,
                                      int* error) {
  std::vector<HistoryEntry> entries;
  RecordAccess record(history);
  record.clearAll();
  const char* key = "IST:NOMER_KEY";
  if (employee != nullptr) {
    key = "IST:NUM_KEY";
    record.setInteger("IST:NUM", *employee);
  }
  *error = framework::fileCall(Operation::SetKeyKey, history.file(), history.key(key));
  while (*error == 0) {
    const int read = framework::fileCall(Operation::Next, history.file());
    if (read == kRecordNotAvailable) break;
    if (read != 0) {
      *error = read;
      break;
    }
    if (employee != nullptr && record.integer("IST:NUM") != *employee) break;
    entries.push_back(entryOf(history));
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const HistoryEntry& a, const HistoryEntry& b) { return a.number > b.number; });
  return entries;
}

}  // namespace veltrano::app::history
