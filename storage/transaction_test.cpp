#include "storage/transaction.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/fault_injection.h"
#include "storage/page_file_testing.h"
#include "storage/sharing_modes.h"
#include "storage/station_test_support.h"
#include "storage/storage_failure.h"
#include "storage/transaction_control_file.h"
#include "storage/transaction_page_file.h"
#include "storage/wendlock_driver.h"
#include "storage/wendlock_files.h"

namespace veltrano::storage {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kKeep = {0x10};
const Bytes kAdded = {0x20};

Bytes text(std::string_view value) {
  return Bytes(value.begin(), value.end());
}

std::unique_ptr<PageFile> openWithRecovery(const std::string& path) {
  PageFileOptions options;
  options.keep_pending_update = [path](std::span<const std::uint8_t> marker) {
    return keepPendingUpdate(path, marker);
  };
  int error = 0;
  auto file = PageFile::open(path, platform::Creation::OpenOrCreate, options, &error);
  EXPECT_EQ(error, 0) << path;
  return file;
}

Bytes fileBytes(const std::string& path) {
  int error = 0;
  auto file =
      platform::fileSystem().open(path, platform::Access::ReadOnly, platform::Creation::OpenExisting, &error);
  if (!file) return {};
  Bytes bytes(static_cast<std::size_t>(file->size()));
  file->read(0, bytes);
  return bytes;
}

// What a storage file of the tests shows: "old" (as before the transaction), "new" (with it),
// or something else, which no crash may leave.
std::string stateOf(const std::string& path) {
  auto file = openWithRecovery(path);
  if (!file) return "unopenable";
  if (!file->header().pendingEmpty()) return "pending left";
  Entry keep, added;
  const bool has_keep = file->find(kKeep, keep);
  const bool has_added = file->find(kAdded, added);
  if (has_keep && !has_added && keep.data().size() == 3) return "old";
  if (has_keep && has_added && keep.data().size() == 200) return "new";
  return "mixed";
}

class TransactionTest : public ::testing::Test {
 protected:
  void SetUp() override { directory_ = testing::stationDirectory("transaction"); }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  // Fresh storage files holding the "old" state; `in_subdirectory` puts the last one in a
  // directory of its own, with a default control file of its own.
  std::vector<std::string> makeFiles(std::size_t count, bool in_subdirectory = false) {
    std::filesystem::remove_all(directory_);
    std::filesystem::create_directories(directory_ / "other");
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < count; ++i) {
      const bool apart = in_subdirectory && i + 1 == count;
      paths.push_back((directory_ / (apart ? "other" : "") / ("F" + std::to_string(i) + ".WLK")).string());
      auto file = openWithRecovery(paths.back());
      file->insert(kKeep, text("old"));
      EXPECT_EQ(file->flush(), 0);
    }
    return paths;
  }

  struct Run {
    int outcome = 0;
    std::uint64_t writes_before_step4 = 0;  // when the last file's first half was written
    std::uint64_t writes_after_step4 = 0;   // when the first second half began
  };

  // Changes every file inside one transaction and commits it, counting writes on `counter`.
  Run commitChanges(const std::vector<std::string>& paths, platform::FaultInjectingFileSystem& counter,
                    const std::string& control_path = "") {
    class Counting final : public TransactionMember {
     public:
      Counting(PageFile& file, std::string path, platform::FaultInjectingFileSystem& counter, Run& run)
          : inner_(file, std::move(path)), counter_(counter), run_(run) {}
      std::string storagePath() const override { return inner_.storagePath(); }
      bool hasChanges() override { return inner_.hasChanges(); }
      void setMarker(std::span<const std::uint8_t> data) override { inner_.setMarker(data); }
      int prepareUpdate() override {
        const int outcome = inner_.prepareUpdate();
        run_.writes_before_step4 = counter_.writeCount();
        return outcome;
      }
      int completeUpdate() override {
        if (run_.writes_after_step4 == 0) run_.writes_after_step4 = counter_.writeCount();
        return inner_.completeUpdate();
      }
      int writeUpdate() override { return inner_.writeUpdate(); }
      void discardChanges() override { inner_.discardChanges(); }

     private:
      PageFileTransactionMember inner_;
      platform::FaultInjectingFileSystem& counter_;
      Run& run_;
    };

    Run run;
    std::vector<std::unique_ptr<PageFile>> files;
    std::vector<std::unique_ptr<Counting>> members;
    Transaction transaction;
    transaction.setControlFilePath(control_path);
    for (const auto& path : paths) {
      files.push_back(openWithRecovery(path));
      members.push_back(std::make_unique<Counting>(*files.back(), path, counter, run));
      transaction.join(*members.back());
    }
    for (auto& file : files) {
      file->insert(kKeep, Bytes(200, 0x5A));
      file->insert(kAdded, text("added"));
    }
    run.outcome = transaction.commit();
    return run;
  }

