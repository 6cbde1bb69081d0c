#include "framework/table_manager.h"

#include "framework/manager_test_fixture.h"
#include "framework/thread_number.h"
#include "platform/codepage.h"

namespace veltrano::framework {
namespace {

using storage::Operation;
using testing::ManagerTest;

runtime::RecordLayout departmentLayout() {
  runtime::RecordLayoutBuilder fields;
  fields.scalar("OTD:ID", runtime::TypeCode::Long).string("OTD:NAME", 20);
  return fields.build();
}

class TableManagerTest : public ManagerTest {
 protected:
  std::unique_ptr<storage::DeclaredFile> department(bool unique_name = false) {
    auto file = storage.declare("OTDELENI", departmentLayout());
    file->addKey("OTD:ID_KEY", {"+OTD:ID"}, storage::kKeyPrimary);
    if (unique_name) file->addKey("OTD:NAME_KEY", {"+OTD:NAME"}, 0);
    return file;
  }
  void manage(TableManager& manager, storage::DeclaredFile& file, std::uint8_t auto_number = 1) {
    manager.Init(&file.file(), &errors);
    manager.FILENAMEVALUE = file.file().label;
    manager.LOCKRECOVER = 10;
    ASSERT_TRUE(manager.RegisterKey(file.key("OTD:ID_KEY"), "OTD:ID_KEY", auto_number));
    if (auto* name_key = file.key("OTD:NAME_KEY")) {
      ASSERT_TRUE(manager.RegisterKey(name_key, "Name of department"));
    }
  }
  // Adds records through a second station so that the manager's own file stays closed.
  void addDepartments(const std::vector<std::pair<int, std::string>>& rows, bool create = true) {
    auto station = department();
    if (create) {
      ASSERT_EQ(call(Operation::Create, *station), 0);
    }
    ASSERT_EQ(call(Operation::Open, *station), 0);
    for (const auto& [id, name] : rows) {
      setLong(*station, "OTD:ID", id);
      setText(*station, "OTD:NAME", name);
      ASSERT_EQ(call(Operation::Add, *station), 0);
    }
    call(Operation::Close, *station);
  }
};

TEST_F(TableManagerTest, MissingFileIsCreatedAndOpenedInOneCallWhenDeclaredCreate) {
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  manager.CREATE = 1;
  EXPECT_EQ(manager.Open(), kLevelBenign);
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(manager.SelectThreadState().USED, 1);
  EXPECT_EQ(manager.SelectThreadState().OPENED, 1);
  EXPECT_EQ(storage.driver().count(Operation::Create, "OTDELENI"), 1);
  EXPECT_EQ(manager.Close(), kLevelBenign);
  EXPECT_EQ(manager.SelectThreadState().USED, 0);
}

TEST_F(TableManagerTest, MissingFileWithoutCreateReportsId23AndStaysClosed) {
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  EXPECT_EQ(manager.Open(), kLevelFatal);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(
      boxes()[0].text,
      "File (OTDELENI) could not be opened.  Error: File Not Found (2).  Press OK to end this application");
  EXPECT_EQ(boxes()[0].caption, "File Access Error");
  EXPECT_EQ(halts, std::vector<std::string>{"File Access Error"});
  EXPECT_EQ(manager.SelectThreadState().OPENED, 0);
  EXPECT_EQ(manager.SelectThreadState().LASTERROR, 23);
}

TEST_F(TableManagerTest, WriteAccessRefusedFallsBackToReadOnlyAfterOneMessage) {
  addDepartments({{1, "Surgery"}});
  // Another user of the storage file holds it read-only, so it cannot be reopened for writing.
  auto reader = department();
  storage::OperationArguments read_only;
  read_only.access_mode = 0x40;
  storage::fileStatement(Operation::Open, reader->file(), read_only);
  ASSERT_EQ(runtime::errorCode(), 0);

  auto file = department();
  TableManager manager;
  manage(manager, *file);
  EXPECT_EQ(manager.Open(), kLevelBenign);
  EXPECT_EQ(boxTexts(),
            std::vector<std::string>{"Could not get write access to OTDELENI so trying read-only."});
  EXPECT_EQ(manager.OPENMODE & 0x0F, 0);
  EXPECT_EQ(storage.driver().sent("OTDELENI"), std::vector<std::string>{"Recover=10"});
  ASSERT_EQ(call(Operation::SetFile, *file), 0);
  EXPECT_EQ(manager.Next(), kLevelBenign);
  EXPECT_EQ(text(*file, "OTD:NAME"), "Surgery");
  manager.Close();
}

TEST_F(TableManagerTest, ReadOnlyRequestThatIsRefusedEndsWithId23) {
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  manager.OPENMODE = 0x40;
  storage.driver().fail(Operation::Open, "OTDELENI", 5, 0, 2);
  EXPECT_EQ(manager.Open(), kLevelFatal);
  EXPECT_EQ(boxTexts(),
            std::vector<std::string>{"File (OTDELENI) could not be opened.  Error: Access Denied (5).  "
                                     "Press OK to end this application"});
}

TEST_F(TableManagerTest, DamagedKeyFileIsRebuiltAfterSayingSo) {
  addDepartments({{1, "Surgery"}});
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  storage.driver().fail(Operation::Open, "OTDELENI", 46);
  EXPECT_EQ(manager.Open(), kLevelBenign);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{"OTDELENI key file is invalid. Key must be rebuilt."});
  EXPECT_EQ(storage.driver().count(Operation::BuildFile, "OTDELENI"), 1);
  EXPECT_EQ(manager.SelectThreadState().USED, 1);
}

TEST_F(TableManagerTest, KeyFileThatCannotBeRebuiltIsFatal) {
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  storage.driver().fail(Operation::Open, "OTDELENI", 46);
  storage.driver().fail(Operation::BuildFile, "OTDELENI", 38);
  EXPECT_EQ(manager.Open(), kLevelFatal);
  ASSERT_EQ(boxes().size(), 2u);
  EXPECT_EQ(boxes()[1].text,
            "Error: (Invalid Key File (38)) repairing key for OTDELENI.  Press OK to end this application");
  EXPECT_EQ(manager.SelectThreadState().USED, 0);
}

TEST_F(TableManagerTest, FailedCreateReportsId10) {
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  manager.CREATE = 1;
  storage.driver().fail(Operation::Create, "OTDELENI", 3);
  EXPECT_EQ(manager.Open(), kLevelFatal);
  EXPECT_EQ(boxTexts(),
            std::vector<std::string>{
                "Error: (Path Not Found (3)) creating OTDELENI.  Press OK to end this application"});
}

TEST_F(TableManagerTest, CloseCountsDownAndClosesAtZero) {
  addDepartments({});
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  EXPECT_EQ(storage.driver().count(Operation::Open, "OTDELENI"), 2);  // the station's and ours
  manager.Close();
  EXPECT_EQ(manager.SelectThreadState().USED, 1);
  manager.Close();
  EXPECT_EQ(manager.SelectThreadState().USED, 0);
  EXPECT_EQ(manager.Close(), kLevelBenign);  // one close too many changes nothing
  EXPECT_EQ(manager.SelectThreadState().OPENED, 0);
}

TEST_F(TableManagerTest, ThreadFilesKeepOneStatePerThread) {
  addDepartments({});
  auto file = department();
  file->setAttributes(storage::kFileThread);
  TableManager manager;
  manage(manager, *file);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  {
    ScopedThreadNumber second(2);
    EXPECT_EQ(manager.SelectThreadState().OPENED, 0);
    EXPECT_EQ(manager.SelectThreadState().ID, 2);
  }
  EXPECT_EQ(manager.SelectThreadState().OPENED, 1);
  EXPECT_EQ(manager.INFO.size(), 2u);
  manager.Close();
}

TEST_F(TableManagerTest, LazyFileNeverOpenedRaisesId39OnFirstUse) {
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  manager.LAZYOPEN = 1;
  EXPECT_EQ(manager.Next(), kLevelFatal);
  EXPECT_EQ(boxTexts(),
            std::vector<std::string>{
                "Attempt to use file (OTDELENI) before it was opened  Press OK to end this application"});
  EXPECT_EQ(halts, std::vector<std::string>{"File Usage Error"});
}

TEST_F(TableManagerTest, LazyOpenDefersThePhysicalOpenAndKeepsTheBuffer) {
  addDepartments({{5, "Therapy"}});
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  manager.LAZYOPEN = 1;
  ASSERT_EQ(manager.Open(), kLevelBenign);
  EXPECT_EQ(manager.SelectThreadState().USED, 0);
  setLong(*file, "OTD:ID", 5);
  EXPECT_EQ(manager.Fetch(file->key("OTD:ID_KEY")), kLevelBenign);
  EXPECT_EQ(manager.SelectThreadState().USED, 1);
  EXPECT_EQ(text(*file, "OTD:NAME"), "Therapy");
  setLong(*file, "OTD:ID", 6);
  EXPECT_EQ(manager.Fetch(file->key("OTD:ID_KEY")), kLevelNotify);
  EXPECT_EQ(text(*file, "OTD:ID"), "0");  // a failed fetch leaves a cleared buffer
  manager.Close();
  EXPECT_TRUE(boxes().empty());
}

TEST_F(TableManagerTest, NextStopsAtTheEndWithAtFileEnd) {
  addDepartments({{1, "A"}, {2, "B"}});
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  ASSERT_EQ(call(Operation::SetKey, *file, file->key("OTD:ID_KEY")), 0);
  EXPECT_EQ(manager.Next(), kLevelBenign);
  EXPECT_EQ(manager.Next(), kLevelBenign);
  EXPECT_FALSE(manager.AtFileEnd());
  EXPECT_EQ(manager.Next(), kLevelNotify);
  EXPECT_TRUE(manager.AtFileEnd());
  EXPECT_TRUE(boxes().empty());
  manager.Close();
}

TEST_F(TableManagerTest, NextReportsHeldRecordsUnlessSkippingAndOtherErrorsAsId1) {
  addDepartments({{1, "A"}, {2, "B"}});
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  ASSERT_EQ(call(Operation::SetKey, *file, file->key("OTD:ID_KEY")), 0);
  storage.driver().fail(Operation::Next, "OTDELENI", 43);
  EXPECT_EQ(manager.NextQuiet(), kLevelNotify);
  EXPECT_EQ(manager.SelectThreadState().LASTERROR, 28);
  EXPECT_TRUE(boxes().empty());
  manager.SKIPHELDRECORDS = 1;
  storage.driver().fail(Operation::Next, "OTDELENI", 43);
  EXPECT_EQ(manager.Next(), kLevelBenign);
  storage.driver().fail(Operation::Next, "OTDELENI", 90);
  EXPECT_EQ(manager.NextQuiet(), kLevelFatal);
  EXPECT_EQ(manager.SelectThreadState().LASTERROR, 1);
  storage.driver().fail(Operation::Next, "OTDELENI", 33 + 2);  // 35, not the end
  EXPECT_EQ(manager.Next(), kLevelNotify);
  EXPECT_EQ(boxTexts(),
            std::vector<std::string>{"Error: (Record Not Found (35)) attempting to access a record from "
                                     "the OTDELENI file.  Returning to previous window."});
  manager.Close();
}

TEST_F(TableManagerTest, AutoNumberStartsAtOneAndFollowsTheHighest) {
  addDepartments({});
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  EXPECT_EQ(manager.PrepareRecord(), kLevelBenign);
  EXPECT_EQ(text(*file, "OTD:ID"), "1");
  EXPECT_EQ(records(*file), 1);  // reserved at once
  setText(*file, "OTD:NAME", "First");
  EXPECT_EQ(manager.Insert(), kLevelBenign);
  EXPECT_EQ(records(*file), 1);
  EXPECT_EQ(manager.SelectThreadState().AUTOINCDONE, 0);

  std::vector<std::pair<int, std::string>> more;
  for (int id = 2; id <= 41; ++id) more.emplace_back(id, "x");
  addDepartments(more, false);
  EXPECT_EQ(manager.PrepareRecord(), kLevelBenign);
  EXPECT_EQ(text(*file, "OTD:ID"), "42");
  EXPECT_EQ(manager.Insert(), kLevelBenign);
  EXPECT_EQ(column(*file, file->key("OTD:ID_KEY"), "OTD:NAME").front(), "First");
  manager.Close();
}

TEST_F(TableManagerTest, AbandonedInsertRemovesTheReservedRecord) {
  addDepartments({{7, "Kept"}});
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  ASSERT_EQ(manager.PrepareRecord(), kLevelBenign);
  EXPECT_EQ(text(*file, "OTD:ID"), "8");
  EXPECT_EQ(records(*file), 2);
  EXPECT_EQ(manager.ReleaseNumber(), kLevelBenign);
  EXPECT_EQ(records(*file), 1);
  EXPECT_EQ(manager.SelectThreadState().AUTOINCDONE, 0);
  EXPECT_EQ(column(*file, file->key("OTD:ID_KEY"), "OTD:NAME"), std::vector<std::string>{"Kept"});
  manager.Close();
}

TEST_F(TableManagerTest, ReservingGivesUpAfterThreeFailuresUnlessTheUserRetries) {
  addDepartments({});
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  storage.driver().fail(Operation::Add, "OTDELENI", 94, 0, 4);
  engine.queueMessageBoxAnswer(ui::kButtonYes);  // try again: one more failure, then success
  EXPECT_EQ(manager.PrepareRecord(), kLevelBenign);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(
      boxes()[0].text,
      "Attempts to automatically number this record have failed.  Error: Record Limit Exceeded (94). Try "
      "Again?");
  EXPECT_EQ(records(*file), 1);
  EXPECT_EQ(manager.ReleaseNumber(), kLevelBenign);

  storage.driver().fail(Operation::Add, "OTDELENI", 94, 0, 3);
  engine.queueMessageBoxAnswer(ui::kButtonNo);
  EXPECT_EQ(manager.PrepareRecord(), kLevelNotify);
  EXPECT_EQ(manager.SelectThreadState().AUTOINCDONE, 0);
  EXPECT_EQ(storage.driver().count(Operation::Add, "OTDELENI"), 5 + 3);
  manager.Close();
}

TEST_F(TableManagerTest, AutoNumberOfALaterComponentCountsWithinItsGroup) {
  runtime::RecordLayoutBuilder fields;
  fields.scalar("RAB:KAR", runtime::TypeCode::Long)
      .scalar("RAB:NUM", runtime::TypeCode::Long)
      .string("RAB:T", 4);
  auto file = storage.declare("RABOTA", fields.build());
  auto* key = file->addKey("RAB:KEY", {"+RAB:KAR", "+RAB:NUM"}, 0);
  createAndOpen(*file);
  for (auto [kar, num] : std::vector<std::pair<int, int>>{{7, 1}, {7, 2}, {8, 5}}) {
    setLong(*file, "RAB:KAR", kar);
    setLong(*file, "RAB:NUM", num);
    ASSERT_EQ(call(Operation::Add, *file), 0);
  }
  TableManager manager;
  manager.Init(&file->file(), &errors);
  manager.FILENAMEVALUE = "RABOTA";
  ASSERT_TRUE(manager.RegisterKey(key, "RAB:KEY", 2));
  ASSERT_FALSE(manager.RegisterKey(key, "too far", 3));
  ASSERT_EQ(manager.Open(), kLevelBenign);

  manager.ClearRecord();
  setLong(*file, "RAB:KAR", 7);
  ASSERT_EQ(manager.PrepareRecord(true), kLevelBenign);
  EXPECT_EQ(text(*file, "RAB:NUM"), "3");
  ASSERT_EQ(manager.Insert(), kLevelBenign);

  manager.ClearRecord();
  setLong(*file, "RAB:KAR", 6);  // the record found before 6/max belongs to no group of 6
  ASSERT_EQ(manager.PrepareRecord(true), kLevelBenign);
  EXPECT_EQ(text(*file, "RAB:NUM"), "1");
  EXPECT_EQ(text(*file, "RAB:KAR"), "6");
  ASSERT_EQ(manager.Insert(), kLevelBenign);
  EXPECT_EQ(records(*file), 5);
  manager.Close();
}

TEST_F(TableManagerTest, DuplicateInsertNamesTheKeyOrStaysQuiet) {
  addDepartments({{1, "Surgery"}});
  auto file = department(true);
  // The station declared one key only; this declaration adds a unique key on the name.
  ASSERT_EQ(call(Operation::Create, *file), 0);
  TableManager manager;
  manage(manager, *file, 0);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  setLong(*file, "OTD:ID", 1);
  setText(*file, "OTD:NAME", "Surgery");
  ASSERT_EQ(manager.Insert(), kLevelBenign);
  setLong(*file, "OTD:ID", 2);
  setText(*file, "OTD:NAME", "Therapy");
  ASSERT_EQ(manager.Insert(), kLevelBenign);
  setLong(*file, "OTD:ID", 3);
  setText(*file, "OTD:NAME", "Surgery");
  EXPECT_EQ(manager.Insert(), kLevelNotify);
  EXPECT_EQ(boxTexts(),
            std::vector<std::string>{"Adding this record creates a duplicate entry for the key: Name of "
                                     "department"});
  EXPECT_EQ(manager.InsertQuiet(), kLevelNotify);
  EXPECT_EQ(manager.SelectThreadState().LASTERROR, 13);
  EXPECT_EQ(boxes().size(), 1u);
  storage.driver().fail(Operation::Add, "OTDELENI", 94);
  setText(*file, "OTD:NAME", "Neurology");
  EXPECT_EQ(manager.Insert(), kLevelNotify);
  EXPECT_EQ(boxes().back().text,
            "An error was experienced during the creation of a record. Error: Record Limit Exceeded (94).");
  EXPECT_EQ(records(*file), 2);
  manager.Close();
}

TEST_F(TableManagerTest, ChangeCollisionShowsId7AndRedisplaysTheOtherStationsValues) {
  addDepartments({{1, "Surgery"}});
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  manager.PRIMARYKEY = 1;
  ASSERT_EQ(manager.Open(), kLevelBenign);
  setLong(*file, "OTD:ID", 1);
  ASSERT_EQ(call(Operation::Watch, *file), 0);
  ASSERT_EQ(manager.Fetch(file->key("OTD:ID_KEY")), kLevelBenign);

  auto other = department();
  ASSERT_EQ(call(Operation::Open, *other), 0);
  setLong(*other, "OTD:ID", 1);
  ASSERT_EQ(call(Operation::GetFileKey, *other, other->key("OTD:ID_KEY")), 0);
  setText(*other, "OTD:NAME", "Other station");
  ASSERT_EQ(call(Operation::Put, *other), 0);

  setText(*file, "OTD:NAME", "Mine");
  EXPECT_EQ(manager.Update(2), kLevelNotify);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].caption, "Record Was Not Updated");
  EXPECT_EQ(
      boxes()[0].text,
      "This record was changed by another station. Those changes will now be displayed. Use the Ditto Button "
      "or Ctrl+' to recall your changes.");
  EXPECT_EQ(text(*file, "OTD:NAME"), "Other station");
  // The re-read armed the watch again: a change now goes through.
  setText(*file, "OTD:NAME", "Mine");
  EXPECT_EQ(manager.Update(1), kLevelBenign);
  call(Operation::Close, *other);
  manager.Close();
}

