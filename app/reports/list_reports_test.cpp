// Which cards each list report and selection printout prints, over cards made for the rules'
// edges: a part-timer, a dismissed card, a card without a category, certificates 1825 and 1826
// days old, "санитарка" beside "санитар", and a card whose derived fields are still blank.
#include <gtest/gtest.h>

#include "app/reports/reports_test_support.h"

namespace veltrano::app::reports {
namespace {

using Names = std::vector<std::string>;

struct ListCase {
  std::uint16_t report;
  std::function<void(ApplicationGlobals&)> set;  // what the report's dialog would set
  Names listed;                                  // the first column, in the printed order
  std::size_t column = 1;                        // the column compared (0 is "№")
};

class ListReportsTest : public testing::ReportsTest {
 protected:
  void SetUp() override {
    ReportsTest::SetUp();
    auto common = [](RecordAccess& c, std::int64_t line, std::string_view post, std::string_view department) {
      c.setInteger("KAR:STR", line);
      c.setText("KAR:POST", ru(post));
      c.setText("KAR:PROFF", ru(post));
      c.setText("KAR:OTDELENIE", ru(department));
    };
    const std::int64_t averina = card("Аверина", [&](RecordAccess& c) {
      c.setText("KAR:NOM", ru("Анна"));
      c.setText("KAR:PER", ru("Петровна"));
      common(c, 10, "Врач-терапевт", "Терапия");
      c.setInteger("KAR:DATR", date(1949, 5, 12));
      c.setInteger("KAR:DATA_ZAP", date(1979, 8, 1));
      c.setText("KAR:KATEGOR", ru("Высшая"));
      c.setInteger("KAR:DATAS", today() - 1825);
      c.setText("KAR:STRACH", "12345678901");
    });
    card("Борисов", [&](RecordAccess& c) {
      common(c, 25, "Врач-хирург", "Терапия");
      c.setInteger("KAR:POL", 1);
      c.setInteger("KAR:SOVMESTITEL", 1);
      c.setInteger("KAR:DATA_ZAP", date(1970, 1, 1));
    });
    const std::int64_t vasilieva = card("Васильева", [&](RecordAccess& c) {
      common(c, 115, "Медицинская сестра палатная", "Хирургия");
      c.setInteger("KAR:DATA_ZAP", date(1999, 3, 1));
      c.setInteger("KAR:DATAS", today() - 1826);
    });
    card("Григорьева", [&](RecordAccess& c) {
      common(c, 140, "Санитарка палатная", "Хирургия");
      c.setInteger("KAR:DATA_ZAP", date(2001, 3, 1));
    });
    card("Дмитриев", [&](RecordAccess& c) {
      common(c, 140, "санитар", "Хирургия");
      c.setInteger("KAR:POL", 1);
      c.setInteger("KAR:DATA_ZAP", date(2002, 3, 1));
    });
    card("Егорова", [&](RecordAccess& c) {
      common(c, 10, "Врач-терапевт", "Терапия");
      c.setInteger("KAR:DATR", date(1949, 1, 1));
      c.setInteger("KAR:DATA_UVOL", date(2003, 1, 1));
    });
    card("Жукова", [](RecordAccess&) {});
    addRecord("SOSTAV", [&](RecordAccess& r) {
      r.setInteger("SOS:NUM", averina);
      r.setInteger("SOS:NUMS", 1);
      r.setText("SOS:IGDIVEN", ru("дочь"));
      r.setInteger("SOS:DATR", date(1995, 3, 12));
    });
    addRecord("SOSTAV", [&](RecordAccess& r) {
      r.setInteger("SOS:NUM", vasilieva);
      r.setInteger("SOS:NUMS", 2);
      r.setText("SOS:IGDIVEN", ru("сын "));
      r.setInteger("SOS:DATR", date(1992, 10, 5));
    });
    addRecord("OTPUSK", [&](RecordAccess& r) {
      r.setInteger("OTP:NUM", vasilieva);
      r.setText("OTP:VID", ru("Декретный"));
      r.setInteger("OTP:DATAN", date(2004, 3, 1));
    });
    addRecord("RABOTA", [&](RecordAccess& r) {
      r.setInteger("RAB:NUM", averina);
      r.setInteger("RAB:DATA_PR", date(1979, 8, 1));
      r.setInteger("RAB:DATA", date(1979, 8, 1));
    });
    addRecord("RABOTA", [&](RecordAccess& r) {
      r.setInteger("RAB:NUM", averina);
      r.setInteger("RAB:DATA", date(1990, 2, 1));
      r.setInteger("RAB:RAZRAD", 14);
      r.setInteger("RAB:IND", 1);
    });
  }
};

void role(ApplicationGlobals& globals, int first, int last) {
  globals.setNumber("st1", first);
  globals.setNumber("st2", last);
}

TEST_F(ListReportsTest, EachReportPrintsTheCardsItsRulesSelect) {
  const std::int32_t twenty_years_ago = date(1984, 7, 1);
  const ListCase cases[] = {
      {113, {}, {"Аверина А.П.", "Борисов", "Васильева", "Григорьева", "Дмитриев", "Жукова"}},
      {115, {}, {"Аверина А.П.", "Борисов совместитель", "Васильева", "Григорьева", "Дмитриев", "Жукова"}},
      // A card without the date it was filled in is as old as any.
      {108,
       [&](ApplicationGlobals& g) { g.setNumber("datag", twenty_years_ago); },
       {"Аверина А.П.", "Жукова"}},
      {111,
       [](ApplicationGlobals& g) { g.setNumber("datag", runtime::serialFromParts(1949, 7, 1)); },
       {"Аверина А.П."}},
      {112, {}, {"Аверина А.П."}},
      {107,
       [](ApplicationGlobals& g) { g.setText("otdelenieg", platform::ru("Терапия")); },
       {"Аверина А.П."}},
      {123, {}, {"Васильева"}},
      {119, {}, {"Аверина Анна Петровна"}},
      {122, {}, {"Васильева"}},
      {124, {}, {"Аверина А.П.", "Васильева"}},
      {118,
       {},
       {"Врач-терапевт", "Врач-хирург", "Медицинская сестра палатная", "Санитарка палатная", "санитар",
        "Врач-терапевт", ""},
       2},
      {96, [](ApplicationGlobals& g) { g.setText("datan", "2004"); }, {"Аверина А.П."}},
      {97,
       [](ApplicationGlobals& g) { role(g, 4, 82), g.setText("katg", platform::ru("Высшая")); },
       {"Аверина А.П."}},
      {97, [](ApplicationGlobals& g) { role(g, 93, 132), g.setText("katg", ""); }, {"Васильева"}},
      {98, {}, {"Борисов"}},
      {99,
       [](ApplicationGlobals& g) {
         role(g, 4, 82);
         g.setText("profg", platform::ru("Врач-терапевт"));
         g.setText("postg", platform::ru("Врач-терапевт"));
       },
       {"Аверина А.П."}},
      {105, [](ApplicationGlobals& g) { g.setText("otborg", platform::ru("Врачи")); }, {"Аверина А.П."}},
      {105, [](ApplicationGlobals& g) { g.setText("otborg", platform::ru("Санитары")); }, {"Григорьева"}},
      {105, [](ApplicationGlobals& g) { g.setText("otborg", platform::ru("Другие")); }, {"Дмитриев"}},
  };
  for (const ListCase& c : cases) {
    SCOPED_TRACE(testing::ReportsTest::ru(procedureName(c.report)));
    if (c.set) c.set(applicationGlobals());
    const testing::ReportRun done = run(c.report);
    ASSERT_TRUE(done.written) << (done.messages.empty() ? "" : done.messages.front());
    EXPECT_EQ(done.column(c.column), c.listed);
  }
}

// What the lists print beyond the fields: the note on a part-timer, the child found, the hiring
// date and the service since, the insurance number in its template's shape.
TEST_F(ListReportsTest, ComputedCellsShowWhatTheColumnsSay) {
  struct Cell {
    std::uint16_t report;
    std::size_t row;
    std::size_t column;
    std::string printed;
  };
  const Cell cells[] = {
      {113, 1, 4, "совместитель"},     {113, 0, 4, ""},
      {112, 0, 4, "дочь 12.03.1995"},  {115, 0, 4, "1.08.1979"},
      {115, 0, 5, "24 л. 11 м. 0 д."}, {115, 0, 6, "123-456-789 01"},
      {105, 0, 3, "1.02.1990"},        {105, 0, 4, "14"},
  };
  applicationGlobals().setText("otborg", ru("Врачи"));
  for (const Cell& cell : cells) {
    SCOPED_TRACE(procedureName(cell.report) + " " + std::to_string(cell.row) + ":" +
                 std::to_string(cell.column));
    const testing::ReportRun done = run(cell.report);
    ASSERT_GT(done.pages.detail_rows.size(), cell.row);
    EXPECT_EQ(done.column(cell.column).at(cell.row), cell.printed);
  }
}

}  // namespace
}  // namespace veltrano::app::reports
