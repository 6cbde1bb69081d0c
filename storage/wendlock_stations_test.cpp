// Several stations on one storage file through the driver: each station is a process of its
// own. A station forks before it opens anything, so that no open file is inherited.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include "storage/page_file.h"
#include "storage/station_test_support.h"
#include "storage/wendlock_check.h"
#include "storage/wendlock_driver.h"
#include "storage/wendlock_test_support.h"

namespace veltrano::storage {
namespace {

using runtime::TypeCode;
using testing::getField;
using testing::setField;
using testing::Signal;
using testing::spawnStation;
using testing::Statement;
using testing::stationResult;

class WendlockStationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = testing::stationDirectory("stations");
    name_ = (directory_ / "SHARED.WLK").string() + "\\!CARDS";
    auto file = declare();
    Statement s{file->file()};
    ASSERT_EQ(s(Operation::Create), 0);
    ASSERT_EQ(s.open(0x42), 0);
    for (int id = 1; id <= 3; ++id) ASSERT_EQ(add(*file, id, 0), 0);
    ASSERT_EQ(s(Operation::Close), 0);
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  std::unique_ptr<DeclaredFile> declare() {
    runtime::RecordLayoutBuilder fields;
    fields.scalar("CRD:ID", TypeCode::Long)
        .scalar("CRD:VERSION", TypeCode::Long)
        .scalar("CRD:TAG", TypeCode::Long);
    auto file = DeclaredFile::make("CARDS", fields.build());
    file->setName(name_);
    file->setDriver(wendlockDriver());
    file->addKey("CRD:ID_KEY", {"CRD:ID"}, kKeyPrimary);
    return file;
  }

  static int add(DeclaredFile& file, long id, long version, long tag = 0) {
    testing::clear(file);
    setField(file, "CRD:ID", std::to_string(id));
    setField(file, "CRD:VERSION", std::to_string(version));
    setField(file, "CRD:TAG", std::to_string(tag));
    return Statement{file.file()}(Operation::Add);
  }

  // GET by the primary key, with the requests made before it.
  static int get(DeclaredFile& file, long id) {
    setField(file, "CRD:ID", std::to_string(id));
    return Statement{file.file()}.key(Operation::GetFileKey, file.key("CRD:ID_KEY"));
  }

  static int hold(DeclaredFile& file, std::int32_t seconds) {
    OperationArguments arguments;
    arguments.seconds = seconds;
    fileStatement(seconds > 0 ? Operation::HoldFileSec : Operation::HoldFile, file.file(), arguments);
    return runtime::errorCode();
  }

  // A station: opens the file shared and runs `body` on it.
  pid_t station(const std::function<int(DeclaredFile&)>& body) {
    return spawnStation([this, body] {
      auto file = declare();
      if (Statement{file->file()}.open(0x42) != 0) return 100;
      const int outcome = body(*file);
      Statement{file->file()}(Operation::Close);
      return outcome;
    });
  }

