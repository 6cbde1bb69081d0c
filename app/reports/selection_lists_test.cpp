// The selection lists of the menu: which cards each lists, in surname order, what the computed
// columns show (the overdue dates only once five years old) and the count after "ВСЕГО:".
#include "app/reports/selection_lists.h"

#include <gtest/gtest.h>

#include "app/reports/reports_test_support.h"
#include "app/reports/selection_list.h"
#include "app/reports/selection_rules.h"
#include "framework/window/window_test_support.h"

namespace veltrano::app::reports {
namespace {

using Rows = std::vector<std::vector<std::string>>;

struct SelectionCase {
  std::uint16_t list;
  std::function<void(ApplicationGlobals&)> set;  // what the list's dialog would set
  Rows rows;                                     // the columns named in `shown`, UTF-8
  std::vector<std::size_t> shown;
  std::string count;  // after "ВСЕГО:"; empty: the list counts nothing
};

class SelectionListsTest : public testing::ReportsTest {
 protected:
  void SetUp() override {
    ReportsTest::SetUp();
    auto common = [](RecordAccess& c, std::int64_t line, std::string_view post) {
      c.setInteger("KAR:STR", line);
      c.setText("KAR:POST", ru(post));
      c.setText("KAR:PROFF", ru(post));
    };
    card("Аверина", [&](RecordAccess& c) {
      c.setText("KAR:NOM", ru("Анна"));
      c.setText("KAR:PER", ru("Петровна"));
      common(c, 10, "Врач-терапевт");
      c.setText("KAR:KATEGOR", ru("Высшая"));
      c.setInteger("KAR:DATR", date(1949, 5, 12));
      c.setInteger("KAR:DATAS", today() - 1825);
    });
    card("Борисов", [&](RecordAccess& c) {
      common(c, 25, "Врач-хирург");
      c.setInteger("KAR:POL", 1);
      c.setInteger("KAR:SOVMESTITEL", 1);
      c.setInteger("KAR:DATR", date(1944, 2, 1));
      c.setInteger("KAR:DATAP", today() - 3000);
    });
    card("Васильева", [&](RecordAccess& c) {
      common(c, 115, "Медицинская сестра палатная");
      c.setInteger("KAR:DATAS", today() - 1824);
      c.setInteger("KAR:DATAA", date(1998, 3, 1));
    });
    card("Григорьева", [&](RecordAccess& c) { common(c, 140, "Санитарка палатная"); });
    card("Дмитриев", [&](RecordAccess& c) {
      common(c, 140, "санитар");
      c.setInteger("KAR:POL", 1);
      c.setInteger("KAR:DATR", date(1944, 9, 1));
    });
    card("Егорова", [&](RecordAccess& c) {
      common(c, 10, "Врач-терапевт");
      c.setInteger("KAR:DATAS", date(1990, 1, 1));
      c.setInteger("KAR:DATA_UVOL", date(2003, 1, 1));
    });
    card("Жукова", [](RecordAccess&) {});
  }
};

void lines(ApplicationGlobals& globals, std::int64_t first, std::int64_t last) {
  globals.setNumber("st1", first);
  globals.setNumber("st2", last);
}

void tradeUnion(ApplicationGlobals& globals, std::string_view group) {
  globals.setText("otborg", platform::ru(group));
  if (const auto range = tradeUnionLines(platform::ru(group))) lines(globals, range->first, range->last);
}

std::string trimmed(std::string text) {
  text.erase(0, text.find_first_not_of(' '));
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

TEST_F(SelectionListsTest, EachListShowsTheCardsItsRulesSelectAndCountsThem) {
  const SelectionCase cases[] = {
      // Five years of 365 days make a date overdue; the part-timers and the dismissed are left out.
      {74, {}, {{"Аверина А.П.", "", "3.07.1999", ""}, {"Васильева", "", "", "1.03.1998"}}, {0, 3, 4, 5}, ""},
      {90,
       [](ApplicationGlobals& g) { g.setText("datan", "2004"); },
       {{"Аверина А.П.", "12.05.2004"}, {"Дмитриев", "1.09.2004"}},
       {0, 4},
       ""},
      {91,
       [](ApplicationGlobals& g) { lines(g, 93, 132), g.setText("katg", ""); },
       {{"Васильева"}},
       {0},
       "1"},
      {91,
       [](ApplicationGlobals& g) { lines(g, 4, 82), g.setText("katg", platform::ru("Высшая")); },
       {{"Аверина А.П."}},
       {0},
       "1"},
      {92, {}, {{"Борисов"}}, {0}, "1"},
      {93,
       [](ApplicationGlobals& g) {
         lines(g, 4, 82);
         g.setText("profg", platform::ru("Врач-терапевт"));
         g.setText("postg", platform::ru("Врач-терапевт"));
       },
       {{"Аверина А.П."}},
       {0},
       "1"},
      {103, [](ApplicationGlobals& g) { tradeUnion(g, "Санитары"); }, {{"Григорьева"}}, {0}, "1"},
      {103, [](ApplicationGlobals& g) { tradeUnion(g, "Другие"); }, {{"Дмитриев"}}, {0}, "1"},
  };
  for (const SelectionCase& c : cases) {
    SCOPED_TRACE(procedureName(c.list));
    if (c.set) c.set(applicationGlobals());
    const std::optional<SelectionListDescription> list = selectionList(c.list);
    ASSERT_TRUE(list.has_value());
    framework::testing::ProcedureThread procedure(engine, [&] {
      return runSelectionList(application, *list, framework::ProcedureCall{framework::kRequestNone});
    });
    const ui::WindowId window = procedure.window("veltrano$" + procedureName(c.list));
    ASSERT_NE(window, 0u);
    const auto snapshot = engine.snapshot(window);
    Rows rows;
    for (const std::vector<std::string>& row : snapshot->controls.at(selection::kList).rows) {
      std::vector<std::string>& shown = rows.emplace_back();
      for (const std::size_t column : c.shown)
        shown.push_back(trimmed(platform::utf8From1251(row.at(column))));
    }
    EXPECT_EQ(rows, c.rows);
    const auto count = snapshot->controls.find(selection::kCount);
    EXPECT_EQ(count == snapshot->controls.end() ? "" : trimmed(count->second.value), c.count);
    ASSERT_TRUE(engine.userPresses(window, selection::kClose));
    EXPECT_EQ(procedure.response(), framework::kResponseCancelled);
  }
}

}  // namespace
}  // namespace veltrano::app::reports
