// A staff form whose position combo is filled from a reference file on disk, driven by the
// clerk through the headless engine: completion as the clerk types, a value not in the list
// added to the reference file at once or through the reference book's own form.
#include "framework/lookup/lookup_combo.h"

#include "framework/window/window_controller.h"
#include "framework/window/window_test_support.h"

namespace veltrano::framework {
namespace {

using platform::ru;
using testing::ProcedureThread;
using testing::StaffTable;
using Strings = std::vector<std::string>;

constexpr ui::ControlId kFam = 1, kPosition = 2, kOk = 3, kCancel = 4;
constexpr ui::ControlId kPositionName = 1, kPositionOk = 2, kPositionCancel = 3;
constexpr std::uint16_t kPositionForm = 41;

runtime::RecordLayout positionLayout() {
  runtime::RecordLayoutBuilder fields;
  fields.string("DOL:NOM", 10);
  return fields.build();
}

class LookupComboTest : public testing::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    dolgnost = disk.declare("DOLGNOST", positionLayout());
    dolgnost->addKey("DOL:NOM_KEY", {"+DOL:NOM"}, storage::kKeyDup | storage::kKeyNocase);
    ASSERT_EQ(call(storage::Operation::Create, *dolgnost), 0);
    manager.Init(&dolgnost->file(), &errors);
    manager.FILENAMEVALUE = "DOLGNOST";
    manager.RegisterKey(dolgnost->key("DOL:NOM_KEY"), "DOL:NOM_KEY");
    guard.Init(&manager, false);
    ASSERT_EQ(manager.Open(), kLevelBenign);
    for (const char* name : {"Санитарка", "Врач", "Медсестра", "Вахтер", "Сторож"}) {
      setText(*dolgnost, "DOL:NOM", ru(name));
      ASSERT_EQ(manager.Insert(), kLevelBenign);
    }
    manager.Close();
    procedures.Register(kPositionForm, "VELTR041", [this](const ProcedureCall& call) {
      WindowBuilder builder("veltrano$VELTR041", "DolgnostUp", "Update the dolgnost File");
      builder.entry(kPositionName, "Должность:", BoundRecord::of(dolgnost->file()), "DOL:NOM", "@s10")
          .required();
      builder.okButton(kPositionOk, "&OK");
      builder.cancelButton(kPositionCancel, "&Cancel");
      WindowController form;
      form.Describe(*builder.build());
      form.PRIMARY = &guard;
      form.ERRORS = &errors;
      form.ORIGINALREQUEST = call.request;
      return form.Run();
    });
  }
  void TearDown() override {
    while (manager.SelectThreadState().OPENED > 0) manager.Close();
    manager.Kill();
    WindowTest::TearDown();
  }

  // The staff form with its position combo, on a thread of its own.
  std::unique_ptr<ProcedureThread> start(std::function<void(LookupCombo&)> configure) {
    return std::make_unique<ProcedureThread>(engine, [this, configure] {
      WindowBuilder builder("veltrano$TEST03", "StaffPosition", "Update the staff File");
      const BoundRecord record = BoundRecord::of(staff.file->file());
      builder.entry(kFam, "Фамилия:", record, "STF:FAM", "@s20");
      builder.combo(kPosition, "Должность:", record, "STF:OTD", "60L(2)@s10@", "@s10");
      builder.okButton(kOk, "&OK");
      builder.cancelButton(kCancel, "&Cancel");
      WindowController form;
      form.Describe(*builder.build());
      form.PRIMARY = &staff.guard;
      form.ERRORS = &errors;
      form.ORIGINALREQUEST = kRequestInsert;
      form.PROCEDURES = &procedures;
      runtime::Queue list(positionLayout());
      LookupCombo combo;
      combo.Init(kPosition, *form.bindingOf(kPosition), ViewDefinition{{}, {&dolgnost->file()}}, &list,
                 &guard, &form);
      combo.RegisterSortOrder(dolgnost->key("DOL:NOM_KEY"));
      combo.AddField(fieldOf(dolgnost->layout(), dolgnost->record(), 0),
                     fieldOf(list.layout(), list.buffer(), 0));
      configure(combo);
      form.AddItem(&combo);
      return form.Run();
    });
  }
  std::string shown(ui::WindowId window) {
    return platform::utf8From1251(engine.value(window, kPosition).value_or("?"));
  }
  ui::TextSelection selected(ui::WindowId window) { return *engine.textSelection(window, kPosition); }
  Strings positions() {
    Strings names;
    EXPECT_EQ(manager.Open(), kLevelBenign);
    for (const std::string& name : column(*dolgnost, dolgnost->key("DOL:NOM_KEY"), "DOL:NOM")) {
      names.push_back(platform::utf8From1251(name));
    }
    manager.Close();
    return names;
  }
  // The clerk's surname and OK, and the position of the card stored last.
  std::string saved(ProcedureThread& form, ui::WindowId window) {
    EXPECT_TRUE(engine.userTypes(window, kFam, ru("Иванова")));
    EXPECT_TRUE(form.idle(window));
    engine.userPresses(window, kOk);
    EXPECT_EQ(form.response(), kResponseCompleted);
    Strings stored = staff.column(disk, "STF:NUM_KEY", "STF:OTD");
    return stored.empty() ? "" : stored.back();
  }

