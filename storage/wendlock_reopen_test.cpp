// Every change the driver reports done must still be there after the file is closed and opened
// again: the end-of-operation write has to follow the change it writes. A write taken before the
// change leaves it only in the cache, and the close throws the cache away.
#include <gtest/gtest.h>

#include <filesystem>

#include "storage/station_test_support.h"
#include "storage/wendlock_driver.h"
#include "storage/wendlock_test_support.h"

namespace veltrano::storage {
namespace {

using runtime::TypeCode;
using testing::getField;
using testing::setField;
using testing::Statement;

class WendlockReopenTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    directory_ = testing::stationDirectory("reopen");
    auto file = declare();
    Statement s{file->file()};
    ASSERT_EQ(s(Operation::Create), 0);
    ASSERT_EQ(s.open(0x42), 0);
    for (int id = 1; id <= 3; ++id) {
      testing::clear(*file);
      setField(*file, "PEO:ID", std::to_string(id));
      setField(*file, "PEO:NAME", "n" + std::to_string(id));
      ASSERT_EQ(s(Operation::Add), 0);
    }
    ASSERT_EQ(s(Operation::Close), 0);
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  // On disk, or in the in-memory catalog, by the test's parameter.
  std::unique_ptr<DeclaredFile> declare() {
    runtime::RecordLayoutBuilder fields;
    fields.scalar("PEO:ID", TypeCode::Long).string("PEO:NAME", 10);
    auto file = DeclaredFile::make("PEOPLE", fields.build());
    file->setName((directory_ / "PEOPLE.WLK").string());
    file->setDriver(GetParam() ? wendlockDriver() : memory_driver_);
    file->addKey("PEO:ID_KEY", {"PEO:ID"}, kKeyPrimary);
    file->addKey("PEO:NAME_KEY", {"PEO:NAME"}, kKeyDup);
    return file;
  }

  // The names in key order, read through a fresh open of the file.
  std::vector<std::string> namesAfterReopen() {
    auto file = declare();
    Statement s{file->file()};
    std::vector<std::string> names;
    if (s.open(0x42) != 0) return {"<not opened>"};
    s.key(Operation::SetKey, file->key("PEO:ID_KEY"));
    while (s(Operation::Next) == 0) names.push_back(getField(*file, "PEO:NAME"));
    s(Operation::Close);
    return names;
  }

  int readId(DeclaredFile& file, int id) {
    setField(file, "PEO:ID", std::to_string(id));
    return Statement{file.file()}.key(Operation::GetFileKey, file.key("PEO:ID_KEY"));
  }

  std::filesystem::path directory_;
  MemoryCatalog memory_catalog_;
  WendlockDriver memory_driver_{memory_catalog_};
};

TEST_P(WendlockReopenTest, PutAndDeleteSurviveCloseAndReopen) {
  auto file = declare();
  Statement s{file->file()};
  ASSERT_EQ(s.open(0x42), 0);
  ASSERT_EQ(readId(*file, 2), 0);
  setField(*file, "PEO:NAME", "changed");
  ASSERT_EQ(s(Operation::Put), 0);
  // Closed straight after each change, so that no later write carries it to the file.
  ASSERT_EQ(s(Operation::Close), 0);
  EXPECT_EQ(namesAfterReopen(), (std::vector<std::string>{"n1", "changed", "n3"}));
  ASSERT_EQ(s.open(0x42), 0);
  ASSERT_EQ(readId(*file, 3), 0);
  ASSERT_EQ(s(Operation::Delete), 0);
  ASSERT_EQ(s(Operation::Close), 0);
  EXPECT_EQ(namesAfterReopen(), (std::vector<std::string>{"n1", "changed"}));
  // The changed key entry went with the record: the new name finds it, the old one does not.
  auto again = declare();
  Statement a{again->file()};
  ASSERT_EQ(a.open(0x42), 0);
  setField(*again, "PEO:NAME", "n2");
  EXPECT_EQ(a.key(Operation::GetFileKey, again->key("PEO:NAME_KEY")), 35);
  setField(*again, "PEO:NAME", "changed");
  EXPECT_EQ(a.key(Operation::GetFileKey, again->key("PEO:NAME_KEY")), 0);
  EXPECT_EQ(getField(*again, "PEO:ID"), "2");
  a(Operation::Close);
}

TEST_P(WendlockReopenTest, PutAtAPositionEmptyAndBuildSurviveCloseAndReopen) {
  auto file = declare();
  Statement s{file->file()};
  ASSERT_EQ(s.open(0x42), 0);
  ASSERT_EQ(readId(*file, 1), 0);
  const auto pointer = static_cast<std::uint32_t>(s.value(Operation::PointerFile));
  setField(*file, "PEO:NAME", "first");
  OperationArguments at;
  at.pointer = pointer;
  ASSERT_EQ(s(Operation::PutFilePtr, at), 0);
  ASSERT_EQ(s(Operation::BuildFile), 0);
  ASSERT_EQ(s(Operation::Close), 0);
  EXPECT_EQ(namesAfterReopen(), (std::vector<std::string>{"first", "n2", "n3"}));

  ASSERT_EQ(s.open(0x42), 0);
  ASSERT_EQ(s(Operation::Empty), 0);
  ASSERT_EQ(s(Operation::Close), 0);
  EXPECT_TRUE(namesAfterReopen().empty());
}

INSTANTIATE_TEST_SUITE_P(Catalogs, WendlockReopenTest, ::testing::Values(true, false),
                         [](const auto& parameter) { return parameter.param ? "OnDisk" : "InMemory"; });

}  // namespace
}  // namespace veltrano::storage
