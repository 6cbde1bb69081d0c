// Referential integrity over storage files on disk: departments → cards → work history, each
// change framed in a transaction over the three files by the program's own driver. What a
// failed delete leaves is read back after every file is closed, through new control blocks.
#include <filesystem>

#include "framework/manager_test_fixture.h"
#include "framework/relation_guard.h"
#include "platform/fault_injection.h"

namespace veltrano::framework {
namespace {

using storage::Operation;
using testing::ManagerTest;
using Strings = std::vector<std::string>;

struct Table {
  const char* label;
  const char* id;    // the primary key's field
  const char* link;  // the field that points at the parent; null for the top file
};
constexpr Table kDepartments{"OTDELENI", "OTD:ID", nullptr};
constexpr Table kCards{"KARTA", "KAR:ID", "KAR:OTD"};
constexpr Table kHistory{"RABOTA", "RAB:ID", "RAB:KAR"};

class RelationGuardDiskTest : public ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    otdeleni = declare(kDepartments);
    karta = declare(kCards);
    rabota = declare(kHistory);
    for (auto* file : {otdeleni.get(), karta.get(), rabota.get()}) {
      ASSERT_EQ(call(Operation::Create, *file), 0);
    }
    manage(otd_manager, *otdeleni, kDepartments);
    manage(kar_manager, *karta, kCards);
    manage(rab_manager, *rabota, kHistory);
    for (TableManager* manager : {&otd_manager, &kar_manager, &rab_manager}) {
      ASSERT_EQ(manager->Open(), kLevelBenign);
    }
    add(*otdeleni, kDepartments, 1, 0);
    add(*otdeleni, kDepartments, 2, 0);
    add(*karta, kCards, 10, 1);
    add(*karta, kCards, 11, 1);
    add(*karta, kCards, 12, 2);
    add(*rabota, kHistory, 100, 10);
    add(*rabota, kHistory, 101, 10);
    add(*rabota, kHistory, 102, 11);
    add(*rabota, kHistory, 103, 12);
  }
  void TearDown() override {
    closeAll();
    ManagerTest::TearDown();
  }

  std::unique_ptr<storage::DeclaredFile> declare(const Table& table) {
    runtime::RecordLayoutBuilder fields;
    fields.scalar(table.id, runtime::TypeCode::Long);
    if (table.link != nullptr) fields.scalar(table.link, runtime::TypeCode::Long);
    auto file = disk.declare(table.label, fields.build());
    file->addKey(std::string(table.id) + "_KEY", {table.id}, storage::kKeyPrimary);
    if (table.link != nullptr) file->addKey(std::string(table.link) + "_KEY", {table.link}, storage::kKeyDup);
    return file;
  }
  void manage(TableManager& manager, storage::DeclaredFile& file, const Table& table) {
    manager.Init(&file.file(), &errors);
    manager.FILENAMEVALUE = table.label;
    manager.PRIMARYKEY = 1;
    ASSERT_TRUE(manager.RegisterKey(file.key(std::string(table.id) + "_KEY"), table.id));
  }
  void add(storage::DeclaredFile& file, const Table& table, int id, int parent) {
    setLong(file, table.id, id);
    if (table.link != nullptr) setLong(file, table.link, parent);
    ASSERT_EQ(call(Operation::Add, file), 0);
  }
  FieldRef field(storage::DeclaredFile& file, const char* name) {
    return fieldOf(file.layout(), file.record(), static_cast<std::size_t>(file.layout().find(name)));
  }
  // Departments cascade to cards; cards to their history by `history_mode`.
  void relate(std::uint8_t history_mode) {
    otd_guard.Init(&otd_manager, true);
    otd_guard.RegisterRelation(&kar_guard, kModeNone, kModeCascade, karta->key("KAR:OTD_KEY"));
    ASSERT_TRUE(otd_guard.RegisterRelationLink(field(*otdeleni, "OTD:ID"), field(*karta, "KAR:OTD")));
    kar_guard.Init(&kar_manager, true);
    kar_guard.RegisterRelation(&otd_guard);
    kar_guard.RegisterRelation(&rab_guard, kModeNone, history_mode, rabota->key("RAB:KAR_KEY"));
    ASSERT_TRUE(kar_guard.RegisterRelationLink(field(*karta, "KAR:ID"), field(*rabota, "RAB:KAR")));
    rab_guard.Init(&rab_manager, true);
    rab_guard.RegisterRelation(&kar_guard);
  }
  void readDepartment(int id) {
    setLong(*otdeleni, "OTD:ID", id);
    ASSERT_EQ(otd_manager.Fetch(otdeleni->key("OTD:ID_KEY")), kLevelBenign);
  }
  void closeAll() {
    for (TableManager* manager : {&otd_manager, &kar_manager, &rab_manager}) {
      while (manager->SelectThreadState().OPENED > 0) manager->Close();
    }
  }
  // The ids in a file after every manager has closed it, read through a new control block.
  Strings onDisk(const Table& table) {
    auto file = declare(table);
    Strings ids;
    if (call(Operation::Open, *file) != 0) return {"<not opened>"};
    if (call(Operation::SetKey, *file, file->key(std::string(table.id) + "_KEY")) == 0) {
      while (call(Operation::Next, *file) == 0) ids.push_back(text(*file, table.id));
    }
    call(Operation::Close, *file);
    return ids;
  }
  void expectEveryRecordKept() {
    closeAll();
    EXPECT_EQ(onDisk(kDepartments), (Strings{"1", "2"}));
    EXPECT_EQ(onDisk(kCards), (Strings{"10", "11", "12"}));
    EXPECT_EQ(onDisk(kHistory), (Strings{"100", "101", "102", "103"}));
  }

