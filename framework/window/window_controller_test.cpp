// Update forms over a storage file on disk, driven by the clerk's actions through the headless
// engine: insert, change and delete completed through the managers, with the questions, retries
// and recall the controller asks and offers.
#include "framework/window/window_controller.h"

#include "framework/window/toolbar.h"
#include "framework/window/window_test_support.h"
#include "framework/window/window_texts.h"
#include "runtime/datetime/calendar.h"

namespace veltrano::framework {
namespace {

using platform::ru;
using testing::ProcedureThread;
using testing::StaffTable;
using Strings = std::vector<std::string>;

constexpr ui::ControlId kFam = testing::kFormFam, kBirth = testing::kFormBirth,
                        kStrach = testing::kFormStrach, kRate = testing::kFormRate, kOk = testing::kFormOk,
                        kCancel = testing::kFormCancel;

class FormTest : public testing::WindowTest {
 protected:
  // Starts the form on a thread of its own with `request`, configured by `configure`.
  std::unique_ptr<ProcedureThread> start(std::uint8_t request,
                                         std::function<void(WindowController&)> configure = {}) {
    return std::make_unique<ProcedureThread>(engine, [this, request, configure] {
      WindowController form;
      form.Describe(testing::staffForm(staff, {toolbar::kHistory}));
      form.PRIMARY = &staff.guard;
      form.ERRORS = &errors;
      form.ORIGINALREQUEST = request;
      form.TRANSLATOR = translator;
      Toolbar ditto;
      FormToolbarTarget target(form);
      ditto.AddTarget(&target, 0);
      form.TOOLBAR = &ditto;
      if (configure) configure(form);
      return form.Run();
    });
  }
  ui::ControlId radio(ui::WindowId window, const char* utf8) {
    const std::optional<ui::WindowSnapshot> snapshot = engine.snapshot(window);
    for (const auto& [id, control] : snapshot->controls) {
      if (control.description.kind == ui::ControlKind::kRadio && control.text == ru(utf8)) return id;
    }
    return 0;
  }
  std::string shown(ui::WindowId window, ui::ControlId control) {
    return platform::utf8From1251(engine.value(window, control).value_or("?"));
  }
  void type(ui::WindowId window, ui::ControlId control, const char* utf8) {
    ASSERT_TRUE(engine.userTypes(window, control, ru(utf8)));
  }
  // Reads the card numbered `number` into the buffer, watched, as a browse does before a change.
  void fetch(int number) {
    ASSERT_EQ(staff.manager.Open(), kLevelBenign);
    runtime::storeInteger(staff.fieldOf("STF:NUM"), staff.file->record(), number);
    ASSERT_EQ(call(storage::Operation::Watch, *staff.file), 0);
    ASSERT_EQ(staff.manager.Fetch(staff.key("STF:NUM_KEY")), kLevelBenign);
  }

