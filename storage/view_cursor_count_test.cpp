// A view's count, and its walk with the rejected records passed over by the driver, made on the
// records where they are stored, against the cards they were made from: an OEM file (so strings
// are converted), text fields of every kind, a group member, an overlay, an OPT key that leaves
// out blank surnames, a key that appended records are not yet in, and more records than one
// step of the count takes or one NEXT passes over.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/errors/error_state.h"
#include "runtime/expr/binding_scopes.h"
#include "runtime/values/field_value.h"
#include "storage/view_cursor.h"
#include "storage/wendlock_test_support.h"

namespace veltrano::storage {
namespace {

using runtime::TypeCode;
using testing::clear;
using testing::setField;
using testing::Statement;

// The real driver, counting the records read one by one; without `scans` it cannot count on
// stored records, so the view walks them.
class ReadCountingDriver : public Driver {
 public:
  const DriverRegistration& registration() const override { return inner_.registration(); }
  OperationResult describe(FileControlBlock& file) override { return inner_.describe(file); }
  OperationResult perform(Operation operation, FileControlBlock& file,
                          OperationArguments& arguments) override {
    if (operation == Operation::Next || operation == Operation::Previous) ++reads;
    if (!filters) arguments.filter = nullptr;
    return inner_.perform(operation, file, arguments);
  }
  std::unique_ptr<ReadRun> holdReads(FileControlBlock& file) override { return inner_.holdReads(file); }
  OperationResult scanRecords(FileControlBlock& file, RecordScan& scan, std::size_t records) override {
    return scans ? inner_.scanRecords(file, scan, records) : Driver::scanRecords(file, scan, records);
  }
  bool scans = true;
  bool filters = true;
  int reads = 0;

 private:
  Driver& inner_ = wendlockDriver();
};

struct Card {
  int number;
  std::string surname, code, note, city;
  int born;
  bool appended;  // added with APPEND: not yet in the code key
};

std::vector<Card> makeCards() {
  const char* const surnames[] = {"Петров", "", "Иванова", "Петрова", "Сидоров"};
  const char* const codes[] = {"АБ", "ВГ", ""};
  const char* const notes[] = {"Юг", "Север"};
  const char* const cities[] = {"Омск", "Тула", "Орёл"};
  std::vector<Card> cards;
  for (int i = 1; i <= 640; ++i) {
    cards.push_back({i, platform::ru(surnames[i % 5]), platform::ru(codes[i % 3]), platform::ru(notes[i % 2]),
                     platform::ru(cities[i % 3]), 60000 + i * 37 % 20000, i > 600});
  }
  return cards;
}

class ViewCountTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime::charTables() = runtime::CharTables::defaults();
    runtime::bindingScopes().clear();
    directory_ =
        std::filesystem::temp_directory_path() / ("veltrano_view_count_" + std::to_string(::getpid()));
    std::filesystem::remove_all(directory_);
    std::filesystem::create_directories(directory_);
    runtime::RecordLayoutBuilder fields;
    fields.scalar("C:NUM", TypeCode::Long)
        .string("C:FAM", 12)
        .string("C:FAMX", 3)
        .over("C:FAM")
        .cstring("C:CODE", 8)
        .pstring("C:NOTE", 8)
        .beginGroup("C:ADDR")
        .string("C:CITY", 10)
        .endGroup()
        .scalar("C:BORN", TypeCode::Long);
    file_ = DeclaredFile::make("CARDS", fields.build());
    file_->setName((directory_ / "CARDS").string());
    file_->setAttributes(kFileOem | kFileCreate);
    file_->setDriver(driver_);
    file_->addKey("C:NUM_KEY", {"+C:NUM"}, kKeyPrimary);
    file_->addKey("C:FAM_KEY", {"+C:FAM"}, kKeyDup | kKeyOpt | kKeyNocase);
    file_->addKey("C:CODE_KEY", {"+C:CODE"}, kKeyDup);
    Statement s{file_->file()};
    ASSERT_EQ(s(Operation::Create), 0);
    ASSERT_EQ(s.open(0x42), 0);
    fileStatement(Operation::Logout, file_->file());
    for (const Card& card : cards_) {
      clear(*file_);
      setField(*file_, "C:NUM", std::to_string(card.number));
      setField(*file_, "C:FAM", card.surname);
      setField(*file_, "C:CODE", card.code);
      setField(*file_, "C:NOTE", card.note);
      setField(*file_, "C:CITY", card.city);
      setField(*file_, "C:BORN", std::to_string(card.born));
      ASSERT_EQ(s(card.appended ? Operation::Append : Operation::Add), 0);
    }
    ASSERT_EQ(s(Operation::Commit), 0);
    runtime::bindFileFields(viewFileOf(file_->file()));
  }
  void TearDown() override {
    fileStatement(Operation::Close, file_->file());
    runtime::bindingScopes().clear();
    std::filesystem::remove_all(directory_);
  }

  std::int64_t count(const std::string& filter, const std::string& order, bool stored) {
    driver_.scans = stored;
    driver_.reads = 0;
    ViewCursor view;
    EXPECT_EQ(view.open(runtime::ViewDescriptor{}, {&file_->file()}), 0);
    EXPECT_TRUE(view.setFilter(platform::ru(filter)));
    EXPECT_TRUE(view.setOrder(order));
    const std::int64_t counted = view.records();
    EXPECT_EQ(runtime::errorCode(), 0);
    return counted;
  }

