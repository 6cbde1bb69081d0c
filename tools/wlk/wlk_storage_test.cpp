// The storage commands of wlk from the outside: a table created from a declaration, records added,
// selected in key and record order, deleted by filter, the file checked, the schema read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/wlk/wlk_runner.h"

namespace {

using veltrano::wlk::testing::Outcome;

constexpr const char* kDeclaration =
    "PEOPLE            FILE,DRIVER('WENDLOCK'),CREATE\n"
    "PEO:ID_KEY          KEY(+PEO:ID),OPT,NOCASE,PRIMARY\n"
    "PEO:NAME_KEY        KEY(+PEO:FAM,-PEO:ID),DUP,NOCASE\n"
    "PEO:NOTES           MEMO(200)\n"
    "                    RECORD\n"
    "PEO:ID                DECIMAL(7,0)\n"
    "PEO:FAM               STRING(20)\n"
    "PEO:BORN              DATE\n"
    "PEO:MARKS             SHORT, DIM(3)\n"
    "                    END\n"
    "                    END\n";

class WlkStorage : public ::testing::Test {
 protected:
  void SetUp() override { std::ofstream(directory_ / "people.decl") << kDeclaration; }

  // Every command runs with the Russian locale so that NOCASE keys and comparisons know Cyrillic.
  Outcome wlk(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--env", VELTRANO_LOCALE_FILE});
    return veltrano::wlk::testing::runWlk(arguments, directory_);
  }

  void createWithThreePeople() {
    ASSERT_EQ(wlk({"create", "people\\!EMP", "people.decl"}).status, 0);
    ASSERT_EQ(
        wlk({"insert", "people\\!EMP", "PEO:ID=1", "PEO:FAM=Иванов", "PEO:BORN=80000", "PEO:MARKS[2]=5"}).out,
        "2\n");  // the table took number 1
    ASSERT_EQ(wlk({"insert", "people\\!EMP", "peo:id=2", "peo:fam=иванов"}).out, "3\n");
    ASSERT_EQ(wlk({"insert", "people\\!EMP", "PEO:ID=3", "PEO:FAM=Ёлкин"}).out, "4\n");
  }

