#include "tests/torture/stations_torture_tables.h"

#include "runtime/errors/error_state.h"
#include "runtime/values/field_value.h"
#include "runtime/values/type_codes.h"
#include "storage/wendlock_driver.h"

namespace veltrano::torture {

using runtime::TypeCode;
using storage::DeclaredFile;
using storage::Operation;
using storage::OperationArguments;

std::int64_t itemCheck(std::int64_t id, std::int64_t value, std::int64_t stamp) {
  return (id * 7919 + value * 104729 + stamp * 31) % 1000003;
}

std::string itemName(std::int64_t value) {
  // Few distinct names, spelt in either case, so that NOCASE duplicates are common.
  static const char* const stems[] = {"ivanov", "petrov", "\xd1\xe8\xe4\xee\xf0\xee\xe2" /* Сидоров */,
                                      "\xc5\xe3\xee\xf0\xee\xe2" /* Егоров */, "smith"};
  std::string name = stems[value % 5];
  if ((value / 5) % 2 == 1) {
    for (char& letter : name) {
      const auto byte = static_cast<unsigned char>(letter);
      if (byte >= 'a' && byte <= 'z') letter = static_cast<char>(byte - 32);
      if (byte >= 0xE0) letter = static_cast<char>(byte - 32);
    }
  }
  return name + "-" + std::to_string((value / 10) % 13);
}

std::string itemProblem(DeclaredFile& file) {
  const std::int64_t id = number(file, kItemId), value = number(file, kItemValue),
                     stamp = number(file, kItemStamp);
  if (number(file, kItemOwner) != ownerOfItem(id) ||
      number(file, kItemCheck) != itemCheck(id, value, stamp) || text(file, kItemName) != itemName(value)) {
    return "item " + std::to_string(id) + " is torn (value " + std::to_string(value) + ", stamp " +
           std::to_string(stamp) + ", check " + std::to_string(number(file, kItemCheck)) + ")";
  }
  return {};
}

std::string noteTitle(std::int64_t value) {
  if (value % 10 == 0) return {};
  return "Note " + itemName(value / 3) + " " + std::to_string(value % 7);
}

std::vector<std::uint8_t> noteText(std::int64_t value, std::int64_t stamp) {
  std::vector<std::uint8_t> text;
  const std::string piece = "entry " + std::to_string(stamp) + "/" + std::to_string(value) + ";";
  for (std::int64_t i = 0; i < value % 9; ++i) text.insert(text.end(), piece.begin(), piece.end());
  return text;
}

std::string alphaPath(const std::string& directory) {
  return directory + "/ALPHA.WLK";
}
std::string betaPath(const std::string& directory) {
  return directory + "/BETA.WLK";
}

namespace {

std::unique_ptr<DeclaredFile> declare(const std::string& label, runtime::RecordLayoutBuilder& fields,
                                      const std::string& storage_path) {
  auto file = DeclaredFile::make(label, fields.build());
  file->setName(storage_path + "\\!" + label);
  file->setDriver(storage::wendlockDriver());
  return file;
}

}  // namespace

std::unique_ptr<DeclaredFile> itemsLikeTable(const std::string& storage_path, const std::string& name) {
  runtime::RecordLayoutBuilder fields;
  fields.scalar("ITM:ID", TypeCode::Long)
      .scalar("ITM:OWNER", TypeCode::Short)
      .scalar("ITM:VALUE", TypeCode::Long)
      .scalar("ITM:STAMP", TypeCode::Long)
      .scalar("ITM:CHECK", TypeCode::Long)
      .string("ITM:NAME", 24);
  auto file = declare(name, fields, storage_path);
  file->addKey("ITM:ID_KEY", {"+ITM:ID"}, storage::kKeyPrimary);
  file->addKey("ITM:NAME_KEY", {"+ITM:NAME"}, storage::kKeyDup | storage::kKeyNocase);
  file->addKey("ITM:OWNER_KEY", {"+ITM:OWNER", "-ITM:VALUE"}, storage::kKeyDup);
  return file;
}

Tables::Tables(const std::string& directory) {
  const std::string alpha = alphaPath(directory), beta = betaPath(directory);
  items = itemsLikeTable(alpha, "ITEMS");
  {
    runtime::RecordLayoutBuilder fields;
    fields.scalar("CNT:ID", TypeCode::Long)
        .scalar("CNT:TOTAL", TypeCode::Long)
        .scalar("CNT:UPDATES", TypeCode::Long);
    counters = declare("COUNTERS", fields, alpha);
    counters->addKey("CNT:ID_KEY", {"+CNT:ID"}, storage::kKeyPrimary);
  }
  {
    runtime::RecordLayoutBuilder fields;
    fields.scalar("MRK:STATION", TypeCode::Long).scalar("MRK:STAMP", TypeCode::Long);
    marks = declare("MARKS", fields, alpha);
    marks->addKey("MRK:STATION_KEY", {"+MRK:STATION"}, storage::kKeyPrimary);
  }
  for (auto* side : {&pairs_a, &pairs_b}) {
    runtime::RecordLayoutBuilder fields;
    fields.scalar("PAR:ID", TypeCode::Long)
        .scalar("PAR:TOTAL", TypeCode::Long)
        .scalar("PAR:STAMP", TypeCode::Long)
        .string("PAR:WHO", 12);
    *side = declare("PAIRS", fields, side == &pairs_a ? alpha : beta);
    (*side)->addKey("PAR:ID_KEY", {"+PAR:ID"}, storage::kKeyPrimary);
  }
  {
    runtime::RecordLayoutBuilder fields;
    fields.scalar("NOT:ID", TypeCode::Long)
        .scalar("NOT:OWNER", TypeCode::Short)
        .scalar("NOT:VALUE", TypeCode::Long)
        .scalar("NOT:STAMP", TypeCode::Long)
        .string("NOT:TITLE", 40);
    notes = declare("NOTES", fields, beta);
    notes->addKey("NOT:ID_KEY", {"+NOT:ID"}, storage::kKeyPrimary);
    notes->addKey("NOT:TITLE_KEY", {"+NOT:TITLE"}, storage::kKeyDup | storage::kKeyNocase | storage::kKeyOpt);
    notes->addMemo("NOT:TEXT", 2000);
  }
}

int statement(DeclaredFile& file, Operation operation, OperationArguments arguments) {
  storage::fileStatement(operation, file.file(), arguments);
  return runtime::errorCode();
}

int openShared(DeclaredFile& file) {
  OperationArguments open;
  open.access_mode = 0x42;
  return statement(file, Operation::Open, open);
}

int hold(DeclaredFile& file, std::int32_t seconds) {
  OperationArguments arguments;
  arguments.seconds = seconds;
  return statement(file, seconds > 0 ? Operation::HoldFileSec : Operation::HoldFile, arguments);
}

int lockTable(DeclaredFile& file, std::int32_t seconds) {
  OperationArguments arguments;
  arguments.seconds = seconds;
  return statement(file, seconds > 0 ? Operation::LockFileSec : Operation::LockFile, arguments);
}

int getById(DeclaredFile& file, std::int64_t id) {
  setNumber(file, 0, id);
  OperationArguments arguments;
  arguments.key = file.file().keys.at(0);
  return statement(file, Operation::GetFileKey, arguments);
}

int logout(const std::vector<DeclaredFile*>& members) {
  OperationArguments arguments;
  for (auto* member : members) arguments.files.push_back(&member->file());
  return statement(*members.front(), Operation::Logout, arguments);
}

std::string describeError(int code) {
  const auto& posted = runtime::errorState();
  std::string description = std::to_string(code);
  if (!posted.text.empty()) description += " \"" + posted.text + "\"";
  if (!posted.file_error_code.empty() || !posted.file_error.empty())
    description += " (" + posted.file_error_code + " " + posted.file_error + ")";
  return description;
}

std::int64_t number(DeclaredFile& file, int field) {
  return static_cast<std::int64_t>(
      runtime::loadReal(file.layout().field(static_cast<std::size_t>(field)), file.record()));
}

void setNumber(DeclaredFile& file, int field, std::int64_t value) {
  runtime::storeInteger(file.layout().field(static_cast<std::size_t>(field)), file.record(), value);
}

std::string text(DeclaredFile& file, int field) {
  std::string value = runtime::loadText(file.layout().field(static_cast<std::size_t>(field)), file.record());
  while (!value.empty() && value.back() == ' ') value.pop_back();
  return value;
}

void setText(DeclaredFile& file, int field, const std::string& value) {
  runtime::storeText(file.layout().field(static_cast<std::size_t>(field)), file.record(), value);
}

void clearBuffer(DeclaredFile& file) {
  runtime::clearRecord(file.layout(), file.record());
  for (auto& value : file.file().memo_values) value.clear();
}

std::vector<std::uint8_t> image(DeclaredFile& file) {
  std::vector<std::uint8_t> bytes(file.record().begin(), file.record().end());
  for (const auto& value : file.file().memo_values) {
    bytes.push_back(0xA5);
    bytes.insert(bytes.end(), value.begin(), value.end());
  }
  return bytes;
}

std::vector<std::uint8_t>& memo(DeclaredFile& file) {
  return file.file().memo_values.at(0);
}

}  // namespace veltrano::torture