  std::filesystem::path directory_;
  const std::vector<Card> cards_ = makeCards();
  ReadCountingDriver driver_;
  std::unique_ptr<DeclaredFile> file_;
};

struct Case {
  const char* filter;
  const char* order;
  std::function<bool(const Card&)> passes;
};

std::vector<Case> filterCases() {
  const auto ru = [](const char* text) { return platform::ru(text); };
  return {
      {"C:FAM = 'Петров'", "", [&](const Card& c) { return c.surname == ru("Петров"); }},
      {"C:FAMX = 'Пет'", "", [&](const Card& c) { return c.surname.starts_with(ru("Пет")); }},
      {"C:CODE = 'АБ'", "", [&](const Card& c) { return c.code == ru("АБ"); }},
      {"C:NOTE = 'Север'", "", [&](const Card& c) { return c.note == ru("Север"); }},
      {"C:CITY = 'Орёл' AND C:BORN > 70000", "",
       [&](const Card& c) { return c.city == ru("Орёл") && c.born > 70000; }},
      // The OPT key holds no card with a blank surname, and no key the cards appended after the load.
      {"", "+C:FAM", [](const Card& c) { return !c.surname.empty() && !c.appended; }},
      {"C:BORN < 65000", "+C:CODE", [](const Card& c) { return !c.appended && c.born < 65000; }},
      // An order no key gives is a sort of every card.
      {"C:NOTE = 'Юг'", "-C:BORN", [&](const Card& c) { return c.note == ru("Юг"); }},
      // Runs of rejected records longer than one NEXT passes over.
      {"C:NUM = 2 OR C:NUM = 639", "", [](const Card& c) { return c.number == 2 || c.number == 639; }},
      {"C:NUM < 3 OR C:NUM > 597", "+C:NUM",
       [](const Card& c) { return !c.appended && (c.number < 3 || c.number > 597); }},
  };
}

TEST_F(ViewCountTest, CountsOnStoredRecordsWhatReadingEveryRecordCounts) {
  for (const Case& test : filterCases()) {
    SCOPED_TRACE(std::string(test.filter) + " / " + test.order);
    std::int64_t expected = 0;
    for (const Card& card : cards_) expected += test.passes(card) ? 1 : 0;
    const std::vector<std::uint8_t> before(file_->record().begin(), file_->record().end());
    EXPECT_EQ(count(test.filter, test.order, true), expected);
    EXPECT_EQ(driver_.reads, 0);  // no record was read one by one
    EXPECT_EQ(std::vector<std::uint8_t>(file_->record().begin(), file_->record().end()), before);
    EXPECT_EQ(count(test.filter, test.order, false), expected);
    EXPECT_GT(driver_.reads, 0);
  }
}

// The view's rows forward and back, passing over rejected records in the driver and reading every
// record, as C:NUM values. At the end the record buffer holds one whole card, the last one a NEXT
// gave: nothing of the records passed over is left in it.
TEST_F(ViewCountTest, PassingOverRejectedRecordsGivesTheRowsReadingEveryRecordGives) {
  const auto field = [&](const char* name) -> const runtime::FieldDescriptor& {
    return file_->layout().field(static_cast<std::size_t>(file_->layout().find(name)));
  };
  const auto text = [&](const char* name) {
    std::string value = runtime::loadText(field(name), file_->record());
    return value.substr(0, value.find_last_not_of(' ') + 1);
  };
  const auto number = [&](const char* name) {
    return static_cast<int>(runtime::loadReal(field(name), file_->record()));
  };
  const auto walk = [&](const Case& test, bool filters, bool forward) {
    driver_.filters = filters;
    driver_.reads = 0;
    ViewCursor view;
    EXPECT_EQ(view.open(runtime::ViewDescriptor{}, {&file_->file()}), 0);
    EXPECT_TRUE(view.setOrder(test.order));
    EXPECT_TRUE(view.setFilter(platform::ru(test.filter)));
    std::vector<int> rows;
    int error = 0;
    while ((error = forward ? view.next() : view.previous()) == 0) rows.push_back(number("C:NUM"));
    EXPECT_EQ(error, 33);
    if (!rows.empty()) {
      const Card& card = cards_.at(static_cast<std::size_t>(number("C:NUM") - 1));
      EXPECT_EQ(text("C:FAM"), card.surname);
      EXPECT_EQ(text("C:CODE"), card.code);
      EXPECT_EQ(text("C:NOTE"), card.note);
      EXPECT_EQ(text("C:CITY"), card.city);
      EXPECT_EQ(number("C:BORN"), card.born);
    }
    return rows;
  };
  for (const Case& test : filterCases()) {
    SCOPED_TRACE(std::string(test.filter) + " / " + test.order);
    std::size_t passing = 0;
    for (const Card& card : cards_) passing += test.passes(card) ? 1u : 0u;
    for (const bool forward : {true, false}) {
      const auto passed_over = walk(test, true, forward);
      const auto reads = static_cast<std::size_t>(driver_.reads);
      EXPECT_EQ(passed_over, walk(test, false, forward));
      EXPECT_EQ(passed_over.size(), passing);
      // Sorted orders read every record to sort them, and the longest runs of rejected records
      // cost one whole read for each 256.
      if (std::string(test.order) != "-C:BORN") {
        EXPECT_LE(reads, passing + 1 + 2);
      }
    }
  }
}

}  // namespace
}  // namespace veltrano::storage
