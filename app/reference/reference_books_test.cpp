// Every reference book's list and form, driven as the clerk drives them: entries added,
// refused when they repeat, changed and deleted; the selection lists in select mode.
#include <set>

#include "app/reference/reference_descriptions.h"
#include "app/reference/reference_form.h"
#include "app/reference/reference_list.h"
#include "app/reference/reference_test_support.h"
#include "app/reference/selection_lists.h"

namespace veltrano::app::reference {
namespace {

using Strings = std::vector<std::string>;
using testing::ProcedureThread;

class ReferenceBooks : public testing::ReferenceTest {
 protected:
  // Opens the list's form with `button`, types `value` into its first field and presses "Ввод".
  void complete(ProcedureThread& thread, ui::WindowId list, ui::ControlId button,
                const std::string& form_label, std::string_view value) {
    ASSERT_TRUE(engine.userPresses(list, button));
    const ui::WindowId form = thread.window(form_label);
    ASSERT_NE(form, 0u) << form_label;
    ASSERT_TRUE(engine.userTypes(form, kFormFirstField, ru(value)));
    ASSERT_TRUE(engine.userPresses(form, kFormOk));
    thread.idle(form);
  }
};

TEST_F(ReferenceBooks, EveryBookAddsChangesAndDeletesItsEntriesAndRefusesARepeatedOne) {
  std::set<std::string_view> files_done;
  for (const ListDescription& list : referenceLists()) {
    // Two lists over PROF share one form.
    if (list.form == 0 || !files_done.insert(list.file).second) continue;
    SCOPED_TRACE(std::string(list.label));
    const FormDescription& form = *findForm(list.form);
    const std::string form_label(form.label);
    std::size_t column = 0;
    while (list.columns[column] != form.fields[0].field) ++column;

    auto thread = run(list.number);
    const ui::WindowId window = thread->window(std::string(list.label));
    ASSERT_NE(window, 0u);
    EXPECT_EQ(engine.snapshot(window)->caption, ru(list.caption));
    for (std::string_view value : {"Бета", "альфа"}) {
      complete(*thread, window, kListInsert, form_label, value);
      ASSERT_TRUE(closed(form_label));
      thread->idle(window);
    }
    // The book's key is NOCASE: "альфа" sorts before "Бета".
    EXPECT_EQ(shown(window, kListRows, column), (Strings{"альфа", "Бета"}));

    if (!form.distinct_key.empty()) {
      const std::size_t boxes = engine.shownMessageBoxes().size();
      complete(*thread, window, kListInsert, form_label, "АЛЬФА");
      ASSERT_EQ(engine.shownMessageBoxes().size(), boxes + 1);
      EXPECT_EQ(engine.shownMessageBoxes().back().caption, "Duplicate Key Error");
      EXPECT_NE(engine.shownMessageBoxes().back().text.find(ru("АЛЬФА")), std::string::npos);
      const ui::WindowId refused = engine.findWindow(form_label);
      ASSERT_NE(refused, 0u) << "the form stays open on the repeated name";
      engine.queueMessageBoxAnswer(ui::kButtonNo);  // the changes are not to be saved
      ASSERT_TRUE(engine.userPresses(refused, kFormCancel));
      ASSERT_TRUE(closed(form_label));
      thread->idle(window);
      EXPECT_EQ(shown(window, kListRows, column), (Strings{"альфа", "Бета"})) << "nothing written";
    }

    ASSERT_TRUE(engine.userSelectsRow(window, kListRows, 1));
    thread->idle(window);
    complete(*thread, window, kListChange, form_label, "Гамма");
    ASSERT_TRUE(closed(form_label));
    thread->idle(window);
    EXPECT_EQ(shown(window, kListRows, column), (Strings{"Бета", "Гамма"}));

    engine.queueMessageBoxAnswer(ui::kButtonYes);  // "Вы уверены что хотите удалить запись?"
    press(*thread, window, kListDelete);
    EXPECT_EQ(shown(window, kListRows, column), (Strings{"Бета"}));
    ASSERT_TRUE(engine.userPresses(window, kListClose));
    EXPECT_EQ(thread->response(), framework::kResponseCancelled);
  }
}

// Two subdivisions, a department in each, positions in the departments.
class SelectionLists : public testing::ReferenceTest {
 protected:
  void SetUp() override {
    ReferenceTest::SetUp();
    stationary_ = addSubdivision("Стационар");
    const std::int64_t therapy = addDepartment(stationary_, "Терапия");
    addDepartment(addSubdivision("Поликлиника"), "Регистратура");
    for (std::string_view post : {"Санитарка", "Врач"}) {
      addRecord("POSTT", [&](RecordAccess position) {
        position.setInteger("POS:NUMO", therapy);
        position.setText("POS:NOM", ru(post));
      });
    }
  }
  // Runs a list in select mode, chooses row `row` and gives its response.
  std::uint8_t choose(std::uint16_t list, const std::string& label, int row, Strings* rows = nullptr) {
    auto thread = run(list, framework::kRequestSelect);
    const ui::WindowId window = thread->window(label);
    if (rows != nullptr) *rows = shown(window, kListRows);
    if (row == 0) {
      engine.userPresses(window, kListClose);
    } else {
      engine.userSelectsRow(window, kListRows, row);
      thread->idle(window);
      engine.userPresses(window, kListSelect);
    }
    return thread->response();
  }

  std::int64_t stationary_ = 0;
};

TEST_F(SelectionLists, TheDepartmentChoiceShowsTheDepartmentsOfTheSubdivisionChosenLast) {
  Strings rows;
  EXPECT_EQ(choose(kChooseDepartment, "OtdelenieSel", 0, &rows), framework::kResponseCancelled);
  EXPECT_TRUE(rows.empty()) << "no subdivision chosen yet in this run";

  EXPECT_EQ(choose(kChooseSubdivision, "BolnicaSel", 2, &rows), framework::kResponseCompleted);
  EXPECT_EQ(rows, (Strings{"Поликлиника", "Стационар"}));
  EXPECT_EQ(record("BOLNICA").text("BOL:NOM"), ru("Стационар"));
  EXPECT_EQ(applicationGlobals().number("numo"), stationary_);

  EXPECT_EQ(choose(kChooseDepartment, "OtdelenieSel", 1, &rows), framework::kResponseCompleted);
  EXPECT_EQ(rows, (Strings{"Терапия"}));
  EXPECT_EQ(applicationGlobals().number("numo"), record("OTDELENI").integer("OTD:NUMO"));
  EXPECT_EQ(choose(kChoosePosition, "PostSel", 1, &rows), framework::kResponseCompleted);
  EXPECT_EQ(rows, (Strings{"Врач", "Санитарка"}));
  EXPECT_EQ(choose(kChooseAnyDepartment, "OtdelenieChoice", 0, &rows), framework::kResponseCancelled);
  EXPECT_EQ(rows, (Strings{"Регистратура", "Терапия"}));
}

TEST_F(SelectionLists, OutsideSelectModeAListHasNothingToChoose) {
  auto thread = run(kStaffPositions);
  const ui::WindowId window = thread->window("Dolgnost");
  EXPECT_FALSE(engine.controlState(window, kListSelect)->enabled);
  EXPECT_FALSE(engine.userPresses(window, kListSelect));
}

}  // namespace
}  // namespace veltrano::app::reference
