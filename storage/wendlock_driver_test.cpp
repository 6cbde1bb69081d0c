#include "storage/wendlock_driver.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "storage/wendlock_check.h"
#include "storage/wendlock_entries.h"
#include "storage/wendlock_tables.h"
#include "storage/wendlock_test_support.h"

namespace veltrano::storage {
namespace {

using runtime::TypeCode;
using testing::clear;
using testing::getField;
using testing::keyArgument;
using testing::setField;
using testing::Statement;
using testing::textArgument;

std::vector<std::vector<std::uint8_t>> allEntries(EntryTree& tree) {
  std::vector<std::vector<std::uint8_t>> all;
  Entry entry;
  bool found = tree.seek({}, Seek::AtOrAfter, entry);
  while (found) {
    all.push_back(entry.bytes);
    const std::vector<std::uint8_t> key(entry.key().begin(), entry.key().end());
    found = tree.seek(key, Seek::After, entry);
  }
  return all;
}

class WendlockDriverTest : public ::testing::Test {
 protected:
  std::unique_ptr<DeclaredFile> people(std::string name = "data\\!PEOPLE") {
    runtime::RecordLayoutBuilder fields;
    fields.scalar("PEO:ID", TypeCode::Long).string("PEO:NAME", 10).scalar("PEO:SALARY", TypeCode::Real);
    auto file = DeclaredFile::make("PEOPLE", fields.build());
    file->setName(std::move(name));
    file->setDriver(driver);
    file->addKey("PEO:ID_KEY", {"PEO:ID"}, kKeyPrimary);
    file->addKey("PEO:NAME_KEY", {"PEO:NAME"}, kKeyNocase);
    file->addKey("PEO:SAL_KEY", {"-PEO:SALARY"}, kKeyDup | kKeyOpt);
    file->addMemo("PEO:NOTES", 100);
    file->addMemo("PEO:PHOTO", 0, kMemoBlob);
    return file;
  }

  std::unique_ptr<DeclaredFile> createdPeople() {
    auto file = people();
    Statement s{file->file()};
    EXPECT_EQ(s(Operation::Create), 0);
    EXPECT_EQ(s.open(), 0);
    return file;
  }

  int addPerson(DeclaredFile& file, int id, std::string_view name, std::string_view salary = "0") {
    clear(file);
    setField(file, "PEO:ID", std::to_string(id));
    setField(file, "PEO:NAME", name);
    setField(file, "PEO:SALARY", salary);
    return Statement{file.file()}(Operation::Add);
  }

  EntryTree& tree() {
    int error = 0;
    held_ = catalog.open({"data.WLK", "", true, false}, &error);
    return held_->tree();
  }