  std::filesystem::path directory_;
  std::string name_;
};

TEST_F(WendlockStationsTest, HeldRecordIsAlreadyHeldForAnotherStationUntilPut) {
  Signal holding, tried, put_done;
  const pid_t other = station([&](DeclaredFile& file) {
    if (!holding.await()) return 1;
    if (hold(file, 0) != 0 || get(file, 2) != 43) return 2;
    // A wait shorter than the hold still ends in 43, and took its time.
    const auto started = std::chrono::steady_clock::now();
    if (hold(file, 1) != 0 || get(file, 2) != 43) return 3;
    if (std::chrono::steady_clock::now() - started < std::chrono::milliseconds(900)) return 4;
    if (get(file, 1) != 0) return 5;  // other records are free, and reading without HOLD is
    if (get(file, 2) != 0) return 6;
    // PUT and DELETE of a held record are refused.
    if (Statement{file.file()}(Operation::Put) != 5) return 7;
    if (Statement{file.file()}(Operation::Delete) != 33) return 8;
    tried.raise();
    // Waiting with HOLD is granted once the holder's PUT lets go, and reads what it wrote.
    if (!put_done.await()) return 9;
    if (hold(file, 5) != 0 || get(file, 2) != 0) return 10;
    return getField(file, "CRD:VERSION") == "7" ? 0 : 11;
  });
  auto file = declare();
  Statement s{file->file()};
  ASSERT_EQ(s.open(0x42), 0);
  ASSERT_EQ(hold(*file, 0), 0);
  ASSERT_EQ(get(*file, 2), 0);
  holding.raise();
  ASSERT_TRUE(tried.await());
  setField(*file, "CRD:VERSION", "7");
  ASSERT_EQ(s(Operation::Put), 0);
  put_done.raise();
  EXPECT_EQ(stationResult(other), 0);
}

TEST_F(WendlockStationsTest, WatchDetectsAnotherStationsPut) {
  Signal watching, changed;
  const pid_t other = station([&](DeclaredFile& file) {
    if (!watching.await()) return 1;
    if (get(file, 3) != 0) return 2;
    setField(file, "CRD:VERSION", "9");
    if (Statement{file.file()}(Operation::Put) != 0) return 3;
    changed.raise();
    return 0;
  });
  auto file = declare();
  Statement s{file->file()};
  ASSERT_EQ(s.open(0x42), 0);
  ASSERT_EQ(s(Operation::Watch), 0);
  ASSERT_EQ(get(*file, 3), 0);
  watching.raise();
  ASSERT_TRUE(changed.await());
  setField(*file, "CRD:TAG", "1");
  EXPECT_EQ(s(Operation::Put), 89);
  EXPECT_EQ(stationResult(other), 0);
  // The change is there for this station to read.
  ASSERT_EQ(get(*file, 3), 0);
  EXPECT_EQ(getField(*file, "CRD:VERSION"), "9");
}

// A WATCH survives the read again that follows a wait for a held record: the holder's PUT in a
// transaction lets the record go before its COMMIT writes the change, and a PUT of the stale
// copy must then see that change (89), not overwrite it.
TEST_F(WendlockStationsTest, WatchSurvivesTheReadAgainAfterWaitingForAHold) {
  Signal held, putting;
  const pid_t other = station([&](DeclaredFile& file) {
    if (!held.await()) return 1;
    if (Statement{file.file()}(Operation::Watch) != 0) return 2;
    if (hold(file, 5) != 0 || get(file, 2) != 0) return 3;  // waits for the holder's PUT
    if (getField(file, "CRD:VERSION") != "0") return 4;     // its change is not committed yet
    setField(file, "CRD:TAG", "1");
    putting.raise();
    return Statement{file.file()}(Operation::Put) == 89 ? 0 : 5;  // waits for the COMMIT
  });
  auto file = declare();
  Statement s{file->file()};
  ASSERT_EQ(s.open(0x42), 0);
  OperationArguments transaction;
  transaction.files.push_back(&file->file());
  fileStatement(Operation::Logout, file->file(), transaction);
  ASSERT_EQ(runtime::errorCode(), 0);
  ASSERT_EQ(hold(*file, 0), 0);
  ASSERT_EQ(get(*file, 2), 0);
  held.raise();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the other station now waits
  setField(*file, "CRD:VERSION", "7");
  ASSERT_EQ(s(Operation::Put), 0);
  ASSERT_TRUE(putting.await());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // its PUT waits for the writer
  ASSERT_EQ(s(Operation::Commit), 0);
  EXPECT_EQ(stationResult(other), 0);
  ASSERT_EQ(get(*file, 2), 0);
  EXPECT_EQ(getField(*file, "CRD:VERSION"), "7");
  EXPECT_EQ(getField(*file, "CRD:TAG"), "0");
}

// An ADD refused for a duplicate key changes nothing, in a transaction or outside one: had it
// left changed pages behind (the record number it took), this station could not take in another
// station's update, and its next write would put its stale pages over that update.
TEST_F(WendlockStationsTest, ARefusedAddLeavesNothingToWriteOverAnotherStationsUpdate) {
  // Round 1 alone, round 2 in a transaction. Each round's other station updates card 3 and adds
  // card 10 + round once this station's ADD has been refused; both fork before anything opens.
  Signal refused[2], updated[2];
  pid_t others[2];
  for (int round = 1; round <= 2; ++round) {
    others[round - 1] = station([&, round](DeclaredFile& theirs) {
      if (!refused[round - 1].await()) return 1;
      if (get(theirs, 3) != 0) return 2;
      setField(theirs, "CRD:VERSION", std::to_string(round));
      if (Statement{theirs.file()}(Operation::Put) != 0) return 3;
      if (add(theirs, 10 + round, 0) != 0) return 4;
      updated[round - 1].raise();
      return 0;
    });
  }
  auto file = declare();
  Statement s{file->file()};
  ASSERT_EQ(s.open(0x42), 0);
  for (int round = 1; round <= 2; ++round) {
    const bool in_transaction = round == 2;
    SCOPED_TRACE(in_transaction ? "in a transaction" : "alone");
    if (in_transaction) {
      OperationArguments transaction;
      transaction.files.push_back(&file->file());
      ASSERT_EQ(s(Operation::Logout, transaction), 0);
    }
    EXPECT_EQ(add(*file, 1, 0), 40);
    refused[round - 1].raise();
    // Outside a transaction the other station's update is read at once; inside one it may be
    // kept waiting for the commit, so the wait is only given time to happen.
    if (in_transaction) {
      updated[round - 1].await(300);
    } else {
      ASSERT_TRUE(updated[round - 1].await());
      ASSERT_EQ(get(*file, 3), 0);
      EXPECT_EQ(getField(*file, "CRD:VERSION"), std::to_string(round));
    }
    ASSERT_EQ(add(*file, 20 + round, 0), 0);
    if (in_transaction) {
      ASSERT_EQ(s(Operation::Commit), 0);
    }
    EXPECT_EQ(stationResult(others[round - 1]), 0);
    for (const long id : {10 + round, 20 + round}) {
      EXPECT_EQ(get(*file, id), 0) << id;
    }
    ASSERT_EQ(get(*file, 3), 0);
    EXPECT_EQ(getField(*file, "CRD:VERSION"), std::to_string(round));
  }
  EXPECT_EQ(s(Operation::Close), 0);
}

// A read run (a view counting its rows) holds one reader slot for many reads: another
// station's update waits until the run ends, the run's own station may still write, and the
// run's reads see the file as it was when the run began.
TEST_F(WendlockStationsTest, ReadRunKeepsOtherStationsUpdatesWaitingUntilItEnds) {
  Signal running, written;
  const pid_t other = station([&](DeclaredFile& file) {
    if (!running.await()) return 1;
    if (get(file, 2) != 0) return 2;
    setField(file, "CRD:VERSION", "5");
    if (Statement{file.file()}(Operation::Put) != 0) return 3;
    written.raise();
    return 0;
  });
  auto file = declare();
  Statement s{file->file()};
  ASSERT_EQ(s.open(0x42), 0);
  auto run = file->file().driver->holdReads(file->file());
  ASSERT_NE(run, nullptr);
  ASSERT_EQ(get(*file, 1), 0);
  setField(*file, "CRD:TAG", "8");
  ASSERT_EQ(s(Operation::Put), 0);  // lets go of the run's slot for its flush, then takes it back
  running.raise();
  EXPECT_FALSE(written.await(500));
  ASSERT_EQ(get(*file, 2), 0);
  EXPECT_EQ(getField(*file, "CRD:VERSION"), "0");
  run.reset();
  ASSERT_TRUE(written.await());
  EXPECT_EQ(stationResult(other), 0);
  ASSERT_EQ(get(*file, 2), 0);
  EXPECT_EQ(getField(*file, "CRD:VERSION"), "5");
  ASSERT_EQ(get(*file, 1), 0);
  EXPECT_EQ(getField(*file, "CRD:TAG"), "8");
}

TEST_F(WendlockStationsTest, LockedTableGivesAlreadyLockedUntilUnlocked) {
  Signal locked, tried;
  const pid_t other = station([&](DeclaredFile& file) {
    if (!locked.await()) return 1;
    Statement s{file.file()};
    if (s(Operation::LockFile) != 32) return 2;
    OperationArguments wait;
    wait.seconds = 1;
    fileStatement(Operation::LockFileSec, file.file(), wait);
    if (runtime::errorCode() != 32) return 3;
    tried.raise();
    OperationArguments longer;
    longer.seconds = 5;
    fileStatement(Operation::LockFileSec, file.file(), longer);
    return runtime::errorCode() == 0 ? 0 : 4;
  });
  auto file = declare();
  Statement s{file->file()};
  ASSERT_EQ(s.open(0x42), 0);
  ASSERT_EQ(s(Operation::LockFile), 0);
  ASSERT_EQ(s(Operation::LockFile), 0) << "locking again is no conflict with oneself";
  locked.raise();
  ASSERT_TRUE(tried.await());
  ASSERT_EQ(s(Operation::Unlock), 0);
  EXPECT_EQ(stationResult(other), 0);
}

TEST_F(WendlockStationsTest, ExclusiveOpenKeepsOtherStationsOut) {
  Signal opened, done;
  const pid_t keeper = spawnStation([&] {
    auto file = declare();
    if (Statement{file->file()}.open(0x12) != 0) return 1;
    opened.raise();
    if (!done.await()) return 2;
    Statement{file->file()}(Operation::Close);
    return 0;
  });
  ASSERT_TRUE(opened.await());
  auto file = declare();
  Statement s{file->file()};
  EXPECT_EQ(s.open(0x42), 5);
  EXPECT_EQ(s.open(0x40), 5);
  done.raise();
  EXPECT_EQ(stationResult(keeper), 0);
  EXPECT_EQ(s.open(0x42), 0);
}

// Four stations change the file at random for a while: ADD and DELETE of their own cards, PUT
// with HOLD of anyone's. Each logs what succeeded; the file must hold exactly what the logs say.
TEST_F(WendlockStationsTest, StressOfFourStationsLeavesExactlyWhatTheyCommitted) {
  constexpr int kStations = 4;
  constexpr int kCardsEach = 8;
  constexpr long kIncarnation = 1000000;
  std::vector<pid_t> stations;
  for (int p = 0; p < kStations; ++p) {
    stations.push_back(station([&, p](DeclaredFile& file) {
      std::mt19937 random(static_cast<unsigned>(1234 + p));
      std::ofstream log(directory_ / ("log" + std::to_string(p)));
      std::map<long, long> own;  // own card → incarnation while present
      long incarnations = 0;
      long sequence = 0;
      Statement s{file.file()};
      const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
      while (std::chrono::steady_clock::now() < until) {
        const long mine = 100 * (p + 1) + static_cast<long>(random() % kCardsEach);
        const int action = static_cast<int>(random() % 3);
        if (action == 0 && own.count(mine) == 0) {
          const long version = ++incarnations * kIncarnation;
          if (add(file, mine, version, p * kIncarnation + ++sequence) != 0) return 1;
          own[mine] = version;
          log << "A " << mine << ' ' << version << ' ' << p * kIncarnation + sequence << '\n';
        } else if (action == 1 && own.count(mine) != 0) {
          if (hold(file, 1) != 0) return 2;
          const int got = get(file, mine);
          if (got == 43) continue;
          if (got != 0) return 3;
          if (s(Operation::Delete) != 0) return 4;
          own.erase(mine);
          log << "D " << mine << '\n';
        } else {
          const long any =
              100 * (1 + static_cast<long>(random() % kStations)) + static_cast<long>(random() % kCardsEach);
          if (hold(file, 1) != 0) return 5;
          const int got = get(file, any);
          if (got == 35 || got == 43) continue;
          if (got != 0) return 6;
          const long version = std::stol(getField(file, "CRD:VERSION")) + 1;
          const long tag = p * kIncarnation + ++sequence;
          setField(file, "CRD:VERSION", std::to_string(version));
          setField(file, "CRD:TAG", std::to_string(tag));
          if (s(Operation::Put) != 0) return 7;
          log << "P " << any << ' ' << version << ' ' << tag << '\n';
        }
      }
      return 0;
    }));
  }
  for (const pid_t child : stations) EXPECT_EQ(stationResult(child), 0);

  // What the logs say: a card is present when its owner's last word on it was an ADD, with the
  // highest version written in that incarnation and the tag of that write.
  std::map<long, bool> present;
  std::map<long, std::pair<long, long>> newest;  // card → version, tag
  for (int p = 0; p < kStations; ++p) {
    std::ifstream log(directory_ / ("log" + std::to_string(p)));
    std::string line;
    while (std::getline(log, line)) {
      std::istringstream fields(line);
      char kind = 0;
      long id = 0, version = 0, tag = 0;
      fields >> kind >> id >> version >> tag;
      if (kind == 'A') present[id] = true;
      if (kind == 'D') present[id] = false;
      if (kind == 'A' || kind == 'P') {
        auto& best = newest[id];
        if (version > best.first) best = {version, tag};
      }
    }
  }
  auto file = declare();
  Statement s{file->file()};
  ASSERT_EQ(s.open(0x42), 0);
  std::size_t expected_count = 3;
  for (const auto& [id, is_present] : present) {
    EXPECT_EQ(get(*file, id), is_present ? 0 : 35) << id;
    if (!is_present) continue;
    ++expected_count;
    EXPECT_EQ(std::stol(getField(*file, "CRD:VERSION")), newest[id].first) << id;
    EXPECT_EQ(std::stol(getField(*file, "CRD:TAG")), newest[id].second) << id;
  }
  EXPECT_GT(present.size(), 8u) << "the stations did too little to prove anything";
  EXPECT_EQ(s.value(Operation::RecordsFile), static_cast<std::int64_t>(expected_count));
  ASSERT_EQ(s(Operation::Close), 0);

  int error = 0;
  auto page_file =
      PageFile::open((directory_ / "SHARED.WLK").string(), platform::Creation::OpenExisting, {}, &error);
  ASSERT_NE(page_file, nullptr);
  EXPECT_EQ(checkEntries(*page_file), std::vector<std::string>{});
}

}  // namespace
}  // namespace veltrano::storage
