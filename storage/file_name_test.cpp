#include "storage/file_name.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/codepage.h"

namespace veltrano::storage {
namespace {

class FileName : public ::testing::Test {
 protected:
  void SetUp() override {
    // The process id keeps this test apart from the same test run at the same time by another build.
    directory_ = std::filesystem::temp_directory_path() /
                 ("veltrano_file_name_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(directory_);
    std::filesystem::create_directories(directory_);
    base_ = directory_.string();
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  std::filesystem::path directory_;
  std::string base_;
};

TEST_F(FileName, TableAfterTheSeparatorIsUpperCased) {
  const auto name = parseFileName(base_ + "/data\\!emp");
  ASSERT_TRUE(name);
  EXPECT_EQ(name->path, base_ + "/data.WLK");
  EXPECT_EQ(name->table, "EMP");
}

TEST_F(FileName, NoTablePartIsUnnamed) {
  const auto name = parseFileName(base_ + "/data");
  ASSERT_TRUE(name);
  EXPECT_EQ(name->path, base_ + "/data.WLK");
  EXPECT_EQ(name->table, "UNNAMED");
  EXPECT_EQ(parseFileName(base_ + "/data\\!")->table, "UNNAMED");
}

TEST_F(FileName, SeparatorAfterAnExistingDirectoryBelongsToThePath) {
  std::filesystem::create_directories(directory_ / "data");
  const auto whole = parseFileName(base_ + "/data\\!emp");
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->path, base_ + "/data\\!emp.WLK");
  EXPECT_EQ(whole->table, "UNNAMED");
  EXPECT_EQ(platformPath(whole->path), base_ + "/data/!emp.WLK");

  // The search goes on after the path's separator.
  const auto inner = parseFileName(base_ + "/data\\!staff\\!emp");
  ASSERT_TRUE(inner);
  EXPECT_EQ(inner->path, base_ + "/data\\!staff.WLK");
  EXPECT_EQ(inner->table, "EMP");
}

TEST_F(FileName, AnOrdinaryFileBeforeTheSeparatorIsNotADirectory) {
  {
    std::FILE* f = std::fopen((base_ + "/data").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
  }
  const auto name = parseFileName(base_ + "/data\\!emp");
  ASSERT_TRUE(name);
  EXPECT_EQ(name->table, "EMP");
}

TEST(FileNameSyntax, ExtensionIsADotAfterTheLastDirectory) {
  EXPECT_EQ(parseFileName("people.dat")->path, "people.dat");
  EXPECT_EQ(parseFileName("people.")->path, "people.");
  EXPECT_EQ(parseFileName("old.dir/people")->path, "old.dir/people.WLK");
  EXPECT_EQ(parseFileName("old.dir\\people")->path, "old.dir\\people.WLK");
  EXPECT_EQ(parseFileName("a/b.c/d.e")->path, "a/b.c/d.e");
  EXPECT_EQ(parseFileName("nonexistent_dir_xyz\\!t.x")->path, "nonexistent_dir_xyz.WLK");
  EXPECT_EQ(parseFileName("nonexistent_dir_xyz\\!t.x")->table, "T.X");
}

TEST(FileNameSyntax, TrailingBlanksOfAStringVariableAreNotPartOfTheName) {
  const auto name = parseFileName("people\\!staff     ");
  ASSERT_TRUE(name);
  EXPECT_EQ(name->path, "people.WLK");
  EXPECT_EQ(name->table, "STAFF");
  EXPECT_EQ(parseFileName("people   ")->path, "people.WLK");
}

TEST(FileNameSyntax, NothingNamingAFileIsRefused) {
  EXPECT_FALSE(parseFileName(""));
  EXPECT_FALSE(parseFileName("     "));
  EXPECT_FALSE(parseFileName("\\!emp"));
}

TEST(FileNameSyntax, CyrillicTableNamesAreUpperCasedIn1251) {
  const auto name = parseFileName("kadry\\!" + platform::ru("карта_ёж"));
  ASSERT_TRUE(name);
  EXPECT_EQ(name->table, platform::ru("КАРТА_ЁЖ"));
  EXPECT_EQ(upperCase1251(platform::ru("абвгдежзийклмнопрстуфхцчшщъыьэюяё")),
            platform::ru("АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯЁ"));
  EXPECT_EQ(upperCase1251(platform::ru("іїєґўђѓљњќћџјѕ")), platform::ru("ІЇЄҐЎЂЃЉЊЌЋЏЈЅ"));
  // Already upper-case letters, digits and symbols stay; so do the 1251 symbols near the letters.
  EXPECT_EQ(upperCase1251(platform::ru("AZ09_№«»")), platform::ru("AZ09_№«»"));
  EXPECT_EQ(upperCase1251("az"), "AZ");
}

TEST(FileNameSyntax, PlatformPathIsUtf8) {
  EXPECT_EQ(platformPath(platform::ru("данные\\карта.WLK")), "данные/карта.WLK");
}

TEST(FileNameSyntax, ExternalNameOrLabel) {
  FileControlBlock file;
  file.label = "KARTA";
  EXPECT_EQ(declaredFileName(file), "KARTA");
  EXPECT_EQ(resolveFileName(file)->path, "KARTA.WLK");
  file.external_name = "staff\\!cards";
  EXPECT_EQ(declaredFileName(file), "staff\\!cards");
  EXPECT_EQ(resolveFileName(file)->path, "staff.WLK");
  EXPECT_EQ(resolveFileName(file)->table, "CARDS");
  file.external_name = "";  // a NAME variable left empty names nothing; the label does not stand in
  EXPECT_FALSE(resolveFileName(file));
}

}  // namespace
}  // namespace veltrano::storage
