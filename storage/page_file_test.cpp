#include "storage/page_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

#include "storage/memory_entry_tree.h"
#include "storage/page_file_testing.h"
#include "storage/storage_failure.h"

namespace veltrano::storage {
namespace {

using testing::Bytes;

std::unique_ptr<PageFile> openFile(const std::string& path, const PageFileOptions& options = {},
                                   platform::Creation creation = platform::Creation::OpenOrCreate) {
  int error = -1;
  auto file = PageFile::open(path, creation, options, &error);
  EXPECT_EQ(error, 0);
  return file;
}

Bytes bytesOf(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

TEST(PageFileOpen, EmptyFileIsANewStorageFile) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("new.wlk");
  auto file = openFile(path);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->header().root, kNoPage);
  EXPECT_EQ(file->header().runs, PageRuns{});
  EXPECT_TRUE(file->header().pendingEmpty());
  Entry entry;
  EXPECT_FALSE(file->seek({}, Seek::AtOrAfter, entry));
  // Even with nothing in it, the first flush writes a whole header.
  EXPECT_TRUE(file->hasChanges());
  ASSERT_EQ(file->flush(), 0);
  const Bytes image = testing::readWholeFile(path);
  ASSERT_EQ(image.size(), kFileHeaderBytes);
  EXPECT_EQ(Bytes(image.begin() + 14, image.begin() + 18), bytesOf("wLoK"));
  EXPECT_EQ(loadLe16(image.data() + 4), 512);
  EXPECT_EQ(loadLe32(image.data() + 6), 512u);  // pending area empty, right after the header
  EXPECT_EQ(loadLe32(image.data() + 10), 512u);
  EXPECT_EQ(loadLe32(image.data() + 28), kNoPage);
  EXPECT_GT(loadLe32(image.data() + 24), 0u);
  EXPECT_FALSE(file->hasChanges());
}

TEST(PageFileOpen, ShortFilesAndOtherMagicAreNotStorageFiles) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("bad.wlk");
  int error = 0;
  testing::writeWholeFile(path, Bytes(100, 0));
  EXPECT_EQ(PageFile::open(path, platform::Creation::OpenExisting, {}, &error), nullptr);
  EXPECT_EQ(error, 36);
  testing::writeWholeFile(path, Bytes(1024, 0));
  EXPECT_EQ(PageFile::open(path, platform::Creation::OpenExisting, {}, &error), nullptr);
  EXPECT_EQ(error, 36);
  EXPECT_EQ(PageFile::open(directory.file("missing.wlk"), platform::Creation::OpenExisting, {}, &error),
            nullptr);
  EXPECT_EQ(error, 2);
}

TEST(PageFileOpen, WrongOwnerPasswordIsNotAStorageFile) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("owned.wlk");
  PageFileOptions owner;
  owner.owner = "secret";
  {
    auto file = openFile(path, owner);
    file->insert(bytesOf("k"), bytesOf("v"));
    ASSERT_EQ(file->flush(), 0);
  }
  const Bytes image = testing::readWholeFile(path);
  EXPECT_EQ(std::search(image.begin(), image.end(), std::begin("wLoK"), std::end("wLoK") - 1), image.end());
  int error = 0;
  PageFileOptions wrong;
  wrong.owner = "Secret";
  EXPECT_EQ(PageFile::open(path, platform::Creation::OpenExisting, wrong, &error), nullptr);
  EXPECT_EQ(error, 36);
  auto file = openFile(path, owner);
  Entry entry;
  ASSERT_TRUE(file->find(bytesOf("k"), entry));
  EXPECT_EQ(Bytes(entry.data().begin(), entry.data().end()), bytesOf("v"));
}