  testing::DiskStorage disk;
  StaffTable staff{disk, errors};
  const Translator* translator = nullptr;
};

TEST_F(FormTest, InsertStoresWhatWasTypedThroughThePictures) {
  auto form = start(kRequestInsert);
  const ui::WindowId window = form->window("StaffUp");
  ASSERT_NE(window, 0u);
  EXPECT_EQ(engine.focus(window), kFam);
  type(window, kFam, "Иванова");
  type(window, kBirth, "5.3.2001");
  type(window, kStrach, "12345678901");
  type(window, kRate, "1,5");
  ASSERT_TRUE(engine.userPresses(window, radio(window, "мужской")));
  ASSERT_TRUE(form->idle(window));
  EXPECT_EQ(shown(window, kBirth), "5.03.2001");
  EXPECT_EQ(shown(window, kStrach), "123-456-789 01");
  engine.userPresses(window, kOk);
  EXPECT_EQ(form->response(), kResponseCompleted);
  EXPECT_EQ(staff.column(disk, "STF:NUM_KEY", "STF:FAM"), Strings{"Иванова"});
  EXPECT_EQ(staff.column(disk, "STF:NUM_KEY", "STF:NUM"), Strings{"1"});
  EXPECT_EQ(staff.column(disk, "STF:NUM_KEY", "STF:STRACH"), Strings{"123-456-789 01"});
  EXPECT_EQ(staff.column(disk, "STF:NUM_KEY", "STF:STAVKA"), Strings{"1.50"});
  EXPECT_EQ(staff.column(disk, "STF:NUM_KEY", "STF:POL"), Strings{"1"});
  EXPECT_EQ(staff.column(disk, "STF:NUM_KEY", "STF:DATR"),
            Strings{std::to_string(runtime::dateFromParts(3, 5, 2001))});
}

TEST_F(FormTest, WrongInputIsRefusedWithTheControlSelectedAgainAndNothingWritten) {
  struct Case {
    ui::ControlId control;
    const char* typed;
  };
  const Case cases[] = {
      {kBirth, "31.02.2001"},  // no such day
      {kBirth, "32.13.2001"},  // would be read as 1 February 2002
      {kBirth, "вчера"},       //
      {kRate, "123,4"},        // more integer digits than the picture has
      {kRate, "-1"},           // the picture shows no sign
      {kRate, "1.2.3"},        //
      {kStrach, "12345"},      // the template half filled
      {kStrach, "123-45A-789 01"},
      {kFam, ""},  // required
  };
  auto form = start(kRequestInsert);
  const ui::WindowId window = form->window("StaffUp");
  type(window, kFam, "Петров");
  for (const Case& wrong : cases) {
    SCOPED_TRACE(wrong.typed);
    type(window, wrong.control, wrong.typed);
    ASSERT_TRUE(form->idle(window));
    engine.userFocuses(window, kCancel);
    const int beeps = engine.snapshot(window)->beeps;
    engine.userPresses(window, kOk);
    ASSERT_TRUE(form->idle(window));
    EXPECT_EQ(engine.focus(window), wrong.control);
    EXPECT_GT(engine.snapshot(window)->beeps, beeps);
    EXPECT_EQ(shown(window, wrong.control), wrong.typed) << "the clerk's text stays to be corrected";
    type(window, wrong.control, wrong.control == kFam ? "Петров" : "");
  }
  engine.userPresses(window, kOk);
  EXPECT_EQ(form->response(), kResponseCompleted);
  EXPECT_EQ(staff.column(disk, "STF:NUM_KEY", "STF:FAM"), Strings{"Петров"});
  EXPECT_EQ(staff.column(disk, "STF:NUM_KEY", "STF:DATR"), Strings{"0"});
}

TEST_F(FormTest, InsertAnotherLoopsUntilNoAndCancellingTheLastReleasesItsNumber) {
  auto form = start(kRequestInsert, [](WindowController& f) {
    f.INSERTACTION = kInsertAskAnother;
    f.CANCELACTION = kCancelConfirm;
  });
  const ui::WindowId window = form->window("StaffUp");
  for (const char* surname : {"Антонов", "Борисов"}) {
    engine.queueMessageBoxAnswer(ui::kButtonYes);
    type(window, kFam, surname);
    engine.userPresses(window, kOk);
    ASSERT_TRUE(form->idle(window));
    EXPECT_EQ(engine.focus(window), kFam);
    EXPECT_EQ(shown(window, kFam), "") << "a fresh record for the next one";
  }
  type(window, kFam, "Васильев");
  engine.queueMessageBoxAnswer(ui::kButtonYes);  // id 8: yes, cancel
  engine.userPresses(window, kCancel);
  // The caller gets the last record added, and the third number reserved is given back.
  EXPECT_EQ(form->response(), kResponseCompleted);
  EXPECT_EQ(staff.get("STF:FAM"), "Борисов");
  EXPECT_EQ(staff.column(disk, "STF:NUM_KEY", "STF:FAM"), (Strings{"Антонов", "Борисов"}));
  ASSERT_EQ(boxes().size(), 3u);
  EXPECT_EQ(boxes()[0].text, "This record has been added to the file. Do you want to add another record?");
  EXPECT_EQ(boxes()[2].caption, "Changes will be lost!");
}

TEST_F(FormTest, ClosingAChangedInsertAsksToSaveAndCancelKeepsTheForm) {
  auto form = start(kRequestInsert, [](WindowController& f) { f.CANCELACTION = kCancelAskSave; });
  const ui::WindowId window = form->window("StaffUp");
  type(window, kFam, "Григорьев");
  engine.queueMessageBoxAnswer(ui::kButtonCancel);
  engine.userCloses(window);
  ASSERT_TRUE(form->idle(window));
  EXPECT_EQ(engine.focus(window), kFam);
  engine.queueMessageBoxAnswer(ui::kButtonNo);
  engine.userCloses(window);
  EXPECT_EQ(form->response(), kResponseCancelled);
  EXPECT_EQ(staff.column(disk, "STF:NUM_KEY", "STF:FAM"), Strings{}) << "the reserved record is removed";
  ASSERT_EQ(boxes().size(), 2u);
  EXPECT_EQ(boxes()[1].text, "Do you want to save the changes to this record?");
  EXPECT_EQ(boxes()[1].default_button, ui::kButtonCancel);
}

TEST_F(FormTest, ADuplicateKeyIsRefusedWithItsMessageAndTheFormStaysWithNothingWritten) {
  ASSERT_EQ(staff.manager.Open(), kLevelBenign);
  runtime::clearRecord(staff.file->layout(), staff.file->record());
  staff.set("STF:FAM", "Жданов");
  staff.set("STF:STRACH", "123-456-789 01");
  ASSERT_EQ(staff.manager.Insert(), kLevelBenign);
  staff.manager.Close();
  runtime::clearRecord(staff.file->layout(), staff.file->record());  // primed, as a list primes it
  auto form = start(kRequestInsert);
  const ui::WindowId window = form->window("StaffUp");
  type(window, kFam, "Жуков");
  type(window, kStrach, "12345678901");
  engine.userPresses(window, kOk);
  ASSERT_TRUE(form->idle(window));
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "Adding this record creates a duplicate entry for the key: STF:STRACH_KEY");
  EXPECT_EQ(engine.focus(window), kFam) << "the form stays";
  // Only the record that reserves the new number is there, blank, as before the clerk pressed OK.
  EXPECT_EQ(staff.column(disk, "STF:FAM_KEY", "STF:FAM"), (Strings{"", "Жданов"}));
  type(window, kStrach, "12345678902");
  engine.userPresses(window, kOk);
  EXPECT_EQ(form->response(), kResponseCompleted);
  EXPECT_EQ(staff.column(disk, "STF:FAM_KEY", "STF:FAM"), (Strings{"Жданов", "Жуков"}));
}

TEST_F(FormTest, ChangeCollidingWithAnotherStationShowsTheirValuesAndDittoBringsBackTheClerks) {
  staff.add({{"Дмитриев", "ТЕР"}});
  StaffTable other(disk, errors);
  fetch(1);
  auto form = start(kRequestChange, [](WindowController& f) { f.AddHistoryField(kFam); });
  const ui::WindowId window = form->window("StaffUp");
  EXPECT_EQ(shown(window, kFam), "Дмитриев");
  // Meanwhile another station renames the card.
  ASSERT_EQ(other.manager.Open(), kLevelBenign);
  runtime::storeInteger(other.fieldOf("STF:NUM"), other.file->record(), 1);
  ASSERT_EQ(other.manager.Fetch(other.key("STF:NUM_KEY")), kLevelBenign);
  other.set("STF:FAM", "Дмитриева");
  ASSERT_EQ(other.manager.Update(0), kLevelBenign);

  type(window, kFam, "Евдокимов");
  engine.userPresses(window, kOk);
  ASSERT_TRUE(form->idle(window));
  EXPECT_EQ(shown(window, kFam), "Дмитриева");
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].caption, "Record Was Not Updated");
  engine.userFocuses(window, kFam);
  engine.userKey(window, kDefaultHistoryKey);
  ASSERT_TRUE(form->idle(window));
  EXPECT_EQ(shown(window, kFam), "Евдокимов");
  type(window, kFam, "Ещё один");
  engine.userFocuses(window, kFam);
  engine.userPresses(window, toolbar::kHistory);  // the toolbar's ditto recalls the field with focus
  ASSERT_TRUE(form->idle(window));
  EXPECT_EQ(shown(window, kFam), "Евдокимов");
  engine.userPresses(window, kOk);
  EXPECT_EQ(form->response(), kResponseCompleted);
  EXPECT_EQ(staff.column(disk, "STF:NUM_KEY", "STF:FAM"), Strings{"Евдокимов"});
  other.manager.Close();
  staff.manager.Close();
}