TEST_F(TableManagerTest, OtherUpdateFailuresShowId25) {
  addDepartments({{1, "A"}, {2, "B"}});
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  setLong(*file, "OTD:ID", 2);
  ASSERT_EQ(manager.Fetch(file->key("OTD:ID_KEY")), kLevelBenign);
  setLong(*file, "OTD:ID", 1);  // such a number already exists
  EXPECT_EQ(manager.UpdateQuiet(), kLevelNotify);
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(manager.Update(1), kLevelNotify);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].caption, platform::ru("Запись изменить нельзя"));
  EXPECT_EQ(boxes()[0].text, platform::ru("Такой номер уже существует."));
  manager.Close();
}

class RejectsSecondField : public TableManager {
 public:
  Level CheckField(std::size_t field_number) override {
    checked.push_back(field_number);
    return field_number == 2 ? kLevelNotify : kLevelBenign;
  }
  std::vector<std::size_t> checked;
};

TEST_F(TableManagerTest, ValidationStopsAtTheFirstFailingFieldAndNothingIsWritten) {
  addDepartments({});
  auto file = department();
  RejectsSecondField manager;
  manage(manager, *file, 0);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  std::size_t failed = 0;
  EXPECT_EQ(manager.CheckRecord(failed), kLevelNotify);
  EXPECT_EQ(failed, 2u);
  EXPECT_EQ(manager.checked, (std::vector<std::size_t>{1, 2}));
  EXPECT_EQ(manager.Insert(), kLevelNotify);
  EXPECT_EQ(records(*file), 0);
  manager.Close();
}

