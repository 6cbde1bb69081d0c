// Edit in place over a card file on disk: the clerk edits a row in the list, and what happens
// when the row is left changed.
#include "framework/browse/edit_in_place.h"

#include <thread>

#include "framework/manager_test_fixture.h"
#include "platform/codepage.h"

namespace veltrano::framework {
namespace {

using platform::ru;
using storage::Operation;

constexpr ui::ControlId kList = 1;
constexpr ui::ControlId kSurnameCell = EditInPlace::kFirstEntry;
constexpr ui::ControlId kDateCell = EditInPlace::kFirstEntry + 1;

class EditInPlaceTest : public testing::ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    runtime::RecordLayoutBuilder fields;
    fields.scalar("KAR:NUM", runtime::TypeCode::Long)
        .string("KAR:FAM", 20)
        .scalar("KAR:DATA_P", runtime::TypeCode::Date);
    karta = disk.declare("KARTA", fields.build());
    karta->addKey("KAR:NUM_KEY", {"+KAR:NUM"}, storage::kKeyPrimary);
    ASSERT_EQ(call(Operation::Create, *karta), 0);
    manager.Init(&karta->file(), &errors);
    manager.FILENAMEVALUE = "KARTA";
    manager.PRIMARYKEY = 1;
    ASSERT_TRUE(manager.RegisterKey(karta->key("KAR:NUM_KEY"), "KAR:NUM_KEY"));
    guard.Init(&manager, false);
    ASSERT_EQ(guard.Open(), kLevelBenign);
    for (int number = 1; number <= 3; ++number) {
      setLong(*karta, "KAR:NUM", number);
      setText(*karta, "KAR:FAM", ru(number == 2 ? "Петров" : "Иванов"));
      setLong(*karta, "KAR:DATA_P", 73116);
      ASSERT_EQ(call(Operation::Add, *karta), 0);
    }

    ui::WindowDescription browse;
    browse.label = "Browse";
    ui::ControlDescription list;
    list.id = kList;
    list.kind = ui::ControlKind::kList;
    list.format = "40R~No.~@n6@100L~Surname~@s20@60L~Hired~@d6.@";
    ui::ControlDescription button;
    button.id = 2;
    button.kind = ui::ControlKind::kButton;
    browse.controls = {list, button};
    window = engine.openWindow(browse);
    engine.pollEvent(window);
    engine.setRows(window, kList, {{"1"}, {"2"}, {"3"}});
    engine.alertKey(window, ui::key::kEscape);
    edit.Init(window, kList, &guard, &errors);
    edit.AddColumn(
        2, bindField(0, ui::ControlKind::kEntry, karta->layout(), karta->record(), "KAR:FAM", "@s20"));
    edit.AddColumn(
        3, bindField(0, ui::ControlKind::kEntry, karta->layout(), karta->record(), "KAR:DATA_P", "@d6."));
  }
  void TearDown() override {
    edit.Kill();
    guard.Close();
    manager.Kill();
    ManagerTest::TearDown();
  }

  // Reads card `number` into the buffer, as the browse does for the selected row.
  void readCard(int number) {
    setLong(*karta, "KAR:NUM", number);
    ASSERT_EQ(manager.Fetch(karta->key("KAR:NUM_KEY")), kLevelBenign);
  }
  std::string storedSurname(int number) {
    readCard(number);
    return text(*karta, "KAR:FAM");
  }
  // The clerk's actions, each once the row waits for the next.
  EditOutcome edited(const std::vector<std::function<void()>>& clerk) {
    std::thread user([&] {
      for (const auto& step : clerk) {
        ASSERT_TRUE(engine.waitUntilIdle(window, std::chrono::seconds(10)));
        step();
      }
    });
    EditOutcome outcome = edit.EditRow(2, kRequestChange);
    user.join();
    return outcome;
  }

  testing::DiskStorage disk;
  std::unique_ptr<storage::DeclaredFile> karta;
  TableManager manager;
  RelationGuard guard;
  ui::WindowId window = 0;
  EditInPlace edit;
};