  testing::DiskStorage disk;
  StaffTable staff{disk, errors};
  std::unique_ptr<storage::DeclaredFile> dolgnost;
  TableManager manager;
  RelationGuard guard;
  ProcedureRegistry procedures;
};

TEST_F(LookupComboTest, TypingCompletesAndBackSpaceCompletesFromTheShorterText) {
  // The chosen position also fills the card's second field, and its record comes into the
  // reference file's buffer.
  auto form = start([this](LookupCombo& combo) {
    combo.RegisterUpdateField(fieldOf(dolgnost->layout(), dolgnost->record(), 0),
                              fieldOf(staff.file->layout(), staff.file->record(), 3));
    combo.SYNCRONIZEVIEWFLAG = 1;
  });
  const ui::WindowId window = form->window("StaffPosition");
  ASSERT_NE(window, 0u);
  EXPECT_EQ(engine.snapshot(window)->controls.at(kPosition).rows.size(), 5u);
  auto key = [&](int code) {
    ASSERT_TRUE(engine.userKeystroke(window, kPosition, code));
    ASSERT_TRUE(form->idle(window));
  };
  key(static_cast<unsigned char>(ru("В")[0]));
  key(static_cast<unsigned char>(ru("р")[0]));
  EXPECT_EQ(shown(window), "Врач");
  EXPECT_EQ(selected(window).start, 2);
  EXPECT_EQ(selected(window).length, 2);
  EXPECT_EQ(engine.comboRow(window, kPosition), 2);  // Вахтер, Врач, …
  EXPECT_EQ(text(*dolgnost, "DOL:NOM"), ru("Врач"));
  key(ui::key::kBackspace);
  EXPECT_EQ(shown(window), "Вахтер");
  EXPECT_EQ(selected(window).start, 1);
  EXPECT_EQ(selected(window).length, 5);
  // Nothing begins with what is typed now: completion stops until a row is chosen.
  key('x');
  key(static_cast<unsigned char>(ru("е")[0]));
  EXPECT_EQ(shown(window), "Вxе");
  ASSERT_TRUE(engine.userSelectsRow(window, kPosition, 3));
  ASSERT_TRUE(form->idle(window));
  key(ui::key::kBackspace);
  EXPECT_EQ(shown(window), "Медсестра");
  EXPECT_EQ(saved(*form, window), "Медсестра");
  EXPECT_EQ(staff.column(disk, "STF:NUM_KEY", "STF:STRACH"), Strings{"Медсестра"});
}

TEST_F(LookupComboTest, AValueNotInTheListIsAddedAfterAskingOrThroughTheReferenceForm) {
  engine.queueMessageBoxAnswer(ui::kButtonYes);
  auto form = start([](LookupCombo& combo) { combo.AUTOADDFLAG = 1; });
  ui::WindowId window = form->window("StaffPosition");
  ASSERT_TRUE(engine.userTypes(window, kPosition, ru("Кочегар")));
  ASSERT_TRUE(form->idle(window));
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].caption, "Add New Record?");
  EXPECT_EQ(boxes()[0].default_button, ui::kButtonYes);
  EXPECT_EQ(engine.snapshot(window)->controls.at(kPosition).rows.size(), 6u);
  EXPECT_EQ(engine.comboRow(window, kPosition), 3);  // Вахтер, Врач, Кочегар
  EXPECT_EQ(saved(*form, window), "Кочегар");
  EXPECT_EQ(positions(), (Strings{"Вахтер", "Врач", "Кочегар", "Медсестра", "Санитарка", "Сторож"}));

  // Through the reference book's form: it opens primed with what was typed.
  form = start([](LookupCombo& combo) { combo.ASKPROCEDURE = kPositionForm; });
  window = form->window("StaffPosition");
  ASSERT_TRUE(engine.userTypes(window, kPosition, ru("Истопник")));
  const ui::WindowId reference = form->window("DolgnostUp");
  ASSERT_NE(reference, 0u);
  EXPECT_EQ(platform::utf8From1251(*engine.value(reference, kPositionName)), "Истопник");
  engine.userPresses(reference, kPositionOk);
  ASSERT_TRUE(form->idle(window));
  EXPECT_EQ(shown(window), "Истопник");
  EXPECT_EQ(engine.comboRow(window, kPosition), 3);
  EXPECT_EQ(boxes().size(), 1u);  // no question: the form is the clerk's answer
  EXPECT_EQ(saved(*form, window), "Истопник");
  EXPECT_EQ(positions().size(), 7u);
}

}  // namespace
}  // namespace veltrano::framework
