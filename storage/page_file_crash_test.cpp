// The page file against crashes and failed writes: after a crash at any write of an update, or a
// write that fails, the file opens to the state before the update or the state after it, never
// anything else.
#include <gtest/gtest.h>

#include <optional>

#include "platform/fault_injection.h"
#include "storage/memory_entry_tree.h"
#include "storage/page_file.h"
#include "storage/page_file_testing.h"

namespace veltrano::storage {
namespace {

using testing::Bytes;

struct Operation {
  bool erase = false;
  Bytes key;
  Bytes data;
};
using Batch = std::vector<Operation>;

void applyBatch(EntryTree& tree, const Batch& batch) {
  for (const Operation& operation : batch) {
    if (operation.erase) {
      tree.erase(operation.key);
    } else {
      tree.insert(operation.key, operation.data);
    }
  }
}

// Updates that first grow the file (splits, pages changing class), then shrink it (merges, runs
// giving pages back), with long keys now and then for a deeper tree.
Batch makeBatch(std::mt19937& random, int update, int updates) {
  const bool growing = update < updates * 3 / 5;
  Batch batch(5 + testing::roll(random, 25));
  for (Operation& operation : batch) {
    operation.key = testing::randomKey(random, 600, 7);
    operation.erase = testing::roll(random, 100) < (growing ? 20u : 75u);
    if (!operation.erase)
      operation.data = testing::randomData(random, testing::roll(random, 8) == 0 ? 1500 : 200);
  }
  return batch;
}

std::unique_ptr<PageFile> openAt(const std::string& path, const PageFileOptions& options) {
  int error = -1;
  auto file = PageFile::open(path, platform::Creation::OpenOrCreate, options, &error);
  EXPECT_EQ(error, 0);
  return file;
}

enum class Seen { Before, After, Neither };

Seen stateOf(const std::string& path, const PageFileOptions& options, MemoryEntryTree& before,
             MemoryEntryTree& after) {
  auto file = openAt(path, options);
  if (file == nullptr) return Seen::Neither;
  if (testing::sameEntries(*file, after)) return Seen::After;
  if (testing::sameEntries(*file, before)) return Seen::Before;
  return Seen::Neither;
}

struct Outcomes {
  int before = 0;
  int after = 0;
  int runs_moved = 0;  // updates in which a run holding pages changed place
};

// For every update of a random sequence and every write k of it: run the update again from the
// same file, crash after write k, and reopen through the real file system.
Outcomes crashAtEveryWrite(const PageFileOptions& options, std::uint32_t seed, int updates) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("crash.wlk");
  std::mt19937 random(seed);
  MemoryEntryTree model;
  Outcomes outcomes;
  platform::FaultInjectingFileSystem faults;
  for (int update = 0; update < updates; ++update) {
    const Batch batch = makeBatch(random, update, updates);
    MemoryEntryTree after = model;
    applyBatch(after, batch);
    after.setLastNumber(static_cast<std::uint32_t>(update + 1));
    const Bytes saved = testing::readWholeFile(path);
    std::uint64_t writes = 0;
    for (std::uint64_t k = 0;; ++k) {
      testing::writeWholeFile(path, saved);
      {
        platform::FileSystemOverride use_faults(faults);
        auto file = openAt(path, options);
        if (file == nullptr) return outcomes;
        applyBatch(*file, batch);
        file->setLastNumber(static_cast<std::uint32_t>(update + 1));
        faults.clearFaults();
        faults.resetCount();
        if (k > 0) faults.crashAfterWrite(k);
        const int result = file->flush();
        if (k == 0) {
          EXPECT_EQ(result, 0);
          writes = faults.writeCount();
        }
      }
      faults.clearFaults();
      if (k == 0) continue;  // the counting run; the crashes follow
      const Seen seen = stateOf(path, options, model, after);
      EXPECT_NE(seen, Seen::Neither) << "update " << update << ", crash after write " << k << " of "
                                     << writes;
      if (seen == Seen::Neither) return outcomes;
      (seen == Seen::After ? outcomes.after : outcomes.before) += 1;
      // Opening again finds the same state: recovery left nothing behind.
      EXPECT_EQ(stateOf(path, options, model, after), seen);
      if (k >= writes) break;
    }
    // Leave the file in the state after the update for the next one.
    testing::writeWholeFile(path, saved);
    auto file = openAt(path, options);
    const PageRuns runs_before = file->header().runs;
    applyBatch(*file, batch);
    file->setLastNumber(static_cast<std::uint32_t>(update + 1));
    EXPECT_EQ(file->flush(), 0);
    for (std::size_t c = 1; c < kRunCount; ++c) {
      if (runs_before.start[c] != runs_before.end[c] &&
          runs_before.start[c] != file->header().runs.start[c]) {
        ++outcomes.runs_moved;
        break;
      }
    }
    model = after;
  }
  return outcomes;
}

TEST(PageFileCrash, EveryWriteOfEveryUpdatePlain) {
  const Outcomes outcomes = crashAtEveryWrite({}, 1234, 45);
  // Crashes before the header names the pending area leave the old state, later ones the new.
  EXPECT_GT(outcomes.before, 45);
  EXPECT_GT(outcomes.after, 45);
  EXPECT_GT(outcomes.runs_moved, 10);
}

TEST(PageFileCrash, EveryWriteOfEveryUpdateEnciphered) {
  PageFileOptions options;
  options.owner = "k";
  const Outcomes outcomes = crashAtEveryWrite(options, 99, 30);
  EXPECT_GT(outcomes.before, 30);
  EXPECT_GT(outcomes.after, 30);
  EXPECT_GT(outcomes.runs_moved, 5);
}

// A write that fails (or transfers only part of its bytes) returns the error; the file shows the
// state before or after, and the same file object writes the update on a second try.
void failEveryWrite(bool shorten, std::uint32_t seed) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("fail.wlk");
  std::mt19937 random(seed);
  MemoryEntryTree model;
  platform::FaultInjectingFileSystem faults;
  PageFileOptions read_only;
  read_only.read_only = true;
  for (int update = 0; update < 20; ++update) {
    const Batch batch = makeBatch(random, update, 20);
    MemoryEntryTree after = model;
    applyBatch(after, batch);
    const Bytes saved = testing::readWholeFile(path);
    for (std::uint64_t k = 1;; ++k) {
      testing::writeWholeFile(path, saved);
      platform::FileSystemOverride use_faults(faults);
      auto file = openAt(path, {});
      applyBatch(*file, batch);
      faults.clearFaults();
      faults.resetCount();
      if (shorten) {
        faults.shortenWrite(k, 100);
      } else {
        faults.failWrite(k);
      }
      const int result = file->flush();
      if (faults.writeCount() < k) {
        EXPECT_EQ(result, 0);
        break;
      }
      EXPECT_NE(result, 0) << "update " << update << ", write " << k;
      EXPECT_EQ(file->error(), result);
      EXPECT_TRUE(file->hasChanges());
      // Another station (reading only) sees no half-done update.
      {
        auto reader = openAt(path, read_only);
        ASSERT_NE(reader, nullptr);
        const bool is_after = testing::sameEntries(*reader, after);
        EXPECT_TRUE(is_after || testing::sameEntries(*reader, model))
            << "update " << update << ", write " << k;
      }
      // The writer still sees its changes and writes them on the next try.
      EXPECT_TRUE(testing::sameEntries(*file, after));
      faults.clearFaults();
      ASSERT_EQ(file->flush(), 0) << "update " << update << ", write " << k;
      file.reset();
      auto reopened = openAt(path, {});
      ASSERT_TRUE(testing::sameEntries(*reopened, after)) << "update " << update << ", write " << k;
    }
    testing::writeWholeFile(path, saved);
    auto file = openAt(path, {});
    applyBatch(*file, batch);
    ASSERT_EQ(file->flush(), 0);
    model = after;
  }
}