// A station writing the header holds the write lock; a station opening the file meanwhile must
// not read the half-written header (it would take the file for a damaged one) but wait for it.
TEST(PageFileOpen, OpeningWaitsForTheHeaderAWriterIsWriting) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("shared.wlk");
  {
    auto file = openFile(path);
    file->insert(bytesOf("k"), bytesOf("v"));
    ASSERT_EQ(file->flush(), 0);
  }
  const Bytes whole = testing::readWholeFile(path);
  int error = 0;
  auto writer = platform::fileSystem().open(path, platform::Access::ReadWrite,
                                            platform::Creation::OpenExisting, &error);
  ASSERT_NE(writer, nullptr);
  ASSERT_EQ(writer->lock(0x80000000, 1023, platform::LockKind::Exclusive, platform::LockWait::Fail),
            platform::LockOutcome::Granted);
  const Bytes torn(kFileHeaderBytes, 0);
  ASSERT_EQ(writer->write(0, torn).error, 0);

  std::promise<int> opened;
  std::thread opener([&] {
    int outcome = -1;
    auto file = PageFile::open(path, platform::Creation::OpenExisting, {}, &outcome);
    Entry entry;
    opened.set_value(file != nullptr && file->find(bytesOf("k"), entry) ? 0 : outcome);
  });
  auto result = opened.get_future();
  EXPECT_EQ(result.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  ASSERT_EQ(writer->write(0, std::span<const std::uint8_t>(whole.data(), kFileHeaderBytes)).error, 0);
  writer->unlock(0x80000000, 1023);
  opener.join();
  EXPECT_EQ(result.get(), 0);
}

// Entries of every length the tree stores go in, split, move and come back, however many share
// long prefixes (their separators are then nearly as long as the keys); longer ones are refused
// before anything changes: 1678 for an entry no page of 59 units holds or a key an index page
// cannot hold twice, 824 for an entry of 15094 bytes or more.
TEST(PageFileEntries, EntriesAcrossTheWholeRangeAreStoredAndLongerOnesRefused) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("big.wlk");
  auto file = openFile(path);
  MemoryEntryTree model;
  std::mt19937 random(2406);
  auto longest = [&](std::size_t largest) {
    return testing::roll(random, 3) == 0 ? largest - testing::roll(random, 8)
                                         : 1 + testing::roll(random, static_cast<std::uint32_t>(largest));
  };
  for (std::uint32_t i = 0; i < 300; ++i) {
    Bytes key(std::max<std::size_t>(longest(kLargestStoredKey), 4), 'S');
    storeBe32(key.data() + key.size() - 4, i);
    const Bytes data = testing::randomData(random, longest(kLargestStoredEntry - key.size()));
    file->insert(key, data);
    model.insert(key, data);
    if (i % 7 == 3) {
      Entry victim;
      if (model.seek(testing::randomData(random, 40), Seek::AtOrAfter, victim)) {
        const Bytes gone(victim.key().begin(), victim.key().end());
        ASSERT_EQ(file->erase(gone), model.erase(gone));
      }
    }
    if (i % 25 == 24) {
      ASSERT_EQ(file->flush(), 0);
    }
  }
  ASSERT_EQ(file->flush(), 0);
  file.reset();
  file = openFile(path);
  ASSERT_TRUE(testing::sameEntries(*file, model));
  const struct {
    std::size_t key, data;
    int failure;
  } refused[] = {{10, kLargestStoredEntry - 9, 1678},
                 {10, kEntryLengthLimit - 11, 1678},
                 {10, kEntryLengthLimit - 10, 824},
                 {kLargestStoredKey + 1, 0, 1678}};
  for (const auto& entry : refused) {
    try {
      file->insert(Bytes(entry.key, 1), Bytes(entry.data, 2));
      ADD_FAILURE() << "an entry of " << entry.key + entry.data << " bytes was accepted";
    } catch (const StorageFailure& failure) {
      EXPECT_EQ(failure.number(), entry.failure) << entry.key << " + " << entry.data;
    }
    EXPECT_FALSE(file->hasChanges());
  }
  EXPECT_TRUE(testing::sameEntries(*file, model));
}

TEST(PageFileEntries, NumberCounterStopsBeforeNameEntries) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("numbers.wlk");
  {
    auto file = openFile(path);
    file->setLastNumber(0xFDFFFFFF);
    try {
      file->setLastNumber(0xFE000000);
      FAIL();
    } catch (const StorageFailure& failure) {
      EXPECT_EQ(failure.number(), 1173);
    }
    ASSERT_EQ(file->flush(), 0);
  }
  const Bytes image = testing::readWholeFile(path);
  EXPECT_EQ(Bytes(image.begin() + 20, image.begin() + 24), (Bytes{0xFD, 0xFF, 0xFF, 0xFF}));  // big-endian
  EXPECT_EQ(openFile(path)->lastNumber(), 0xFDFFFFFFu);
}

