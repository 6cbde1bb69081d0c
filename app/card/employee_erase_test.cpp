// Erasing an employee on disk: a failed delete and a crash at any of the erase's writes leave
// the nine files with every record of the employee or with none.
#include "app/card/employee_erase.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>

#include "app/dictionary/record_access.h"
#include "framework/driver_calls.h"
#include "framework/test_files.h"
#include "platform/fault_injection.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/datetime/environment.h"
#include "storage/wendlock_driver.h"
#include "ui/headless_engine.h"

namespace veltrano::app::card {
namespace {

namespace fs = std::filesystem;
using Counts = std::vector<int>;  // the employee's records in each of the nine files

class EmployeeEraseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
    static std::atomic<int> made{0};
    // Memory-backed where the machine has it: some sixty erases, each synced to disk several
    // times, are otherwise a matter of waiting for the disk.
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    root_ = base / ("veltrano-erase-" + std::to_string(::getpid()) + "-" + std::to_string(++made));
    fs::remove_all(root_);
    fs::create_directories(root_ / "made");
    errors_.Init();
    // Two employees with two records in every child file.
    withDictionary(root_ / "made", [](Dictionary& dictionary) {
      for (std::int64_t employee = 1; employee <= 2; ++employee) {
        for (const EmployeeFile& file : employeeFiles()) {
          for (int copy = 0; copy < (file.file == "KARTA" ? 1 : 2); ++copy) {
            framework::TableManager& manager = dictionary.manager(file.file);
            ASSERT_EQ(manager.Open(), framework::kLevelBenign);
            manager.ClearRecord();
            RecordAccess(dictionary.file(file.file)).setInteger(file.number, employee);
            ASSERT_EQ(framework::fileCall(storage::Operation::Add, dictionary.file(file.file).file()), 0);
            manager.Close();
          }
        }
      }
    });
  }
  void TearDown() override {
    errors_.Kill();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
    runtime::charTables() = runtime::CharTables::defaults();
  }

  template <typename Work>
  void withDictionary(const fs::path& directory, Work work, storage::Driver* driver = nullptr) {
    Dictionary dictionary(driver != nullptr ? *driver : storage::wendlockDriver(), directory.string());
    dictionary.Init(errors_);
    work(dictionary);
    dictionary.Kill();
  }
  // A fresh copy of the made files to erase in.
  fs::path copy(int attempt) {
    const fs::path target = root_ / std::to_string(attempt);
    fs::copy(root_ / "made", target, fs::copy_options::recursive);
    return target;
  }
  Counts counts(const fs::path& directory, std::int64_t employee) {
    Counts found;
    withDictionary(directory, [&](Dictionary& dictionary) {
      for (const EmployeeFile& file : employeeFiles()) {
        framework::TableManager& manager = dictionary.manager(file.file);
        int n = 0;
        if (manager.Open() == framework::kLevelBenign) {
          storage::fileStatement(storage::Operation::SetFile, dictionary.file(file.file).file());
          while (manager.NextQuiet() == framework::kLevelBenign)
            n += RecordAccess(dictionary.file(file.file)).integer(file.number) == employee ? 1 : 0;
          manager.Close();
        }
        found.push_back(n);
      }
    });
    return found;
  }

  const Counts all_ = {1, 2, 2, 2, 2, 2, 2, 2, 2};
  const Counts none_ = Counts(9, 0);
  fs::path root_;
  ui::HeadlessEngine engine_;
  ui::ScopedWindowEngine installed_{engine_};
  framework::ErrorManager errors_;
};

TEST_F(EmployeeEraseTest, ErasesTheEmployeeFromTheNineFilesOrAfterAFailedDeleteLeavesEverything) {
  const fs::path erased = copy(1);
  withDictionary(erased, [](Dictionary& dictionary) { EXPECT_EQ(eraseEmployee(dictionary, 2), 0); });
  EXPECT_EQ(counts(erased, 2), none_);
  EXPECT_EQ(counts(erased, 1), all_) << "the other employee keeps everything";

  const fs::path refused = copy(2);
  framework::testing::ScriptedDriver failing(storage::wendlockDriver());
  failing.fail(storage::Operation::Delete, "RABOTA", 94);
  withDictionary(
      refused, [](Dictionary& dictionary) { EXPECT_NE(eraseEmployee(dictionary, 2), 0); }, &failing);
  ASSERT_EQ(engine_.shownMessageBoxes().size(), 1u);
  EXPECT_NE(engine_.shownMessageBoxes()[0].text.find("rabota"), std::string::npos);
  EXPECT_EQ(counts(refused, 2), all_) << "KARTA, ATTESTAT … TRUD put back with RABOTA";
}

TEST_F(EmployeeEraseTest, ACrashAtAnyWriteOfTheEraseLeavesAllOfTheEmployeeOrNone) {
  platform::FaultInjectingFileSystem faults;
  const platform::FileSystemOverride installed(faults);
  int kept = 0;
  int gone = 0;
  for (std::uint64_t crash = 1;; ++crash) {
    SCOPED_TRACE(crash);
    const fs::path directory = copy(static_cast<int>(crash));
    withDictionary(directory, [&](Dictionary& dictionary) {
      for (const EmployeeFile& file : employeeFiles()) ASSERT_EQ(dictionary.manager(file.file).Open(), 0);
      faults.resetCount();
      faults.crashAfterWrite(crash);
      eraseEmployee(dictionary, 2);
      for (const EmployeeFile& file : employeeFiles()) dictionary.manager(file.file).Close();
    });
    const bool crashed = faults.crashed();
    faults.clearFaults();
    const Counts after = counts(directory, 2);
    EXPECT_TRUE(after == all_ || after == none_) << ::testing::PrintToString(after);
    (after == all_ ? kept : gone) += 1;
    if (!crashed) break;
  }
  EXPECT_GT(kept, 0);
  EXPECT_GT(gone, 1) << "crashes after the commit's decisive write find the erase done";
}

}  // namespace
}  // namespace veltrano::app::card