  // Commits once without faults to count the writes, then again with a crash after each write.
  void crashAtEveryWrite(std::size_t count, bool in_subdirectory, const std::string& control_path = "") {
    std::uint64_t total = 0;
    Run clean;
    {
      const auto paths = makeFiles(count, in_subdirectory);
      platform::FaultInjectingFileSystem counter;
      platform::FileSystemOverride use(counter);
      clean = commitChanges(paths, counter, control_path);
      total = counter.writeCount();
      ASSERT_EQ(clean.outcome, 0);
    }
    ASSERT_GT(clean.writes_after_step4, clean.writes_before_step4);
    for (std::uint64_t k = 1; k <= total; ++k) {
      const auto paths = makeFiles(count, in_subdirectory);
      {
        platform::FaultInjectingFileSystem crashing;
        platform::FileSystemOverride use(crashing);
        crashing.crashAfterWrite(k);
        commitChanges(paths, crashing, control_path);
      }
      std::vector<std::string> states;
      for (const auto& path : paths) states.push_back(stateOf(path));
      const std::string expected = k <= clean.writes_before_step4  ? "old"
                                   : k >= clean.writes_after_step4 ? "new"
                                                                   : states.front();
      for (std::size_t i = 0; i < count; ++i) {
        EXPECT_EQ(states[i], expected) << "crash after write " << k << " of " << total << ", file " << i;
      }
    }
  }

  std::filesystem::path directory_;
};

TEST_F(TransactionTest, CrashAtEveryWriteOfTwoFileCommitLeavesAllOrNothing) {
  crashAtEveryWrite(2, false);
}

TEST_F(TransactionTest, CrashAtEveryWriteOfThreeFileCommitLeavesAllOrNothing) {
  crashAtEveryWrite(3, false);
}

TEST_F(TransactionTest, CrashAtEveryWriteWithTwoDefaultControlFiles) {
  crashAtEveryWrite(3, true);
}

TEST_F(TransactionTest, CrashAtEveryWriteWithControlFileSetBySend) {
  crashAtEveryWrite(2, true, (directory_ / "shared.tcf").string());
}

TEST_F(TransactionTest, CommitMakesEveryFileNewAndLeavesNoIdentifierBehind) {
  const auto paths = makeFiles(3, true);
  platform::FaultInjectingFileSystem counter;
  {
    platform::FileSystemOverride use(counter);
    ASSERT_EQ(commitChanges(paths, counter).outcome, 0);
  }
  for (const auto& path : paths) {
    EXPECT_EQ(stateOf(path), "new");
    auto file = openWithRecovery(path);
    Entry marker;
    ASSERT_TRUE(file->find(Bytes{0xFF}, marker)) << "a transaction of several files marks each";
    const auto decoded = decodeTransactionMarker(marker.data());
    ASSERT_TRUE(decoded);
    // Every marker names the control file of the first file: the one commit point.
    if (path == paths.back()) {
      EXPECT_EQ(decoded->recorded_path, defaultControlFilePath(paths.front()));
    } else {
      EXPECT_EQ(decoded->recorded_path, kDefaultControlFileMark);
    }
    int error = 0;
    auto control = ControlFile::open(defaultControlFilePath(path), false, &error);
    ASSERT_NE(control, nullptr);
    EXPECT_FALSE(control->holds(decoded->id));
  }
}