TEST(PageFileCrash, FailedWritesLeaveNoHalfUpdate) {
  failEveryWrite(false, 31);
}
TEST(PageFileCrash, ShortWritesLeaveNoHalfUpdate) {
  failEveryWrite(true, 32);
}

// Builds a file holding `first`, then crashes the update that adds `second` right after the
// header names its pending area: the update is durable but not applied.
struct Interrupted {
  Bytes image;
  FileHeader header;
};

Interrupted interruptedUpdate(const std::string& path, const Batch& first, const Batch& second,
                              const PageFileOptions& options = {}) {
  {
    auto file = openAt(path, options);
    applyBatch(*file, first);
    EXPECT_EQ(file->flush(), 0);
  }
  const Bytes saved = testing::readWholeFile(path);
  platform::FaultInjectingFileSystem faults;
  for (std::uint64_t k = 1;; ++k) {
    testing::writeWholeFile(path, saved);
    {
      platform::FileSystemOverride use_faults(faults);
      auto file = openAt(path, options);
      applyBatch(*file, second);
      faults.clearFaults();
      faults.resetCount();
      faults.crashAfterWrite(k);
      file->flush();
    }
    faults.clearFaults();
    Interrupted result{testing::readWholeFile(path), {}};
    std::array<std::uint8_t, kFileHeaderBytes> block{};
    std::copy_n(result.image.begin(), kFileHeaderBytes, block.begin());
    if (!options.owner.empty()) Cipher(options.owner).decipher(block);
    EXPECT_TRUE(FileHeader::decode(block, result.header));
    if (!result.header.pendingEmpty()) return result;
    EXPECT_LT(k, 100u);
    if (k >= 100) return result;
  }
}

