// The table manager over storage files on disk, through the program's own driver: what a clerk
// does must still be in the files after they are closed and opened again by another control
// block, as after a restart of the program.
#include <filesystem>

#include "framework/manager_test_fixture.h"
#include "framework/table_manager.h"

namespace veltrano::framework {
namespace {

using storage::Operation;
using testing::ManagerTest;
using Strings = std::vector<std::string>;

class TableManagerDiskTest : public ManagerTest {
 protected:
  void TearDown() override {
    for (auto& file : stations_) call(Operation::Close, *file);
    stations_.clear();
    ManagerTest::TearDown();
  }

  std::unique_ptr<storage::DeclaredFile> department() {
    runtime::RecordLayoutBuilder fields;
    fields.scalar("OTD:ID", runtime::TypeCode::Long).string("OTD:NAME", 20);
    auto file = disk.declare("OTDELENI", fields.build());
    file->addKey("OTD:ID_KEY", {"+OTD:ID"}, storage::kKeyPrimary);
    return file;
  }
  void manage(TableManager& manager, storage::DeclaredFile& file) {
    manager.Init(&file.file(), &errors);
    manager.FILENAMEVALUE = "OTDELENI";
    manager.LOCKRECOVER = 10;
    manager.PRIMARYKEY = 1;
    ASSERT_TRUE(manager.RegisterKey(file.key("OTD:ID_KEY"), "OTD:ID_KEY", 1));
  }
  // Another station's control block, open until the test ends.
  storage::DeclaredFile& station() {
    stations_.push_back(department());
    EXPECT_EQ(call(Operation::Open, *stations_.back()), 0);
    return *stations_.back();
  }
  void addDepartments(const std::vector<std::pair<int, std::string>>& rows, Operation add = Operation::Add) {
    auto file = department();
    if (!std::filesystem::exists(disk.pathOf("OTDELENI"))) {
      ASSERT_EQ(call(Operation::Create, *file), 0);
    }
    ASSERT_EQ(call(Operation::Open, *file), 0);
    for (const auto& [id, name] : rows) {
      setLong(*file, "OTD:ID", id);
      setText(*file, "OTD:NAME", name);
      ASSERT_EQ(call(add, *file), 0);
    }
    ASSERT_EQ(call(Operation::Close, *file), 0);
  }
  // "id name" of every record in key order, read through a control block opened for the
  // purpose and closed again.
  Strings onDisk() {
    auto file = department();
    Strings rows;
    if (call(Operation::Open, *file) != 0) return {"<not opened>"};
    if (call(Operation::SetKey, *file, file->key("OTD:ID_KEY")) == 0) {
      while (call(Operation::Next, *file) == 0)
        rows.push_back(text(*file, "OTD:ID") + " " + text(*file, "OTD:NAME"));
    }
    call(Operation::Close, *file);
    return rows;
  }

  testing::DiskStorage disk;