TEST_F(FormTest, ChangeOfARecordAnotherStationHoldsAsksToRetry) {
  staff.add({{"Жуков", ""}});
  StaffTable other(disk, errors);
  ASSERT_EQ(other.manager.Open(), kLevelBenign);
  runtime::storeInteger(other.fieldOf("STF:NUM"), other.file->record(), 1);
  storage::OperationArguments hold;
  hold.seconds = 0;
  storage::fileStatement(storage::Operation::HoldFile, other.file->file(), hold);
  ASSERT_EQ(other.manager.Fetch(other.key("STF:NUM_KEY")), kLevelBenign);
  fetch(1);
  auto form = start(kRequestChange);
  const ui::WindowId window = form->window("StaffUp");
  type(window, kFam, "Зайцев");
  engine.queueMessageBoxAnswer(ui::kButtonOk);      // the failed change
  engine.queueMessageBoxAnswer(ui::kButtonYes);     // id 34: try again
  engine.queueMessageBoxAnswer(ui::kButtonOk);      // failed again
  engine.queueMessageBoxAnswer(ui::kButtonCancel);  // id 34: back to the form
  engine.userPresses(window, kOk);
  ASSERT_TRUE(form->idle(window));
  ASSERT_EQ(boxes().size(), 4u);
  EXPECT_EQ(boxes()[1].caption, ru("Ошибка изменения записи"));
  EXPECT_EQ(boxes()[1].buttons, ui::kButtonYes + ui::kButtonNo + ui::kButtonCancel);
  EXPECT_EQ(boxes()[1].default_button, ui::kButtonCancel);
  EXPECT_EQ(shown(window, kFam), "Зайцев") << "nothing the clerk typed is lost";
  call(storage::Operation::Release, *other.file);
  engine.userPresses(window, kOk);
  EXPECT_EQ(form->response(), kResponseCompleted);
  EXPECT_EQ(staff.column(disk, "STF:NUM_KEY", "STF:FAM"), Strings{"Зайцев"});
  other.manager.Close();
  staff.manager.Close();
}