TEST_F(TransactionTest, SingleChangedFileWritesNoControlFileAndNoMarker) {
  const auto paths = makeFiles(2);
  Transaction transaction;
  std::vector<std::unique_ptr<PageFile>> files;
  std::vector<std::unique_ptr<PageFileTransactionMember>> members;
  for (const auto& path : paths) {
    files.push_back(openWithRecovery(path));
    members.push_back(std::make_unique<PageFileTransactionMember>(*files.back(), path));
    transaction.join(*members.back());
    transaction.join(*members.back());
  }
  EXPECT_EQ(transaction.members().size(), 2u) << "a file joins once";
  EXPECT_EQ(transaction.controlFiles().size(), 1u);
  files[0]->insert(kAdded, text("x"));
  EXPECT_EQ(transaction.commit(), 0);
  EXPECT_FALSE(transaction.active());
  EXPECT_FALSE(std::filesystem::exists(defaultControlFilePath(paths[0])));
  Entry entry;
  EXPECT_FALSE(files[0]->find(Bytes{0xFF}, entry));
  EXPECT_TRUE(openWithRecovery(paths[0])->find(kAdded, entry));
}

TEST_F(TransactionTest, RollbackLeavesEveryFileExactlyAsBeforeLogout) {
  const auto paths = makeFiles(3);
  std::vector<Bytes> before;
  for (const auto& path : paths) before.push_back(fileBytes(path));
  Transaction transaction;
  std::vector<std::unique_ptr<PageFile>> files;
  std::vector<std::unique_ptr<PageFileTransactionMember>> members;
  for (const auto& path : paths) {
    files.push_back(openWithRecovery(path));
    members.push_back(std::make_unique<PageFileTransactionMember>(*files.back(), path));
    transaction.join(*members.back());
    files.back()->insert(kAdded, text("gone"));
    files.back()->erase(kKeep);
  }
  transaction.rollback();
  EXPECT_FALSE(transaction.active());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    Entry entry;
    EXPECT_FALSE(files[i]->find(kAdded, entry));
    EXPECT_TRUE(files[i]->find(kKeep, entry));
    EXPECT_EQ(fileBytes(paths[i]), before[i]);
  }
}

TEST_F(TransactionTest, FailedPreparationDropsTheWholeTransaction) {
  // Learn where the second file's first half is written, then fail that write.
  const auto paths = makeFiles(2);
  std::uint64_t fail_at = 0;
  {
    platform::FaultInjectingFileSystem counter;
    platform::FileSystemOverride use(counter);
    const Run run = commitChanges(paths, counter);
    ASSERT_EQ(run.outcome, 0);
    fail_at = run.writes_before_step4;  // the last write of the last file's first half
  }
  const auto fresh = makeFiles(2);
  std::vector<Bytes> before;
  for (const auto& path : fresh) before.push_back(fileBytes(path));
  {
    platform::FaultInjectingFileSystem failing;
    platform::FileSystemOverride use(failing);
    failing.failWrite(fail_at);
    EXPECT_NE(commitChanges(fresh, failing).outcome, 0);
  }
  for (std::size_t i = 0; i < fresh.size(); ++i) {
    EXPECT_EQ(stateOf(fresh[i]), "old") << i;
  }
}

TEST_F(TransactionTest, MoreThanOneHundredControlFilesIsStorageFailure) {
  Transaction transaction;
  class Named final : public TransactionMember {
   public:
    explicit Named(std::string path) : path_(std::move(path)) {}
    std::string storagePath() const override { return path_; }
    bool hasChanges() override { return false; }
    void setMarker(std::span<const std::uint8_t>) override {}
    int prepareUpdate() override { return 0; }
    int completeUpdate() override { return 0; }
    int writeUpdate() override { return 0; }
    void discardChanges() override {}

   private:
    std::string path_;
  };
  std::vector<std::unique_ptr<Named>> members;
  for (int i = 0; i < 101; ++i)
    members.push_back(std::make_unique<Named>("d" + std::to_string(i) + "\\F.WLK"));
  members.push_back(std::make_unique<Named>("D0\\G.WLK"));  // the same directory, other case
  for (int i = 0; i < 100; ++i) transaction.join(*members[static_cast<std::size_t>(i)]);
  transaction.join(*members.back());
  EXPECT_EQ(transaction.controlFiles().size(), 100u);
  int failure = 0;
  try {
    transaction.join(*members[100]);
  } catch (const StorageFailure& raised) {
    failure = raised.number();
  }
  EXPECT_EQ(failure, 2183);
  EXPECT_EQ(transaction.members().size(), 101u);
  // With a path set by SEND, no default control files are gathered.
  Transaction with_path;
  with_path.setControlFilePath("x.tcf");
  for (auto& member : members) with_path.join(*member);
  EXPECT_TRUE(with_path.controlFiles().empty());
}