 private:
  std::vector<std::unique_ptr<storage::DeclaredFile>> stations_;
};

TEST_F(TableManagerDiskTest, MissingFileStaysMissingWithoutCreateAndIsMadeWithIt) {
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  EXPECT_EQ(manager.Open(), kLevelFatal);
  EXPECT_EQ(boxTexts(), Strings{"File (OTDELENI) could not be opened.  Error: File Not Found (2).  Press OK "
                                "to end this application"});
  EXPECT_FALSE(std::filesystem::exists(disk.pathOf("OTDELENI")));
  EXPECT_EQ(manager.SelectThreadState().OPENED, 0);

  manager.CREATE = 1;
  ASSERT_EQ(manager.Open(), kLevelBenign);
  EXPECT_EQ(boxes().size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(disk.pathOf("OTDELENI")));
  ASSERT_EQ(manager.PrepareRecord(), kLevelBenign);
  setText(*file, "OTD:NAME", "Surgery");
  ASSERT_EQ(manager.Insert(), kLevelBenign);
  manager.Close();
  EXPECT_EQ(manager.SelectThreadState().USED, 0);
  EXPECT_EQ(onDisk(), Strings{"1 Surgery"});
}

TEST_F(TableManagerDiskTest, FileThatRefusesWritingIsOpenedReadOnlyAfterOneMessage) {
  addDepartments({{1, "Surgery"}});
  testing::WriteRefusingFileSystem refusing(disk.pathOf("OTDELENI"));
  auto installed_files = std::make_unique<platform::FileSystemOverride>(refusing);
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  EXPECT_EQ(boxTexts(), Strings{"Could not get write access to OTDELENI so trying read-only."});
  EXPECT_EQ(refusing.refusals, 2);  // the first open and the one after the recover command
  EXPECT_EQ(disk.driver().sent("OTDELENI"), Strings{"Recover=10"});
  EXPECT_EQ(manager.OPENMODE & 0x0F, 0);
  ASSERT_EQ(call(Operation::SetFile, *file), 0);
  EXPECT_EQ(manager.Next(), kLevelBenign);
  EXPECT_EQ(text(*file, "OTD:NAME"), "Surgery");
  // Reading works; writing is refused by the driver and nothing reaches the file.
  engine.queueMessageBoxAnswer(ui::kButtonNo);
  EXPECT_EQ(manager.PrepareRecord(), kLevelNotify);
  EXPECT_EQ(
      boxTexts().back(),
      "Attempts to automatically number this record have failed.  Error: Access Denied (5). Try Again?");
  EXPECT_EQ(manager.SelectThreadState().AUTOINCDONE, 0);
  manager.Close();
  installed_files.reset();
  EXPECT_EQ(onDisk(), Strings{"1 Surgery"});
}

TEST_F(TableManagerDiskTest, NumbersOneAndFortyTwoSurviveCloseAndReopen) {
  {
    auto file = department();
    TableManager manager;
    manage(manager, *file);
    manager.CREATE = 1;
    ASSERT_EQ(manager.Open(), kLevelBenign);
    ASSERT_EQ(manager.PrepareRecord(), kLevelBenign);
    EXPECT_EQ(text(*file, "OTD:ID"), "1");
    setText(*file, "OTD:NAME", "First");
    ASSERT_EQ(manager.Insert(), kLevelBenign);
    manager.Close();
    manager.Kill();
  }
  std::vector<std::pair<int, std::string>> more;
  for (int id = 2; id <= 41; ++id) more.emplace_back(id, "x");
  addDepartments(more);

  auto file = department();
  TableManager manager;
  manage(manager, *file);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  ASSERT_EQ(manager.PrepareRecord(), kLevelBenign);
  EXPECT_EQ(text(*file, "OTD:ID"), "42");
  setText(*file, "OTD:NAME", "Last");
  ASSERT_EQ(manager.Insert(), kLevelBenign);
  manager.Close();
  const Strings rows = onDisk();
  ASSERT_EQ(rows.size(), 42u);
  EXPECT_EQ(rows.front(), "1 First");
  EXPECT_EQ(rows.back(), "42 Last");
  EXPECT_TRUE(boxes().empty());
}

TEST_F(TableManagerDiskTest, ReservedNumbersAreSeenByOtherStationsAndAnAbandonedOneLeavesNothing) {
  addDepartments({{7, "Kept"}});
  auto mine = department();
  auto theirs = department();
  TableManager first;
  TableManager second;
  manage(first, *mine);
  manage(second, *theirs);
  ASSERT_EQ(first.Open(), kLevelBenign);
  ASSERT_EQ(second.Open(), kLevelBenign);
  ASSERT_EQ(first.PrepareRecord(), kLevelBenign);
  EXPECT_EQ(text(*mine, "OTD:ID"), "8");
  // The reservation is a record in the file: a second control block priming now gets the next.
  ASSERT_EQ(second.PrepareRecord(), kLevelBenign);
  EXPECT_EQ(text(*theirs, "OTD:ID"), "9");
  EXPECT_EQ(first.ReleaseNumber(), kLevelBenign);
  setText(*theirs, "OTD:NAME", "Added");
  ASSERT_EQ(second.Insert(), kLevelBenign);
  first.Close();
  second.Close();
  EXPECT_EQ(onDisk(), (Strings{"7 Kept", "9 Added"}));
}

TEST_F(TableManagerDiskTest, ChangeCollisionBetweenTwoControlBlocksShowsId7AndRereads) {
  addDepartments({{7, "Surgery"}});
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  setLong(*file, "OTD:ID", 7);
  ASSERT_EQ(call(Operation::Watch, *file), 0);
  ASSERT_EQ(manager.Fetch(file->key("OTD:ID_KEY")), kLevelBenign);

  storage::DeclaredFile& other = station();
  setLong(other, "OTD:ID", 7);
  ASSERT_EQ(call(Operation::GetFileKey, other, other.key("OTD:ID_KEY")), 0);
  setText(other, "OTD:NAME", "Theirs");
  ASSERT_EQ(call(Operation::Put, other), 0);

  setText(*file, "OTD:NAME", "Mine");
  EXPECT_EQ(manager.Update(2), kLevelNotify);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text,
            "This record was changed by another station. Those changes will now be displayed. Use the Ditto "
            "Button or Ctrl+' to recall your changes.");
  EXPECT_EQ(manager.SelectThreadState().LASTERROR, 7);
  EXPECT_EQ(text(*file, "OTD:NAME"), "Theirs");
  EXPECT_EQ(onDisk(), Strings{"7 Theirs"});
  // Silent mode says nothing but leaves id 6; the re-read watched the record again, so once the
  // clerk has seen the other values a change goes through.
  setText(other, "OTD:NAME", "Again theirs");
  ASSERT_EQ(call(Operation::Put, other), 0);
  setText(*file, "OTD:NAME", "Mine");
  EXPECT_EQ(manager.Update(0), kLevelNotify);
  EXPECT_EQ(manager.SelectThreadState().LASTERROR, 6);
  EXPECT_EQ(boxes().size(), 1u);
  setText(*file, "OTD:NAME", "Mine");
  EXPECT_EQ(manager.Update(1), kLevelBenign);
  manager.Close();
  EXPECT_EQ(onDisk(), Strings{"7 Mine"});
}

TEST_F(TableManagerDiskTest, KeyThatMustBeRebuiltIsBuiltAndFindsEveryRecord) {
  // Records appended without their key entries: the key lags behind the records until a BUILD.
  addDepartments({{3, "C"}, {1, "A"}, {2, "B"}}, Operation::Append);
  {
    auto before = department();
    ASSERT_EQ(call(Operation::Open, *before), 0);
    storage::OperationArguments key;
    key.key = before->key("OTD:ID_KEY");
    EXPECT_EQ(storage::fileStatement(Operation::RecordsKey, before->file(), key), 0);
    EXPECT_EQ(records(*before), 3);
    // BUILD wants the file to itself.
    call(Operation::Close, *before);
  }
  auto file = department();
  TableManager manager;
  manage(manager, *file);
  // The program's driver keeps its keys inside the storage file and does not itself refuse an
  // open with 46; the refusal is the scripted driver's, the BUILD that follows is real.
  disk.driver().fail(Operation::Open, "OTDELENI", 46);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  EXPECT_EQ(boxTexts(), Strings{"OTDELENI key file is invalid. Key must be rebuilt."});
  EXPECT_EQ(disk.driver().count(Operation::BuildFile, "OTDELENI"), 1);
  EXPECT_EQ(column(*file, file->key("OTD:ID_KEY"), "OTD:NAME"), (Strings{"A", "B", "C"}));
  manager.Close();
  EXPECT_EQ(onDisk(), (Strings{"1 A", "2 B", "3 C"}));
}

}  // namespace
}  // namespace veltrano::framework