Batch someEntries(int count, std::uint8_t tag, std::size_t size) {
  Batch batch;
  for (int i = 0; i < count; ++i) {
    batch.push_back(
        {false, Bytes{tag, static_cast<std::uint8_t>(i)}, Bytes(size, static_cast<std::uint8_t>(i))});
  }
  return batch;
}

TEST(PageFileRecovery, DurableUpdateRollsForwardOnOpen) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("forward.wlk");
  const auto first = someEntries(60, 1, 150);
  auto second = someEntries(40, 2, 90);
  second.push_back({true, Bytes{1, 5}, {}});
  const Interrupted interrupted = interruptedUpdate(path, first, second);
  MemoryEntryTree expected;
  applyBatch(expected, first);
  applyBatch(expected, second);
  auto file = openAt(path, {});
  EXPECT_TRUE(testing::sameEntries(*file, expected));
  EXPECT_TRUE(file->header().pendingEmpty());
  EXPECT_GT(file->changeCounter(), interrupted.header.change_counter);
  // The pending area is gone from the file as well.
  EXPECT_EQ(testing::readWholeFile(path).size(), file->header().pageAreaEndOffset());
}

TEST(PageFileRecovery, ReadOnlyOpenReadsThroughThePendingArea) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("readonly.wlk");
  const auto first = someEntries(30, 1, 200);
  const auto second = someEntries(30, 2, 200);
  interruptedUpdate(path, first, second);
  const Bytes image = testing::readWholeFile(path);
  MemoryEntryTree expected;
  applyBatch(expected, first);
  applyBatch(expected, second);
  PageFileOptions read_only;
  read_only.read_only = true;
  auto file = openAt(path, read_only);
  EXPECT_TRUE(testing::sameEntries(*file, expected));
  EXPECT_EQ(testing::readWholeFile(path), image);  // nothing written
  file->insert(Bytes{7}, Bytes{7});
  EXPECT_EQ(file->flush(), 5);
}

TEST(PageFileRecovery, TornPendingAreaIsDiscarded) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("torn.wlk");
  const auto first = someEntries(50, 1, 120);
  const auto second = someEntries(50, 2, 120);
  MemoryEntryTree expected;
  applyBatch(expected, first);
  for (const std::uint32_t cut : {64u, 300u, 1000u}) {
    std::filesystem::remove(path);
    const Interrupted interrupted = interruptedUpdate(path, first, second);
    // The walk cannot read the last blocks whole.
    Bytes image = interrupted.image;
    image.resize(interrupted.header.pending_end -
                 std::min(cut, interrupted.header.pending_end - interrupted.header.pending_start));
    testing::writeWholeFile(path, image);
    auto file = openAt(path, {});
    EXPECT_TRUE(testing::sameEntries(*file, expected)) << "cut " << cut;
    EXPECT_TRUE(file->header().pendingEmpty());
  }
  // A block whose size leads past the end of the area.
  std::filesystem::remove(path);
  const Interrupted interrupted = interruptedUpdate(path, first, second);
  Bytes image = interrupted.image;
  storeLe16(&image[interrupted.header.pending_start + 4], 0x3B00);
  testing::writeWholeFile(path, image);
  EXPECT_TRUE(testing::sameEntries(*openAt(path, {}), expected));
}

