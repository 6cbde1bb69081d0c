// The history of card changes on disk: every way a card or a child record changes writes what
// changed, a change that fails or is rolled back writes nothing, and a crash at any write of a
// change leaves the change and its history together or neither.
#include "app/history/card_history.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>

#include "app/card/employee_erase.h"
#include "app/dictionary/record_access.h"
#include "framework/test_files.h"
#include "platform/codepage.h"
#include "platform/fault_injection.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/datetime/environment.h"
#include "storage/wendlock_driver.h"
#include "ui/headless_engine.h"

namespace veltrano::app::history {
namespace {

namespace fs = std::filesystem;
using framework::Change;
using framework::kLevelBenign;

// What one history entry says, in short: file, employee, change and the changed labels.
struct Seen {
  std::string file;
  std::int64_t employee;
  Change change;
  std::vector<std::string> labels;
  bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& seen, std::ostream* out) {
  *out << seen.file << " " << seen.employee << " " << static_cast<int>(seen.change) << " {";
  for (const auto& label : seen.labels) *out << label << " ";
  *out << "}";
}

class CardHistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
    static std::atomic<int> made{0};
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    root_ = base / ("veltrano-history-" + std::to_string(::getpid()) + "-" + std::to_string(++made));
    fs::remove_all(root_);
    fs::create_directories(root_ / "made");
    errors_.Init();
    // Employee 1 with an attestation and a leave; every write so far is history as well.
    withHistory(root_ / "made", [](Dictionary& dictionary, CardHistory&) {
      framework::TableManager& karta = dictionary.manager("KARTA");
      ASSERT_EQ(karta.PrepareRecord(), kLevelBenign);
      RecordAccess(dictionary.file("KARTA")).setText("KAR:FAM", platform::ru("Иванова"));
      ASSERT_EQ(karta.InsertQuiet(), kLevelBenign);
      for (const char* label : {"ATTESTAT", "OTPUSK"}) {
        framework::TableManager& child = dictionary.manager(label);
        ASSERT_EQ(child.PrepareRecord(), kLevelBenign);
        RecordAccess(dictionary.file(label)).setInteger(std::string(label).substr(0, 3) + ":NUM", 1);
        ASSERT_EQ(child.InsertQuiet(), kLevelBenign);
      }
    });
  }
  void TearDown() override {
    errors_.Kill();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
    runtime::charTables() = runtime::CharTables::defaults();
  }

  using Work = std::function<void(Dictionary&, CardHistory&)>;
  void withHistory(const fs::path& directory, const Work& work, storage::Driver* driver = nullptr) {
    Dictionary dictionary(driver != nullptr ? *driver : storage::wendlockDriver(), directory.string());
    dictionary.Init(errors_);
    {
      CardHistory history(dictionary);
      for (const auto& spec : dictionaryFiles())
        ASSERT_EQ(dictionary.manager(spec.label).Open(), kLevelBenign);
      work(dictionary, history);
      for (const auto& spec : dictionaryFiles()) dictionary.manager(spec.label).Close();
    }
    dictionary.Kill();
  }
  fs::path copy(const std::string& name) {
    const fs::path target = root_ / name;
    fs::copy(root_ / "made", target, fs::copy_options::recursive);
    return target;
  }
  // The entries written after the three of the set-up, oldest first.
  std::vector<Seen> added(const fs::path& directory) {
    std::vector<Seen> seen;
    withHistory(directory, [&](Dictionary&, CardHistory& history) {
      int error = 0;
      auto entries = readHistory(*history.openHistory(), nullptr, &error);
      EXPECT_EQ(error, 0);
      for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        if (entry->number <= 3) continue;
        Seen one{entry->file, entry->employee, entry->change, {}};
        for (const auto& field : entry->fields) one.labels.push_back(field.label);
        seen.push_back(one);
      }
    });
    return seen;
  }
  std::string surname(const fs::path& directory) {
    std::string found;
    withHistory(directory, [&](Dictionary& dictionary, CardHistory&) {
      RecordAccess card(dictionary.file("KARTA"));
      card.setInteger("KAR:NUM", 1);
      if (dictionary.manager("KARTA").Fetch(dictionary.file("KARTA").key("KAR:NUM_KEY")) == kLevelBenign)
        found = card.text("KAR:FAM");
    });
    return found;
  }
  static bool fetchCard(Dictionary& dictionary) {
    RecordAccess(dictionary.file("KARTA")).setInteger("KAR:NUM", 1);
    return dictionary.manager("KARTA").Fetch(dictionary.file("KARTA").key("KAR:NUM_KEY")) == kLevelBenign;
  }
  static void rename(Dictionary& dictionary, std::string_view to) {
    ASSERT_TRUE(fetchCard(dictionary));
    dictionary.guard("KARTA").SaveLinkValues();
    RecordAccess(dictionary.file("KARTA")).setText("KAR:FAM", platform::ru(to));
    dictionary.guard("KARTA").Update(0);
  }

  fs::path root_;
  ui::HeadlessEngine engine_;
  ui::ScopedWindowEngine installed_{engine_};
  framework::ErrorManager errors_;
};

