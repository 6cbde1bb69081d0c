#include "app/dictionary/dictionary.h"

#include <gtest/gtest.h>

#include "app/dictionary/dictionary_test_support.h"
#include "framework/thread_number.h"

namespace veltrano::app {
namespace {

using testing::DictionaryTest;

TEST(DictionaryDeclarations, EveryFileIsDeclaredFromItsTableEntry) {
  storage::MemoryCatalog catalog;
  storage::WendlockDriver driver(catalog);
  for (const auto& spec : dictionaryFiles()) {
    auto file = declareDictionaryFile(spec, driver);
    const storage::FileControlBlock& block = file->file();
    EXPECT_EQ(block.label, spec.label);
    EXPECT_FALSE(block.external_name.has_value()) << spec.label;  // the label names the storage file
    EXPECT_EQ(block.attributes,
              storage::kFileCreate | storage::kFileReclaim | storage::kFileThread | storage::kFileOem);
    ASSERT_EQ(block.keys.size(), spec.keys.size()) << spec.label;
    for (std::size_t k = 0; k < spec.keys.size(); ++k) {
      const storage::KeyDescriptor& key = *block.keys[k];
      EXPECT_EQ(key.label, spec.keys[k].label);
      EXPECT_NE(key.attributes & storage::kKeyOpt, 0u) << key.label;
      EXPECT_NE(key.attributes & storage::kKeyNocase, 0u) << key.label;
      EXPECT_EQ((key.attributes & storage::kKeyPrimary) != 0, spec.keys[k].unique) << key.label;
      EXPECT_EQ((key.attributes & storage::kKeyDup) != 0, !spec.keys[k].unique) << key.label;
      ASSERT_EQ(key.components.size(), spec.keys[k].components.size()) << key.label;
      for (std::size_t c = 0; c < key.components.size(); ++c) {
        ASSERT_GT(key.components[c], 0) << key.label;  // every component ascending
        EXPECT_EQ(file->layout().field(static_cast<std::size_t>(key.components[c] - 1)).name,
                  spec.keys[k].components[c]);
      }
    }
    EXPECT_EQ(block.memos.size(), spec.memo ? 1u : 0u) << spec.label;
  }
  auto karta = declareDictionaryFile(*findFileSpec("KARTA"), driver);
  ASSERT_EQ(karta->file().memos.size(), 1u);
  EXPECT_EQ(karta->file().memos[0]->label, "KAR:DOP_SVED");
  EXPECT_EQ(karta->file().memos[0]->size, 1000u);
  auto named = declareDictionaryFile(*findFileSpec("OTVID"), driver, "data");
  EXPECT_EQ(named->file().external_name, "data/OTVID");
}

TEST_F(DictionaryTest, EveryFileIsCreatedAndReopenedWithMatchingDefinitions) {
  for (const auto& spec : dictionaryFiles()) dictionary.manager(spec.label).Close();
  // A second declaration of every file, as another run of the program makes it, opens the
  // stored tables: a definition that differed would refuse the open with 47.
  Dictionary again(driver);
  for (const auto& spec : dictionaryFiles()) {
    storage::OperationArguments open;
    open.access_mode = 0x42;
    storage::fileStatement(storage::Operation::Open, again.file(spec.label).file(), open);
    EXPECT_EQ(runtime::errorCode(), 0) << spec.label;
  }
  for (const auto& spec : dictionaryFiles()) dictionary.manager(spec.label).Open();
}

TEST_F(DictionaryTest, ManagersCarryMessageNamesKeysAndNumbering) {
  EXPECT_EQ(dictionary.manager("OTDELENI").GetName(), "otdelenie");
  EXPECT_EQ(dictionary.manager("SERTIFIK").GetName(), "sertifikat");
  const auto& karta = dictionary.manager("KARTA");
  ASSERT_EQ(karta.KEYS.size(), 6u);
  EXPECT_EQ(karta.KEYS[0].AUTOINC, 1);
  EXPECT_EQ(karta.KEYS[0].DUPS, 0);
  EXPECT_EQ(karta.KEYS[1].DUPS, 1);
  EXPECT_EQ(karta.KEYS[1].NOCASE, 1);
  EXPECT_EQ(karta.CREATE, 1);
  EXPECT_EQ(karta.LOCKRECOVER, 10);
  int numbered = 0;
  for (const auto& spec : dictionaryFiles()) numbered += dictionary.manager(spec.label).HASAUTOINC;
  EXPECT_EQ(numbered, 3);  // KARTA, BOLNICA, OTDELENI
  EXPECT_EQ(dictionary.manager("SOSTAV").HASAUTOINC, 0);
}

TEST_F(DictionaryTest, RelationsGoParentToChildWithCascadeDeleteAndBack) {
  const auto& karta = dictionary.guard("KARTA");
  ASSERT_EQ(karta.RELATIONS.size(), 8u);
  for (const auto& relation : karta.RELATIONS) {
    EXPECT_EQ(relation.UPDATEMODE, framework::kModeNone);
    EXPECT_EQ(relation.DELETEMODE, framework::kModeCascade);
    EXPECT_NE(relation.HISKEY, nullptr);
    EXPECT_EQ(relation.FIELDS.pairs().size(), 1u);
  }
  EXPECT_EQ(karta.RELATIONS[0].FILE, &dictionary.guard("POVYSH"));
  EXPECT_EQ(karta.RELATIONS[0].HISKEY, dictionary.file("POVYSH").key("POV:NUM_KEY"));
  const auto& otdeleni = dictionary.guard("OTDELENI");
  ASSERT_EQ(otdeleni.RELATIONS.size(), 2u);  // back to its subdivision, down to its positions
  EXPECT_EQ(otdeleni.RELATIONS[0].FILE, &dictionary.guard("BOLNICA"));
  EXPECT_EQ(otdeleni.RELATIONS[0].HISKEY, nullptr);
  EXPECT_EQ(otdeleni.RELATIONS[0].DELETEMODE, framework::kModeNone);
  EXPECT_EQ(otdeleni.RELATIONS[1].FILE, &dictionary.guard("POSTT"));
  EXPECT_TRUE(dictionary.guard("GRAGD").RELATIONS.empty());
}

TEST_F(DictionaryTest, CardsAndSubdivisionsAreNumberedAndAppointmentsPrimed) {
  EXPECT_EQ(addCard("Иванов"), 1);
  EXPECT_EQ(addCard("Петрова"), 2);
  addRecord("BOLNICA", [](RecordAccess& r) { r.setText("BOL:NOM", "A"); });
  addRecord("BOLNICA", [](RecordAccess& r) { r.setText("BOL:NOM", "B"); });
  EXPECT_EQ(column("BOLNICA", "BOL:NUM"), (std::vector<std::string>{"1", "2"}));
  addRecord("OTDELENI", [](RecordAccess& r) { r.setInteger("OTD:NUM", 2); });
  EXPECT_EQ(record("OTDELENI").integer("OTD:NUMO"), 1);

  ASSERT_EQ(dictionary.manager("RABOTA").PrepareRecord(), framework::kLevelBenign);
  EXPECT_EQ(record("RABOTA").text("RAB:SOOTVETSTVEI"), ru("да"));
  // Priming is for new records only: a record read back keeps what it holds.
  record("RABOTA").setText("RAB:SOOTVETSTVEI", ru("нет"));
  ASSERT_EQ(dictionary.manager("RABOTA").InsertQuiet(), framework::kLevelBenign);
  EXPECT_EQ(column("RABOTA", "RAB:SOOTVETSTVEI"), std::vector<std::string>{ru("нет")});
}

TEST_F(DictionaryTest, DeletingACardRemovesItsRecordsInAllEightChildFiles) {
  const std::int64_t kept = addCard("Иванов");
  const std::int64_t gone = addCard("Петров");
  const std::vector<std::pair<std::string_view, std::string_view>> children = {
      {"POVYSH", "POV:NUM"}, {"PODGOT", "POD:NUM"},   {"RABOTA", "RAB:NUM"}, {"SOSTAV", "SOS:NUM"},
      {"TRUD", "TRU:NUM"},   {"ATTESTAT", "ATT:NUM"}, {"OTPUSK", "OTP:NUM"}, {"SERTIFIK", "SER:NUM"}};
  std::int64_t member = 0;
  for (const auto& [label, field] : children) {
    for (const std::int64_t employee : {kept, gone, gone}) {
      addRecord(label, [&, f = field](RecordAccess& r) {
        r.setInteger(f, employee);
        if (r.has("SOS:NUMS")) r.setInteger("SOS:NUMS", ++member);
      });
    }
  }
  RecordAccess card = record("KARTA");
  card.setInteger("KAR:NUM", gone);
  ASSERT_EQ(dictionary.manager("KARTA").Fetch(dictionary.file("KARTA").key("KAR:NUM_KEY")),
            framework::kLevelBenign);
  ASSERT_EQ(dictionary.guard("KARTA").Delete(false), framework::kLevelBenign);
  EXPECT_EQ(column("KARTA", "KAR:NUM"), std::vector<std::string>{std::to_string(kept)});
  for (const auto& [label, field] : children) {
    EXPECT_EQ(column(label, field), std::vector<std::string>{std::to_string(kept)}) << label;
  }
}

TEST_F(DictionaryTest, DeletingASubdivisionRemovesItsDepartmentsAndTheirPositions) {
  addRecord("BOLNICA", [](RecordAccess& r) { r.setText("BOL:NOM", "Stays"); });
  addRecord("BOLNICA", [](RecordAccess& r) { r.setText("BOL:NOM", "Goes"); });
  for (const int subdivision : {1, 2, 2}) {
    addRecord("OTDELENI", [&](RecordAccess& r) { r.setInteger("OTD:NUM", subdivision); });
  }
  for (const int department : {1, 2, 3, 3}) {
    addRecord("POSTT", [&](RecordAccess& r) { r.setInteger("POS:NUMO", department); });
  }
  RecordAccess subdivision = record("BOLNICA");
  subdivision.setInteger("BOL:NUM", 2);
  ASSERT_EQ(dictionary.manager("BOLNICA").Fetch(dictionary.file("BOLNICA").key("BOL:NUM_KEY")),
            framework::kLevelBenign);
  ASSERT_EQ(dictionary.guard("BOLNICA").Delete(false), framework::kLevelBenign);
  EXPECT_EQ(column("BOLNICA", "BOL:NOM"), std::vector<std::string>{"Stays"});
  EXPECT_EQ(column("OTDELENI", "OTD:NUMO"), std::vector<std::string>{"1"});
  EXPECT_EQ(column("POSTT", "POS:NUMO"), std::vector<std::string>{"1"});
}

TEST_F(DictionaryTest, DuplicateFamilyMemberNumberIsRefusedWithTheDuplicateKeyMessage) {
  addRecord("SOSTAV", [](RecordAccess& r) { r.setInteger("SOS:NUMS", 7); });
  addRecord("SOSTAV", [](RecordAccess& r) { r.setInteger("SOS:NUMS", 8); });
  framework::TableManager& sostav = dictionary.manager("SOSTAV");
  ASSERT_EQ(sostav.PrepareRecord(), framework::kLevelBenign);
  record("SOSTAV").setInteger("SOS:NUMS", 7);
  EXPECT_EQ(sostav.Insert(), framework::kLevelNotify);
  ASSERT_EQ(engine.shownMessageBoxes().size(), 1u);
  EXPECT_NE(engine.shownMessageBoxes()[0].text.find("SOS:NUMS_KEY"), std::string::npos);
  EXPECT_EQ(column("SOSTAV", "SOS:NUMS"), (std::vector<std::string>{"7", "8"}));
}

TEST_F(DictionaryTest, SurnamesAreCutToTheirFieldAndFoundWithoutRegardToCase) {
  addCard("Константинопольская-Заде");  // 24 letters into STRING(20)
  EXPECT_EQ(record("KARTA").text("KAR:FAM"), ru("Константинопольская-"));
  addCard("Иванов");
  RecordAccess card = record("KARTA");
  card.clearAll();
  card.setText("KAR:FAM", ru("иванов"));
  ASSERT_EQ(dictionary.manager("KARTA").Fetch(dictionary.file("KARTA").key("KAR:FAM_KEY")),
            framework::kLevelBenign);
  EXPECT_EQ(card.text("KAR:FAM"), ru("Иванов"));
}

TEST_F(DictionaryTest, CardsWithoutDerivedFieldsAreMissingFromTheOptionalKeys) {
  addCard("Иванов");
  addCard("Петров");
  record("KARTA").setText("KAR:STRUKT", ru("Поликлиника"));
  ASSERT_EQ(dictionary.manager("KARTA").UpdateQuiet(), framework::kLevelBenign);
  storage::OperationArguments arguments;
  arguments.key = dictionary.file("KARTA").key("KAR:STR_KEY");
  EXPECT_EQ(
      storage::fileStatement(storage::Operation::RecordsKey, dictionary.file("KARTA").file(), arguments), 1);
  arguments.key = dictionary.file("KARTA").key("KAR:FAM_KEY");
  EXPECT_EQ(
      storage::fileStatement(storage::Operation::RecordsKey, dictionary.file("KARTA").file(), arguments), 2);
}

TEST_F(DictionaryTest, ProceduresOnOneThreadShareBuffersAndOtherThreadsHaveTheirOwn) {
  addCard("Иванов");
  addCard("Петров");
  DictionaryFiles& files = dictionary.files();
  storage::DeclaredFile& karta = dictionary.file("KARTA");
  // Thread 1 reads the first card in number order and stays positioned there.
  storage::OperationArguments by_number;
  by_number.key = karta.key("KAR:NUM_KEY");
  storage::fileStatement(storage::Operation::SetKey, karta.file(), by_number);
  ASSERT_EQ(dictionary.manager("KARTA").NextQuiet(), framework::kLevelBenign);
  EXPECT_EQ(record("KARTA").text("KAR:FAM"), ru("Иванов"));
  {
    framework::ScopedThreadNumber second(2);
    files.selectCallingThread();
    EXPECT_TRUE(record("KARTA").blank("KAR:FAM"));  // a thread starts with cleared buffers
    EXPECT_TRUE(record("KARTA").blank("KAR:NUM"));
    // and with its own instance of the file, which this thread has not opened yet.
    EXPECT_NE(dictionary.manager("KARTA").NextQuiet(), framework::kLevelBenign);
    ASSERT_EQ(dictionary.manager("KARTA").Open(), framework::kLevelBenign);
    record("KARTA").setInteger("KAR:NUM", 2);
    ASSERT_EQ(dictionary.manager("KARTA").Fetch(karta.key("KAR:NUM_KEY")), framework::kLevelBenign);
    EXPECT_EQ(record("KARTA").text("KAR:FAM"), ru("Петров"));
    files.selectThread(1);
    // Back on thread 1: its buffer and its position in the file are where it left them.
    EXPECT_EQ(record("KARTA").text("KAR:FAM"), ru("Иванов"));
    ASSERT_EQ(dictionary.manager("KARTA").NextQuiet(), framework::kLevelBenign);
    EXPECT_EQ(record("KARTA").text("KAR:FAM"), ru("Петров"));
    EXPECT_EQ(dictionary.manager("KARTA").NextQuiet(), framework::kLevelNotify);
    files.selectThread(2);
    EXPECT_EQ(record("KARTA").integer("KAR:NUM"), 2);
    dictionary.manager("KARTA").Close();
  }
  files.selectThread(1);
  EXPECT_EQ(files.parkedThreads(), 1u);
  files.endThread(2);
  EXPECT_EQ(files.parkedThreads(), 0u);
  files.selectThread(1);  // selecting the running thread again changes nothing
  EXPECT_EQ(record("KARTA").integer("KAR:NUM"), 2);
}

TEST_F(DictionaryTest, StartUpClearsEveryBufferFieldByField) {
  Dictionary fresh(driver);
  RecordAccess card(fresh.file("KARTA"));
  EXPECT_EQ(card.text("KAR:FAM"), "");
  EXPECT_EQ(card.record()[card.field("KAR:FAM").offset], ' ');  // strings hold spaces, not zeros
  EXPECT_EQ(card.integer("KAR:NUM"), 0);
  card.setText("KAR:FAM", "X");
  fresh.Init(errors);
  EXPECT_EQ(card.text("KAR:FAM"), "");
  fresh.Kill();
}

}  // namespace
}  // namespace veltrano::app
