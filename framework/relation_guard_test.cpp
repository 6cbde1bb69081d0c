#include "framework/relation_guard.h"

#include "framework/manager_test_fixture.h"
#include "platform/codepage.h"

namespace veltrano::framework {
namespace {

using storage::Operation;
using testing::ManagerTest;

// Departments → employees' cards → work history, each link on the parent's number.
class RelationGuardTest : public ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    runtime::RecordLayoutBuilder otd;
    otd.scalar("OTD:ID", runtime::TypeCode::Long).string("OTD:NAME", 20);
    otdeleni = storage.declare("OTDELENI", otd.build());
    otdeleni->addKey("OTD:ID_KEY", {"+OTD:ID"}, storage::kKeyPrimary);
    runtime::RecordLayoutBuilder kar;
    kar.scalar("KAR:ID", runtime::TypeCode::Long)
        .scalar("KAR:OTD", runtime::TypeCode::Long)
        .string("KAR:FAM", 20);
    karta = storage.declare("KARTA", kar.build());
    karta->addKey("KAR:ID_KEY", {"+KAR:ID"}, storage::kKeyPrimary);
    karta->addKey("KAR:OTD_KEY", {"+KAR:OTD"}, storage::kKeyDup);
    runtime::RecordLayoutBuilder rab;
    rab.scalar("RAB:ID", runtime::TypeCode::Long)
        .scalar("RAB:KAR", runtime::TypeCode::Long)
        .string("RAB:T", 10);
    rabota = storage.declare("RABOTA", rab.build());
    rabota->addKey("RAB:ID_KEY", {"+RAB:ID"}, storage::kKeyPrimary);
    rabota->addKey("RAB:KAR_KEY", {"+RAB:KAR"}, storage::kKeyDup);

    for (auto* file : {otdeleni.get(), karta.get(), rabota.get()}) {
      ASSERT_EQ(call(Operation::Create, *file), 0);
    }
    manage(otd_manager, *otdeleni, "OTD:ID_KEY");
    manage(kar_manager, *karta, "KAR:ID_KEY");
    manage(rab_manager, *rabota, "RAB:ID_KEY");
    ASSERT_TRUE(kar_manager.RegisterKey(karta->key("KAR:OTD_KEY"), "KAR:OTD_KEY"));
    ASSERT_TRUE(rab_manager.RegisterKey(rabota->key("RAB:KAR_KEY"), "RAB:KAR_KEY"));

    ASSERT_EQ(otd_manager.Open(), kLevelBenign);
    ASSERT_EQ(kar_manager.Open(), kLevelBenign);
    ASSERT_EQ(rab_manager.Open(), kLevelBenign);
    add(*otdeleni, {{"OTD:ID", 1}}, "Surgery");
    add(*otdeleni, {{"OTD:ID", 2}}, "Therapy");
    add(*karta, {{"KAR:ID", 10}, {"KAR:OTD", 1}}, "Ivanov");
    add(*karta, {{"KAR:ID", 11}, {"KAR:OTD", 1}}, "Petrov");
    add(*karta, {{"KAR:ID", 12}, {"KAR:OTD", 2}}, "Sidorov");
    add(*rabota, {{"RAB:ID", 100}, {"RAB:KAR", 10}}, "a");
    add(*rabota, {{"RAB:ID", 101}, {"RAB:KAR", 10}}, "b");
    add(*rabota, {{"RAB:ID", 102}, {"RAB:KAR", 11}}, "c");
    add(*rabota, {{"RAB:ID", 103}, {"RAB:KAR", 12}}, "d");
  }
  void TearDown() override {
    otd_manager.Close();
    kar_manager.Close();
    rab_manager.Close();
    ManagerTest::TearDown();
  }

