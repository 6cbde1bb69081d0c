#include "app/demo/demo_data.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>

#include "app/demo/demo_generator.h"
#include "app/dictionary/dictionary.h"
#include "app/dictionary/dictionary_layout.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/datetime/environment.h"
#include "runtime/errors/error_state.h"
#include "storage/file_name.h"
#include "storage/page_file.h"
#include "storage/wendlock_check.h"
#include "storage/wendlock_driver.h"

namespace veltrano::app {
namespace {

using platform::ru;

class DemoDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
    // The process id keeps this test apart from the same test run at the same time by another build.
    root = std::filesystem::temp_directory_path() /
           ("veltrano-demo-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "a");
    std::filesystem::create_directories(root / "b");
  }
  void TearDown() override {
    std::filesystem::remove_all(root);
    runtime::charTables() = runtime::CharTables::defaults();
  }

  DemoOptions options(const std::string& sub, std::int64_t employees, std::uint32_t seed) const {
    DemoOptions demo;
    demo.directory = (root / sub).string();
    demo.employees = employees;
    demo.seed = seed;
    demo.today = kToday;
    demo.employees_per_commit = 25;  // several transactions
    return demo;
  }

  // Every record of every file, in physical order, read through the dictionary's declarations.
  static std::map<std::string, std::vector<std::vector<std::uint8_t>>> contents(
      const std::string& directory) {
    std::map<std::string, std::vector<std::vector<std::uint8_t>>> records;
    Dictionary dictionary(storage::wendlockDriver(), directory);
    for (const auto& spec : dictionaryFiles()) {
      storage::FileControlBlock& file = dictionary.file(spec.label).file();
      storage::OperationArguments open;
      open.access_mode = 0x40;  // read only, deny none
      storage::fileStatement(storage::Operation::Open, file, open);
      EXPECT_EQ(runtime::errorCode(), 0) << spec.label << " does not open with its declaration";
      storage::fileStatement(storage::Operation::SetFile, file);
      auto& rows = records[std::string(spec.label)];
      while (true) {
        storage::fileStatement(storage::Operation::Next, file);
        if (runtime::errorCode() != 0) break;
        rows.emplace_back(file.record.begin(), file.record.end());
        for (const auto& memo : file.memo_values)
          rows.back().insert(rows.back().end(), memo.begin(), memo.end());
      }
      storage::fileStatement(storage::Operation::Close, file);
    }
    return records;
  }