TEST_F(CardHistoryTest, EveryChangePathWritesWhatChangedAndAFailedOrRolledBackOneWritesNothing) {
  struct Case {
    const char* name;
    std::function<void(framework::testing::ScriptedDriver&)> script;
    Work change;
    std::vector<Seen> expected;
  };
  const std::vector<std::string> surname_label{"KAR:FAM"};
  const Work child_change = [](Dictionary& dictionary, CardHistory&) {
    RecordAccess leave(dictionary.file("OTPUSK"));
    leave.setInteger("OTP:NUM", 1);
    ASSERT_EQ(dictionary.manager("OTPUSK").Fetch(dictionary.file("OTPUSK").key("OTP:NUM_KEY")), kLevelBenign);
    leave.setText("OTP:OSNOVA", platform::ru("приказ 7"));
    dictionary.manager("OTPUSK").UpdateQuiet();
  };
  const std::vector<Case> cases = {
      {"rename through the guard",
       nullptr,
       [](Dictionary& d, CardHistory&) { rename(d, "Петрова"); },
       {{"KARTA", 1, Change::kUpdate, surname_label}}},
      {"rewrite changing nothing", nullptr, [](Dictionary& d, CardHistory&) { rename(d, "Иванова"); }, {}},
      {"child rewritten by its manager",
       nullptr,
       child_change,
       {{"OTPUSK", 1, Change::kUpdate, {"OTP:OSNOVA"}}}},
      {"card deleted with its children",
       nullptr,
       [](Dictionary& d, CardHistory&) {
         ASSERT_TRUE(fetchCard(d));
         EXPECT_EQ(d.guard("KARTA").Delete(false), kLevelBenign);
       },
       {{"ATTESTAT", 1, Change::kDelete, {"ATT:NUM"}},
        {"OTPUSK", 1, Change::kDelete, {"OTP:NUM"}},
        {"KARTA", 1, Change::kDelete, {"KAR:NUM", "KAR:FAM"}}}},
      {"employee erased",
       nullptr,
       [](Dictionary& d, CardHistory&) { EXPECT_EQ(card::eraseEmployee(d, 1), kLevelBenign); },
       {{"KARTA", 1, Change::kDelete, {"KAR:NUM", "KAR:FAM"}},
        {"ATTESTAT", 1, Change::kDelete, {"ATT:NUM"}},
        {"OTPUSK", 1, Change::kDelete, {"OTP:NUM"}}}},
      {"rewrite refused by the driver",
       [](auto& driver) { driver.fail(storage::Operation::Put, "KARTA", 90); },
       [](Dictionary& d, CardHistory&) { rename(d, "Петрова"); },
       {}},
      {"history refused: the rewrite is undone",
       [](auto& driver) { driver.fail(storage::Operation::Add, "ISTORIYA", 90); },
       [](Dictionary& d, CardHistory&) { rename(d, "Петрова"); },
       {}},
      {"delete rolled back when a child's delete fails",
       [](auto& driver) { driver.fail(storage::Operation::Delete, "OTPUSK", 90, 0, 100); },
       [this](Dictionary& d, CardHistory&) {
         ASSERT_TRUE(fetchCard(d));
         engine_.queueMessageBoxAnswer(ui::kButtonOk);  // the failed delete's message
         engine_.queueMessageBoxAnswer(ui::kButtonNo);  // not again
         EXPECT_NE(d.guard("KARTA").Delete(false), kLevelBenign);
       },
       {}},
  };
  for (std::size_t index = 0; index < cases.size(); ++index) {
    const Case& c = cases[index];
    SCOPED_TRACE(c.name);
    const fs::path directory = copy(std::to_string(index));
    framework::testing::ScriptedDriver driver(storage::wendlockDriver());
    if (c.script) c.script(driver);
    withHistory(directory, c.change, &driver);
    EXPECT_EQ(added(directory), c.expected);
    const bool renamed = !c.expected.empty() && c.expected.front().labels == surname_label;
    if (c.script) {
      EXPECT_EQ(surname(directory), platform::ru("Иванова")) << "the card is as before";
    }
    if (renamed) {
      EXPECT_EQ(surname(directory), platform::ru("Петрова"));
    }
  }
}

TEST_F(CardHistoryTest, ACrashAtAnyWriteOfAChangeLeavesTheChangeAndItsHistoryTogetherOrNeither) {
  platform::FaultInjectingFileSystem faults;
  const platform::FileSystemOverride installed(faults);
  int kept = 0;
  int done = 0;
  for (std::uint64_t crash = 1;; ++crash) {
    SCOPED_TRACE(crash);
    const fs::path directory = copy("crash" + std::to_string(crash));
    withHistory(directory, [&](Dictionary& dictionary, CardHistory&) {
      faults.resetCount();
      faults.crashAfterWrite(crash);
      rename(dictionary, "Петрова");
    });
    const bool crashed = faults.crashed();
    faults.clearFaults();
    const bool changed = surname(directory) == platform::ru("Петрова");
    EXPECT_EQ(added(directory).size(), changed ? 1u : 0u);
    (changed ? done : kept) += 1;
    if (!crashed) break;
  }
  EXPECT_GT(kept, 0);
  EXPECT_GT(done, 0);
}

}  // namespace
}  // namespace veltrano::app::history
