// The staff schedule: its three linked lists, the forms that add a subdivision with its
// departments and positions, deleting a subdivision, and the recount of occupied staff units.
#include "app/reference/staff_schedule.h"

#include <map>

#include "app/reference/reference_test_support.h"
#include "app/reference/staff_forms.h"
#include "app/reference/staff_recount.h"

namespace veltrano::app::reference {
namespace {

using Strings = std::vector<std::string>;
using testing::ProcedureThread;

class StaffSchedule : public testing::ReferenceTest {
 protected:
  void addPosition(std::int64_t department, std::string_view name, std::string_view units = "1.00") {
    addRecord("POSTT", [&](RecordAccess position) {
      position.setInteger("POS:NUMO", department);
      position.setText("POS:NOM", ru(name));
      position.setText("POS:KOL", units);
    });
  }
  // Opens the form below with `button`, types the name and, for a position, its staff units.
  ui::WindowId openBelow(ProcedureThread& thread, ui::WindowId form, ui::ControlId button,
                         const std::string& label, std::string_view name) {
    EXPECT_TRUE(engine.userPresses(form, button));
    const ui::WindowId below = thread.window(label);
    EXPECT_TRUE(engine.userTypes(below, kStaffName, ru(name)));
    thread.idle(below);
    return below;
  }
  // Presses "Ввод" on a form and waits for the window below which it was opened.
  void ok(ProcedureThread& thread, ui::WindowId form, const std::string& label, ui::WindowId parent) {
    ASSERT_TRUE(engine.userPresses(form, kStaffOk));
    ASSERT_TRUE(closed(label));
    thread.idle(parent);
  }
};

TEST_F(StaffSchedule, EachListShowsWhatBelongsToTheRecordHighlightedAboveItAndADeleteCascades) {
  const std::int64_t therapy = addDepartment(addSubdivision("Стационар"), "Терапия");
  addPosition(therapy, "Врач", "1.50");
  addPosition(therapy, "Санитарка");
  addPosition(addDepartment(addSubdivision("Поликлиника"), "Регистратура"), "Регистратор");

  auto thread = run(kStaffSchedule);
  const ui::WindowId window = thread->window("Shtat");
  EXPECT_EQ(shown(window, kScheduleSubdivisions), (Strings{"Стационар", "Поликлиника"}));
  EXPECT_EQ(shown(window, kScheduleDepartments), (Strings{"Терапия"}));
  EXPECT_EQ(shown(window, kSchedulePositions), (Strings{"Врач", "Санитарка"}));
  EXPECT_EQ(shown(window, kSchedulePositions, 1), (Strings{"1.50", "1.00"}));

  ASSERT_TRUE(engine.userSelectsRow(window, kScheduleSubdivisions, 2));
  thread->idle(window);
  EXPECT_EQ(shown(window, kScheduleDepartments), (Strings{"Регистратура"}));
  EXPECT_EQ(shown(window, kSchedulePositions), (Strings{"Регистратор"}));

  engine.queueMessageBoxAnswer(ui::kButtonYes);
  press(*thread, window, kScheduleDelete);
  EXPECT_EQ(shown(window, kScheduleSubdivisions), (Strings{"Стационар"}));
  EXPECT_EQ(shown(window, kScheduleDepartments), (Strings{"Терапия"}));
  ASSERT_TRUE(engine.userPresses(window, kScheduleClose));
  thread->response();
  EXPECT_EQ(column("OTDELENI", "OTD:NOM"), (Strings{ru("Терапия")}));
  EXPECT_EQ(column("POSTT", "POS:NOM"), (Strings{ru("Врач"), ru("Санитарка")}));
}

TEST_F(StaffSchedule, TheSubdivisionsFormAddsItsDepartmentsAndTheirPositionsAndACancelTakesThemAway) {
  auto thread = run(kStaffSchedule);
  const ui::WindowId window = thread->window("Shtat");
  const ui::WindowId subdivision = openBelow(*thread, window, kScheduleInsert, "BolnicaUp", "Стационар");
  const ui::WindowId department =
      openBelow(*thread, subdivision, kStaffInsertBelow, "OtdelenieUp", "Терапия");
  const ui::WindowId position = openBelow(*thread, department, kStaffInsertBelow, "PostUp", "Врач");
  ASSERT_TRUE(engine.userTypes(position, kPositionUnits, "1,5"));
  ok(*thread, position, "PostUp", department);
  EXPECT_EQ(shown(department, kStaffLevelBelow), (Strings{"Врач"}));
  ok(*thread, department, "OtdelenieUp", subdivision);
  EXPECT_EQ(shown(subdivision, kStaffLevelBelow), (Strings{"Терапия"}));
  // A second department of this subdivision by the same name is refused.
  const ui::WindowId twin = openBelow(*thread, subdivision, kStaffInsertBelow, "OtdelenieUp", "ТЕРАПИЯ");
  ASSERT_TRUE(engine.userPresses(twin, kStaffOk));
  thread->idle(twin);
  EXPECT_EQ(engine.shownMessageBoxes().back().caption, "Duplicate Key Error");
  engine.queueMessageBoxAnswer(ui::kButtonNo);
  ASSERT_TRUE(engine.userPresses(twin, kStaffCancel));
  ASSERT_TRUE(closed("OtdelenieUp"));
  thread->idle(subdivision);
  EXPECT_EQ(shown(subdivision, kStaffLevelBelow), (Strings{"Терапия"}));
  EXPECT_EQ(engine.value(subdivision, kStaffName), ru("Стационар")) << "what the clerk typed stays";
  ok(*thread, subdivision, "BolnicaUp", window);
  EXPECT_EQ(shown(window, kScheduleSubdivisions), (Strings{"Стационар"}));
  EXPECT_EQ(shown(window, kSchedulePositions, 1), (Strings{"1.50"}));

  // A new subdivision given up after a department was added to it leaves neither behind.
  const ui::WindowId given_up = openBelow(*thread, window, kScheduleInsert, "BolnicaUp", "Временное");
  ok(*thread, openBelow(*thread, given_up, kStaffInsertBelow, "OtdelenieUp", "Пробное"), "OtdelenieUp",
     given_up);
  engine.queueMessageBoxAnswer(ui::kButtonNo);  // the changes are not to be saved
  ASSERT_TRUE(engine.userPresses(given_up, kStaffCancel));
  ASSERT_TRUE(closed("BolnicaUp"));
  ASSERT_TRUE(engine.userPresses(window, kScheduleClose));
  thread->response();

  EXPECT_EQ(column("BOLNICA", "BOL:NOM"), (Strings{ru("Стационар")}));
  EXPECT_EQ(column("OTDELENI", "OTD:NOM"), (Strings{ru("Терапия")}));
  EXPECT_EQ(record("OTDELENI").integer("OTD:NUM"), record("BOLNICA").integer("BOL:NUM"));
  EXPECT_EQ(record("POSTT").integer("POS:NUMO"), record("OTDELENI").integer("OTD:NUMO"));
}

TEST_F(StaffSchedule, TheRecountSumsTheLatestAppointmentsOfTheCurrentEmployees) {
  const std::int64_t therapy = addDepartment(addSubdivision("Стационар"), "Терапия");
  const std::int64_t surgery = addDepartment(record("BOLNICA").integer("BOL:NUM"), "Хирургия");
  addPosition(therapy, "Врач-терапевт");
  addPosition(therapy, "Медсестра");
  addRecord("POSTT", [&](RecordAccess position) {  // a count left from before
    position.setInteger("POS:NUMO", surgery);
    position.setText("POS:NOM", ru("Медсестра"));
    position.setText("POS:KOLV", "9.99");
  });
  struct Appointment {
    std::string_view surname;
    bool dismissed;
    int latest;
    std::int64_t department;
    std::string_view position;
    std::string_view units;
  };
  const Appointment appointments[] = {
      {"Антонова", false, 1, therapy, "Врач-терапевт", "0.50"},
      {"Антонова", false, 0, therapy, "Медсестра", "1.00"},  // an earlier appointment
      {"Борисов", false, 1, therapy, "Врач-терапевт", "0.25"},
      {"Власова", true, 1, therapy, "Медсестра", "1.00"},          // dismissed
      {"Громов", false, 1, therapy, "Врач-терапевТ", "1.00"},      // one letter differs
      {"Денисова", false, 1, surgery + 100, "Медсестра", "1.00"},  // another department
  };
  std::map<std::string_view, std::int64_t> cards;
  for (const Appointment& appointment : appointments) {
    if (!cards.contains(appointment.surname)) {
      cards[appointment.surname] = addCard(appointment.surname);
      if (appointment.dismissed) {
        record("KARTA").setInteger("KAR:DATA_UVOL", 80000);
        ASSERT_EQ(dictionary.manager("KARTA").Update(0), framework::kLevelBenign);
      }
    }
    addRecord("RABOTA", [&](RecordAccess order) {
      order.setInteger("RAB:NUM", cards[appointment.surname]);
      order.setInteger("RAB:IND", appointment.latest);
      order.setInteger("RAB:NUMO", appointment.department);
      order.setText("RAB:DOLGNOST", ru(appointment.position));
      order.setText("RAB:STAVKA", appointment.units);
    });
  }
  const RecountResult result = recountOccupiedUnits(dictionary);
  EXPECT_EQ(result.positions, 3u);
  EXPECT_EQ(result.unwritten, 0u);
  EXPECT_EQ(column("POSTT", "POS:KOLV"), (Strings{"0.75", "0", "0"}));

  // Dismissing an employee takes his units away at the next recount, pressed in the window.
  record("KARTA").setText("KAR:FAM", ru("Борисов"));
  ASSERT_EQ(dictionary.manager("KARTA").Fetch(dictionary.file("KARTA").key("KAR:FAM_KEY")),
            framework::kLevelBenign);
  record("KARTA").setInteger("KAR:DATA_UVOL", 80000);
  ASSERT_EQ(dictionary.manager("KARTA").Update(0), framework::kLevelBenign);
  auto thread = run(kStaffSchedule);
  const ui::WindowId window = thread->window("Shtat");
  press(*thread, window, kScheduleRecount);
  EXPECT_EQ(shown(window, kSchedulePositions, 2).front(), "0.50");
  EXPECT_EQ(engine.snapshot(window)->controls.at(kScheduleRecount).text,
            ru("Обновить (займет некоторое время)"));
  EXPECT_TRUE(engine.controlState(window, kScheduleRecount)->enabled);
  ASSERT_TRUE(engine.userPresses(window, kScheduleClose));
  thread->response();
  EXPECT_EQ(column("POSTT", "POS:KOLV"), (Strings{"0.50", "0", "0"}));
}

}  // namespace
}  // namespace veltrano::app::reference