TEST_F(TableManagerTest, SavedStatesComeBackInnermostFirstWithTheirPlaceInTheFile) {
  addDepartments({{1, "A"}, {2, "B"}, {3, "C"}});
  auto file = department();
  file->addMemo("OTD:NOTE", 100);
  TableManager manager;
  manage(manager, *file);
  ASSERT_EQ(call(Operation::Open, *file), 47);  // the memo changes the declaration
  file = department();
  manage(manager, *file);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  ASSERT_EQ(call(Operation::SetKey, *file, file->key("OTD:ID_KEY")), 0);
  ASSERT_EQ(manager.Next(), kLevelBenign);  // A
  const std::int32_t outer = manager.SaveFileState();
  ASSERT_EQ(manager.Next(), kLevelBenign);  // B
  const std::int32_t inner = manager.SaveFileState();
  ASSERT_EQ(manager.Next(), kLevelBenign);  // C
  EXPECT_GT(inner, outer);
  EXPECT_TRUE(manager.RestoreFileState(inner));
  EXPECT_EQ(text(*file, "OTD:NAME"), "B");
  ASSERT_EQ(manager.Next(), kLevelBenign);
  EXPECT_EQ(text(*file, "OTD:NAME"), "C");
  EXPECT_TRUE(manager.RestoreFileState(outer));
  EXPECT_EQ(text(*file, "OTD:NAME"), "A");
  ASSERT_EQ(manager.Next(), kLevelBenign);
  EXPECT_EQ(text(*file, "OTD:NAME"), "B");
  EXPECT_FALSE(manager.RestoreFileState(outer));  // released
  EXPECT_TRUE(manager.SAVED.empty());
  EXPECT_TRUE(manager.BUFFERS.empty());
  manager.Close();
}

