// Test support for forms and browses (included only by *_test.cpp): a staff table on disk with
// its managers, and a procedure run on a thread of its own while the test acts as the clerk
// through the headless engine.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "framework/manager_test_fixture.h"
#include "framework/relation_guard.h"
#include "framework/table_manager.h"
#include "framework/window/window_builder.h"
#include "platform/codepage.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/datetime/environment.h"
#include "runtime/values/field_value.h"

namespace veltrano::framework::testing {

using namespace std::chrono_literals;

// STAFF: a number given by auto-numbering, a surname, a birth date, an insurance number kept as
// its template shows it, a rate and a sex.
inline runtime::RecordLayout staffLayout() {
  runtime::RecordLayoutBuilder fields;
  fields.scalar("STF:NUM", runtime::TypeCode::Long)
      .string("STF:FAM", 20)
      .scalar("STF:DATR", runtime::TypeCode::Date)
      .string("STF:STRACH", 20)
      .decimal("STF:STAVKA", 5, 2)
      .scalar("STF:POL", runtime::TypeCode::Byte)
      .string("STF:OTD", 10);
  return fields.build();
}

// The table and its managers over one control block; a second StaffTable on the same disk is
// another station.
class StaffTable {
 public:
  StaffTable(DiskStorage& disk, ErrorManager& errors) {
    file = disk.declare("STAFF", staffLayout());
    file->addKey("STF:NUM_KEY", {"+STF:NUM"}, storage::kKeyPrimary);
    file->addKey("STF:FAM_KEY", {"+STF:FAM", "+STF:NUM"}, storage::kKeyDup | storage::kKeyNocase);
    file->addKey("STF:OTD_KEY", {"+STF:OTD", "+STF:FAM"}, storage::kKeyDup | storage::kKeyNocase);
    // Insurance numbers are one a person; a card without one is not in the key.
    file->addKey("STF:STRACH_KEY", {"+STF:STRACH"}, storage::kKeyOpt);
    file->setAttributes(storage::kFileCreate);
    manager.Init(&file->file(), &errors);
    manager.FILENAMEVALUE = "STAFF";
    manager.CREATE = 1;
    manager.PRIMARYKEY = 1;
    manager.RegisterKey(file->key("STF:NUM_KEY"), "STF:NUM_KEY", 1);
    manager.RegisterKey(file->key("STF:FAM_KEY"), "STF:FAM_KEY");
    manager.RegisterKey(file->key("STF:OTD_KEY"), "STF:OTD_KEY");
    manager.RegisterKey(file->key("STF:STRACH_KEY"), "STF:STRACH_KEY");
    guard.Init(&manager, false);
  }
  ~StaffTable() {
    while (manager.SelectThreadState().OPENED > 0) manager.Close();
  }

  storage::KeyDescriptor* key(const char* label) { return file->key(label); }
  void set(const char* field, std::string_view utf8) {
    runtime::storeText(fieldOf(field), file->record(), platform::ru(utf8));
  }
  std::string get(const char* field) {
    std::string value = runtime::loadText(fieldOf(field), file->record());
    while (!value.empty() && value.back() == ' ') value.pop_back();
    return platform::utf8From1251(value);
  }
  // Adds cards directly (the file is opened for it and closed again): surname and department.
  void add(const std::vector<std::pair<std::string, std::string>>& cards) {
    ASSERT_EQ(manager.Open(), kLevelBenign);
    for (const auto& [surname, department] : cards) {
      runtime::clearRecord(file->layout(), file->record());
      set("STF:FAM", surname);
      set("STF:OTD", department);
      ASSERT_EQ(manager.Insert(), kLevelBenign);
    }
    manager.Close();
  }
  // Every record's `field` in `key` order (UTF-8, blanks cut), read through a control block of
  // its own.
  std::vector<std::string> column(DiskStorage& disk, const char* key_label, const char* field) {
    auto reader = disk.declare("STAFF", staffLayout());
    reader->addKey("STF:NUM_KEY", {"+STF:NUM"}, storage::kKeyPrimary);
    reader->addKey("STF:FAM_KEY", {"+STF:FAM", "+STF:NUM"}, storage::kKeyDup | storage::kKeyNocase);
    reader->addKey("STF:OTD_KEY", {"+STF:OTD", "+STF:FAM"}, storage::kKeyDup | storage::kKeyNocase);
    reader->addKey("STF:STRACH_KEY", {"+STF:STRACH"}, storage::kKeyOpt);
    std::vector<std::string> values;
    storage::OperationArguments open;
    open.access_mode = 0x42;
    storage::fileStatement(storage::Operation::Open, reader->file(), open);
    storage::OperationArguments set;
    set.key = reader->key(key_label);
    storage::fileStatement(storage::Operation::SetKey, reader->file(), set);
    while (storage::fileStatement(storage::Operation::Next, reader->file()), runtime::errorCode() == 0) {
      const auto& descriptor = reader->layout().field(static_cast<std::size_t>(reader->layout().find(field)));
      std::string value = runtime::loadText(descriptor, reader->record());
      while (!value.empty() && value.back() == ' ') value.pop_back();
      values.push_back(platform::utf8From1251(value));
    }
    storage::fileStatement(storage::Operation::Close, reader->file());
    return values;
  }

