// wlk on damaged files and on files written with another collation, from the outside: nothing is
// written into a file with a known inconsistency, reads that meet damage say so, and a command
// that would write keys in another order says which option is missing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/wlk/wlk_runner.h"

namespace {

using veltrano::wlk::testing::Outcome;
using veltrano::wlk::testing::readAll;

constexpr const char* kDeclaration =
    "T                 FILE,DRIVER('WENDLOCK'),CREATE\n"
    "T:ID_KEY            KEY(+T:ID),PRIMARY\n"
    "T:NAME_KEY          KEY(+T:NAME),DUP,NOCASE\n"
    "                    RECORD\n"
    "T:ID                  LONG\n"
    "T:NAME                STRING(8)\n"
    "                    END\n"
    "                    END\n";

class WlkDamage : public ::testing::Test {
 protected:
  void SetUp() override { std::ofstream(directory_ / "t.decl") << kDeclaration; }

  // Without an environment file: keys hold the letters as they are, so a test can find them.
  Outcome wlk(std::vector<std::string> arguments, bool plain = true) {
    if (plain) arguments.insert(arguments.begin(), {"--env", "NONE"});
    return veltrano::wlk::testing::runWlk(arguments, directory_);
  }

  void createWithOneRecord() {
    ASSERT_EQ(wlk({"create", "t", "t.decl"}).status, 0);
    ASSERT_EQ(wlk({"insert", "t", "T:ID=5", "T:NAME=zzqqzzqq"}).out, "2\n");
  }

  // Changes `count` bytes of t.WLK at `offset` to `bytes`.
  void patch(std::size_t offset, const std::string& bytes) {
    std::fstream file(directory_ / "t.WLK", std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  veltrano::wlk::testing::TestDirectory scratch_{"wlk-damage"};
  const std::filesystem::path& directory_ = scratch_.path();
};

TEST_F(WlkDamage, CounterBelowANumberInUseIsReportedAndNoRecordIsReplaced) {
  createWithOneRecord();
  patch(20, std::string("\0\0\0\1", 4));  // the number counter, big-endian: below record 2
  const auto check = wlk({"check", "t"});
  EXPECT_EQ(check.status, 1);
  EXPECT_NE(check.out.find("record number 2 is in use, but the file's number counter is at 1"),
            std::string::npos)
      << check.out;
  const auto insert = wlk({"insert", "t", "T:ID=6", "T:NAME=other"});
  EXPECT_EQ(insert.status, 1);
  EXPECT_NE(insert.err.find("t.WLK is damaged; nothing was written"), std::string::npos) << insert.err;
  EXPECT_EQ(wlk({"select", "t"}).out, "5\tzzqqzzqq\n");
}

TEST_F(WlkDamage, KeyEntryOfNoRecordStopsWritesAndReadsButBuildMendsIt) {
  createWithOneRecord();
  const std::string image = readAll(directory_ / "t.WLK");
  const auto name = image.find("ZZQQZZQQ");  // the NAME_KEY entry, its record number after it
  ASSERT_NE(name, std::string::npos);
  patch(name + 8 + 3, "\x09");
  const auto select = wlk({"select", "t", "--key", "T:NAME_KEY"});
  EXPECT_EQ(select.status, 1);
  EXPECT_NE(
      select.err.find("the table counts 1 records in the key, but only 0 were read: the file is damaged"),
      std::string::npos)
      << select.err;
  EXPECT_EQ(wlk({"insert", "t", "T:ID=6"}).status, 1);
  EXPECT_EQ(wlk({"delete", "t", "--filter", "T:ID=5"}).status, 1);
  EXPECT_EQ(wlk({"build", "t"}).status, 0);
  EXPECT_EQ(wlk({"check", "t"}).out, "ok\n");
  EXPECT_EQ(wlk({"select", "t", "--key", "T:NAME_KEY"}).out, "5\tzzqqzzqq\n");
}

TEST_F(WlkDamage, LostPagesAreDamageForEveryCommand) {
  createWithOneRecord();
  patch(28, "\xFF\xFF\xFF\xFF");  // the root: the tree looks empty, its pages are still in the runs
  const auto tables = wlk({"tables", "t"});
  EXPECT_EQ(tables.status, 1);
  EXPECT_NE(tables.err.find("1 page of the page runs is not in the tree (the header says the tree is empty)"),
            std::string::npos)
      << tables.err;
  const auto select = wlk({"select", "t"});
  EXPECT_EQ(select.status, 1);
  EXPECT_NE(select.err.find("t.WLK is damaged; table UNNAMED cannot be read"), std::string::npos)
      << select.err;
  std::filesystem::resize_file(directory_ / "t.WLK", 512 + 64);
  const auto build = wlk({"build", "t"});
  EXPECT_EQ(build.status, 1);
  EXPECT_EQ(wlk({"check", "t"}).status, 1);
}

TEST_F(WlkDamage, KeysInAnotherCollationSayWhichOptionIsMissing) {
  ASSERT_EQ(wlk({"create", "t", "t.decl"}).status, 0);
  // Written without the application's environment: no Cyrillic case pairs, no collation.
  for (const char* name : {"T:NAME=ёлкин", "T:NAME=Яков", "T:NAME=абрамов"})
    ASSERT_EQ(wlk({"insert", "t", "T:ID=" + std::to_string(std::string(name).size()), name}).status, 0);
  const auto check = wlk({"check", "t"}, false);
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(
      check.out,
      "table UNNAMED: the keys are not in the order the collation in use gives (T:NAME_KEY: 3 of 3 sampled "
      "records disagree): the file was written with another environment file; give that one with --env "
      "FILE\n");
  const auto insert = wlk({"insert", "t", "T:ID=1", "T:NAME=Ёж"}, false);
  EXPECT_EQ(insert.status, 1);
  EXPECT_NE(insert.err.find("give that one with --env FILE; nothing was written"), std::string::npos)
      << insert.err;
  EXPECT_EQ(wlk({"check", "t"}).out, "ok\n");
}

TEST_F(WlkDamage, ApplicationFilesNeedOemAndDemoKeepsOutOfFilledDirectories) {
  ASSERT_EQ(wlk({"demo", ".", "--employees", "5"}, false).status, 0);
  const auto insert = wlk({"insert", "KARTA", "KAR:NUM=999999", "KAR:FAM=Тестов"}, false);
  EXPECT_EQ(insert.status, 1);
  EXPECT_NE(
      insert.err.find("keeps its text in the OEM code page, as the application's files do (its keys say so): "
                      "give --oem"),
      std::string::npos)
      << insert.err;
  EXPECT_EQ(wlk({"--oem", "insert", "KARTA", "KAR:NUM=999999", "KAR:FAM=Тестов"}, false).status, 0);
  const auto before = readAll(directory_ / "KARTA.WLK");
  const auto demo = wlk({"demo", ".", "--employees", "5"}, false);
  EXPECT_EQ(demo.status, 1);
  EXPECT_NE(demo.err.find("already holds storage files"), std::string::npos) << demo.err;
  EXPECT_EQ(readAll(directory_ / "KARTA.WLK"), before);
}

}  // namespace