// Random operations against the in-memory model, checking every read, with flushes, reopens
// and rollbacks along the way. Long keys every so often make the tree three levels deep.
void runAgainstModel(const PageFileOptions& options, std::uint32_t seed, int operations) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("model.wlk");
  auto file = openFile(path, options);
  MemoryEntryTree model;
  MemoryEntryTree flushed;
  std::mt19937 random(seed);
  Entry got;
  Entry expected;
  std::size_t deepest = 0;
  for (int step = 0; step < operations; ++step) {
    const unsigned action = testing::roll(random, 100);
    const Bytes key = testing::randomKey(random, 3000, 97);
    if (action < 45) {
      const Bytes data = testing::randomData(random, testing::roll(random, 10) == 0 ? 3000 : 120);
      file->insert(key, data);
      model.insert(key, data);
    } else if (action < 70) {
      ASSERT_EQ(file->erase(key), model.erase(key)) << "step " << step;
    } else if (action < 85) {
      const bool found = file->find(key, got);
      ASSERT_EQ(found, model.find(key, expected)) << "step " << step;
      if (found) {
        ASSERT_EQ(got.bytes, expected.bytes) << "step " << step;
      }
    } else if (action < 97) {
      const auto where = static_cast<Seek>(testing::roll(random, 4));
      const bool found = file->seek(key, where, got);
      ASSERT_EQ(found, model.seek(key, where, expected)) << "step " << step;
      if (found) {
        ASSERT_EQ(got.bytes, expected.bytes) << "step " << step;
      }
    } else if (action < 98) {
      file->setLastNumber(file->lastNumber() + 1);
      model.setLastNumber(model.lastNumber() + 1);
    } else if (action < 99) {
      ASSERT_EQ(file->flush(), 0);
      flushed = model;
      if (testing::roll(random, 4) == 0) {
        file.reset();
        file = openFile(path, options);
        ASSERT_TRUE(testing::sameEntries(*file, model)) << "step " << step;
      }
    } else {
      file->discardChanges();
      model = flushed;
      ASSERT_TRUE(testing::sameEntries(*file, model)) << "step " << step;
    }
    if (file->header().root != kNoPage && file->header().root < kFirstUnplacedId) {
      deepest = std::max<std::size_t>(deepest, 1);
    }
  }
  ASSERT_EQ(file->flush(), 0);
  EXPECT_TRUE(file->header().runs.consistent());
  file.reset();
  file = openFile(path, options);
  EXPECT_TRUE(testing::sameEntries(*file, model));
  EXPECT_GT(model.size(), 300u);
}

TEST(PageFileModel, RandomOperationsPlain) {
  runAgainstModel({}, 20240611, 30000);
}

TEST(PageFileModel, RandomOperationsEnciphered) {
  PageFileOptions options;
  options.owner = "Кадры";
  runAgainstModel(options, 777, 12000);
}

}  // namespace
}  // namespace veltrano::storage