TEST_F(TransactionTest, IdentifierSkipsValuesHeldByControlFiles) {
  const auto paths = makeFiles(2);
  const std::string control_path = defaultControlFilePath(paths[0]);
  {
    int error = 0;
    auto control = ControlFile::open(control_path, true, &error);
    ASSERT_NE(control, nullptr);
    ASSERT_EQ(control->insert(1000), 0);
    ASSERT_EQ(control->insert(1001), 0);
  }
  Transaction transaction;
  transaction.setClockForTesting([] { return std::uint32_t{1000}; });
  std::vector<std::unique_ptr<PageFile>> files;
  std::vector<std::unique_ptr<PageFileTransactionMember>> members;
  for (const auto& path : paths) {
    files.push_back(openWithRecovery(path));
    members.push_back(std::make_unique<PageFileTransactionMember>(*files.back(), path));
    transaction.join(*members.back());
    files.back()->insert(kAdded, text("x"));
  }
  ASSERT_EQ(transaction.commit(), 0);
  Entry marker;
  ASSERT_TRUE(files[0]->find(Bytes{0xFF}, marker));
  EXPECT_EQ(decodeTransactionMarker(marker.data())->id, 1002u);
}

// Identifiers removed at their commit point are never issued again: a file of the earlier
// transaction may still carry an unfinished update that names it.
TEST_F(TransactionTest, IdentifiersNeverRepeatWithinOneSecondOrABackwardClock) {
  const auto paths = makeFiles(2);
  std::vector<std::unique_ptr<PageFile>> files;
  std::vector<std::unique_ptr<PageFileTransactionMember>> members;
  for (const auto& path : paths) {
    files.push_back(openWithRecovery(path));
    members.push_back(std::make_unique<PageFileTransactionMember>(*files.back(), path));
  }
  auto commitOnce = [&](std::uint32_t (*clock)(), const char* value) {
    Transaction transaction;
    transaction.setClockForTesting(clock);
    for (std::size_t i = 0; i < files.size(); ++i) {
      transaction.join(*members[i]);
      files[i]->insert(kAdded, text(value));
    }
    EXPECT_EQ(transaction.commit(), 0);
    Entry marker;
    EXPECT_TRUE(files[0]->find(Bytes{0xFF}, marker));
    return decodeTransactionMarker(marker.data())->id;
  };
  EXPECT_EQ(commitOnce([] { return std::uint32_t{5000}; }, "a"), 5000u);
  EXPECT_EQ(commitOnce([] { return std::uint32_t{5000}; }, "b"), 5001u);
  EXPECT_EQ(commitOnce([] { return std::uint32_t{4000}; }, "c"), 5002u);
  EXPECT_EQ(commitOnce([] { return std::uint32_t{9000}; }, "d"), 9000u);
}

TEST(TransactionMarkerTest, EncodesIdentifierAndPathAndReadsThemBack) {
  const auto data = encodeTransactionMarker(0x01020304, "C:\\wenDlocK.TCF");
  EXPECT_EQ(data.size(), 4u + 15u + 1u);
  EXPECT_EQ(data[0], 0x01);
  EXPECT_EQ(data.back(), 0);
  const auto marker = decodeTransactionMarker(data);
  ASSERT_TRUE(marker);
  EXPECT_EQ(marker->id, 0x01020304u);
  EXPECT_TRUE(isDefaultControlFileMark(marker->recorded_path));
  EXPECT_TRUE(isDefaultControlFileMark("c:\\WENDLOCK.tcf"));
  EXPECT_FALSE(isDefaultControlFileMark("D:\\wendlock.tcf"));
  EXPECT_FALSE(decodeTransactionMarker(Bytes{1, 2, 3}));
  EXPECT_EQ(defaultControlFilePath("data\\KARTA.WLK"), "data\\wendlock.tcf");
  EXPECT_EQ(defaultControlFilePath("/srv/hr/KARTA.WLK"), "/srv/hr/wendlock.tcf");
  EXPECT_EQ(defaultControlFilePath("KARTA.WLK"), "wendlock.tcf");
}

