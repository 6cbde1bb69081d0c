#include "storage/sharing_modes.h"

#include <gtest/gtest.h>

#include "storage/station_test_support.h"

namespace veltrano::storage {
namespace {

using testing::Signal;
using testing::spawnStation;
using testing::stationResult;

TEST(OpenModeTest, DecodesAccessSharingAndOpenBits) {
  const auto exclusive_write = OpenMode::decode(0x12);
  EXPECT_TRUE(exclusive_write.write);
  EXPECT_FALSE(exclusive_write.others_read);
  EXPECT_FALSE(exclusive_write.others_write);
  EXPECT_EQ(exclusive_write.policy(), LockPolicy::None);
  EXPECT_EQ(OpenMode::decode(0x30).policy(), LockPolicy::None);

  const auto deny_write = OpenMode::decode(0x22);
  EXPECT_TRUE(deny_write.others_read);
  EXPECT_FALSE(deny_write.others_write);
  EXPECT_EQ(deny_write.policy(), LockPolicy::PendingOnly);

  for (const std::uint32_t shared : {0x00u, 0x40u, 0x42u}) {
    const auto mode = OpenMode::decode(shared);
    EXPECT_TRUE(mode.others_read && mode.others_write) << shared;
    EXPECT_EQ(mode.policy(), LockPolicy::Full) << shared;
  }
  EXPECT_FALSE(OpenMode::decode(0x40).write);
  EXPECT_TRUE(OpenMode::decode(0x01).write);
  EXPECT_TRUE(OpenMode::decode(0x142).through_system);
  EXPECT_TRUE(OpenMode::decode(0x242).create);
}

class SharingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = testing::stationDirectory("sharing");
    path_ = (directory_ / "SHARE.WLK").string();
    file_ = open();
    ASSERT_NE(file_, nullptr);
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  std::unique_ptr<platform::File> open() {
    int error = 0;
    return platform::fileSystem().open(path_, platform::Access::ReadWrite, platform::Creation::OpenOrCreate,
                                       &error);
  }

  // What another station gets when it opens the file with each mode in turn, while this one
  // keeps its own open.
  std::vector<int> otherStationAdmits(std::vector<std::uint32_t> modes) {
    std::vector<int> results;
    for (const std::uint32_t mode : modes) {
      const pid_t other = spawnStation([&] {
        auto file = open();
        SharingEmulation sharing(*file);
        return sharing.admit(OpenMode::decode(mode));
      });
      results.push_back(stationResult(other));
    }
    return results;
  }

  std::filesystem::path directory_;
  std::string path_;
  std::unique_ptr<platform::File> file_;
};

TEST_F(SharingTest, ExclusiveStationKeepsEveryoneOut) {
  SharingEmulation sharing(*file_);
  ASSERT_EQ(sharing.admit(OpenMode::decode(0x12)), 0);
  EXPECT_EQ(otherStationAdmits({0x40, 0x42, 0x22, 0x12, 0x20}), (std::vector<int>{5, 5, 5, 5, 5}));
  EXPECT_EQ(sharing.policy(), LockPolicy::None);
  sharing.leave(OpenMode::decode(0x12));
  EXPECT_EQ(otherStationAdmits({0x42, 0x12}), (std::vector<int>{0, 0}));
}

TEST_F(SharingTest, DenyWriteLetsOnlyReadersIn) {
  SharingEmulation sharing(*file_);
  ASSERT_EQ(sharing.admit(OpenMode::decode(0x22)), 0);
  EXPECT_EQ(otherStationAdmits({0x40, 0x42, 0x20, 0x12}), (std::vector<int>{0, 5, 5, 5}));
  EXPECT_EQ(sharing.policy(), LockPolicy::PendingOnly);
}

TEST_F(SharingTest, OthersWritingKeepExclusiveAndDenyWriteOpensOut) {
  SharingEmulation sharing(*file_);
  ASSERT_EQ(sharing.admit(OpenMode::decode(0x42)), 0);
  EXPECT_EQ(otherStationAdmits({0x42, 0x40, 0x22, 0x20, 0x12}), (std::vector<int>{0, 0, 5, 5, 5}));
  EXPECT_EQ(sharing.policy(), LockPolicy::Full);
}

TEST_F(SharingTest, AnotherStationsOpenKeepsAnExclusiveOpenOut) {
  Signal opened, done;
  const pid_t other = spawnStation([&] {
    auto file = open();
    SharingEmulation sharing(*file);
    if (sharing.admit(OpenMode::decode(0x40)) != 0) return 1;
    opened.raise();
    return done.await() ? 0 : 2;
  });
  ASSERT_TRUE(opened.await());
  SharingEmulation sharing(*file_);
  EXPECT_EQ(sharing.admit(OpenMode::decode(0x12)), 5);
  EXPECT_EQ(sharing.admit(OpenMode::decode(0x30)), 5);
  EXPECT_EQ(sharing.admit(OpenMode::decode(0x20)), 0) << "the other station only reads";
  EXPECT_EQ(sharing.admit(OpenMode::decode(0x42)), 5) << "this process's own table denies writing";
  done.raise();
  EXPECT_EQ(stationResult(other), 0);
}

TEST_F(SharingTest, TablesOfOneProcessAreCheckedAgainstEachOther) {
  SharingEmulation sharing(*file_);
  ASSERT_EQ(sharing.admit(OpenMode::decode(0x42)), 0);
  EXPECT_EQ(sharing.admit(OpenMode::decode(0x12)), 5);
  EXPECT_EQ(sharing.admit(OpenMode::decode(0x22)), 5);
  ASSERT_EQ(sharing.admit(OpenMode::decode(0x40)), 0);
  sharing.leave(OpenMode::decode(0x42));
  // The remaining reader still declares itself: another station may not open exclusively.
  EXPECT_EQ(otherStationAdmits({0x12, 0x22}), (std::vector<int>{5, 0}));
  sharing.leave(OpenMode::decode(0x40));
  EXPECT_EQ(otherStationAdmits({0x12}), (std::vector<int>{0}));
}

}  // namespace
}  // namespace veltrano::storage
