// Backups as a clerk relies on them: taken while two other stations keep adding cards with their
// history, every backup restores to files that check clean and hold a committed state (as many
// history records as saved cards); a full disk or a failed write leaves nothing that looks like a
// backup, and a restore goes only into an empty directory.
#include "app/backup/backup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/backup/backup_procedure.h"
#include "app/dictionary/record_access.h"
#include "app/history/card_history.h"
#include "platform/codepage.h"
#include "platform/directory_entries.h"
#include "platform/fault_injection.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/datetime/environment.h"
#include "storage/file_name.h"
#include "storage/station_test_support.h"
#include "storage/wendlock_check.h"
#include "storage/wendlock_driver.h"
#include "ui/headless_engine.h"

namespace veltrano::app::backup {
namespace {

namespace fs = std::filesystem;
using storage::testing::spawnStation;
using storage::testing::stationResult;

class BackupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
    root_ =
        storage::testing::stationDirectory(::testing::UnitTest::GetInstance()->current_test_info()->name());
    data_ = root_ / "data";
    fs::create_directories(data_);
    errors_.Init();
    withCards(data_, [](Dictionary& dictionary) { addCards(dictionary, 3); });
  }
  void TearDown() override {
    errors_.Kill();
    fs::remove_all(root_);
    runtime::charTables() = runtime::CharTables::defaults();
  }

  template <typename Work>
  void withCards(const fs::path& directory, Work work) {
    Dictionary dictionary(storage::wendlockDriver(), directory.string());
    dictionary.Init(errors_);
    dictionary.adoptChangeHistory(std::make_unique<history::CardHistory>(dictionary));
    work(dictionary);
    dictionary.Kill();
  }
  static bool addCards(Dictionary& dictionary, int count) {
    framework::TableManager& karta = dictionary.manager("KARTA");
    if (karta.Open() != framework::kLevelBenign) return false;
    bool added = true;
    for (int i = 0; i < count && added; ++i) {
      added = karta.PrepareRecord() == framework::kLevelBenign;
      RecordAccess(dictionary.file("KARTA")).setText("KAR:FAM", "Card" + std::to_string(i));
      added = added && karta.InsertQuiet() == framework::kLevelBenign;
    }
    karta.Close();
    return added;
  }
  // Saved cards and history records of a directory, after every file has checked clean. An
  // insert reserves its card's number by adding a blank card at once, and only the save writes
  // the history: a state taken between the two holds at most one such card per station.
  std::pair<int, int> checkedCounts(const fs::path& directory) {
    for (const auto& entry : fs::directory_iterator(directory)) {
      if (entry.path().filename() == std::string(kManifestName)) continue;
      int error = 0;
      const auto name = storage::parseFileName(entry.path().string());
      auto file = storage::wendlockDriver().catalog().open({name->path, "", true, false}, &error);
      EXPECT_NE(file, nullptr) << entry.path();
      if (file) {
        EXPECT_EQ(storage::checkEntries(file->tree(), true), std::vector<std::string>{}) << entry.path();
      }
    }
    std::pair<int, int> counts{0, 0};
    withCards(directory, [&](Dictionary& dictionary) {
      framework::TableManager& karta = dictionary.manager("KARTA");
      EXPECT_EQ(karta.Open(), framework::kLevelBenign);
      storage::fileStatement(storage::Operation::SetFile, dictionary.file("KARTA").file());
      int reserved = 0;
      while (karta.NextQuiet() == framework::kLevelBenign)
        ++(RecordAccess(dictionary.file("KARTA")).text("KAR:FAM").empty() ? reserved : counts.first);
      karta.Close();
      EXPECT_LE(reserved, 2) << "a blank card for each station's insert, no more";
      auto history = history::declareHistoryFile(storage::wendlockDriver(), directory.string());
      storage::OperationArguments open;
      open.access_mode = 0x40;
      storage::fileStatement(storage::Operation::Open, history->file(), open);
      int error = 0;
      counts.second = static_cast<int>(history::readHistory(*history, nullptr, &error).size());
      EXPECT_EQ(error, 0);
      storage::fileStatement(storage::Operation::Close, history->file());
    });
    return counts;
  }
  // The names in a directory, for seeing that a failure left nothing behind.
  static std::vector<std::string> namesIn(const fs::path& directory) {
    std::vector<std::string> names;
    if (fs::exists(directory))
      for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    return names;
  }

  fs::path root_;
  fs::path data_;
  ui::HeadlessEngine engine_;
  ui::ScopedWindowEngine installed_{engine_};
  framework::ErrorManager errors_;
};