TEST_F(TransactionTest, RecoveryDiscardsWhenControlFileIsMissingAndWaitsWhileItIsInUse) {
  const std::string storage = (directory_ / "F.WLK").string();
  const std::string control_path = defaultControlFilePath(storage);
  const auto marker = encodeTransactionMarker(77, kDefaultControlFileMark);
  EXPECT_FALSE(keepPendingUpdate(storage, marker)) << "no control file: discard";
  {
    int error = 0;
    auto control = ControlFile::open(control_path, true, &error);
    ASSERT_EQ(control->insert(77), 0);
    EXPECT_FALSE(keepPendingUpdate(storage, marker)) << "identifier present: never committed";
    ASSERT_EQ(control->remove(77), 0);
    EXPECT_TRUE(keepPendingUpdate(storage, marker)) << "identifier gone: committed";
  }
  testing::Signal holding;
  const pid_t keeper = testing::spawnStation([&] {
    int error = 0;
    auto file = platform::fileSystem().open(control_path, platform::Access::ReadWrite,
                                            platform::Creation::OpenExisting, &error);
    SharingEmulation sharing(*file);
    if (sharing.admit(OpenMode::decode(0x12)) != 0) return 1;
    holding.raise();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return 0;
  });
  ASSERT_TRUE(holding.await());
  const auto started = std::chrono::steady_clock::now();
  EXPECT_TRUE(keepPendingUpdate(storage, marker));
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(100));
  EXPECT_EQ(testing::stationResult(keeper), 0);
}

// A marker an earlier transaction left in a file must not decide the recovery of a later update
// written on its own, even when its identifier is back in the control file: that update is
// durable once its header is written, and may already have overwritten some homes.
TEST(TransactionMarker, UpdateOfOneFileIgnoresAStaleMarker) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("STALE.WLK");
  const std::uint32_t id = 4242;
  auto entry = [](int i) {
    return Bytes{'R', static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)};
  };
  {
    int error = -1;
    auto file = PageFile::open(path, platform::Creation::OpenOrCreate, {}, &error);
    ASSERT_EQ(error, 0);
    const std::uint8_t marker_key[1] = {0xFF};
    file->insert(marker_key, encodeTransactionMarker(id, kDefaultControlFileMark));
    for (int i = 0; i < 300; ++i) file->insert(entry(i), Bytes(60, static_cast<std::uint8_t>(i)));
    ASSERT_EQ(file->flush(), 0);
  }
  {
    int error = -1;
    auto control = ControlFile::open(defaultControlFilePath(path), true, &error);
    ASSERT_NE(control, nullptr);
    ASSERT_EQ(control->insert(id), 0);
  }
  const Bytes saved = testing::readWholeFile(path);
  auto count = [&](StorageFile& file) {
    Entry got;
    int records = 0, changed = 0;
    for (bool have = file.tree().seek({}, Seek::AtOrAfter, got); have && got.key()[0] == 'R';
         have = file.tree().seek(got.key(), Seek::After, got)) {
      ++records;
      if (got.data().size() == 200) ++changed;
    }
    return std::pair{records, changed};
  };
  platform::FaultInjectingFileSystem faults;
  StorageCatalog& catalog = wendlockDriver().catalog();
  bool after_seen = false;
  for (std::uint64_t k = 1; k < 200; ++k) {
    testing::writeWholeFile(path, saved);
    int error = -1;
    {
      platform::FileSystemOverride use_faults(faults);
      auto file = catalog.open({path, "", false, false}, &error);
      ASSERT_NE(file, nullptr);
      for (int i = 0; i < 300; i += 3) file->tree().insert(entry(i), Bytes(200, 7));
      faults.clearFaults();
      faults.resetCount();
      faults.crashAfterWrite(k);
      file->writeUpdate();
    }
    const bool crashed = faults.crashed();
    faults.clearFaults();
    auto reopened = catalog.open({path, "", false, false}, &error);
    ASSERT_NE(reopened, nullptr);
    const auto [records, changed] = count(*reopened);
    EXPECT_EQ(records, 300) << "crash after write " << k;
    EXPECT_TRUE(changed == 0 || changed == 100) << "crash after write " << k << ": " << changed;
    // Once the update has been seen whole, a later crash cannot take it back.
    if (after_seen) {
      EXPECT_EQ(changed, 100) << "crash after write " << k;
    }
    after_seen = after_seen || changed == 100;
    if (!crashed) break;
  }
  EXPECT_TRUE(after_seen);
}

}  // namespace
}  // namespace veltrano::storage