TEST_F(TableManagerTest, RestoredStateHoldsAndWatchesTheRecordAgainWhenItWasSo) {
  addDepartments({{1, "A"}, {2, "B"}});
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  ASSERT_EQ(call(Operation::SetKey, *file, file->key("OTD:ID_KEY")), 0);
  ASSERT_EQ(manager.Next(), kLevelBenign);
  const std::int32_t plain = manager.SaveFileState();
  const std::int32_t held = manager.SaveFileState();
  manager.SAVED.back().WHELD = 1;
  manager.SAVED.back().WWATCH = 1;
  ASSERT_EQ(manager.Next(), kLevelBenign);

  auto& calls = storage.driver().calls;
  calls.clear();
  ASSERT_TRUE(manager.RestoreFileState(held));
  std::vector<Operation> made;
  for (const auto& c : calls) made.push_back(c.operation);
  EXPECT_EQ(made, (std::vector<Operation>{Operation::ResetKey, Operation::HoldFile, Operation::Watch,
                                          Operation::Next}));
  EXPECT_EQ(text(*file, "OTD:NAME"), "A");

  calls.clear();
  ASSERT_TRUE(manager.RestoreFileState(plain));
  EXPECT_EQ(storage.driver().count(Operation::HoldFile, "OTDELENI"), 0);
  EXPECT_EQ(storage.driver().count(Operation::Watch, "OTDELENI"), 0);
  manager.Close();
}

