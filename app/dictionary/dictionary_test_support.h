// Test support (included only by *_test.cpp): the dictionary over in-memory storage files with
// an error manager whose message boxes a headless engine answers.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/dictionary/dictionary.h"
#include "app/dictionary/record_access.h"
#include "platform/codepage.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/datetime/environment.h"
#include "runtime/errors/error_state.h"
#include "storage/wendlock_driver.h"
#include "storage/wendlock_files.h"
#include "ui/headless_engine.h"

namespace veltrano::app::testing {

class DictionaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The shipped locale: Cyrillic case pairs for the NOCASE keys.
    runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
    runtime::clearErrors();
    errors.Init();
    errors.setHaltHandler([this](int, std::string_view text) { halts.emplace_back(text); });
    dictionary.Init(errors);
    // Opening a missing file creates it: every file of the dictionary is declared CREATE.
    for (const auto& spec : dictionaryFiles()) {
      ASSERT_EQ(dictionary.manager(spec.label).Open(), framework::kLevelBenign) << spec.label;
    }
  }
  void TearDown() override {
    for (const auto& spec : dictionaryFiles()) dictionary.manager(spec.label).Close();
    dictionary.Kill();
    errors.Kill();
    runtime::charTables() = runtime::CharTables::defaults();
  }

  RecordAccess record(std::string_view label) { return RecordAccess(dictionary.file(label)); }

  // Every record of a file in physical order, as the values of one field.
  std::vector<std::string> column(std::string_view label, std::string_view field) {
    std::vector<std::string> values;
    storage::DeclaredFile& file = dictionary.file(label);
    storage::fileStatement(storage::Operation::SetFile, file.file());
    while (true) {
      storage::fileStatement(storage::Operation::Next, file.file());
      if (runtime::errorCode() != 0) break;
      values.push_back(RecordAccess(file).text(field));
    }
    return values;
  }

  // Adds a child record of `employee` through the file's manager; the fields are set by `fill`.
  template <typename Fill>
  void addRecord(std::string_view label, Fill fill) {
    framework::TableManager& manager = dictionary.manager(label);
    ASSERT_EQ(manager.PrepareRecord(), framework::kLevelBenign) << label;
    RecordAccess fields = record(label);
    fill(fields);
    ASSERT_EQ(manager.InsertQuiet(), framework::kLevelBenign) << label << " " << runtime::errorCode();
  }

  // A new card through KARTA's manager (numbered automatically); its number.
  std::int64_t addCard(std::string_view surname) {
    framework::TableManager& karta = dictionary.manager("KARTA");
    EXPECT_EQ(karta.PrepareRecord(), framework::kLevelBenign);
    RecordAccess card = record("KARTA");
    card.setText("KAR:FAM", platform::ru(surname));
    EXPECT_EQ(karta.InsertQuiet(), framework::kLevelBenign);
    return card.integer("KAR:NUM");
  }

  static std::string ru(std::string_view text) { return platform::ru(text); }

  ui::HeadlessEngine engine;
  ui::ScopedWindowEngine installed{engine};
  framework::ErrorManager errors;
  std::vector<std::string> halts;
  storage::MemoryCatalog catalog;
  storage::WendlockDriver driver{catalog};
  Dictionary dictionary{driver};
};

}  // namespace veltrano::app::testing
