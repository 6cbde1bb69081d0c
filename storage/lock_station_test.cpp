#include "storage/lock_station.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/file.h"
#include "storage/lock_operation.h"
#include "storage/page_file.h"
#include "storage/station_test_support.h"
#include "storage/storage_failure.h"
#include "storage/wendlock_station.h"

namespace veltrano::storage {
namespace {

using namespace std::chrono_literals;
using testing::Signal;
using testing::spawnStation;
using testing::stationResult;

class StationLocksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = testing::stationDirectory("locks");
    path_ = (directory_ / "LOCKS.WLK").string();
    int error = 0;
    // Every test creates the file first; each station then opens its own descriptor.
    auto file = platform::fileSystem().open(path_, platform::Access::ReadWrite,
                                            platform::Creation::OpenOrCreate, &error);
    ASSERT_NE(file, nullptr);
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  std::unique_ptr<platform::File> openFile(platform::Access access = platform::Access::ReadWrite) {
    int error = 0;
    return platform::fileSystem().open(path_, access, platform::Creation::OpenExisting, &error);
  }

  std::filesystem::path directory_;
  std::string path_;
};

TEST_F(StationLocksTest, ConcurrentReadersTakeDifferentSlotsAndBothProceed) {
  Signal first_reading, second_done;
  const pid_t first = spawnStation([&] {
    auto file = openFile();
    StationLocks locks(*file, false);
    if (locks.lockReaderSlot() != LockOutcome::Granted || locks.currentSlot() != 0) return 1;
    first_reading.raise();
    // Still reading while the second station reads.
    if (!second_done.await()) return 2;
    locks.unlockReaderSlot();
    return 0;
  });
  ASSERT_TRUE(first_reading.await());
  auto file = openFile();
  StationLocks locks(*file, false);
  EXPECT_EQ(locks.lockReaderSlot(), LockOutcome::Granted);
  EXPECT_EQ(locks.currentSlot(), 1u) << "slot 0 is the other station's: the next one is taken";
  locks.unlockReaderSlot();
  second_done.raise();
  EXPECT_EQ(stationResult(first), 0);
  // The slot advanced stays current: the next read starts there.
  EXPECT_EQ(locks.lockReaderSlot(), LockOutcome::Granted);
  EXPECT_EQ(locks.currentSlot(), 1u);
}

TEST_F(StationLocksTest, WritersExcludeEachOtherAndWaitsEndInBusy) {
  Signal holding, release;
  const pid_t writer = spawnStation([&] {
    auto file = openFile();
    StationLocks locks(*file, false);
    if (locks.lock(writerByteRange(), LockPatience::forever()) != LockOutcome::Granted) return 1;
    holding.raise();
    if (!release.await()) return 2;
    return locks.unlock(writerByteRange()) ? 0 : 3;
  });
  ASSERT_TRUE(holding.await());
  auto file = openFile();
  StationLocks locks(*file, false);
  EXPECT_EQ(locks.lock(writerByteRange(), LockPatience::none()), LockOutcome::Busy);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(locks.lock(writerByteRange(), LockPatience::upTo(150ms)), LockOutcome::Busy);
  EXPECT_GE(std::chrono::steady_clock::now() - started, 150ms);
  // A reader is not kept out by a writer's byte.
  EXPECT_EQ(locks.lockReaderSlot(), LockOutcome::Granted);
  locks.unlockReaderSlot();
  release.raise();
  EXPECT_EQ(locks.lock(writerByteRange(), LockPatience::forever()), LockOutcome::Granted);
  EXPECT_EQ(stationResult(writer), 0);
}

TEST_F(StationLocksTest, FlushWaitsForRunningReadsOfOtherStations) {
  Signal reading, flushed;
  auto file = openFile();
  StationLocks locks(*file, false);
  ASSERT_EQ(locks.lockReaderSlot(), LockOutcome::Granted);
  const pid_t writer = spawnStation([&] {
    int error = 0;
    auto page_file = PageFile::open(path_, platform::Creation::OpenExisting, {}, &error);
    if (!page_file) return 1;
    const std::uint8_t key[] = {1, 2, 3};
    page_file->insert(key, key);
    reading.raise();
    if (page_file->flush() != 0) return 2;
    flushed.raise();
    return 0;
  });
  ASSERT_TRUE(reading.await());
  EXPECT_FALSE(flushed.await(300)) << "the update was written during a read";
  locks.unlockReaderSlot();
  EXPECT_TRUE(flushed.await());
  EXPECT_EQ(stationResult(writer), 0);
  // And a read started during nothing sees the update.
  int error = 0;
  auto page_file = PageFile::open(path_, platform::Creation::OpenExisting, {}, &error);
  ASSERT_NE(page_file, nullptr);
  Entry entry;
  const std::uint8_t key[] = {1, 2, 3};
  EXPECT_TRUE(page_file->find(key, entry));
}

TEST_F(StationLocksTest, NumberLocksConflictBetweenStationsUntilReleased) {
  Signal holding, release, released;
  const pid_t holder = spawnStation([&] {
    auto file = openFile();
    StationLocks locks(*file, false);
    if (locks.lock(numberLockRange(7), LockPatience::none()) != LockOutcome::Granted) return 1;
    holding.raise();
    if (!release.await()) return 2;
    if (!locks.unlock(numberLockRange(7))) return 3;
    released.raise();
    return 0;
  });
  ASSERT_TRUE(holding.await());
  auto file = openFile();
  StationLocks locks(*file, false);
  EXPECT_EQ(locks.lock(numberLockRange(7), LockPatience::none()), LockOutcome::Busy);
  EXPECT_EQ(locks.lock(numberLockRange(8), LockPatience::none()), LockOutcome::Granted)
      << "other numbers are free";
  // A waiting request is granted once the holder lets go within the wait.
  std::thread letting_go([&] {
    std::this_thread::sleep_for(100ms);
    release.raise();
  });
  EXPECT_EQ(locks.lock(numberLockRange(7), LockPatience::seconds(5)), LockOutcome::Granted);
  letting_go.join();
  EXPECT_TRUE(released.await());
  EXPECT_EQ(stationResult(holder), 0);
}

TEST_F(StationLocksTest, ThreadsOfOneProcessMeetEachOthersLocks) {
  auto file = openFile();
  StationLocks locks(*file, false);
  ASSERT_EQ(locks.lock(numberLockRange(42), LockPatience::none()), LockOutcome::Granted);
  // The same thread takes it again; it stays held until both holds are let go.
  ASSERT_EQ(locks.lock(numberLockRange(42), LockPatience::none()), LockOutcome::Granted);
  LockOutcome other = LockOutcome::Granted;
  std::thread([&] { other = locks.lock(numberLockRange(42), LockPatience::none()); }).join();
  EXPECT_EQ(other, LockOutcome::Busy) << "one shared open file must not let two threads hold a record";

  // A waiting request of another thread neither blocks forever nor gets in early.
  std::atomic<bool> granted{false};
  std::thread waiter([&] {
    granted = locks.lock(numberLockRange(42), LockPatience::seconds(5)) == LockOutcome::Granted;
    locks.releaseThread();
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_TRUE(locks.unlock(numberLockRange(42)));
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(granted) << "one hold of two was let go";
  EXPECT_TRUE(locks.unlock(numberLockRange(42)));
  waiter.join();
  EXPECT_TRUE(granted);
  EXPECT_EQ(locks.holdCount(), 0u);
  EXPECT_FALSE(locks.unlock(numberLockRange(42))) << "nothing left to let go";
}

TEST_F(StationLocksTest, ThreadsTakeDifferentReaderSlots) {
  auto file = openFile();
  StationLocks locks(*file, false);
  ASSERT_EQ(locks.lockReaderSlot(), LockOutcome::Granted);
  std::uint32_t other_slot = 0;
  std::thread([&] {
    if (locks.lockReaderSlot() == LockOutcome::Granted) other_slot = locks.currentSlot();
    locks.unlockReaderSlot();
  }).join();
  EXPECT_EQ(other_slot, 1u);
  locks.unlockReaderSlot();
  EXPECT_EQ(locks.holdCount(), 0u);
}

TEST_F(StationLocksTest, LettingGoOfTheWriteLockKeepsOverlappingSlotHeld) {
  auto file = openFile();
  StationLocks locks(*file, false);
  ASSERT_EQ(locks.lockReaderSlot(), LockOutcome::Granted);  // slot 0
  ASSERT_EQ(locks.lock(writeLockRange(), LockPatience::none()), LockOutcome::Granted);
  ASSERT_TRUE(locks.unlock(writeLockRange()));
  const pid_t probe = spawnStation([&] {
    auto other = openFile();
    StationLocks other_locks(*other, false);
    const bool slot0_busy = other_locks.lock(readerSlotRange(0), LockPatience::none()) == LockOutcome::Busy;
    const bool slot1_free =
        other_locks.lock(readerSlotRange(1), LockPatience::none()) == LockOutcome::Granted;
    return slot0_busy && slot1_free ? 0 : 1;
  });
  EXPECT_EQ(stationResult(probe), 0);
}

// The page file's write lock goes through the station's lock table: an update written (or a
// crashed one recovered) under the station's own reader slot leaves that slot held.
TEST_F(StationLocksTest, UpdateWrittenDuringTheStationsOwnReadKeepsItsSlot) {
  int error = 0;
  auto page_file = PageFile::open(path_, platform::Creation::OpenExisting, {}, &error);
  ASSERT_NE(page_file, nullptr);
  StationFile station(*page_file, path_, false);
  ASSERT_EQ(station.locks().lockReaderSlot(), LockOutcome::Granted);  // slot 0
  const std::uint8_t key[] = {4, 5, 6};
  page_file->insert(key, key);
  ASSERT_EQ(page_file->flush(), 0);
  const pid_t probe = spawnStation([&] {
    auto other = openFile();
    StationLocks other_locks(*other, false);
    return other_locks.lock(readerSlotRange(0), LockPatience::none()) == LockOutcome::Busy ? 0 : 1;
  });
  EXPECT_EQ(stationResult(probe), 0);
  station.locks().unlockReaderSlot();
}

TEST_F(StationLocksTest, ReadOnlyStationHoldsSharedSlotsThatKeepWritesOut) {
  auto file = openFile(platform::Access::ReadOnly);
  StationLocks locks(*file, true);
  ASSERT_EQ(locks.lockReaderSlot(), LockOutcome::Granted);
  const pid_t writer = spawnStation([&] {
    auto other = openFile();
    StationLocks other_locks(*other, false);
    return other_locks.lock(writeLockRange(), LockPatience::none()) == LockOutcome::Busy ? 0 : 1;
  });
  EXPECT_EQ(stationResult(writer), 0);
}

TEST_F(StationLocksTest, RequestNamingBothNumberAndRegionIsStorageFailure) {
  auto file = openFile();
  StationLocks locks(*file, false);
  auto failure = [](auto&& call) {
    try {
      call();
    } catch (const StorageFailure& raised) {
      return raised.number();
    }
    return 0;
  };
  const LockRequest both{5, LockRegion::WriterByte, 0};
  EXPECT_EQ(failure([&] { locks.lock(both, LockPatience::none()); }), 2328);
  EXPECT_EQ(failure([&] { locks.unlock(both); }), 2352);
  EXPECT_EQ(failure([&] { locks.lock(LockRequest{}, LockPatience::none()); }), 2328);
  EXPECT_EQ(locks.lock(LockRequest{5, LockRegion::None, 0}, LockPatience::none()), LockOutcome::Granted);
  EXPECT_TRUE(locks.unlock(LockRequest{5, LockRegion::None, 0}));
  EXPECT_EQ(rangeOf({0, LockRegion::WriteLock, 0}, 2328), writeLockRange());
  EXPECT_EQ(rangeOf({0, LockRegion::ReaderSlot, 1024}, 2328), readerSlotRange(1));
}

TEST_F(StationLocksTest, OperationLockLetsOtherThreadsInDuringANumberWait) {
  auto file = openFile();
  StationLocks locks(*file, false);
  int refreshes = 0;
  OperationGate gate(locks, LockPolicy::Full, [&] { ++refreshes; });
  ASSERT_EQ(locks.lock(numberLockRange(9), LockPatience::none()), LockOutcome::Granted);
  std::atomic<bool> other_got_in{false};
  LockOutcome waited = LockOutcome::Failed;
  std::thread waiter([&] {
    OperationLock operation(gate, false);
    waited = locks.lock(numberLockRange(9), LockPatience::seconds(5), &operation);
  });
  std::this_thread::sleep_for(30ms);
  {
    // The holder's PUT needs the file while the other thread waits for its record.
    OperationLock operation(gate, true);
    other_got_in = operation.ok();
    locks.unlock(numberLockRange(9));
  }
  waiter.join();
  EXPECT_TRUE(other_got_in);
  EXPECT_EQ(waited, LockOutcome::Granted);
  EXPECT_GE(refreshes, 3) << "each taking of the operation lock re-reads the header";
}

}  // namespace
}  // namespace veltrano::storage