TEST_F(BackupTest, BackupsTakenWhileTwoStationsWriteRestoreToCommittedStatesThatCheckClean) {
  constexpr int kCardsPerStation = 60;
  std::vector<pid_t> stations;
  for (int station = 0; station < 2; ++station) {
    stations.push_back(spawnStation([&] {
      int status = 0;
      withCards(data_,
                [&](Dictionary& dictionary) { status = addCards(dictionary, kCardsPerStation) ? 0 : 1; });
      return status;
    }));
  }
  int last_cards = 0;
  for (int taken = 0; taken < 6; ++taken) {
    SCOPED_TRACE(taken);
    const std::string destination =
        (root_ / (taken % 2 == 0 ? "copies" : "copy" + std::to_string(taken) + ".tar.gz")).string();
    const Outcome made = makeBackup(data_.string(), destination);
    ASSERT_TRUE(made.ok) << made.message;
    const fs::path restored = root_ / ("restored" + std::to_string(taken));
    const Outcome back = restoreBackup(made.path, restored.string());
    ASSERT_TRUE(back.ok) << back.message;
    const auto [cards, entries] = checkedCounts(restored);
    EXPECT_EQ(entries, cards) << "every saved card with its history, none without";
    EXPECT_GE(cards, last_cards);
    last_cards = cards;
  }
  for (pid_t station : stations) EXPECT_EQ(stationResult(station), 0);
  const Outcome last = makeBackup(data_.string(), (root_ / "copies").string());
  ASSERT_TRUE(last.ok) << last.message;
  const Outcome back = restoreBackup(last.path, (root_ / "final").string());
  ASSERT_TRUE(back.ok) << back.message;
  EXPECT_EQ(checkedCounts(root_ / "final"),
            std::make_pair(3 + 2 * kCardsPerStation, 3 + 2 * kCardsPerStation));
}

TEST_F(BackupTest, AFullDiskOrAFailedWriteLeavesNoBackupAndARestoreOnlyGoesIntoAnEmptyDirectory) {
  platform::FaultInjectingFileSystem faults;
  const platform::FileSystemOverride installed(faults);
  for (const bool archive : {false, true}) {
    const fs::path destination = root_ / (archive ? "full.tar.gz" : "full");
    // An archive goes beside the other names of root_; a directory backup inside `destination`.
    const fs::path where = archive ? root_ : destination;
    const std::vector<std::string> before = namesIn(where);
    int failures = 0;
    for (std::uint64_t write = 1;; ++write) {
      SCOPED_TRACE(std::to_string(archive) + " write " + std::to_string(write));
      faults.resetCount();
      if (write % 2 == 0) {
        faults.failWrite(write);
      } else {
        faults.shortenWrite(write, 0);
      }
      const Outcome made = makeBackup(data_.string(), destination.string());
      faults.clearFaults();
      if (made.ok) {
        fs::remove_all(made.path);
        break;
      }
      ++failures;
      EXPECT_NE(made.message.find(write % 2 == 0 ? "ошибка записи" : "нет места"), std::string::npos)
          << made.message;
      EXPECT_EQ(namesIn(where), before) << "nothing left behind, complete-looking or partial";
    }
    EXPECT_GT(failures, archive ? 1 : 3);
  }
  const Outcome made = makeBackup(data_.string(), (root_ / "good").string());
  ASSERT_TRUE(made.ok) << made.message;
  fs::create_directories(root_ / "busy");
  std::ofstream(root_ / "busy" / "notes.txt") << "kept";
  const Outcome refused = restoreBackup(made.path, (root_ / "busy").string());
  EXPECT_FALSE(refused.ok);
  EXPECT_NE(refused.message.find("не пуст"), std::string::npos) << refused.message;
  EXPECT_EQ(namesIn(root_ / "busy"), std::vector<std::string>{"notes.txt"});
  faults.resetCount();
  faults.shortenWrite(3, 0);
  const Outcome full = restoreBackup(made.path, (root_ / "empty").string());
  faults.clearFaults();
  EXPECT_FALSE(full.ok);
  EXPECT_EQ(namesIn(root_ / "empty"), std::vector<std::string>{}) << "a failed restore leaves nothing behind";
}

TEST_F(BackupTest, TheMenusBackupGoesWhereTheClerkChoseAndSaysSo) {
  engine_.queueFileDialogAnswer(std::nullopt);
  EXPECT_EQ(runBackupProcedure(data_.string()), framework::kResponseCancelled);
  EXPECT_TRUE(engine_.shownMessageBoxes().empty()) << "a cancelled choice makes nothing";
  fs::create_directories(root_ / "chosen");
  engine_.queueFileDialogAnswer(platform::cp1251FromUtf8((root_ / "chosen").string()));
  EXPECT_EQ(runBackupProcedure(data_.string()), framework::kResponseCompleted);
  ASSERT_EQ(engine_.shownMessageBoxes().size(), 1u);
  const std::vector<std::string> made = namesIn(root_ / "chosen");
  ASSERT_EQ(made.size(), 1u);
  EXPECT_NE(engine_.shownMessageBoxes()[0].text.find(made[0]), std::string::npos);
  EXPECT_TRUE(fs::exists(root_ / "chosen" / made[0] / std::string(kManifestName)));
}

}  // namespace
}  // namespace veltrano::app::backup
