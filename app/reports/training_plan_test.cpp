// The doctors' plan: built from the cards with the chosen subdivisions, departments and
// positions first in slot order, its lines' service and dates, and the question before a build
// throws away the years planned before.
#include "app/reports/training_plan.h"

#include <gtest/gtest.h>

#include "app/reports/reports_test_support.h"
#include "framework/window/window_test_support.h"

namespace veltrano::app::reports {
namespace {

using Cells = std::vector<std::string>;

class TrainingPlanTest : public testing::ReportsTest {
 protected:
  void SetUp() override {
    ReportsTest::SetUp();
    auto doctor = [&](std::string_view surname, std::string_view subdivision, std::string_view department,
                      std::string_view post, const std::function<void(RecordAccess&)>& more = {}) {
      return card(surname, [&](RecordAccess& c) {
        c.setText("KAR:NOM", ru("Иван"));
        c.setText("KAR:PER", ru("Ильич"));
        c.setInteger("KAR:STR", 10);
        c.setText("KAR:STRUKT", ru(subdivision));
        c.setText("KAR:OTDELENIE", ru(department));
        c.setText("KAR:POST", ru(post));
        if (more) more(c);
      });
    };
    yakovlev = doctor("Яковлев", "Поликлиника", "Терапия", "Врач-терапевт");
    doctor("Абрамов", "Стационар", "Хирургия", "Врач-хирург");
    doctor("Борисова", "Стационар", "Терапия", "Врач-терапевт");
    doctor("Дьячков", "", "", "");  // derived fields still blank
    doctor("Евсеев", "Стационар", "Хирургия", "Врач-хирург",
           [](RecordAccess& c) { c.setInteger("KAR:SOVMESTITEL", 1); });
    doctor("Жданов", "Стационар", "Хирургия", "Врач-хирург",
           [](RecordAccess& c) { c.setInteger("KAR:STR", 115); });
    doctor("Зуев", "Стационар", "Хирургия", "Врач-хирург",
           [&](RecordAccess& c) { c.setInteger("KAR:DATA_UVOL", date(2003, 1, 1)); });
    auto period = [&](std::int32_t start, std::int32_t end, std::string_view code, int days, int months,
                      int years) {
      addRecord("TRUD", [&](RecordAccess& r) {
        r.setInteger("TRU:NUM", yakovlev);
        r.setInteger("TRU:DATAN", start);
        r.setInteger("TRU:DATAK", end);
        r.setText("TRU:KOD_PROF", ru(code));
        r.setInteger("TRU:STAGD", days);
        r.setInteger("TRU:STAGM", months);
        r.setInteger("TRU:STAGG", years);
      });
    };
    period(date(1990, 1, 1), date(1992, 4, 11), "20463", 10, 3, 2);
    period(date(1985, 1, 1), date(1989, 1, 1), "", 0, 0, 4);
    period(date(1999, 7, 1), 0, "20463", 0, 0, 0);
    for (int year : {1996, 2001, 1999}) {
      addRecord("SERTIFIK", [&](RecordAccess& r) {
        r.setInteger("SER:NUM", yakovlev);
        r.setInteger("SER:DATAD", date(year, 2, 1));
      });
    }
    for (const auto& [category, year] :
         {std::pair{"Вторая", 1994}, {"Первая", 1998}, {"Высшая", 2002}, {"Высшая", 2003}}) {
      addRecord("ATTESTAT", [&](RecordAccess& r) {
        r.setInteger("ATT:NUM", yakovlev);
        r.setText("ATT:KATEGOR", ru(category));
        r.setInteger("ATT:DATAD", date(year, 3, 1));
      });
    }
    for (int year = 1995; year <= 2000; ++year) {
      addRecord("POVYSH", [&](RecordAccess& r) {
        r.setInteger("POV:NUM", yakovlev);
        r.setInteger("POV:DATAD", date(year, 5, 1));
        r.setText("POV:VID1", ru("ОУ"));
      });
    }
    slots.subdivisions[0] = ru("Стационар");
    slots.subdivisions[1] = ru("Поликлиника");
    slots.departments[0] = ru("Хирургия");
    slots.departments[1] = ru("Терапия");
    slots.positions[0] = ru("Врач-хирург");
    // The build makes the plan's file anew, which it cannot while the file is open.
    dictionary.manager("UCHEBA").Close();
  }

  std::int64_t yakovlev = 0;
  PlanSlots slots;
};

TEST_F(TrainingPlanTest, ListsTheChosenSlotsFirstWithEachDoctorsServiceAndDates) {
  const PlanBuilt built = buildTrainingPlan(dictionary, slots, today());
  ASSERT_TRUE(built.built) << platform::utf8From1251(built.failure);
  EXPECT_EQ(built.doctors, 4);
  const testing::ReportRun printed = run(84);
  ASSERT_TRUE(printed.written);
  EXPECT_EQ(printed.column(3), (Cells{"Абрамов И.И.", "Борисова И.И.", "Яковлев И.И.", "Дьячков И.И."}));
  EXPECT_EQ(printed.pages.detail_rows.at(2).size(), 13u);
  EXPECT_EQ(printed.column(5)[2], "7 л. 3 м. 10 д.") << "the speciality's periods and the running one";
  EXPECT_EQ(printed.column(6)[2], "5 л. 0 м. 0 д.") << "the running period to today";
  EXPECT_EQ(printed.column(7)[2], "Вторая, 1.03.1994 Первая, 1.03.1998 Высшая, 1.03.2002");
  EXPECT_EQ(printed.column(8)[2], "1.02.1999 1.02.2001 1.02.1996") << "the certificate stored last first";
  EXPECT_EQ(printed.column(9)[2], "1.05.2000, ОУ 1.05.1999, ОУ 1.05.1998, ОУ 1.05.1997, ОУ 1.05.1996, ОУ");
}

TEST_F(TrainingPlanTest, TheBuildAsksFirstAndNoKeepsThePlannedYears) {
  ASSERT_EQ(dictionary.manager("UCHEBA").Open(), framework::kLevelBenign);
  addRecord("UCHEBA", [&](RecordAccess& r) {
    r.setText("UCH:FAM", ru("Прежний П.П."));
    r.setInteger("UCH:UCHEBA", 2005);
  });
  dictionary.manager("UCHEBA").Close();
  writePlanSlots(settings, slots);
  framework::testing::ProcedureThread procedure(
      engine, [&] { return application.call(82, framework::kRequestNone); });
  const ui::WindowId window = procedure.window("veltrano$VELTR082");
  ASSERT_NE(window, 0u);
  for (const unsigned answer : {ui::kButtonNo, ui::kButtonYes}) {
    engine.queueMessageBoxAnswer(answer);
    ASSERT_TRUE(engine.userPresses(window, plan::kBuild));
    procedure.idle(window);
  }
  ASSERT_TRUE(engine.userPresses(window, plan::kClose));
  procedure.response();
  const auto boxes = engine.shownMessageBoxes();
  ASSERT_EQ(boxes.size(), 3u) << "asked twice, told once";
  EXPECT_EQ(boxes[0].default_button, ui::kButtonNo);
  EXPECT_NE(platform::utf8From1251(boxes[0].text).find("пропадут"), std::string::npos);
  EXPECT_EQ(platform::utf8From1251(boxes[2].text), "План сформирован: врачей в плане - 4.");
  ASSERT_EQ(dictionary.manager("UCHEBA").Open(), framework::kLevelBenign);
  EXPECT_EQ(column("UCHEBA", "UCH:FAM").size(), 4u);
}

}  // namespace
}  // namespace veltrano::app::reports
