// What wlk takes in and gives out from the outside: insert stores only what reads whole and
// fits, select writes dates, times, memos and BLOBs for people and spreadsheets, declarations
// that could not be read back are refused by line, and messages say what is wrong.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/wlk/wlk_runner.h"

namespace {

using veltrano::wlk::testing::Outcome;

constexpr const char* kDeclaration =
    "STAFF             FILE,DRIVER('WENDLOCK'),CREATE\n"
    "STF:ID_KEY          KEY(+STF:ID),PRIMARY\n"
    "STF:NOTES           MEMO(10)\n"
    "STF:PHOTO           BLOB\n"
    "                    RECORD\n"
    "STF:ID                DECIMAL(7,0)\n"
    "STF:FAM               STRING(8)\n"
    "STF:BORN              DATE\n"
    "STF:AT                TIME\n"
    "STF:RATE              DECIMAL(7,2)\n"
    "STF:S                 SHORT\n"
    "STF:CODE              LONG\n"
    "STF:RAW               STRING(4),OVER(STF:CODE)\n"
    "                    END\n"
    "                    END\n";

class WlkValues : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(directory_ / "staff.decl") << kDeclaration;
    ASSERT_EQ(wlk({"create", "staff", "staff.decl"}).status, 0);
  }

  Outcome wlk(const std::vector<std::string>& arguments) {
    return veltrano::wlk::testing::runWlk(arguments, directory_);
  }

  veltrano::wlk::testing::TestDirectory scratch_{"wlk-values"};
  const std::filesystem::path& directory_ = scratch_.path();
};

TEST_F(WlkValues, InsertRefusesWhatDoesNotReadWholeOrFit) {
  const struct {
    std::string assignment;
    std::string message;
  } refused[] = {
      {"STF:BORN=вчера", "STF:BORN='вчера' is not a date (write дд.мм.гггг or гггг-мм-дд)"},
      {"STF:BORN=30.02.2020", "is not a date"},
      {"STF:ID=123456789", "does not fit: the field holds 7 digits before the point"},
      {"STF:ID=1,000", "has 3 decimal places, the field holds 0"},
      {"STF:ID=1e10", "does not fit"},
      {"STF:ID=abc", "is not a number"},
      {"STF:RATE=1.234", "has 3 decimal places, the field holds 2"},
      {"STF:S=70000", "does not fit: the field holds -32768 to 32767"},
      {"STF:AT=24:00", "is not a time"},
      {"STF:FAM=Константинов", "is 12 characters long, the field holds 8 (give --truncate to cut it)"},
      {"STF:NOTES=слишком длинная заметка", "the memo holds 10 (give --truncate to cut it)"},
      {"STF:FAM=日本", "holds a character code page 1251 cannot store"},
  };
  for (const auto& value : refused) {
    const auto outcome = wlk({"insert", "staff", "STF:ID=9", value.assignment});
    EXPECT_EQ(outcome.status, 1) << value.assignment;
    EXPECT_NE(outcome.err.find(value.message), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("nothing was written"), std::string::npos) << outcome.err;
  }
  EXPECT_EQ(wlk({"tables", "staff"}).out, "UNNAMED\t1\t0\n");
  // What reads whole is stored as written; --truncate cuts what is too long.
  ASSERT_EQ(wlk({"insert", "staff", "STF:ID=+12", "STF:BORN=2020-01-09", "STF:AT=08:30", "STF:RATE=-1,5",
                 "STF:S=-32768", "STF:FAM=Константинов", "--truncate"})
                .status,
            0);
  EXPECT_EQ(wlk({"select", "staff", "--field", "STF:ID", "--field", "STF:BORN", "--field", "STF:RATE",
                 "--field", "STF:S", "--field", "STF:FAM"})
                .out,
            "12\t80000\t-1.50\t-32768\tКонстант\n");
}

TEST_F(WlkValues, SelectWritesForPeopleAndSpreadsheets) {
  ASSERT_EQ(wlk({"insert", "staff", "STF:ID=1", "STF:FAM=Ли;\"Ан\"", "STF:BORN=09.01.2020", "STF:AT=08:05",
                 "STF:RATE=2.5", "STF:CODE=65", "STF:NOTES=заметка", "STF:PHOTO=AB"})
                .status,
            0);
  ASSERT_EQ(wlk({"insert", "staff", "STF:ID=2", "STF:AT=00:00:01"}).status, 0);
  // The NUL bytes of STF:CODE seen through STF:RAW neither cut the line nor shift its columns.
  EXPECT_EQ(wlk({"select", "staff"}).out,
            "1\tЛи;\"Ан\"\t09.01.2020\t08:05\t2.50\t0\t65\tA\\x00\\x00\\x00\n"
            "2\t\t\t00:00:01\t0\t0\t0\t\\x00\\x00\\x00\\x00\n");
  EXPECT_EQ(wlk({"select", "staff", "--raw", "--field", "STF:BORN", "--field", "STF:AT"}).out,
            "80000\t2910001\n0\t101\n");
  EXPECT_EQ(wlk({"select", "staff", "--csv", "--filter", "STF:ID=1"}).out,
            "\xEF\xBB\xBF"
            "STF:ID;STF:FAM;STF:BORN;STF:AT;STF:RATE;STF:S;STF:CODE;STF:RAW\r\n"
            "1;\"Ли;\"\"Ан\"\"\";09.01.2020;08:05;2,50;0;65;A\\x00\\x00\\x00\r\n");
  // Memos take part in expressions; a BLOB is written in hexadecimal.
  EXPECT_EQ(wlk({"select", "staff", "--filter", "INSTRING('метк', STF:NOTES)", "--field", "STF:NOTES",
                 "--field", "STF:PHOTO"})
                .out,
            "заметка\t4142\n");
}

TEST_F(WlkValues, DeclarationsThatCannotBeReadBackAreRefusedByLine) {
  std::ofstream(directory_ / "over.decl") << "X FILE,DRIVER('WENDLOCK'),CREATE\n RECORD\nX:A LONG\n"
                                             "X:B STRING(40),OVER(X:A)\n END\n END\n";
  const auto over = wlk({"create", "over", "over.decl"});
  EXPECT_EQ(over.status, 2);
  EXPECT_EQ(over.err,
            "wlk: over.decl: line 4: X:B (40 bytes) is larger than X:A (4 bytes), which it overlays\n");
  EXPECT_FALSE(std::filesystem::exists(directory_ / "over.WLK"));
}

TEST_F(WlkValues, MessagesSayWhatIsWrong) {
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string message;
  } cases[] = {
      {{"select", "staff", "--field", "FOO(1)"}, 2, "there is no function FOO"},
      {{"select", "staff", "--field", "STF:ID + BAR"}, 2, "there is no field or variable BAR"},
      {{"select", "staff", "--filter", "STF:ID ="}, 2, "does not parse at its end"},
      {{"select", "staff\\!NOPE"}, 1, "wlk: staff.WLK holds no table NOPE (its tables: UNNAMED)"},
      {{"select", "absent"}, 1, "Error 2: File Not Found"},
      {{"--owner", "x", "select", "staff"}, 1, "give the password with --owner"},
  };
  for (const auto& message : cases) {
    const auto outcome = wlk(message.arguments);
    EXPECT_EQ(outcome.status, message.status) << message.message;
    EXPECT_NE(outcome.err.find(message.message), std::string::npos) << outcome.err;
  }
  for (const char* command : {"select", "eval", "insert", "build"}) {
    const auto help = wlk({command, "--help"});
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_EQ(help.out.rfind(std::string("usage: wlk ") + command, 0), 0u) << help.out;
  }
}

}  // namespace
