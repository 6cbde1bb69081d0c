// The fixture shared by the table manager and relation guard tests: an error manager whose
// boxes a headless engine answers, halts that are recorded instead of ending the test, and
// helpers that read and write fields and records of declared files directly.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/error_manager.h"
#include "framework/test_files.h"
#include "runtime/errors/error_state.h"
#include "runtime/values/field_value.h"
#include "ui/headless_engine.h"

namespace veltrano::framework::testing {

class ManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime::clearErrors();
    errors.Init();
    errors.setHaltHandler([this](int, std::string_view text) { halts.emplace_back(text); });
  }
  void TearDown() override { errors.Kill(); }

  static void setLong(storage::DeclaredFile& file, const std::string& field, std::int64_t value) {
    runtime::storeInteger(file.layout().field(static_cast<std::size_t>(file.layout().find(field))),
                          file.record(), value);
  }
  static void setText(storage::DeclaredFile& file, const std::string& field, const std::string& value) {
    runtime::storeText(file.layout().field(static_cast<std::size_t>(file.layout().find(field))),
                       file.record(), value);
  }
  static std::string text(storage::DeclaredFile& file, const std::string& field) {
    std::string value = runtime::loadText(
        file.layout().field(static_cast<std::size_t>(file.layout().find(field))), file.record());
    while (!value.empty() && value.back() == ' ') value.pop_back();
    return value;
  }
  static int call(storage::Operation operation, storage::DeclaredFile& file,
                  const storage::KeyDescriptor* key = nullptr) {
    storage::OperationArguments arguments;
    arguments.key = key;
    arguments.access_mode = 0x42;
    storage::fileStatement(operation, file.file(), arguments);
    return runtime::errorCode();
  }
  // Creates the table and leaves it open for the test's own direct reads and writes.
  static void createAndOpen(storage::DeclaredFile& file) {
    ASSERT_EQ(call(storage::Operation::Create, file), 0);
    ASSERT_EQ(call(storage::Operation::Open, file), 0);
  }
  static std::int64_t records(storage::DeclaredFile& file) {
    storage::OperationArguments arguments;
    return storage::fileStatement(storage::Operation::RecordsFile, file.file(), arguments);
  }
  // Every record's value of `field`, in key order.
  static std::vector<std::string> column(storage::DeclaredFile& file, const storage::KeyDescriptor* key,
                                         const std::string& field) {
    std::vector<std::string> values;
    if (call(storage::Operation::SetKey, file, key) != 0) return values;
    while (call(storage::Operation::Next, file) == 0) values.push_back(text(file, field));
    return values;
  }

  std::vector<ui::MessageBoxRequest> boxes() const { return engine.shownMessageBoxes(); }
  std::vector<std::string> boxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : engine.shownMessageBoxes()) texts.push_back(box.text);
    return texts;
  }

  ui::HeadlessEngine engine;
  ui::ScopedWindowEngine installed{engine};
  ErrorManager errors;
  std::vector<std::string> halts;
  TestStorage storage;
};

}  // namespace veltrano::framework::testing
