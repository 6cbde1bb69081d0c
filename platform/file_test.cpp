#include "platform/file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <vector>

#include "platform/fault_injection.h"
#include "platform/os_error.h"

namespace veltrano::platform {
namespace {

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = std::filesystem::temp_directory_path() /
                 ("veltrano-file-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(directory_);
    std::filesystem::create_directories(directory_);
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }
  std::string path(const char* name) const { return (directory_ / name).string(); }

  std::filesystem::path directory_;
};

std::vector<std::uint8_t> bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (const int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

TEST_F(FileTest, PositionedWritesAndReadsBeyondFourGigabytes) {
  int error = -1;
  auto file = realFileSystem().open(path("big"), Access::ReadWrite, Creation::OpenOrCreate, &error);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(error, 0);
  const std::uint64_t far = 0x1'0000'0010ULL;  // past 32 bits: offsets must not be cut
  const auto data = bytes({1, 2, 3});
  EXPECT_EQ(file->write(far, data).bytes, 3u);
  EXPECT_EQ(file->size(), static_cast<std::int64_t>(far + 3));
  std::vector<std::uint8_t> back(5);
  const auto got = file->read(far, back);
  EXPECT_EQ(got.error, 0);
  EXPECT_EQ(got.bytes, 3u);  // a read past the end is short, not an error
  EXPECT_EQ(back[0], 1);
  EXPECT_EQ(back[2], 3);
  EXPECT_EQ(file->setEnd(10), 0);
  EXPECT_EQ(file->size(), 10);
  EXPECT_EQ(file->sync(), 0);
}

// Reads of bytes known to exist come out of a mapping of the file: they must see what another
// open file wrote since, and a file another open file cut short must read short, not kill.
TEST_F(FileTest, ReadsFollowWhatAnotherOpenFileWritesAndCuts) {
  int error = -1;
  auto writer = realFileSystem().open(path("shared"), Access::ReadWrite, Creation::OpenOrCreate, &error);
  auto reader = realFileSystem().open(path("shared"), Access::ReadOnly, Creation::OpenExisting, &error);
  ASSERT_NE(writer, nullptr);
  ASSERT_NE(reader, nullptr);
  const auto fill = [&](std::uint8_t value, std::size_t length) {
    const std::vector<std::uint8_t> data(length, value);
    ASSERT_EQ(writer->write(0, data).bytes, length);
  };
  const auto readAt = [&](std::uint64_t offset) {
    std::vector<std::uint8_t> out(100, 0xEE);
    const IoResult got = reader->read(offset, out);
    EXPECT_EQ(got.error, 0);
    out.resize(got.bytes);
    return out;
  };
  fill(1, 3 * 4096);
  EXPECT_EQ(readAt(8192), std::vector<std::uint8_t>(100, 1));  // grown since the reader opened
  EXPECT_EQ(readAt(8192), std::vector<std::uint8_t>(100, 1));
  fill(2, 3 * 4096);
  EXPECT_EQ(readAt(8192), std::vector<std::uint8_t>(100, 2));
  ASSERT_EQ(writer->setEnd(4096), 0);
  EXPECT_TRUE(readAt(8192).empty());  // past the new end: short, and the program goes on
  EXPECT_EQ(readAt(4000), std::vector<std::uint8_t>(96, 2));
  fill(3, 3 * 4096);
  EXPECT_EQ(readAt(8192), std::vector<std::uint8_t>(100, 3));
  // A bus error that is not a guarded copy's still ends the program.
  EXPECT_DEATH(::raise(SIGBUS), "");
}

TEST_F(FileTest, OpenErrorsUseTheRuntimeNumbering) {
  int error = 0;
  EXPECT_EQ(realFileSystem().open(path("missing"), Access::ReadOnly, Creation::OpenExisting, &error), nullptr);
  EXPECT_EQ(error, kOsFileNotFound);
  EXPECT_EQ(realFileSystem().open(path("no/such/dir/x"), Access::ReadWrite, Creation::OpenOrCreate, &error),
            nullptr);
  EXPECT_EQ(error, kOsFileNotFound);
  auto created = realFileSystem().open(path("x"), Access::ReadWrite, Creation::CreateNew, &error);
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(realFileSystem().open(path("x"), Access::ReadWrite, Creation::CreateNew, &error), nullptr);
  EXPECT_EQ(error, kOsFileExists);
  EXPECT_EQ(realFileSystem().open(directory_.string(), Access::ReadOnly, Creation::OpenExisting, &error),
            nullptr);
  EXPECT_EQ(error, kOsAccessDenied);
}

TEST_F(FileTest, RenameRemoveAndDirectories) {
  int error = 0;
  realFileSystem().open(path("a"), Access::ReadWrite, Creation::OpenOrCreate, &error);
  EXPECT_EQ(realFileSystem().rename(path("a"), path("b")), 0);
  EXPECT_FALSE(realFileSystem().exists(path("a")));
  EXPECT_TRUE(realFileSystem().exists(path("b")));
  EXPECT_TRUE(realFileSystem().isDirectory(directory_.string()));
  EXPECT_FALSE(realFileSystem().isDirectory(path("b")));
  EXPECT_EQ(realFileSystem().remove(path("b")), 0);
  EXPECT_EQ(realFileSystem().remove(path("b")), kOsFileNotFound);
}

// Locks belong to the open file: two opens of one file conflict even inside one process,
// while one open file never conflicts with itself.
TEST_F(FileTest, ByteRangeLocksBelongToTheOpenFile) {
  int error = 0;
  auto first = realFileSystem().open(path("locks"), Access::ReadWrite, Creation::OpenOrCreate, &error);
  auto second = realFileSystem().open(path("locks"), Access::ReadWrite, Creation::OpenExisting, &error);
  const std::uint64_t region = 0x80000000ULL;
  EXPECT_EQ(first->lock(region, 1, LockKind::Exclusive, LockWait::Fail), LockOutcome::Granted);
  EXPECT_EQ(first->lock(region, 1, LockKind::Exclusive, LockWait::Fail), LockOutcome::Granted);
  EXPECT_EQ(second->lock(region, 1, LockKind::Exclusive, LockWait::Fail), LockOutcome::Busy);
  EXPECT_EQ(second->lock(region + 1, 1, LockKind::Exclusive, LockWait::Fail), LockOutcome::Granted);
  EXPECT_EQ(first->unlock(region, 1), 0);
  EXPECT_EQ(second->lock(region, 1, LockKind::Exclusive, LockWait::Fail), LockOutcome::Granted);
  // Shared locks coexist; an exclusive one waits for them.
  EXPECT_EQ(first->lock(region + 10, 5, LockKind::Shared, LockWait::Fail), LockOutcome::Granted);
  EXPECT_EQ(second->lock(region + 10, 5, LockKind::Shared, LockWait::Fail), LockOutcome::Granted);
  EXPECT_EQ(second->unlock(region + 10, 5), 0);
  EXPECT_EQ(second->lock(region + 12, 1, LockKind::Exclusive, LockWait::Fail), LockOutcome::Busy);
}

TEST_F(FileTest, LocksConflictBetweenProcesses) {
  int error = 0;
  auto file = realFileSystem().open(path("shared"), Access::ReadWrite, Creation::OpenOrCreate, &error);
  ASSERT_EQ(file->lock(0x80000401ULL, 1, LockKind::Exclusive, LockWait::Fail), LockOutcome::Granted);
  const pid_t child = ::fork();
  if (child == 0) {
    int child_error = 0;
    auto other = realFileSystem().open(path("shared"), Access::ReadWrite, Creation::OpenExisting, &child_error);
    const bool busy = other->lock(0x80000401ULL, 1, LockKind::Exclusive, LockWait::Fail) == LockOutcome::Busy;
    ::_exit(busy ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(FileTest, FaultInjectionFailsShortensAndCrashes) {
  FaultInjectingFileSystem faults;
  int error = 0;
  auto file = faults.open(path("f"), Access::ReadWrite, Creation::OpenOrCreate, &error);
  ASSERT_NE(file, nullptr);
  const auto data = bytes({9, 9, 9, 9});
  faults.failWrite(2);
  faults.shortenWrite(3, 1);
  faults.crashAfterWrite(4);
  EXPECT_EQ(file->write(0, data).error, 0);              // write 1
  const auto failed = file->write(4, data);              // write 2 fails
  EXPECT_EQ(failed.error, kOsWriteFault);
  EXPECT_EQ(failed.bytes, 0u);
  const auto shortened = file->write(8, data);           // write 3 is cut to one byte
  EXPECT_EQ(shortened.bytes, 1u);
  EXPECT_NE(shortened.error, 0);
  EXPECT_EQ(file->write(12, data).error, 0);             // write 4 reaches the disk, then the crash
  EXPECT_TRUE(faults.crashed());
  EXPECT_EQ(file->write(16, data).bytes, 4u);            // dropped, but reported as done
  EXPECT_EQ(file->setEnd(100), 0);                       // dropped too
  EXPECT_EQ(faults.writeCount(), 4u);

  auto real = realFileSystem().open(path("f"), Access::ReadOnly, Creation::OpenExisting, &error);
  EXPECT_EQ(real->size(), 16);
  std::vector<std::uint8_t> content(16);
  real->read(0, content);
  EXPECT_EQ(content, bytes({9, 9, 9, 9, 0, 0, 0, 0, 9, 0, 0, 0, 9, 9, 9, 9}));
}

TEST_F(FileTest, OverrideReplacesTheProgramsFileSystem) {
  FaultInjectingFileSystem faults;
  {
    FileSystemOverride guard(faults);
    EXPECT_EQ(&fileSystem(), &faults);
  }
  EXPECT_EQ(&fileSystem(), &realFileSystem());
}

}  // namespace
}  // namespace veltrano::platform