  MemoryCatalog catalog;
  WendlockDriver driver{catalog};
  std::unique_ptr<StorageFile> held_;
};

TEST_F(WendlockDriverTest, NumbersAreSharedByTablesAndRecordsAndNeverReused) {
  auto file = createdPeople();
  Statement s{file->file()};
  ASSERT_EQ(addPerson(*file, 1, "Ann"), 0);
  const auto first = s.value(Operation::PointerFile);
  ASSERT_EQ(addPerson(*file, 2, "Bob"), 0);
  EXPECT_EQ(s.value(Operation::PointerFile), first + 1);
  // A new table takes a number too.
  auto other = people("data\\!OTHER");
  Statement o{other->file()};
  ASSERT_EQ(o(Operation::Create), 0);
  ASSERT_EQ(addPerson(*file, 3, "Cid"), 0);
  EXPECT_EQ(s.value(Operation::PointerFile), first + 3);
  // A deleted record's number does not come back.
  ASSERT_EQ(s(Operation::Delete), 0);
  ASSERT_EQ(addPerson(*file, 3, "Cid"), 0);
  EXPECT_EQ(s.value(Operation::PointerFile), first + 4);
  EXPECT_EQ(driver.currentPointer(file->file()), first + 4);  // what a view asks, without an operation
  EXPECT_EQ(s.value(Operation::RecordsFile), 3);
  EXPECT_EQ(s.value(Operation::Bytes), 3 * 22);
}

// A number counter lowered below numbers in use (a damaged header) must never make ADD write over
// a record: the ADD is a storage failure, the record stays, and the check reports the counter.
TEST_F(WendlockDriverTest, CounterBelowANumberInUseFailsTheAddAndIsReported) {
  auto file = createdPeople();
  Statement s{file->file()};
  ASSERT_EQ(addPerson(*file, 1, "Ann"), 0);
  ASSERT_EQ(addPerson(*file, 2, "Bob"), 0);
  const auto bob = s.value(Operation::PointerFile);
  ASSERT_EQ(s(Operation::Close), 0);
  {
    int error = 0;
    auto stored = catalog.open({"data.WLK", "", false, false}, &error);
    stored->tree().setLastNumber(static_cast<std::uint32_t>(bob - 1));
    ASSERT_EQ(stored->writeUpdate(), 0);
  }
  const auto problems = checkEntries(tree());
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("record number " + std::to_string(bob) + " is in use"), std::string::npos);
  ASSERT_EQ(s.open(), 0);
  EXPECT_EQ(addPerson(*file, 3, "Cid"), 90);
  EXPECT_EQ(runtime::errorState().file_error_code, "3105");
  ASSERT_EQ(s(Operation::Close), 0);
  ASSERT_EQ(s.open(), 0);
  ASSERT_EQ(s.key(Operation::GetFilePtr, nullptr, static_cast<std::uint32_t>(bob)), 0);
  EXPECT_EQ(getField(*file, "PEO:NAME"), "Bob");
  EXPECT_EQ(s.value(Operation::RecordsFile), 2);
}

TEST_F(WendlockDriverTest, DuplicateUniqueKeyIsRefusedAndEarlierKeysAreRestored) {
  auto file = createdPeople();
  Statement s{file->file()};
  ASSERT_EQ(addPerson(*file, 1, "Ann", "10"), 0);
  // Same name on the NOCASE unique key, new id: the id key entry made first is taken back.
  EXPECT_EQ(addPerson(*file, 2, "ANN", "20"), 40);
  EXPECT_EQ(s.value(Operation::RecordsFile), 1);
  EXPECT_EQ(s.value(Operation::RecordsKey, keyArgument(file->key("PEO:ID_KEY"))), 1);
  EXPECT_EQ(s.value(Operation::RecordsKey, keyArgument(file->key("PEO:SAL_KEY"))), 1);
  EXPECT_TRUE(checkEntries(tree()).empty());
  setField(*file, "PEO:ID", "2");
  EXPECT_EQ(s.key(Operation::GetFileKey, file->key("PEO:ID_KEY")), 35);
  // DUPLICATE sees the collision with another record than the current one before trying.
  ASSERT_EQ(addPerson(*file, 3, "Cid", "30"), 0);
  clear(*file);
  setField(*file, "PEO:NAME", "aNn");
  EXPECT_EQ(s.value(Operation::Duplicate), 1);
  EXPECT_EQ(s.value(Operation::DuplicateKey, keyArgument(file->key("PEO:ID_KEY"))), 0);
  EXPECT_EQ(s.value(Operation::DuplicateKey, keyArgument(file->key("PEO:NAME_KEY"))), 1);
}

TEST_F(WendlockDriverTest, GetBySequenceAndPositions) {
  auto file = createdPeople();
  Statement s{file->file()};
  ASSERT_EQ(addPerson(*file, 3, "Cid", "5"), 0);
  ASSERT_EQ(addPerson(*file, 1, "Ann", "7"), 0);
  ASSERT_EQ(addPerson(*file, 2, "Bob", "7"), 0);
  ASSERT_EQ(addPerson(*file, 4, "Dan"), 0);  // salary 0: no entry in the OPT key

  auto read = [&](Operation operation) {
    return s(operation) == 0 ? getField(*file, "PEO:NAME")
                             : std::string("<") + std::to_string(runtime::errorCode()) + ">";
  };
  ASSERT_EQ(s.key(Operation::SetKey, file->key("PEO:ID_KEY")), 0);
  EXPECT_EQ(read(Operation::Next), "Ann");
  EXPECT_EQ(read(Operation::Next), "Bob");
  EXPECT_EQ(read(Operation::Previous), "Ann");
  EXPECT_EQ(read(Operation::Previous), "<33>");

  // Descending salary, then id; Dan is left out.
  ASSERT_EQ(s.key(Operation::SetKey, file->key("PEO:SAL_KEY")), 0);
  EXPECT_EQ(read(Operation::Next), "Ann");
  EXPECT_EQ(read(Operation::Next), "Bob");
  EXPECT_EQ(read(Operation::Next), "Cid");
  EXPECT_EQ(read(Operation::Next), "<33>");
  EXPECT_EQ(s.value(Operation::RecordsKey, keyArgument(file->key("PEO:SAL_KEY"))), 3);

  // SET at a key value, then read backwards from it.
  clear(*file);
  setField(*file, "PEO:NAME", "bz");
  ASSERT_EQ(s.key(Operation::SetKeyKey, file->key("PEO:NAME_KEY")), 0);
  EXPECT_EQ(read(Operation::Next), "Cid");
  setField(*file, "PEO:NAME", "bz");
  ASSERT_EQ(s.key(Operation::SetKeyKey, file->key("PEO:NAME_KEY")), 0);
  EXPECT_EQ(read(Operation::Previous), "Bob");

  // A position taken in key order brings the sequence back there.
  ASSERT_EQ(s.key(Operation::SetKey, file->key("PEO:NAME_KEY")), 0);
  EXPECT_EQ(read(Operation::Next), "Ann");
  const std::string position = s.text(Operation::PositionKey, {}, file->key("PEO:NAME_KEY"));
  EXPECT_EQ(position.size(), 4u + 10u);
  EXPECT_EQ(read(Operation::Next), "Bob");
  ASSERT_EQ(s(Operation::ResetKey, textArgument(position, file->key("PEO:NAME_KEY"))), 0);
  EXPECT_EQ(read(Operation::Next), "Ann");
  EXPECT_EQ(read(Operation::Next), "Bob");

  // File order is record-number order.
  ASSERT_EQ(s(Operation::SetFile), 0);
  EXPECT_EQ(read(Operation::Next), "Cid");
  EXPECT_EQ(read(Operation::Next), "Ann");
  const std::string file_position = s.text(Operation::PositionFile);
  ASSERT_EQ(file_position.size(), 4u);
  EXPECT_EQ(read(Operation::Previous), "Cid");
  ASSERT_EQ(s(Operation::RegetFile, textArgument(file_position)), 0);
  EXPECT_EQ(getField(*file, "PEO:NAME"), "Ann");

  // GET by key: NOCASE finds "ann" as Ann; no match gives 35.
  clear(*file);
  setField(*file, "PEO:NAME", "ann");
  ASSERT_EQ(s.key(Operation::GetFileKey, file->key("PEO:NAME_KEY")), 0);
  EXPECT_EQ(getField(*file, "PEO:ID"), "1");
  setField(*file, "PEO:NAME", "zed");
  EXPECT_EQ(s.key(Operation::GetFileKey, file->key("PEO:NAME_KEY")), 35);
  // An OPT key with its fields empty holds no entry, so Dan is not found through it.
  clear(*file);
  EXPECT_EQ(s.key(Operation::GetFileKey, file->key("PEO:SAL_KEY")), 35);
  // GET by pointer.
  const auto dan = s.value(Operation::PointerFile);
  (void)dan;
  EXPECT_EQ(s.key(Operation::GetFilePtr, nullptr, 999999), 35);
}

TEST_F(WendlockDriverTest, PutMaintainsChangedKeysAndLeavesAnUnchangedRecordAlone) {
  auto file = createdPeople();
  Statement s{file->file()};
  EXPECT_EQ(s(Operation::Put), 33);
  ASSERT_EQ(addPerson(*file, 1, "Ann", "7"), 0);
  ASSERT_EQ(addPerson(*file, 2, "Bob", "8"), 0);
  // Unchanged buffer: nothing written at all.
  const auto before = allEntries(tree());
  ASSERT_EQ(s(Operation::Put), 0);
  EXPECT_EQ(allEntries(tree()), before);
  // A change that collides on a unique key keeps the stored record and its keys.
  setField(*file, "PEO:SALARY", "100");
  setField(*file, "PEO:NAME", "ANN");
  EXPECT_EQ(s(Operation::Put), 40);
  EXPECT_TRUE(checkEntries(tree()).empty());
  clear(*file);
  setField(*file, "PEO:ID", "2");
  ASSERT_EQ(s.key(Operation::GetFileKey, file->key("PEO:ID_KEY")), 0);
  EXPECT_EQ(getField(*file, "PEO:SALARY"), "8");
  setField(*file, "PEO:NAME", "Bea");
  setField(*file, "PEO:SALARY", "0");
  ASSERT_EQ(s(Operation::Put), 0);
  EXPECT_EQ(s.value(Operation::RecordsKey, keyArgument(file->key("PEO:SAL_KEY"))), 1);
  EXPECT_TRUE(checkEntries(tree()).empty());
  // DELETE, then a second DELETE has no current record.
  ASSERT_EQ(s(Operation::Delete), 0);
  EXPECT_EQ(s(Operation::Delete), 33);
  EXPECT_EQ(s(Operation::Put), 33);
  EXPECT_TRUE(checkEntries(tree()).empty());
}

TEST_F(WendlockDriverTest, WatchSeesAChangeMadeThroughAnotherFile) {
  auto file = createdPeople();
  auto other = people();
  Statement s{file->file()};
  Statement o{other->file()};
  ASSERT_EQ(o.open(), 0);
  ASSERT_EQ(addPerson(*file, 1, "Ann", "7"), 0);
  setField(*file, "PEO:ID", "1");
  ASSERT_EQ(s(Operation::Watch), 0);
  ASSERT_EQ(s.key(Operation::GetFileKey, file->key("PEO:ID_KEY")), 0);
  setField(*other, "PEO:ID", "1");
  ASSERT_EQ(o.key(Operation::GetFileKey, other->key("PEO:ID_KEY")), 0);
  setField(*other, "PEO:NAME", "Anne");
  ASSERT_EQ(o(Operation::Put), 0);
  setField(*file, "PEO:SALARY", "9");
  EXPECT_EQ(s(Operation::Put), 89);
  // The watch ends with that PUT: the next one goes through.
  EXPECT_EQ(s(Operation::Put), 0);
}

TEST_F(WendlockDriverTest, MemosLoseTrailingBlanksAndBlobsAreChunked) {
  auto file = createdPeople();
  Statement s{file->file()};
  clear(*file);
  setField(*file, "PEO:ID", "1");
  setField(*file, "PEO:NAME", "Ann");
  auto& memos = file->file().memo_values;
  memos[0].assign(5, ' ');
  memos[1].resize(300);
  for (std::size_t i = 0; i < 300; ++i) memos[1][i] = static_cast<std::uint8_t>(i);
  ASSERT_EQ(s(Operation::Add), 0);
  const auto record = static_cast<std::uint32_t>(s.value(Operation::PointerFile));
  const std::uint32_t table = *findTable(tree(), "PEOPLE");
  Entry entry;
  EXPECT_FALSE(tree().find(entries::memoKey(table, record, 0, 0), entry));
  ASSERT_TRUE(tree().find(entries::memoKey(table, record, 1, 0), entry));
  EXPECT_EQ(entry.data().size(), 4u + 256u);
  EXPECT_EQ(entries::little32(entry.data().data()), 300u);
  ASSERT_TRUE(tree().find(entries::memoKey(table, record, 1, 1), entry));
  EXPECT_EQ(entry.data().size(), 44u);
  EXPECT_FALSE(tree().find(entries::memoKey(table, record, 1, 2), entry));

  memos[0] = {'h', 'i', ' ', ' '};
  memos[1].clear();
  ASSERT_EQ(s(Operation::Put), 0);
  memos[0].clear();
  ASSERT_EQ(s.key(Operation::GetFilePtr, nullptr, record), 0);
  EXPECT_EQ(memos[0], (std::vector<std::uint8_t>{'h', 'i'}));
  EXPECT_TRUE(memos[1].empty());
  // NOMEMO: the memo is not read, and PUT leaves it alone.
  memos[0] = {'x'};
  ASSERT_EQ(s(Operation::NoMemo), 0);
  ASSERT_EQ(s.key(Operation::GetFilePtr, nullptr, record), 0);
  EXPECT_EQ(memos[0], (std::vector<std::uint8_t>{'x'}));
  ASSERT_EQ(s(Operation::Put), 0);
  ASSERT_EQ(s.key(Operation::GetFilePtr, nullptr, record), 0);
  EXPECT_EQ(memos[0], (std::vector<std::uint8_t>{'h', 'i'}));
  ASSERT_EQ(s(Operation::Delete), 0);
  EXPECT_TRUE(checkEntries(tree()).empty());
  const bool still = tree().find(entries::memoKey(table, record, 0, 0), entry);
  EXPECT_FALSE(still) << entry.key().size() << " " << entry.data().size() << " rec " << record << " tbl "
                      << table;
}

TEST_F(WendlockDriverTest, AppendLowersBuildMarksAndBuildCatchesUp) {
  auto file = createdPeople();
  Statement s{file->file()};
  ASSERT_EQ(addPerson(*file, 1, "Ann", "1"), 0);
  clear(*file);
  setField(*file, "PEO:ID", "2");
  setField(*file, "PEO:NAME", "Bob");
  ASSERT_EQ(s(Operation::Append), 0);
  const auto appended = static_cast<std::uint32_t>(s.value(Operation::PointerFile));
  setField(*file, "PEO:ID", "3");
  setField(*file, "PEO:NAME", "Cid");
  ASSERT_EQ(s(Operation::Append), 0);
  const std::uint32_t table = *findTable(tree(), "PEOPLE");
  Entry entry;
  ASSERT_TRUE(tree().find(entries::counterKey(table, 0), entry));
  EXPECT_EQ(entries::little32(entry.data().data() + 4), appended);
  EXPECT_EQ(s.value(Operation::RecordsKey, keyArgument(file->key("PEO:ID_KEY"))), 1);
  EXPECT_TRUE(checkEntries(tree()).empty());
  // A record added after the mark is entered by the BUILD, not by ADD.
  ASSERT_EQ(addPerson(*file, 4, "Dan"), 0);
  EXPECT_EQ(s.value(Operation::RecordsKey, keyArgument(file->key("PEO:ID_KEY"))), 1);
  ASSERT_EQ(s(Operation::BuildFile), 0);
  EXPECT_EQ(s.value(Operation::RecordsKey, keyArgument(file->key("PEO:ID_KEY"))), 4);
  ASSERT_TRUE(tree().find(entries::counterKey(table, 0), entry));
  EXPECT_EQ(entries::little32(entry.data().data() + 4), 0u);
  EXPECT_TRUE(checkEntries(tree()).empty());
  // An appended duplicate makes BUILD fail with 40 and leaves the key as it was.
  setField(*file, "PEO:ID", "1");
  setField(*file, "PEO:NAME", "Eve");
  ASSERT_EQ(s(Operation::Append), 0);
  EXPECT_EQ(s.key(Operation::BuildKey, file->key("PEO:ID_KEY")), 40);
  EXPECT_TRUE(checkEntries(tree()).empty());
  EXPECT_EQ(s.text(Operation::Send, "FULLBUILD"), "OFF");
  EXPECT_EQ(s.text(Operation::Send, "FULLBUILD=ON"), "ON");
  EXPECT_EQ(s.key(Operation::BuildKey, file->key("PEO:ID_KEY")), 40);
  EXPECT_TRUE(checkEntries(tree()).empty());
}

TEST_F(WendlockDriverTest, BuildOnAClosedFileOpensItForTheDuration) {
  auto file = createdPeople();
  Statement s{file->file()};
  clear(*file);
  setField(*file, "PEO:ID", "5");
  setField(*file, "PEO:NAME", "Eve");
  ASSERT_EQ(s(Operation::Append), 0);
  ASSERT_EQ(s(Operation::Close), 0);
  ASSERT_EQ(s(Operation::BuildFile), 0);
  EXPECT_FALSE(file->file().state->open);
  ASSERT_EQ(s.open(), 0);
  EXPECT_EQ(s.value(Operation::RecordsKey, keyArgument(file->key("PEO:NAME_KEY"))), 1);
}

TEST_F(WendlockDriverTest, DeclarationMustMatchTheStoredDefinition) {
  auto file = createdPeople();
  runtime::RecordLayoutBuilder fields;
  fields.scalar("X:ID", TypeCode::Long).string("X:NAME", 11).scalar("X:SALARY", TypeCode::Real);
  auto wrong = DeclaredFile::make("PEOPLE", fields.build());
  wrong->setName("data\\!PEOPLE");
  wrong->setDriver(driver);
  Statement w{wrong->file()};
  EXPECT_EQ(w.open(), 47);
  // Other names, no PRIMARY: still the same table.
  runtime::RecordLayoutBuilder renamed;
  renamed.scalar("X:ID", TypeCode::Long).string("X:N", 10).scalar("X:S", TypeCode::Real);
  auto same = DeclaredFile::make("P2", renamed.build());
  same->setName("data\\!people");
  same->setDriver(driver);
  same->addKey("X:K1", {"X:ID"}, 0);
  same->addKey("X:K2", {"X:N"}, kKeyNocase);
  same->addKey("X:K3", {"-X:S"}, kKeyDup | kKeyOpt);
  same->addMemo("X:M", 100);
  same->addMemo("X:B", 5, kMemoBlob);
  EXPECT_EQ(Statement{same->file()}.open(), 0);
  // A missing table is 2.
  auto missing = people("data\\!NOSUCH");
  EXPECT_EQ(Statement{missing->file()}.open(), 2);
  auto no_file = people("nofile");
  EXPECT_EQ(Statement{no_file->file()}.open(), 2);
}

TEST_F(WendlockDriverTest, LimitsOfADescription) {
  auto declare = [&](runtime::RecordLayoutBuilder& fields) {
    auto file = DeclaredFile::make("T", fields.build());
    file->setName("limits");
    file->setDriver(driver);
    return file;
  };
  runtime::RecordLayoutBuilder big;
  big.string("T:A", 15001);
  auto too_big = declare(big);
  EXPECT_EQ(Statement{too_big->file()}(Operation::Create), 47);
  runtime::RecordLayoutBuilder pdecimal;
  pdecimal.pdecimal("T:P", 5, 2);
  auto unsupported = declare(pdecimal);
  EXPECT_EQ(Statement{unsupported->file()}(Operation::Create), 79);
  runtime::RecordLayoutBuilder overlay;
  overlay.string("T:S", 3).pdecimal("T:P", 5, 2).over("T:S");
  auto over = declare(overlay);
  EXPECT_EQ(Statement{over->file()}(Operation::Create), 0);
  runtime::RecordLayoutBuilder nested;
  for (int i = 0; i < 102; ++i) nested.beginGroup("T:G" + std::to_string(i));
  nested.string("T:S", 1);
  auto deep = declare(nested);
  EXPECT_EQ(Statement{deep->file()}(Operation::Create), 75);
  runtime::RecordLayoutBuilder keyed;
  keyed.string("T:S", 1);
  auto many = declare(keyed);
  for (int i = 0; i < 241; ++i) many->addKey("T:K" + std::to_string(i), {"T:S"}, kKeyDup);
  EXPECT_EQ(Statement{many->file()}(Operation::Create), 47);
  // A table that could not be opened again, or whose entries no page holds, is never written.
  runtime::RecordLayoutBuilder past_end;
  past_end.scalar("T:L", TypeCode::Long).string("T:S", 40).over("T:L");
  auto beyond = declare(past_end);
  beyond->setName("never");
  EXPECT_EQ(Statement{beyond->file()}(Operation::Create), 47);
  runtime::RecordLayoutBuilder longs;
  longs.scalar("T:L", TypeCode::Long);
  auto long_key = declare(longs);
  long_key->setName("never");
  long_key->addKey("T:K", std::vector<std::string>(1882, "T:L"), kKeyDup);
  EXPECT_EQ(Statement{long_key->file()}(Operation::Create), 88);
  EXPECT_FALSE(catalog.exists("never.WLK"));
}

TEST_F(WendlockDriverTest, OemFilesStoreTopLevelStringsInTheOemSet) {
  runtime::RecordLayoutBuilder fields;
  fields.string("T:S", 4).cstring("T:C", 4).pstring("T:P", 4);
  fields.beginGroup("T:G").string("T:IN", 2).endGroup();
  auto file = DeclaredFile::make("T", fields.build());
  file->setName("oem\\!T");
  file->setDriver(driver);
  file->setAttributes(kFileOem | kFileCreate);
  file->addMemo("T:M", 10);
  Statement s{file->file()};
  ASSERT_EQ(s(Operation::Create), 0);
  ASSERT_EQ(s.open(), 0);
  const std::string ya = platform::ru("Я");  // 0xDF in 1251, 0x9F in 866
  clear(*file);
  setField(*file, "T:S", ya);
  setField(*file, "T:C", ya);
  setField(*file, "T:P", ya);
  setField(*file, "T:IN", ya);
  file->file().memo_values[0].assign(ya.begin(), ya.end());
  ASSERT_EQ(s(Operation::Add), 0);
  const auto record = static_cast<std::uint32_t>(s.value(Operation::PointerFile));
  int error = 0;
  auto stored = catalog.open({"oem.wlk", "", true, false}, &error);
  const std::uint32_t table = *findTable(stored->tree(), "T");
  Entry entry;
  ASSERT_TRUE(stored->tree().find(entries::recordKey(table, record), entry));
  const auto image = entry.data();
  EXPECT_EQ(image[0], 0x9F);
  EXPECT_EQ(image[4], 0x9F);
  EXPECT_EQ(image[8], 1);
  EXPECT_EQ(image[9], 0x9F);
  EXPECT_EQ(image[12], 0xDF);  // a group member is left as it is
  ASSERT_TRUE(stored->tree().find(entries::memoKey(table, record, 0, 0), entry));
  EXPECT_EQ(entry.data()[0], 0x9F);
  clear(*file);
  ASSERT_EQ(s.key(Operation::GetFilePtr, nullptr, record), 0);
  EXPECT_EQ(getField(*file, "T:S"), ya);
  EXPECT_EQ(getField(*file, "T:P"), ya);
  EXPECT_EQ(file->file().memo_values[0], std::vector<std::uint8_t>(ya.begin(), ya.end()));
}

TEST_F(WendlockDriverTest, CreateReplacesOneTableAndKeepsTheOthers) {
  auto file = createdPeople();
  ASSERT_EQ(addPerson(*file, 1, "Ann"), 0);
  auto other = people("data\\!OTHER");
  Statement o{other->file()};
  ASSERT_EQ(o(Operation::Create), 0);
  ASSERT_EQ(o.open(), 0);
  ASSERT_EQ(addPerson(*other, 1, "Zed"), 0);
  Statement s{file->file()};
  ASSERT_EQ(s(Operation::Close), 0);
  const auto old_number = *findTable(tree(), "PEOPLE");
  ASSERT_EQ(s(Operation::Create), 0);
  EXPECT_GT(*findTable(tree(), "PEOPLE"), old_number);
  ASSERT_EQ(s.open(), 0);
  EXPECT_EQ(s.value(Operation::RecordsFile), 0);
  EXPECT_EQ(o.value(Operation::RecordsFile), 1);
  EXPECT_TRUE(checkEntries(tree()).empty());
  // EMPTY keeps the definition and the user flags.
  EXPECT_EQ(o.text(Operation::Send, "FLAGS=77"), "77");
  ASSERT_EQ(o(Operation::Empty), 0);
  EXPECT_EQ(o.value(Operation::RecordsFile), 0);
  EXPECT_EQ(o.text(Operation::Send, "FLAGS"), "77");
  EXPECT_EQ(o.text(Operation::Send, "PNM=" + std::to_string(*findTable(tree(), "PEOPLE"))), "PEOPLE");
  EXPECT_TRUE(checkEntries(tree()).empty());
}

TEST_F(WendlockDriverTest, RemoveCopyAndRenameOfTablesAndFiles) {
  auto file = createdPeople();
  ASSERT_EQ(addPerson(*file, 1, "Ann", "3"), 0);
  ASSERT_EQ(addPerson(*file, 2, "Bob"), 0);
  file->file().memo_values[0] = {'m'};
  Statement s{file->file()};
  ASSERT_EQ(s(Operation::Put), 0);
  ASSERT_EQ(s(Operation::Close), 0);
  // One table copied into another storage file, under another name.
  ASSERT_EQ(s(Operation::Copy, textArgument("copy\\!COPIED")), 0);
  auto copied = people("copy\\!COPIED");
  Statement c{copied->file()};
  ASSERT_EQ(c.open(), 0);
  EXPECT_EQ(c.value(Operation::RecordsFile), 2);
  clear(*copied);
  setField(*copied, "PEO:NAME", "bob");
  ASSERT_EQ(c.key(Operation::GetFileKey, copied->key("PEO:NAME_KEY")), 0);
  EXPECT_EQ(copied->file().memo_values[0], std::vector<std::uint8_t>{'m'});
  ASSERT_EQ(c(Operation::Close), 0);
  // Renamed within its file: same contents under the new name.
  ASSERT_EQ(s(Operation::Rename, textArgument("data\\!STAFF")), 0);
  EXPECT_FALSE(findTable(tree(), "PEOPLE"));
  ASSERT_TRUE(findTable(tree(), "STAFF"));
  // The whole file copied.
  auto staff = people("data\\!STAFF");
  Statement st{staff->file()};
  ASSERT_EQ(st(Operation::Copy, textArgument("backup")), 0);
  EXPECT_TRUE(catalog.exists("backup.WLK"));
  // Removing the last table removes the storage file.
  ASSERT_EQ(st(Operation::Remove), 0);
  EXPECT_FALSE(catalog.exists("data.WLK"));
  EXPECT_EQ(st(Operation::Remove), 2);
  ASSERT_EQ(c(Operation::Remove), 0);
  EXPECT_FALSE(catalog.exists("copy.WLK"));
}

TEST_F(WendlockDriverTest, TableOpenedWithoutADeclarationTakesTheStoredOne) {
  auto file = createdPeople();
  ASSERT_EQ(addPerson(*file, 7, "Gus", "2.5"), 0);
  FileControlBlock bare;
  bare.label = "BARE";
  bare.external_name = "data\\!PEOPLE";
  bare.driver = &driver;
  Statement b{bare};
  ASSERT_EQ(b.open(), 0);
  ASSERT_EQ(b(Operation::SetFile), 0);
  ASSERT_EQ(b(Operation::Next), 0);
  const auto* layout = WendlockDriver::layoutOf(bare);
  ASSERT_NE(layout, nullptr);
  EXPECT_EQ(runtime::loadText(layout->field(1), WendlockDriver::recordOf(bare)), "Gus       ");
}

TEST_F(WendlockDriverTest, SkipsKeyEntriesWhoseRecordHasGone) {
  auto file = createdPeople();
  Statement s{file->file()};
  ASSERT_EQ(addPerson(*file, 1, "Ann"), 0);
  ASSERT_EQ(addPerson(*file, 2, "Bob"), 0);
  const auto bob = static_cast<std::uint32_t>(s.value(Operation::PointerFile));
  ASSERT_EQ(addPerson(*file, 3, "Cid"), 0);
  // Take Bob's data record away behind the driver's back, as another station's DELETE would.
  auto* state = WendlockDriver::stateOf(file->file());
  state->file->tree().erase(entries::recordKey(state->table->number(), bob));
  ASSERT_EQ(s.key(Operation::SetKey, file->key("PEO:ID_KEY")), 0);
  ASSERT_EQ(s(Operation::Next), 0);
  ASSERT_EQ(s(Operation::Next), 0);
  EXPECT_EQ(getField(*file, "PEO:NAME"), "Cid");
  EXPECT_EQ(s(Operation::Next), 33);
}

}  // namespace
}  // namespace veltrano::storage