  // Every storage file of the test is opened through it, so that a write can be made to fail.
  platform::FaultInjectingFileSystem faults;
  platform::FileSystemOverride installed_faults{faults};
  testing::DiskStorage disk;
  std::unique_ptr<storage::DeclaredFile> otdeleni, karta, rabota;
  TableManager otd_manager, kar_manager, rab_manager;
  RelationGuard otd_guard, kar_guard, rab_guard;
};

TEST_F(RelationGuardDiskTest, CascadeDeleteRemovesChildrenAndGrandchildrenFromTheFiles) {
  relate(kModeCascade);
  readDepartment(1);
  EXPECT_EQ(otd_guard.Delete(false), kLevelBenign);
  EXPECT_TRUE(boxes().empty());
  closeAll();
  EXPECT_EQ(onDisk(kDepartments), Strings{"2"});
  EXPECT_EQ(onDisk(kCards), Strings{"12"});
  EXPECT_EQ(onDisk(kHistory), Strings{"103"});
}

TEST_F(RelationGuardDiskTest, RestrictTwoLevelsDownUndoesTheCascadeAboveItAndOffersToRetry) {
  relate(kModeRestrict);
  readDepartment(1);
  engine.queueMessageBoxAnswer(ui::kButtonOk);   // referenced
  engine.queueMessageBoxAnswer(ui::kButtonYes);  // try again?
  engine.queueMessageBoxAnswer(ui::kButtonOk);   // referenced
  engine.queueMessageBoxAnswer(ui::kButtonNo);   // give up
  EXPECT_EQ(otd_guard.Delete(false), kLevelNotify);
  const std::string referenced =
      "This record is referenced from the file RABOTA. This record cannot be deleted while these references "
      "exist.";
  const std::string retry =
      "An error was experienced deleting this record. Do you want to try to delete it again?";
  EXPECT_EQ(boxTexts(), (Strings{referenced, retry, referenced, retry}));
  EXPECT_EQ(disk.driver().count(Operation::Rollback, "OTDELENI"), 2);
  // Each attempt opened the files for itself and closed them again.
  EXPECT_EQ(otd_manager.SelectThreadState().OPENED, 1);
  EXPECT_EQ(kar_manager.SelectThreadState().OPENED, 1);
  expectEveryRecordKept();
}

TEST_F(RelationGuardDiskTest, FailureHalfWayThroughACascadeLeavesEveryFileAsBefore) {
  relate(kModeCascade);
  readDepartment(1);
  // Card 10 and its history go; deleting card 11 fails.
  disk.driver().fail(Operation::Delete, "KARTA", 94, 1);
  engine.queueMessageBoxAnswer(ui::kButtonOk);
  engine.queueMessageBoxAnswer(ui::kButtonNo);
  EXPECT_EQ(otd_guard.Delete(false), kLevelNotify);
  ASSERT_EQ(boxTexts().size(), 2u);
  EXPECT_EQ(
      boxTexts()[0],
      "An error (Record Limit Exceeded (94)) was experienced when deleting a record from the KARTA file.");
  EXPECT_EQ(disk.driver().count(Operation::Rollback, "OTDELENI"), 1);
  EXPECT_EQ(disk.driver().count(Operation::Commit, "OTDELENI"), 0);
  expectEveryRecordKept();
}

TEST_F(RelationGuardDiskTest, CommitThatCannotWriteChangesNoFileAndTheRetrySucceeds) {
  relate(kModeCascade);
  readDepartment(1);
  faults.resetCount();
  faults.failWrite(1);
  engine.queueMessageBoxAnswer(ui::kButtonOk);   // the transaction could not be completed
  engine.queueMessageBoxAnswer(ui::kButtonYes);  // try again?
  // Should it fail again, the test ends rather than retrying for ever.
  engine.queueMessageBoxAnswer(ui::kButtonOk);
  engine.queueMessageBoxAnswer(ui::kButtonNo);
  EXPECT_EQ(otd_guard.Delete(false), kLevelBenign);
  const auto texts = boxTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].rfind("Error: (", 0), 0u) << texts[0];
  EXPECT_NE(texts[0].find(") attempting to frame the transaction on OTDELENI."), std::string::npos)
      << texts[0];
  EXPECT_EQ(texts[1],
            "An error was experienced deleting this record. Do you want to try to delete it again?");
  closeAll();
  EXPECT_EQ(onDisk(kDepartments), Strings{"2"});
  EXPECT_EQ(onDisk(kCards), Strings{"12"});
  EXPECT_EQ(onDisk(kHistory), Strings{"103"});
}

TEST_F(RelationGuardDiskTest, CommitThatCannotWriteAndIsNotRetriedKeepsEveryRecord) {
  relate(kModeCascade);
  readDepartment(1);
  faults.resetCount();
  faults.failWrite(1);
  engine.queueMessageBoxAnswer(ui::kButtonOk);
  engine.queueMessageBoxAnswer(ui::kButtonNo);
  EXPECT_EQ(otd_guard.Delete(false), kLevelNotify);
  expectEveryRecordKept();
}

}  // namespace
}  // namespace veltrano::framework