  const runtime::FieldDescriptor& fieldOf(const char* name) {
    return file->layout().field(static_cast<std::size_t>(file->layout().find(name)));
  }

  std::unique_ptr<storage::DeclaredFile> file;
  TableManager manager;
  RelationGuard guard;
};

// The staff card's form: surname (required), birth date, insurance number, rate and sex.
enum : ui::ControlId { kFormFam = 1, kFormBirth, kFormStrach, kFormRate, kFormSex, kFormOk, kFormCancel };
inline WindowDefinition staffForm(StaffTable& staff, const std::vector<ui::ControlId>& toolbar = {}) {
  WindowBuilder form("veltrano$TEST01", "StaffUp", "Update the staff File");
  if (!toolbar.empty()) form.toolbar(toolbar);
  const BoundRecord record = BoundRecord::of(staff.file->file());
  form.entry(kFormFam, "Фамилия:", record, "STF:FAM", "@s20").required();
  form.entry(kFormBirth, "Дата рождения:", record, "STF:DATR", "@d6.");
  form.entry(kFormStrach, "№ страх. свидетельства:", record, "STF:STRACH", "@P###-###-### ##P");
  form.entry(kFormRate, "Кол-во ставок:", record, "STF:STAVKA", "@n_5`2b");
  form.options(kFormSex, "Пол", record, "STF:POL", {{"женский", "0"}, {"мужской", "1"}});
  form.okButton(kFormOk, "&OK");
  form.cancelButton(kFormCancel, "&Cancel");
  return *form.build();
}

// The managers' fixture with the shipped locale, whose Cyrillic case pairs the case-insensitive
// keys, locators and filters need.
class WindowTest : public ManagerTest {
 protected:
  void SetUp() override {
    runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
    ManagerTest::SetUp();
  }
  void TearDown() override {
    ManagerTest::TearDown();
    runtime::charTables() = runtime::CharTables::defaults();
  }
};

// A procedure on a thread of its own; the test waits for it to be idle (waiting for its next
// event) before acting again, as a clerk acts on what the screen shows.
class ProcedureThread {
 public:
  ProcedureThread(ui::HeadlessEngine& engine, std::function<std::uint8_t()> procedure) : engine_(engine) {
    std::packaged_task<std::uint8_t()> task(std::move(procedure));
    response_ = task.get_future();
    thread_ = std::thread(std::move(task));
  }
  ~ProcedureThread() {
    if (thread_.joinable()) {
      for (ui::WindowId window : engine_.openWindows()) engine_.userCloses(window);
      thread_.join();
    }
  }

  // The window with this label, once the procedure waits for its first action.
  ui::WindowId window(const std::string& label) {
    const ui::WindowId found = engine_.waitForWindow(label, 10s);
    if (found != 0) engine_.waitUntilIdle(found, 10s);
    return found;
  }
  // The window with this label that replaces `previous` (a form closed and opened again).
  ui::WindowId nextWindow(const std::string& label, ui::WindowId previous) {
    for (int tries = 0; tries < 2000; ++tries) {
      const ui::WindowId found = engine_.findWindow(label);
      if (found != 0 && found != previous && engine_.waitUntilIdle(found, 10s)) return found;
      std::this_thread::sleep_for(5ms);
    }
    return 0;
  }
  bool idle(ui::WindowId window) { return engine_.waitUntilIdle(window, 10s); }
  bool running() { return response_.wait_for(0s) != std::future_status::ready; }
  // Waits for the procedure to end and gives its response.
  std::uint8_t response() {
    const std::uint8_t answer = response_.get();
    thread_.join();
    return answer;
  }

 private:
  ui::HeadlessEngine& engine_;
  std::future<std::uint8_t> response_;
  std::thread thread_;
};

}  // namespace veltrano::framework::testing