  veltrano::wlk::testing::TestDirectory scratch_{"wlk-storage"};
  const std::filesystem::path& directory_ = scratch_.path();
};

TEST_F(WlkStorage, SelectsInRecordAndKeyOrder) {
  createWithThreePeople();
  EXPECT_EQ(wlk({"tables", "people"}).out, "EMP\t1\t3\n");
  EXPECT_EQ(wlk({"select", "people\\!EMP"}).out,
            "1\tИванов\t09.01.2020\t0\t5\t0\n2\tиванов\t\t0\t0\t0\n3\tЁлкин\t\t0\t0\t0\n");
  // NOCASE on Cyrillic: the two Ивановs are equal in the name, so the descending id decides;
  // Ёлкин sorts after Е and before И.
  EXPECT_EQ(wlk({"select", "people\\!EMP", "--key", "PEO:NAME_KEY", "--field", "PEO:ID"}).out, "3\n2\n1\n");
  EXPECT_EQ(wlk({"select", "people\\!EMP", "--key", "peo:name_key", "--reverse", "--field", "PEO:ID"}).out,
            "1\n2\n3\n");
  EXPECT_EQ(wlk({"select", "people\\!EMP", "--filter", "PEO:BORN > 0 OR PEO:ID = 3", "--field",
                 "CLIP(PEO:FAM) & '/' & PEO:MARKS[2]"})
                .out,
            "Иванов/5\nЁлкин/0\n");
}

TEST_F(WlkStorage, DuplicateKeyAndMissingTableFailWithTheirErrors) {
  createWithThreePeople();
  const auto duplicate = wlk({"insert", "people\\!EMP", "PEO:ID=2", "PEO:FAM=Петров"});
  EXPECT_EQ(duplicate.status, 1);
  EXPECT_EQ(duplicate.err, "Error 40: Creates Duplicate Key\n");
  const auto missing = wlk({"select", "people\\!NOPE"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "wlk: people.WLK holds no table NOPE (its tables: EMP)\n");
  EXPECT_EQ(wlk({"select", "people\\!EMP", "--filter", "PEO:ID >"}).status, 2);
  EXPECT_EQ(wlk({"select"}).status, 2);
  EXPECT_EQ(wlk({"tables", "people"}).out, "EMP\t1\t3\n");  // the refused insert left nothing behind
}

TEST_F(WlkStorage, DeleteByFilterThenCheckAndBuild) {
  createWithThreePeople();
  EXPECT_EQ(wlk({"delete", "people\\!EMP", "--filter", "UPPER(PEO:FAM) = 'ИВАНОВ'"}).out, "2\n");
  EXPECT_EQ(wlk({"select", "people\\!EMP", "--field", "PEO:ID"}).out, "3\n");
  EXPECT_EQ(wlk({"build", "people\\!EMP"}).status, 0);
  const auto check = wlk({"check", "people.WLK"});
  EXPECT_EQ(check.out, "ok\n");
  EXPECT_EQ(check.status, 0);
}

TEST_F(WlkStorage, SchemaReadsBackIntoAnIdenticalDefinition) {
  createWithThreePeople();
  const auto schema = wlk({"schema", "people\\!EMP"});
  ASSERT_EQ(schema.status, 0);
  EXPECT_NE(schema.out.find("PEO:NAME_KEY        KEY(+PEO:FAM,-PEO:ID),DUP,NOCASE"), std::string::npos);
  std::ofstream(directory_ / "copy.decl") << schema.out;
  ASSERT_EQ(wlk({"create", "people\\!COPY", "copy.decl"}).status, 0);
  auto copied = wlk({"schema", "people\\!COPY"}).out;
  const auto first_line_end = copied.find('\n');
  EXPECT_EQ(copied.substr(first_line_end), schema.out.substr(schema.out.find('\n')));
  // The other table is untouched by creating a second one.
  EXPECT_EQ(wlk({"select", "people\\!EMP", "--field", "PEO:ID"}).out, "1\n2\n3\n");
}

TEST_F(WlkStorage, DamagedFileIsReportedNotCrashedOn) {
  createWithThreePeople();
  {
    std::fstream file(directory_ / "people.WLK", std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(600);
    const std::string noise(64, '\x5A');
    file.write(noise.data(), static_cast<std::streamsize>(noise.size()));
  }
  const auto check = wlk({"check", "people.WLK"});
  EXPECT_EQ(check.status, 1);
  EXPECT_NE(check.out, "ok\n");
  std::ofstream(directory_ / "garbage.WLK") << "not a storage file at all, longer than nothing";
  EXPECT_EQ(wlk({"check", "garbage.WLK"}).status, 1);
  EXPECT_EQ(wlk({"tables", "garbage"}).err.rfind("Error 36: Invalid Data File", 0), 0u);
}

}  // namespace

namespace {

// The application's files keep their text in the OEM character set; --oem reads them as such.
TEST_F(WlkStorage, DemoFilesReadBackInRussianWithOem) {
  ASSERT_EQ(wlk({"--today", "2026-12-08", "demo", ".", "--employees", "40", "--seed", "3"}).status, 0);
  EXPECT_EQ(wlk({"check", "KARTA.WLK"}).out, "ok\n");
  const auto names = wlk({"--oem", "select", "KARTA", "--key", "KAR:FAM_KEY", "--field", "KAR:FAM"});
  ASSERT_EQ(names.status, 0);
  ASSERT_FALSE(names.out.empty());
  // Surnames are Cyrillic capitals followed by lower-case letters, in alphabetical order.
  std::vector<std::string> surnames;
  for (std::size_t start = 0; start < names.out.size();) {
    const auto end = names.out.find('\n', start);
    surnames.push_back(names.out.substr(start, end - start));
    start = end + 1;
  }
  EXPECT_EQ(surnames.size(), 40u);
  for (const auto& surname : surnames) {
    ASSERT_GE(surname.size(), 2u);
    EXPECT_EQ(surname[0], '\xD0') << surname;  // every Cyrillic capital starts with D0 in UTF-8
  }
  EXPECT_TRUE(
      std::is_sorted(surnames.begin(), surnames.end(), [](const std::string& a, const std::string& b) {
        // Ё sorts after Е, not before А as its UTF-8 bytes would.
        auto weight = [](const std::string& s) {
          return s.rfind("Ё", 0) == 0 ? std::string("Е\xFF") + s : s;
        };
        return weight(a) < weight(b);
      }));
}

}  // namespace