  static constexpr std::int32_t kToday = 80000;  // a date in 2020
  std::filesystem::path root;
};

TEST_F(DemoDataTest, GeneratedFilesOpenWithTheDeclarationsAndPassTheCheck) {
  DemoSummary summary;
  ASSERT_EQ(generateDemoData(options("a", 60, 7), &summary), "");
  ASSERT_EQ(summary.records.size(), 39u);
  std::map<std::string, std::int64_t> counts(summary.records.begin(), summary.records.end());
  EXPECT_EQ(counts["KARTA"], 60);
  EXPECT_GE(counts["RABOTA"], 60);
  EXPECT_GE(counts["TRUD"], 60);  // at least the period here of everyone
  EXPECT_EQ(counts["BOLNICA"], 4);
  EXPECT_EQ(counts["OTDELENI"], 11);
  EXPECT_GT(counts["POSTT"], 11);
  EXPECT_EQ(counts["RUK"], 1);
  EXPECT_EQ(counts["GRAGD"], 4);
  EXPECT_EQ(counts["KA2"], 0);
  EXPECT_EQ(counts["UCHEBA"], 0);

  for (const auto& spec : dictionaryFiles()) {
    const std::string path =
        storage::platformPath((root / "a").string() + "/" + std::string(spec.label) + ".WLK");
    storage::PageFileOptions read_only;
    read_only.read_only = true;
    int error = 0;
    auto file = storage::PageFile::open(path, platform::Creation::OpenExisting, read_only, &error);
    ASSERT_NE(file, nullptr) << path << " " << error;
    EXPECT_EQ(storage::checkEntries(*file, true), std::vector<std::string>{}) << spec.label;
  }
}

TEST_F(DemoDataTest, TheSameSeedGivesTheSameDataAndAnotherSeedOther) {
  ASSERT_EQ(generateDemoData(options("a", 30, 11)), "");
  ASSERT_EQ(generateDemoData(options("b", 30, 11)), "");
  const auto first = contents((root / "a").string());
  EXPECT_EQ(first, contents((root / "b").string()));
  ASSERT_EQ(generateDemoData(options("b", 30, 12)), "");  // replaces what is there
  const auto other = contents((root / "b").string());
  EXPECT_EQ(other.at("KARTA").size(), 30u);
  EXPECT_NE(first.at("KARTA"), other.at("KARTA"));
}

// The cards read as a personnel department would fill them in: name forms agree with the sex,
// derived fields agree with the latest appointment, dismissal and part-time flags are plausible.
TEST_F(DemoDataTest, CardsAreConsistentWithTheirRecords) {
  DemoSummary summary;
  ASSERT_EQ(generateDemoData(options("a", 120, 3), &summary), "");
  Dictionary dictionary(storage::wendlockDriver(), (root / "a").string());
  storage::DeclaredFile& karta = dictionary.file("KARTA");
  storage::DeclaredFile& rabota = dictionary.file("RABOTA");
  for (auto* file : {&karta, &rabota}) {
    storage::OperationArguments open;
    open.access_mode = 0x40;
    storage::fileStatement(storage::Operation::Open, file->file(), open);
    ASSERT_EQ(runtime::errorCode(), 0);
  }
  // The latest appointment of every employee.
  std::map<std::int64_t, std::vector<std::uint8_t>> latest;
  storage::fileStatement(storage::Operation::SetFile, rabota.file());
  while (true) {
    storage::fileStatement(storage::Operation::Next, rabota.file());
    if (runtime::errorCode() != 0) break;
    RecordAccess r(rabota);
    if (r.integer("RAB:IND") == 1) {
      EXPECT_EQ(latest.count(r.integer("RAB:NUM")), 0u) << "two latest appointments";
      latest[r.integer("RAB:NUM")].assign(rabota.record().begin(), rabota.record().end());
    }
  }
  std::int64_t dismissed = 0;
  std::set<std::int64_t> numbers;
  storage::fileStatement(storage::Operation::SetFile, karta.file());
  while (true) {
    storage::fileStatement(storage::Operation::Next, karta.file());
    if (runtime::errorCode() != 0) break;
    RecordAccess card(karta);
    const std::int64_t number = card.integer("KAR:NUM");
    numbers.insert(number);
    dismissed += card.blank("KAR:DATA_UVOL") ? 0 : 1;
    const std::string patronymic = platform::utf8From1251(card.text("KAR:PER"));
    const bool male = card.integer("KAR:POL") == 1;
    const bool male_form = patronymic.ends_with("ич");
    EXPECT_EQ(male, male_form) << patronymic;
    EXPECT_NE(card.integer("KAR:DATR"), 0);
    EXPECT_LE(card.integer("KAR:DATA_ZAP"), kToday);
    ASSERT_EQ(latest.count(number), 1u) << number;
    RecordAccess appointment(rabota.layout(), latest[number]);
    EXPECT_EQ(card.text("KAR:STRUKT"), appointment.text("RAB:STRUKT"));
    EXPECT_EQ(card.text("KAR:OTDELENIE"), appointment.text("RAB:OTDELENIE"));
    EXPECT_EQ(card.text("KAR:POST"), appointment.text("RAB:DOLGNOST"));
    EXPECT_EQ(card.text("KAR:PROFF"), appointment.text("RAB:PROF"));
    EXPECT_EQ(card.integer("KAR:STR"), appointment.integer("RAB:STR"));
    const auto line = card.integer("KAR:STR");
    EXPECT_TRUE((line >= 4 && line <= 84) || (line >= 93 && line <= 138) || line == 140) << line;
  }
  EXPECT_EQ(dismissed, summary.dismissed);
  EXPECT_GT(dismissed, 0);
  EXPECT_LT(dismissed, 30);
  EXPECT_EQ(numbers.size(), 120u);
  EXPECT_EQ(*numbers.begin(), 1);  // numbered by KARTA's manager from 1
  EXPECT_EQ(*numbers.rbegin(), 120);
}

TEST_F(DemoDataTest, BadRequestsAreRefusedWithAReason) {
  EXPECT_NE(generateDemoData(options("a", -1, 1)), "");
  EXPECT_NE(generateDemoData(options("a", kMostDemoEmployees + 1, 1)), "");
  EXPECT_NE(generateDemoData(options("missing/deeper", 5, 1)), "");
  EXPECT_FALSE(std::filesystem::exists(root / "missing"));
  EXPECT_EQ(generateDemoData(options("a", 0, 1)), "");  // reference books only
}

TEST(DemoGenerator, KartaRecordsAreReproducibleAndFilled) {
  const auto layout = recordLayout(*findFileSpec("KARTA"));
  std::vector<std::uint8_t> first(layout.size()), second(layout.size()), third(layout.size());
  DemoGenerator one(5, 80000), two(5, 80000), other(6, 80000);
  for (int round = 0; round < 20; ++round) {
    one.fillKartaRecord(RecordAccess(layout, first), round + 1);
    two.fillKartaRecord(RecordAccess(layout, second), round + 1);
    other.fillKartaRecord(RecordAccess(layout, third), round + 1);
    EXPECT_EQ(first, second);
    RecordAccess card(layout, first);
    EXPECT_EQ(card.integer("KAR:NUM"), round + 1);
    EXPECT_FALSE(card.blank("KAR:FAM"));
    EXPECT_FALSE(card.blank("KAR:PROFF"));
    const auto age = runtime::yearOfSerial(80000) -
                     runtime::yearOfSerial(static_cast<std::int32_t>(card.integer("KAR:DATR")));
    EXPECT_GE(age, 20);
    EXPECT_LE(age, 65);
  }
  EXPECT_NE(first, third);
}

}  // namespace
}  // namespace veltrano::app
