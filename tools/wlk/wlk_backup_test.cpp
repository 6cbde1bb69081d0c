// wlk backup and restore from the outside: a demo directory copied into a dated directory and
// into a .tar.gz, each put back into a new directory where wlk check passes on every file and
// every byte is the original's; a restore into a directory that holds something is refused and
// leaves it as it was; a data directory without files is said, not copied.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tools/wlk/wlk_runner.h"

namespace {

namespace fs = std::filesystem;
using veltrano::wlk::testing::Outcome;
using veltrano::wlk::testing::readAll;

class WlkBackup : public ::testing::Test {
 protected:
  Outcome wlk(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--env", VELTRANO_LOCALE_FILE});
    return veltrano::wlk::testing::runWlk(arguments, directory_);
  }
  veltrano::wlk::testing::TestDirectory scratch_{"wlk-backup"};
  const fs::path& directory_ = scratch_.path();
};

TEST_F(WlkBackup, BackupsRestoreIntoEmptyDirectoriesAsCheckedCopiesOfTheData) {
  fs::create_directories(directory_ / "data");
  ASSERT_EQ(wlk({"demo", "data", "--employees", "30", "--seed", "5"}).status, 0);
  for (const std::string destination : {"copies", "copy.tar.gz"}) {
    SCOPED_TRACE(destination);
    const Outcome made = wlk({"backup", "data", destination});
    ASSERT_EQ(made.status, 0) << made.err;
    const std::size_t at = made.out.find(destination);
    ASSERT_NE(at, std::string::npos) << made.out;
    const std::string backup = made.out.substr(at, made.out.find(' ', at) - at);
    const std::string restored = "restored-" + destination;
    ASSERT_EQ(wlk({"restore", backup, restored}).status, 0);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(directory_ / "data")) {
      const fs::path copy = directory_ / restored / entry.path().filename();
      EXPECT_EQ(readAll(copy), readAll(entry.path())) << copy;
      if (entry.path().extension() != ".WLK") continue;
      EXPECT_EQ(wlk({"check", copy.string()}).out, "ok\n") << copy;
      ++files;
    }
    EXPECT_GE(files, 39);
    const Outcome again = wlk({"restore", backup, restored});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("не пуст"), std::string::npos) << again.err;
  }
  fs::create_directories(directory_ / "nothing");
  const Outcome empty = wlk({"backup", "nothing", "copies"});
  EXPECT_EQ(empty.status, 1);
  EXPECT_NE(empty.err.find("нет файлов данных"), std::string::npos) << empty.err;
  EXPECT_EQ(wlk({"restore", "copies"}).status, 2);
}

}  // namespace
