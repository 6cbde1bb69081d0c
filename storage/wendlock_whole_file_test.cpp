// Operations that rewrite a table or a whole storage file, run by one station while another
// adds records to a table of the same file: no ADD the driver acknowledged may be lost.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <set>

#include "storage/page_file.h"
#include "storage/station_test_support.h"
#include "storage/wendlock_check.h"
#include "storage/wendlock_test_support.h"

namespace veltrano::storage {
namespace {

using runtime::TypeCode;
using testing::setField;
using testing::Statement;

std::unique_ptr<DeclaredFile> declareTable(const std::string& name) {
  runtime::RecordLayoutBuilder fields;
  fields.scalar("P:ID", TypeCode::Long).string("P:NAME", 20);
  auto file = DeclaredFile::make("P", fields.build());
  file->setName(name);
  file->setDriver(wendlockDriver());
  file->addKey("P:ID_KEY", {"+P:ID"}, kKeyPrimary);
  file->addKey("P:NAME_KEY", {"+P:NAME"}, kKeyDup | kKeyNocase);
  return file;
}

int addRecord(DeclaredFile& file, long id) {
  testing::clear(file);
  setField(file, "P:ID", std::to_string(id));
  setField(file, "P:NAME", id % 2 == 0 ? "Ivanov" : "IVANOV");
  return Statement{file.file()}(Operation::Add);
}

constexpr long kFirstRecords = 2000;
constexpr long kAdds = 25;

enum class WholeFile { Build, Pack, CreateOver, Copy, Rename, Empty, Remove };

// One run of the operation on the scratch table S (or on P itself for BUILD and PACK, which keep
// its records). 0 when the driver accepted it.
int runOnce(WholeFile operation, const std::string& file_path, int round) {
  auto table = [&](const std::string& name) {
    auto file = declareTable(file_path + "\\!" + name);
    return file;
  };
  switch (operation) {
    case WholeFile::Build:
    case WholeFile::Pack: {
      auto p = table("P");
      Statement s{p->file()};
      if (s.open(0x42) != 0) return 1;
      s(Operation::Send, testing::textArgument("FULLBUILD=ON"));
      const int outcome = s(operation == WholeFile::Build ? Operation::BuildFile : Operation::Pack);
      s(Operation::Close);
      return outcome;
    }
    case WholeFile::CreateOver: return Statement{table("S")->file()}(Operation::Create);
    case WholeFile::Copy:
      return Statement{table("P")->file()}(Operation::Copy, testing::textArgument(file_path + "\\!S"));
    case WholeFile::Rename: {
      const bool there = round % 2 == 0;
      return Statement{table(there ? "S" : "S2")->file()}(
          Operation::Rename, testing::textArgument(file_path + (there ? "\\!S2" : "\\!S")));
    }
    case WholeFile::Empty: {
      auto s_table = table("S");
      Statement s{s_table->file()};
      if (s.open(0x42) != 0) return 1;
      const int outcome = s(Operation::Empty);
      s(Operation::Close);
      return outcome;
    }
    case WholeFile::Remove: {
      if (const int removed = Statement{table("S")->file()}(Operation::Remove); removed != 0) return removed;
      return Statement{table("S")->file()}(Operation::Create);
    }
  }
  return 1;
}

class WholeFileBesideUpdatesTest : public ::testing::TestWithParam<WholeFile> {};

TEST_P(WholeFileBesideUpdatesTest, KeepsEveryAcknowledgedAdd) {
  const auto directory = testing::stationDirectory("whole-file");
  const std::string path = (directory / "SHARED.WLK").string();
  {
    auto p = declareTable(path + "\\!P");
    Statement s{p->file()};
    ASSERT_EQ(s(Operation::Create), 0);
    ASSERT_EQ(Statement{declareTable(path + "\\!S")->file()}(Operation::Create), 0);
    ASSERT_EQ(s.open(0x42), 0);
    // Enough records that rewriting them takes a while beside the other station's adds.
    OperationArguments transaction;
    transaction.files.push_back(&p->file());
    ASSERT_EQ(s(Operation::Logout, transaction), 0);
    for (long id = 1; id <= kFirstRecords; ++id) ASSERT_EQ(addRecord(*p, id), 0);
    ASSERT_EQ(s(Operation::Commit), 0);
    ASSERT_EQ(s(Operation::Close), 0);
  }
  const auto acknowledged_log = directory / "acknowledged";
  // The adds run beside the operation, which goes round again until they are all made; a time
  // limit only for a station that would wait for ever.
  testing::Signal added;
  const pid_t adder = testing::spawnStation([&] {
    const int outcome = [&] {
      std::ofstream log(acknowledged_log);
      for (long id = kFirstRecords + 1; id <= kFirstRecords + kAdds; ++id) {
        auto p = declareTable(path + "\\!P");
        Statement s{p->file()};
        if (s.open(0x42) != 0) return 1;
        if (addRecord(*p, id) != 0) return 2;
        log << id << std::endl;
        s(Operation::Close);
      }
      return 0;
    }();
    added.raise();
    return outcome;
  });
  const pid_t rewriter = testing::spawnStation([&] {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (int round = 0; !added.await(0); ++round) {
      if (std::chrono::steady_clock::now() > give_up) return 2;
      if (const int outcome = runOnce(GetParam(), path, round); outcome != 0) {
        std::fprintf(stderr, "round %d gave %d\n", round, outcome);
        return 1;
      }
    }
    return 0;
  });
  EXPECT_EQ(testing::stationResult(adder), 0);
  EXPECT_EQ(testing::stationResult(rewriter), 0);

  std::set<long> acknowledged;
  std::ifstream log(acknowledged_log);
  for (long id = 0; log >> id;) acknowledged.insert(id);
  EXPECT_EQ(acknowledged.size(), static_cast<std::size_t>(kAdds));
  auto p = declareTable(path + "\\!P");
  Statement s{p->file()};
  ASSERT_EQ(s.open(0x42), 0);
  std::vector<long> lost;
  for (const long id : acknowledged) {
    setField(*p, "P:ID", std::to_string(id));
    if (s.key(Operation::GetFileKey, p->key("P:ID_KEY")) != 0) lost.push_back(id);
  }
  EXPECT_EQ(lost, std::vector<long>{});
  EXPECT_EQ(s.value(Operation::RecordsFile), static_cast<std::int64_t>(kFirstRecords + acknowledged.size()));
  s(Operation::Close);
  int error = 0;
  auto page_file = PageFile::open(path, platform::Creation::OpenExisting, {}, &error);
  ASSERT_NE(page_file, nullptr);
  EXPECT_EQ(checkEntries(*page_file), std::vector<std::string>{});
  std::filesystem::remove_all(directory);
}

std::string operationName(const ::testing::TestParamInfo<WholeFile>& test_case) {
  static const char* const names[] = {"Build", "Pack", "CreateOver", "Copy", "Rename", "Empty", "Remove"};
  return names[static_cast<int>(test_case.param)];
}

INSTANTIATE_TEST_SUITE_P(Operations, WholeFileBesideUpdatesTest,
                         ::testing::Values(WholeFile::Build, WholeFile::Pack, WholeFile::CreateOver,
                                           WholeFile::Copy, WholeFile::Rename, WholeFile::Empty,
                                           WholeFile::Remove),
                         operationName);

// A station that opened the file denying writes keeps every whole-file operation out (5), and a
// file another station has open is neither removed with its last table nor renamed nor replaced.
TEST(WholeFileOperationsTest, RefuseWhatOtherStationsSharingForbids) {
  const auto directory = testing::stationDirectory("whole-file-refused");
  const std::string path = (directory / "SHARED.WLK").string();
  const std::string other = (directory / "OTHER.WLK").string();
  ASSERT_EQ(Statement{declareTable(path + "\\!P")->file()}(Operation::Create), 0);
  ASSERT_EQ(Statement{declareTable(other + "\\!P")->file()}(Operation::Create), 0);
  struct Case {
    std::uint32_t other_station_mode;
    std::function<int()> operation;
    int expected;
  };
  const std::vector<Case> cases = {
      {0x22, [&] { return Statement{declareTable(path + "\\!S")->file()}(Operation::Create); }, 5},
      {0x22, [&] { return Statement{declareTable(path + "\\!P")->file()}(Operation::BuildFile); }, 5},
      {0x42, [&] { return Statement{declareTable(path + "\\!P")->file()}(Operation::Remove); }, 5},
      {0x42,
       [&] {
         return Statement{declareTable(path)->file()}(Operation::Rename,
                                                      testing::textArgument(path + ".NEW"));
       },
       5},
      {0x42,
       [&] { return Statement{declareTable(other)->file()}(Operation::Copy, testing::textArgument(path)); },
       5},
      {0x40, [&] { return Statement{declareTable(path + "\\!S")->file()}(Operation::Create); }, 0},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    testing::Signal opened, done;
    const pid_t holder = testing::spawnStation([&] {
      auto p = declareTable(path + "\\!P");
      if (Statement{p->file()}.open(cases[i].other_station_mode) != 0) return 1;
      opened.raise();
      return done.await() ? 0 : 2;
    });
    ASSERT_TRUE(opened.await());
    EXPECT_EQ(cases[i].operation(), cases[i].expected) << "case " << i;
    done.raise();
    EXPECT_EQ(testing::stationResult(holder), 0);
    EXPECT_TRUE(std::filesystem::exists(path)) << "case " << i;
  }
  std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace veltrano::storage