TEST(PageFileRecovery, TransactionHookDecidesOnTheMarker) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("marked.wlk");
  const auto first = someEntries(20, 1, 100);
  Batch second = someEntries(20, 2, 100);
  const Bytes marker_data{0x01, 0x02, 0x03, 0x04, 'C', ':', '\\', 'x', 0};
  second.push_back({false, Bytes{0xFF}, marker_data});
  const Interrupted interrupted = interruptedUpdate(path, first, second);
  MemoryEntryTree before;
  applyBatch(before, first);
  MemoryEntryTree after = before;
  applyBatch(after, second);
  for (const bool keep : {false, true}) {
    testing::writeWholeFile(path, interrupted.image);
    PageFileOptions options;
    Bytes seen;
    options.keep_pending_update = [&](std::span<const std::uint8_t> data) {
      seen.assign(data.begin(), data.end());
      return keep;
    };
    auto file = openAt(path, options);
    EXPECT_EQ(seen, marker_data);
    EXPECT_TRUE(testing::sameEntries(*file, keep ? after : before));
    EXPECT_TRUE(file->header().pendingEmpty());
    // Once decided, the hook is not asked again.
    file.reset();
    seen.clear();
    file = openAt(path, options);
    EXPECT_TRUE(seen.empty());
  }
}

TEST(PageFileRecovery, EncipheredInterruptedUpdateRollsForward) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("owned.wlk");
  PageFileOptions options;
  options.owner = "Отдел кадров";
  const auto first = someEntries(40, 1, 170);
  const auto second = someEntries(40, 3, 60);
  interruptedUpdate(path, first, second, options);
  MemoryEntryTree expected;
  applyBatch(expected, first);
  applyBatch(expected, second);
  EXPECT_TRUE(testing::sameEntries(*openAt(path, options), expected));
}

TEST(PageFileStations, PreparedUpdateCanBeDiscardedOrCompleted) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("twophase.wlk");
  const auto first = someEntries(30, 1, 100);
  {
    auto file = openAt(path, {});
    applyBatch(*file, first);
    ASSERT_EQ(file->flush(), 0);
  }
  MemoryEntryTree before;
  applyBatch(before, first);
  auto file = openAt(path, {});
  file->insert(Bytes{9}, Bytes{9});
  ASSERT_EQ(file->prepareUpdate(), 0);
  file->discardChanges();
  EXPECT_TRUE(testing::sameEntries(*file, before));
  EXPECT_TRUE(testing::sameEntries(*openAt(path, {}), before));
  file->insert(Bytes{9}, Bytes{9});
  ASSERT_EQ(file->prepareUpdate(), 0);
  ASSERT_EQ(file->completeUpdate(), 0);
  before.insert(Bytes{9}, Bytes{9});
  EXPECT_TRUE(testing::sameEntries(*openAt(path, {}), before));
}

TEST(PageFileStations, AnotherStationsUpdateIsSeenAfterReload) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("shared.wlk");
  auto writer = openAt(path, {});
  writer->insert(Bytes{1}, Bytes{1});
  ASSERT_EQ(writer->flush(), 0);
  auto reader = openAt(path, {});
  Entry entry;
  ASSERT_TRUE(reader->find(Bytes{1}, entry));
  EXPECT_FALSE(reader->reloadIfChanged());
  writer->insert(Bytes{2}, Bytes{2});
  writer->erase(Bytes{1});
  ASSERT_EQ(writer->flush(), 0);
  EXPECT_TRUE(reader->reloadIfChanged());
  EXPECT_FALSE(reader->find(Bytes{1}, entry));
  EXPECT_TRUE(reader->find(Bytes{2}, entry));
  EXPECT_EQ(reader->changeCounter(), writer->changeCounter());
  EXPECT_FALSE(reader->reloadIfChanged());
}

}  // namespace
}  // namespace veltrano::storage