  void manage(TableManager& manager, storage::DeclaredFile& file, const char* primary) {
    manager.Init(&file.file(), &errors);
    manager.FILENAMEVALUE = file.file().label;
    ASSERT_TRUE(manager.RegisterKey(file.key(primary), primary));
    manager.PRIMARYKEY = 1;
  }
  void add(storage::DeclaredFile& file, std::vector<std::pair<std::string, int>> numbers,
           const std::string& name) {
    for (const auto& [field, value] : numbers) setLong(file, field, value);
    setText(file, file.layout().field(file.layout().fieldCount() - 1).name, name);
    ASSERT_EQ(call(Operation::Add, file), 0);
  }
  FieldRef field(storage::DeclaredFile& file, const char* name) {
    return fieldOf(file.layout(), file.record(), static_cast<std::size_t>(file.layout().find(name)));
  }
  void relate(std::uint8_t update_mode, std::uint8_t delete_mode, bool use_logout = true) {
    otd_guard.Init(&otd_manager, use_logout);
    otd_guard.RegisterRelation(&kar_guard, update_mode, delete_mode, karta->key("KAR:OTD_KEY"));
    ASSERT_TRUE(otd_guard.RegisterRelationLink(field(*otdeleni, "OTD:ID"), field(*karta, "KAR:OTD")));
    kar_guard.Init(&kar_manager, use_logout);
    kar_guard.RegisterRelation(&otd_guard);
    kar_guard.RegisterRelation(&rab_guard, update_mode, delete_mode, rabota->key("RAB:KAR_KEY"));
    ASSERT_TRUE(kar_guard.RegisterRelationLink(field(*karta, "KAR:ID"), field(*rabota, "RAB:KAR")));
    rab_guard.Init(&rab_manager, use_logout);
    rab_guard.RegisterRelation(&kar_guard);
  }
  // Reads department `id` as a window would before changing or deleting it.
  void readDepartment(int id) {
    setLong(*otdeleni, "OTD:ID", id);
    ASSERT_EQ(otd_manager.Fetch(otdeleni->key("OTD:ID_KEY")), kLevelBenign);
    otd_guard.SaveLinkValues();
  }
  std::vector<std::string> cardsOf() { return column(*karta, karta->key("KAR:ID_KEY"), "KAR:OTD"); }
  std::vector<std::string> ids(storage::DeclaredFile& file, const char* key, const char* name) {
    return column(file, file.key(key), name);
  }
  using Strings = std::vector<std::string>;

  std::unique_ptr<storage::DeclaredFile> otdeleni, karta, rabota;
  TableManager otd_manager, kar_manager, rab_manager;
  RelationGuard otd_guard, kar_guard, rab_guard;
};

TEST_F(RelationGuardTest, OpenAndCloseWalkTheGraphOnceThroughItsCycles) {
  relate(kModeNone, kModeCascade);
  ASSERT_EQ(kar_guard.Open(), kLevelBenign);
  EXPECT_EQ(otd_manager.SelectThreadState().OPENED, 2);
  EXPECT_EQ(kar_manager.SelectThreadState().OPENED, 2);
  EXPECT_EQ(rab_manager.SelectThreadState().OPENED, 2);
  kar_guard.Close();
  EXPECT_EQ(otd_manager.SelectThreadState().OPENED, 1);
  EXPECT_EQ(rab_manager.SelectThreadState().OPENED, 1);
}

TEST_F(RelationGuardTest, AFailedOpenClosesWhatTheWalkOpened) {
  relate(kModeNone, kModeCascade);
  runtime::RecordLayoutBuilder fields;
  fields.scalar("NOW:ID", runtime::TypeCode::Long);
  auto missing = storage.declare("NOWHERE", fields.build());
  TableManager missing_manager;
  missing_manager.Init(&missing->file(), &errors);
  missing_manager.FILENAMEVALUE = "NOWHERE";
  RelationGuard missing_guard;
  missing_guard.Init(&missing_manager, false);
  rab_guard.RegisterRelation(&missing_guard);
  EXPECT_EQ(otd_guard.Open(), kLevelFatal);
  EXPECT_EQ(otd_manager.SelectThreadState().OPENED, 1);
  EXPECT_EQ(kar_manager.SelectThreadState().OPENED, 1);
  EXPECT_EQ(rab_manager.SelectThreadState().OPENED, 1);
}

