// The card's child lists and forms driven as the clerk drives them: what each list recomputes
// after a request, the forms' computed fields, and the input they refuse.
#include "app/card/child_lists.h"

#include "app/card/card_form.h"
#include "app/card/card_numbers.h"
#include "app/card/card_test_support.h"
#include "app/card/child_forms.h"
#include "app/card/employee_list.h"
#include "app/reference/reference_list.h"

namespace veltrano::app::card {
namespace {

using Strings = std::vector<std::string>;
using testing::ProcedureThread;

class ChildListTest : public testing::CardTest {
 protected:
  void SetUp() override {
    CardTest::SetUp();
    addRecord("PROF", [&](RecordAccess prof) {
      prof.setText("PRO:PROF", ru("Врач-терапевт"));
      prof.setText("PRO:KOD_PROF", "123");
      prof.setInteger("PRO:STR", 20);
    });
  }
  // Chooses the first row of the list a "..." opened.
  void chooseFirst(ProcedureThread& thread, ui::WindowId form, ui::ControlId button,
                   const std::string& label) {
    const ui::WindowId list = open(thread, form, button, label);
    ASSERT_TRUE(engine.userDoubleClicks(list, reference::kListRows, 1));
    ASSERT_TRUE(closed(label));
    thread.idle(form);
  }
  ui::ControlId chooser(ui::WindowId form, std::string_view prompt) {
    return after(form, prompt) + kChildFormChooseOffset;
  }
};

TEST_F(ChildListTest, ALaterAppointmentGivesTheCardItsPlaceWhichCancellingLeavesOnDiskAndSavingWrites) {
  const std::int64_t employee = card("Петров", "Хирург");
  addRecord("RABOTA", [&](RecordAccess rabota) {
    rabota.setInteger("RAB:NUM", employee);
    rabota.setInteger("RAB:DATA", 72000);
    rabota.setText("RAB:STRUKT", ru("Стационар"));
    rabota.setText("RAB:DOLGNOST", ru("Хирург"));
    rabota.setInteger("RAB:IND", 1);
  });
  auto thread = run(kEmployeeList);
  const ui::WindowId list = thread->window("Karta");
  ASSERT_TRUE(engine.userKey(list, ui::key::kControl + ui::key::kEnter));
  ui::WindowId form = thread->window("KartaUp");
  ui::WindowId appointments = open(*thread, form, kCardFirstChildList + 1, "Rabota");
  EXPECT_EQ(engine.snapshot(appointments)->caption, ru("Прием на работу, назначение, перемещение"));
  ui::WindowId appointment = open(*thread, appointments, kChildInsert, "RabotaUp");
  EXPECT_EQ(value(appointment, after(appointment, "Соответствие")), "да");
  type(*thread, appointment, after(appointment, "Дата:"), "01.03.2005");
  type(*thread, appointment, after(appointment, "Подразделение.:"), "Поликлиника");
  type(*thread, appointment, after(appointment, "Отделение:"), "Терапия");
  type(*thread, appointment, after(appointment, "Должность:"), "Терапевт");
  chooseFirst(*thread, appointment, chooser(appointment, "Профессия:"), "Prof");
  EXPECT_EQ(value(appointment, after(appointment, "Профессия:")), "Врач-терапевт");
  finish(*thread, appointment, kChildFormOk, appointments);
  EXPECT_EQ(shown(appointments, kChildRows, 0), (Strings{"0", "1"})) << "the later one is the latest";
  EXPECT_EQ(shown(appointments, kChildRows, 6), (Strings{"", "20"}));
  finish(*thread, appointments, kChildClose, form);

  // Cancelled: the card on disk keeps its place, the appointment stays written.
  engine.queueMessageBoxAnswer(ui::kButtonNo);  // the changes are not to be saved
  finish(*thread, form, kCardCancel, list);
  EXPECT_EQ(onDisk("KARTA", "KAR:POST"), Strings{"Хирург"});
  EXPECT_EQ(onDisk("RABOTA", "RAB:IND"), (Strings{"0", "1"}));
  EXPECT_EQ(onDisk("RABOTA", "RAB:NUM"), (Strings{"1", "1"}));

  // Saved after the list has recounted: the card has the latest appointment's place.
  ASSERT_TRUE(engine.userKey(list, ui::key::kControl + ui::key::kEnter));
  form = thread->window("KartaUp");
  appointments = open(*thread, form, kCardFirstChildList + 1, "Rabota");
  ASSERT_TRUE(engine.userKey(appointments, ui::key::kControl + ui::key::kEnter));
  appointment = thread->window("RabotaUp");
  finish(*thread, appointment, kChildFormCancel, appointments);
  finish(*thread, appointments, kChildClose, form);
  finish(*thread, form, kCardOk, list);
  for (const auto& [field, expected] : {std::pair{"KAR:STRUKT", "Поликлиника"},
                                        {"KAR:OTDELENIE", "Терапия"},
                                        {"KAR:POST", "Терапевт"},
                                        {"KAR:PROFF", "Врач-терапевт"},
                                        {"KAR:STR", "20"}})
    EXPECT_EQ(onDisk("KARTA", field), Strings{expected}) << field;
  EXPECT_EQ(shown(list, kEmployeeRows, 7), Strings{"Терапевт"});
}

TEST_F(ChildListTest, AWorkPeriodIsMeasuredWhenItsEndIsEnteredAndTheTotalsFollowTheFlags) {
  applicationGlobals().setNumg(card("Петров"));
  auto thread = run(kWorkHistoryList);
  const ui::WindowId history = thread->window("Trud");
  const ui::WindowId period = open(*thread, history, kChildInsert, "TrudUp");
  type(*thread, period, after(period, "Дата начала:"), "15.01.2000");
  type(*thread, period, after(period, "Дата конца:"), "10.03.2001");
  EXPECT_EQ(value(period, after(period, "дни")), "26");
  EXPECT_EQ(value(period, after(period, "месяцы")), "1");
  EXPECT_EQ(value(period, after(period, "годы")), "1");
  chooseFirst(*thread, period, chooser(period, "Профессия:"), "Prof");
  finish(*thread, period, kChildFormOk, history);
  EXPECT_EQ(shown(history, kChildRows, 8), Strings{"1"}) << "the latest closed period";
  // а) to г) count the period; д) has no open job to run to today.
  Strings totals;
  for (ui::ControlId total = kFirstTotal; total < kFirstTotal + 15; ++total)
    totals.push_back(value(history, total));
  EXPECT_EQ(totals, (Strings{"26", "1", "1", "26", "1", "1", "26", "1", "1", "26", "1", "1", "0", "0", "0"}));
}

TEST_F(ChildListTest, TheLeaveFormSumsItsDaysAndEveryFormRefusesAWrongDateOrNumberWritingNothing) {
  applicationGlobals().setNumg(card("Петров"));
  {
    auto thread = run(kLeaveList);
    const ui::WindowId leaves = thread->window("Otpusk");
    const ui::WindowId leave = open(*thread, leaves, kChildInsert, "OtpuskUp");
    for (const auto& [prompt, days] : {std::pair{"К-во дней основного отпуска:", "28"},
                                       {"Дополнительный отпуск 1:", "3"},
                                       {"2:", "0"},
                                       {"3:", "7"}})
      type(*thread, leave, after(leave, prompt), days);
    EXPECT_EQ(value(leave, after(leave, "Дополнительный отпуск всего:")), "10");
    EXPECT_EQ(value(leave, after(leave, "Итого дней отпуска:")), "38");
    engine.queueMessageBoxAnswer(ui::kButtonNo);
    finish(*thread, leave, kChildFormCancel, leaves);
  }
  struct Wrong {
    std::uint16_t list;
    const char* label;
    const char* form;
    const char* prompt;
    const char* text;
  };
  const Wrong wrongs[] = {
      {kLeaveList, "Otpusk", "OtpuskUp", "Дата начала отпуска:", "32.01.2005"},
      {kAppointmentList, "Rabota", "RabotaUp", "Кол-во ставок:", "полставки"},
      {kFurtherTrainingList, "Povysh", "PovyshUp", "Срок в месяцах:", "12345"},
      {kAttestationList, "Attestat", "AttestatUp", "Дата документа:", "30.02.2004"},
      {kFamilyList, "Sostav", "SostavUp", "Дата рождения:", "1.13.1990"},
  };
  for (const Wrong& wrong : wrongs) {
    SCOPED_TRACE(wrong.form);
    auto thread = run(wrong.list);
    const ui::WindowId list = thread->window(wrong.label);
    const ui::WindowId form = open(*thread, list, kChildInsert, wrong.form);
    type(*thread, form, after(form, wrong.prompt), wrong.text);
    press(*thread, form, kChildFormOk);
    EXPECT_NE(engine.findWindow(wrong.form), 0u) << "refused: the form stays open";
    engine.queueMessageBoxAnswer(ui::kButtonNo);
    finish(*thread, form, kChildFormCancel, list);
    EXPECT_TRUE(shown(list, kChildRows, 0).empty());
    EXPECT_TRUE(
        onDisk(findChildList(wrong.list)->file, findChildForm(findChildList(wrong.list)->form)->employee)
            .empty());
  }
}

TEST_F(ChildListTest, NoRecordIsAddedToACardAnotherStationHasErased) {
  applicationGlobals().setNumg(card("Петров"));
  auto thread = run(kAttestationList);
  const ui::WindowId attestations = thread->window("Attestat");
  auto other = declareDictionaryFile(*dictionaryFiles().begin(), driver);
  storage::OperationArguments open_mode;
  open_mode.access_mode = 0x42;
  storage::fileStatement(storage::Operation::Open, other->file(), open_mode);
  storage::fileStatement(storage::Operation::SetFile, other->file());
  storage::fileStatement(storage::Operation::Next, other->file());
  storage::fileStatement(storage::Operation::Delete, other->file());
  storage::fileStatement(storage::Operation::Close, other->file());
  press(*thread, attestations, kChildInsert);
  ASSERT_EQ(engine.shownMessageBoxes().size(), 1u);
  EXPECT_EQ(engine.shownMessageBoxes()[0].caption, ru("Запись не добавлена"));
  EXPECT_EQ(engine.findWindow("AttestatUp"), 0u);
  EXPECT_TRUE(onDisk("ATTESTAT", "ATT:NUM").empty());
}

}  // namespace
}  // namespace veltrano::app::card