namespace veltrano::storage {
namespace {

Bytes numberedKey(std::uint32_t number) {
  return {static_cast<std::uint8_t>(number >> 24), static_cast<std::uint8_t>(number >> 16),
          static_cast<std::uint8_t>(number >> 8), static_cast<std::uint8_t>(number)};
}

// A scan reads entry after entry with seek(After) while the tree changes around the cursor:
// entries inserted right after it and erased in front of it, reads elsewhere in the file, updates
// written (pages renumbered), changes discarded, and another station's update reloaded. Each
// answer must be the one the model gives, never an entry a remembered leaf held earlier.
TEST(PageFileModel, ScanSeesEveryChangeAroundTheCursor) {
  testing::ScratchDirectory directory;
  const auto path = directory.file("scan.wlk");
  auto file = openFile(path);
  MemoryEntryTree model;
  std::mt19937 random(4242);
  for (std::uint32_t n = 0; n < 3000; ++n) {
    const Bytes data = testing::randomData(random, 100);
    file->insert(numberedKey(n * 16), data);
    model.insert(numberedKey(n * 16), data);
  }
  ASSERT_EQ(file->flush(), 0);
  MemoryEntryTree flushed = model;
  Entry got;
  Entry expected;
  for (int pass = 0; pass < 2; ++pass) {
    const bool forward = pass == 0;
    const Seek step = forward ? Seek::After : Seek::Before;
    Bytes cursor = forward ? Bytes{} : Bytes(5, 0xFF);
    for (int moves = 0;; ++moves) {
      const bool found = file->seek(cursor, step, got);
      ASSERT_EQ(found, model.seek(cursor, step, expected)) << "pass " << pass << " move " << moves;
      if (!found) break;
      ASSERT_EQ(got.bytes, expected.bytes) << "pass " << pass << " move " << moves;
      cursor.assign(got.key().begin(), got.key().end());
      const unsigned action = testing::roll(random, 100);
      const std::uint32_t at = std::uint32_t{cursor[0]} << 24 | std::uint32_t{cursor[1]} << 16 |
                               std::uint32_t{cursor[2]} << 8 | std::uint32_t{cursor[3]};
      if (action < 15) {
        // The next entry the scan will meet, inserted into the leaf it is reading.
        const Bytes key = numberedKey(forward ? at + 1 : at - 1);
        const Bytes data = testing::randomData(random, 100);
        file->insert(key, data);
        model.insert(key, data);
      } else if (action < 30) {
        Entry next;
        if (model.seek(cursor, step, next)) {
          const Bytes key(next.key().begin(), next.key().end());
          ASSERT_TRUE(file->erase(key));
          model.erase(key);
        }
      } else if (action < 50) {
        const Bytes key = numberedKey(static_cast<std::uint32_t>(testing::roll(random, 3000)) * 16);
        ASSERT_EQ(file->find(key, got), model.find(key, expected));
        const Bytes near = numberedKey(static_cast<std::uint32_t>(testing::roll(random, 48000)));
        ASSERT_EQ(file->seek(near, Seek::AtOrAfter, got), model.seek(near, Seek::AtOrAfter, expected));
        ASSERT_EQ(got.bytes, expected.bytes);
      } else if (action < 55) {
        // Many entries in front of the cursor: leaves split and pages move.
        for (int k = 0; k < 60; ++k) {
          const Bytes key = numberedKey(forward ? at + 2 + static_cast<std::uint32_t>(k) % 13
                                                : at - 2 - static_cast<std::uint32_t>(k) % 13);
          const Bytes data = testing::randomData(random, 200);
          file->insert(key, data);
          model.insert(key, data);
        }
      } else if (action < 60) {
        ASSERT_EQ(file->flush(), 0);
        flushed = model;
      } else if (action < 63) {
        file->discardChanges();
        model = flushed;
      } else if (action < 65) {
        ASSERT_EQ(file->flush(), 0);
        {
          auto other = openFile(path, {}, platform::Creation::OpenExisting);
          const Bytes key = numberedKey(forward ? at + 3 : at - 3);
          other->insert(key, bytesOf("from another station"));
          model.insert(key, bytesOf("from another station"));
          Entry next;
          if (model.seek(key, step, next)) {
            const Bytes gone(next.key().begin(), next.key().end());
            ASSERT_TRUE(other->erase(gone));
            model.erase(gone);
          }
          ASSERT_EQ(other->flush(), 0);
        }
        ASSERT_TRUE(file->reloadIfChanged());
        flushed = model;
      }
    }
  }
  ASSERT_EQ(file->flush(), 0);
  EXPECT_TRUE(testing::sameEntries(*file, model));
}

// A scan reads the leaves in front of it a batch at a time. What it gives must be what the tree
// holds, with changes not yet written and pages already cached among those it reads ahead; on a
// damaged file it must stop where a walk entry by entry stops, with the same failure. A scan of
// parts, which visits the leaves it reads undecoded, likewise.
TEST(PageFileScan, LeavesReadAheadGiveWhatTheTreeHoldsAndFailWhereAWalkFails) {
  for (const bool enciphered : {false, true}) {
    SCOPED_TRACE(enciphered ? "enciphered" : "plain");
    testing::ScratchDirectory directory;
    const auto path = directory.file("ahead.wlk");
    PageFileOptions options;
    if (enciphered) options.owner = "Кадры";
    MemoryEntryTree model;
    std::mt19937 random(99);
    auto file = openFile(path, options);
    for (std::uint32_t n = 0; n < 4000; ++n) {
      const Bytes data = testing::randomData(random, 300);
      file->insert(numberedKey(n * 4), data);
      model.insert(numberedKey(n * 4), data);
    }
    ASSERT_EQ(file->flush(), 0);
    file = openFile(path, options);
    Entry got;
    for (int k = 0; k < 40; ++k) {
      const std::uint32_t at = testing::roll(random, 16000);
      if (k % 3 == 0) {
        file->find(numberedKey(at), got);  // a leaf cached before the scan
      } else if (k % 3 == 1) {
        const Bytes data = testing::randomData(random, 300);
        file->insert(numberedKey(at), data);
        model.insert(numberedKey(at), data);
      } else {
        const Bytes key = numberedKey(at / 4 * 4);
        ASSERT_EQ(file->erase(key), model.erase(key));
      }
    }
    // A scan of parts gives each entry's key, its data's length and the wanted bytes of it; the
    // model gives whole entries, of which the same bytes are taken.
    const std::vector<DataRange> wanted{{0, 2}, {3, 10}, {40, 30}, {250, 100}};
    auto visits = [&wanted](EntryTree& tree, std::uint32_t from, std::size_t limit, bool parts) {
      std::vector<Bytes> seen;
      const EntryVisitor visit = [&](auto key, auto data) {
        Bytes entry(key.begin(), key.end());
        if (!parts) {
          entry.insert(entry.end(), data.begin(), data.end());
        } else {
          entry.push_back(static_cast<std::uint8_t>(data.size()));
          entry.push_back(static_cast<std::uint8_t>(data.size() >> 8));
          for (const DataRange& range : wanted) {
            for (std::size_t k = range.offset;
                 k < std::min<std::size_t>(data.size(), range.offset + range.size); ++k)
              entry.push_back(data[k]);
          }
        }
        seen.push_back(std::move(entry));
        return seen.size() < limit;
      };
      if (parts) {
        tree.scanParts(numberedKey(from), true, wanted, visit);
      } else {
        tree.scan(numberedKey(from), true, visit);
      }
      return seen;
    };
    for (const auto& [from, limit] : {std::pair<std::uint32_t, std::size_t>{0, 100000},
                                      {0, 3},
                                      {5001, 700},
                                      {12345, 2500},
                                      {15990, 50}}) {
      for (const bool parts : {true, false}) {
        EXPECT_TRUE(visits(*file, from, limit, parts) == visits(model, from, limit, parts))
            << "from " << from << ", " << limit << (parts ? ", parts" : "");
      }
    }

    // The file cut short, so that reads of pages past the cut fail, at the first length that
    // leaves the walk's root and its first thousand entries whole.
    ASSERT_EQ(file->flush(), 0);
    file.reset();
    const Bytes whole = testing::readWholeFile(path);
    auto failureOf = [](auto&& walk) {
      try {
        walk();
      } catch (const StorageFailure& failure) {
        return failure.number();
      }
      return 0;
    };
    std::size_t walked = 0;
    int walk_failure = 0;
    std::size_t cut = whole.size();
    while (walked < 1000 && cut > whole.size() / 2) {
      cut -= 4 * kUnitBytes;
      testing::writeWholeFile(path, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
      file = openFile(path, options);
      walked = 0;
      walk_failure = failureOf([&] {
        for (Bytes key; file->seek(key, Seek::After, got); ++walked)
          key.assign(got.key().begin(), got.key().end());
      });
    }
    ASSERT_GE(walked, 1000u);
    ASSERT_NE(walk_failure, 0);
    for (const bool parts : {false, true}) {
      std::size_t scanned = 0;
      file = openFile(path, options);
      const EntryVisitor count = [&](auto, auto) { return ++scanned > 0; };
      const int scan_failure = failureOf([&] {
        if (parts) {
          file->scanParts({}, true, wanted, count);
        } else {
          file->scan({}, true, count);
        }
      });
      EXPECT_EQ(scan_failure, walk_failure);
      EXPECT_EQ(scanned, walked);
    }
  }
}

}  // namespace
}  // namespace veltrano::storage