TEST_F(RelationGuardTest, RestrictedDeleteKeepsEveryRecordAndOffersToRetry) {
  relate(kModeNone, kModeRestrict);
  readDepartment(1);
  engine.queueMessageBoxAnswer(ui::kButtonYes);  // really delete?
  engine.queueMessageBoxAnswer(ui::kButtonOk);   // referenced
  engine.queueMessageBoxAnswer(ui::kButtonYes);  // try again?
  engine.queueMessageBoxAnswer(ui::kButtonOk);   // referenced
  engine.queueMessageBoxAnswer(ui::kButtonNo);   // give up
  EXPECT_EQ(otd_guard.Delete(true), kLevelNotify);
  const std::string referenced =
      "This record is referenced from the file KARTA. This record cannot be deleted while these references "
      "exist.";
  const std::string retry =
      "An error was experienced deleting this record. Do you want to try to delete it again?";
  const auto texts = boxTexts();
  ASSERT_EQ(texts.size(), 5u);
  EXPECT_EQ(boxes()[0].caption, platform::ru("Подтверждение удаления"));
  EXPECT_EQ(texts[1], referenced);
  EXPECT_EQ(texts[2], retry);
  EXPECT_EQ(texts[3], referenced);
  EXPECT_EQ(texts[4], retry);
  EXPECT_EQ(records(*otdeleni), 2);
  EXPECT_EQ(records(*karta), 3);
  EXPECT_EQ(otd_manager.SelectThreadState().OPENED, 1);  // the test's own open only
}

TEST_F(RelationGuardTest, DeleteNotConfirmedChangesNothing) {
  relate(kModeNone, kModeCascade);
  readDepartment(1);
  engine.queueMessageBoxAnswer(ui::kButtonNo);
  EXPECT_EQ(otd_guard.Delete(true), kLevelNotify);
  EXPECT_EQ(records(*otdeleni), 2);
  EXPECT_EQ(records(*karta), 3);
}

TEST_F(RelationGuardTest, CascadeDeleteRemovesChildrenAndTheirChildrenFirst) {
  relate(kModeNone, kModeCascade);
  readDepartment(1);
  EXPECT_EQ(otd_guard.Delete(false), kLevelBenign);
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(ids(*otdeleni, "OTD:ID_KEY", "OTD:ID"), Strings{"2"});
  EXPECT_EQ(ids(*karta, "KAR:ID_KEY", "KAR:ID"), Strings{"12"});
  EXPECT_EQ(ids(*rabota, "RAB:ID_KEY", "RAB:ID"), Strings{"103"});
  EXPECT_EQ(storage.driver().count(Operation::Logout, "OTDELENI"), 1);
  EXPECT_EQ(storage.driver().count(Operation::Commit, "OTDELENI"), 1);
}

TEST_F(RelationGuardTest, FailureHalfWayThroughACascadeLeavesEveryFileAsBefore) {
  relate(kModeNone, kModeCascade);
  readDepartment(1);
  // The first card's history and the card go; deleting the second card fails.
  storage.driver().fail(Operation::Delete, "KARTA", 94, 1);
  engine.queueMessageBoxAnswer(ui::kButtonOk);
  engine.queueMessageBoxAnswer(ui::kButtonNo);
  EXPECT_EQ(otd_guard.Delete(false), kLevelNotify);
  const auto texts = boxTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(
      texts[0],
      "An error (Record Limit Exceeded (94)) was experienced when deleting a record from the KARTA file.");
  EXPECT_EQ(storage.driver().count(Operation::Rollback, "OTDELENI"), 1);
  EXPECT_EQ(ids(*otdeleni, "OTD:ID_KEY", "OTD:ID"), (Strings{"1", "2"}));
  EXPECT_EQ(ids(*karta, "KAR:ID_KEY", "KAR:ID"), (Strings{"10", "11", "12"}));
  EXPECT_EQ(ids(*rabota, "RAB:ID_KEY", "RAB:ID"), (Strings{"100", "101", "102", "103"}));
}