TEST_F(FormTest, DeleteAskedFirstEndsWithoutShowingTheWindow) {
  staff.add({{"Ильин", ""}, {"Кузнецов", ""}});
  fetch(1);
  engine.queueMessageBoxAnswer(ui::kButtonYes);
  auto form = start(kRequestDelete, [](WindowController& f) { f.DELETEACTION = kDeleteAsk; });
  EXPECT_EQ(form->response(), kResponseCompleted);
  EXPECT_EQ(engine.openWindows().size(), 0u);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].caption, ru("Подтверждение удаления"));
  EXPECT_EQ(staff.column(disk, "STF:NUM_KEY", "STF:FAM"), Strings{"Кузнецов"});
  staff.manager.Close();
}

TEST_F(FormTest, TheFrameworksTextsReachTheClerkInRussian) {
  Translator russian;
  russian.AddTranslation(errorTextsRussian());
  russian.AddTranslation(windowTextsRussian());
  translator = &russian;
  errors.setTranslator(&russian);
  auto form = start(kRequestInsert, [](WindowController& f) { f.INSERTACTION = kInsertAskAnother; });
  const ui::WindowId window = form->window("StaffUp");
  const auto snapshot = engine.snapshot(window);
  EXPECT_EQ(snapshot->controls.at(kOk).text, ru("&ОК"));
  EXPECT_EQ(snapshot->controls.at(kCancel).text, ru("О&тмена"));
  EXPECT_EQ(snapshot->caption, ru("Update the staff File")) << "the application's own caption";
  type(window, kFam, "Лебедев");
  engine.queueMessageBoxAnswer(ui::kButtonNo);
  engine.userPresses(window, kOk);
  EXPECT_EQ(form->response(), kResponseCompleted);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].caption, ru("Запись добавлена"));
  EXPECT_EQ(boxes()[0].text, ru("Запись добавлена в файл. Добавить ещё одну запись?"));
  errors.setTranslator(nullptr);
}

}  // namespace
}  // namespace veltrano::framework