TEST_F(EditInPlaceTest, YesWritesTheRowAndAWrongDateReturnsToIt) {
  readCard(2);
  engine.queueMessageBoxAnswer(ui::kButtonYes);  // the wrong date: refused, back to the row
  engine.queueMessageBoxAnswer(ui::kButtonYes);  // then saved
  EditOutcome outcome = edited({
      [&] {
        EXPECT_EQ(engine.value(window, kSurnameCell), ru("Петров"));
        EXPECT_EQ(engine.snapshot(window)->controls.at(kDateCell).description.over.column, 3);
        engine.userTypes(window, kSurnameCell, ru("Петрова"));
      },
      [&] {
        EXPECT_EQ(engine.focus(window), kDateCell);
        engine.userTypes(window, kDateCell, "31.02.2001");
      },
      [&] {
        EXPECT_EQ(engine.focus(window), kDateCell);  // refused: selected again
        engine.userTypes(window, kDateCell, "1.02.2001");
      },
  });
  EXPECT_EQ(outcome, EditOutcome::kSaved);
  EXPECT_EQ(boxes().size(), 2u);
  EXPECT_EQ(boxes()[0].default_button, ui::kButtonYes);
  EXPECT_EQ(boxes()[0].buttons, ui::kButtonYes | ui::kButtonNo | ui::kButtonCancel);
  EXPECT_FALSE(engine.snapshot(window)->controls.contains(kSurnameCell));
  EXPECT_EQ(storedSurname(2), ru("Петрова"));
}

TEST_F(EditInPlaceTest, CancelReturnsToTheRowNoDropsAndEscapeLeavesWithoutAsking) {
  readCard(2);
  engine.queueMessageBoxAnswer(ui::kButtonCancel);
  engine.queueMessageBoxAnswer(ui::kButtonNo);
  EditOutcome outcome = edited({
      [&] {
        engine.userEdits(window, kSurnameCell, ru("Сидоров"));
        engine.userSelectsRow(window, kList, 3);  // another row: the row is left
      },
      [&] {
        EXPECT_EQ(engine.value(window, kList), "2");  // Cancel: back to the row
        engine.userPresses(window, 2);                // another control: left again
      },
  });
  EXPECT_EQ(outcome, EditOutcome::kDropped);
  EXPECT_EQ(storedSurname(2), ru("Петров"));
  // What ended the row reaches the browse afterwards; what Cancel undid does not.
  std::optional<ui::Event> reposted = engine.pollEvent(window);
  ASSERT_TRUE(reposted);
  EXPECT_EQ(reposted->control, 2);

  readCard(2);
  EXPECT_EQ(edited({[&] {
              engine.userEdits(window, kSurnameCell, ru("Сидоров"));
              engine.userKey(window, ui::key::kEscape);
            }}),
            EditOutcome::kDropped);
  EXPECT_EQ(boxes().size(), 2u);
  EXPECT_EQ(storedSurname(2), ru("Петров"));
}

TEST_F(EditInPlaceTest, AnInsertedRowIsAddedToTheFile) {
  // The browse primes the new record and shows it as a row of its own.
  runtime::clearRecord(karta->layout(), karta->record());
  setLong(*karta, "KAR:NUM", 4);
  engine.setRows(window, kList, {{"1"}, {"2"}, {"3"}, {"4"}});
  engine.queueMessageBoxAnswer(ui::kButtonYes);
  std::thread user([&] {
    ASSERT_TRUE(engine.waitUntilIdle(window, std::chrono::seconds(10)));
    EXPECT_EQ(engine.value(window, kSurnameCell), "");
    engine.userEdits(window, kSurnameCell, ru("Кузнецова"));
    engine.userTypes(window, kDateCell, "5.03.2001");
  });
  EXPECT_EQ(edit.EditRow(4, kRequestInsert), EditOutcome::kSaved);
  user.join();
  EXPECT_EQ(storedSurname(4), ru("Кузнецова"));
  EXPECT_EQ(text(*karta, "KAR:DATA_P"), "73116");
}

}  // namespace
}  // namespace veltrano::framework