TEST_F(TableManagerTest, SameAsSavedSeesRecordAndMemoChanges) {
  auto file = department();
  file->addMemo("OTD:NOTE", 100);
  TableManager manager;
  manage(manager, *file);
  setText(*file, "OTD:NAME", "A");
  file->file().memo_values[0] = {'x'};
  const std::int32_t id = manager.SnapshotRecord();
  EXPECT_TRUE(manager.SameAsSaved(id));
  file->file().memo_values[0] = {'y'};
  EXPECT_FALSE(manager.SameAsSaved(id));
  file->file().memo_values[0] = {'x'};
  setText(*file, "OTD:NAME", "B");
  EXPECT_FALSE(manager.SameAsSaved(id));
  EXPECT_TRUE(manager.RestoreSnapshot(id, false));
  EXPECT_EQ(text(*file, "OTD:NAME"), "A");
  EXPECT_TRUE(manager.SameAsSaved(id));
  EXPECT_TRUE(manager.RestoreSnapshot(id, true));
  EXPECT_FALSE(manager.SameAsSaved(id));
  EXPECT_FALSE(manager.RestoreSnapshot(id));
}

TEST_F(TableManagerTest, AliasDelegatesPrimingAndValidationAndCopiesTheRecord) {
  auto real = department();
  auto alias = department();
  RejectsSecondField real_manager;
  manage(real_manager, *real, 0);
  TableManager alias_manager;
  manage(alias_manager, *alias, 0);
  alias_manager.ALIASEDFILE = &real_manager;
  setText(*real, "OTD:NAME", "from the real file");
  EXPECT_EQ(alias_manager.PrepareRecord(true), kLevelBenign);
  EXPECT_EQ(text(*alias, "OTD:NAME"), "from the real file");
  std::size_t failed = 0;
  EXPECT_EQ(alias_manager.CheckRecord(failed), kLevelNotify);
  EXPECT_EQ(failed, 2u);
}

}  // namespace
}  // namespace veltrano::framework