TEST_F(RelationGuardTest, CascadeUpdateCarriesTheNewNumberToTheChildren) {
  relate(kModeCascade, kModeCascade);
  readDepartment(1);
  setLong(*otdeleni, "OTD:ID", 5);
  EXPECT_EQ(otd_guard.Update(1), kLevelBenign);
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(ids(*otdeleni, "OTD:ID_KEY", "OTD:ID"), (Strings{"2", "5"}));
  EXPECT_EQ(cardsOf(), (Strings{"5", "5", "2"}));
  EXPECT_EQ(ids(*rabota, "RAB:ID_KEY", "RAB:KAR"), (Strings{"10", "10", "11", "12"}));
}

TEST_F(RelationGuardTest, ClearUpdateBlanksTheChildrensLinks) {
  relate(kModeClear, kModeCascade);
  readDepartment(1);
  setLong(*otdeleni, "OTD:ID", 7);
  EXPECT_EQ(otd_guard.Update(1), kLevelBenign);
  EXPECT_EQ(cardsOf(), (Strings{"0", "0", "2"}));
}

TEST_F(RelationGuardTest, RestrictedUpdateRollsBackAndPutsTheOldLinkBack) {
  relate(kModeRestrict, kModeCascade);
  readDepartment(1);
  setLong(*otdeleni, "OTD:ID", 5);
  EXPECT_NE(otd_guard.Update(1), kLevelBenign);
  EXPECT_EQ(boxTexts(),
            Strings{"This record is referenced from the file KARTA. Linking field(s) have been restricted "
                    "from change and have been reset to original values."});
  EXPECT_EQ(text(*otdeleni, "OTD:ID"), "1");
  EXPECT_EQ(ids(*otdeleni, "OTD:ID_KEY", "OTD:ID"), (Strings{"1", "2"}));
  EXPECT_EQ(cardsOf(), (Strings{"1", "1", "2"}));
}

TEST_F(RelationGuardTest, TransactionThatCannotBeFramedChangesNothing) {
  relate(kModeCascade, kModeCascade);
  readDepartment(1);
  storage.driver().fail(Operation::Logout, "OTDELENI", 56);
  setLong(*otdeleni, "OTD:ID", 5);
  EXPECT_EQ(otd_guard.Update(1), kLevelNotify);
  EXPECT_EQ(boxTexts(),
            Strings{"Error: (LOGOUT Already Active (56)) attempting to frame the transaction on OTDELENI."});
  EXPECT_EQ(cardsOf(), (Strings{"1", "1", "2"}));
  EXPECT_EQ(kar_manager.SelectThreadState().OPENED, 1);
}

TEST_F(RelationGuardTest, QuickScanReachesTheChosenRelations) {
  relate(kModeNone, kModeCascade);
  kar_guard.EnableQuickScan(true, 1);  // unkeyed only: the department, not the history
  EXPECT_EQ(storage.driver().sent("KARTA"), Strings{"QUICKSCAN=on"});
  EXPECT_EQ(storage.driver().sent("OTDELENI"), Strings{"QUICKSCAN=on"});
  EXPECT_TRUE(storage.driver().sent("RABOTA").empty());
  kar_guard.EnableQuickScan(false, 0);
  EXPECT_EQ(storage.driver().sent("RABOTA"), Strings{"QUICKSCAN=off"});
}

TEST_F(RelationGuardTest, ReleasingAReservedNumberDeletesWithoutAsking) {
  relate(kModeNone, kModeCascade);
  TableManager numbered;
  numbered.Init(&karta->file(), &errors);
  numbered.FILENAMEVALUE = "KARTA";
  numbered.PRIMARYKEY = 1;
  ASSERT_TRUE(numbered.RegisterKey(karta->key("KAR:ID_KEY"), "KAR:ID_KEY", 1));
  RelationGuard guard;
  guard.Init(&numbered, true);
  ASSERT_EQ(guard.Open(), kLevelBenign);
  ASSERT_EQ(numbered.PrepareRecord(), kLevelBenign);
  EXPECT_EQ(text(*karta, "KAR:ID"), "13");
  EXPECT_EQ(records(*karta), 4);
  EXPECT_EQ(guard.ReleaseNumber(), kLevelBenign);
  EXPECT_EQ(records(*karta), 3);
  EXPECT_TRUE(boxes().empty());
  guard.Close();
}

}  // namespace
}  // namespace veltrano::framework
