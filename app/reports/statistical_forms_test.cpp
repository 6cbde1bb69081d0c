// Forms No. 17, 50 and 51 counted over cards with known answers: each form line's cells as the
// spreadsheet gives them, and the column totals under form No. 17's sheets.
#include <gtest/gtest.h>

#include <map>

#include "app/reports/form51.h"
#include "app/reports/reports_test_support.h"

namespace veltrano::app::reports {
namespace {

using Cells = std::vector<std::string>;

struct FormCase {
  std::uint16_t report;
  std::function<void(ApplicationGlobals&)> set;
  Cells titles;                        // the spreadsheet's columns
  std::size_t lines;                   // rows printed
  std::map<std::string, Cells> cells;  // by "№ строки"; a line not named counts nothing
  Cells totals;                        // "Итого" and the totals, as printed; empty: none
};

class StatisticalFormsTest : public testing::ReportsTest {
 protected:
  struct Card {
    std::int64_t line = 0;
    bool woman = false;
    std::string_view category = {};
    std::int32_t certificate = 0;
    std::int32_t dismissed = 0;
    bool part_timer = false;
    std::string_view group = {};   // KAR:PROF [4]
    std::string_view came = {};    // KAR:PRIBYL
    std::string_view reason = {};  // KAR:PRICHINA_UVOL, or the graduate's KAR:UVOL_VYPUSK
  };
  void add(const Card& c) {
    card("Сотрудник", [&](RecordAccess& r) {
      r.setInteger("KAR:STR", c.line);
      r.setInteger("KAR:POL", c.woman ? 0 : 1);
      r.setText("KAR:KATEGOR", ru(c.category));
      r.setInteger("KAR:DATAS", c.certificate);
      r.setInteger("KAR:DATA_UVOL", c.dismissed);
      r.setInteger("KAR:SOVMESTITEL", c.part_timer ? 1 : 0);
      r.setText("KAR:PROF", ru(c.group), 3);
      r.setText("KAR:PRIBYL", ru(c.came));
      r.setText(c.came.empty() ? "KAR:PRICHINA_UVOL" : "KAR:UVOL_VYPUSK", ru(c.reason));
    });
  }
  void SetUp() override {
    ReportsTest::SetUp();
    const std::int32_t now = today();
    const Card cards[] = {
        {.line = 10, .woman = true, .category = "Высшая", .certificate = now - 1825},
        {.line = 10, .category = "Первая", .certificate = now - 1826},
        {.line = 10, .woman = true},
        {.line = 10, .woman = true, .category = "Высшая", .certificate = now, .part_timer = true},
        {.line = 10,
         .woman = true,
         .category = "Высшая",
         .certificate = now,
         .dismissed = date(2004, 3, 1),
         .reason = "по собственному желанию"},
        {.line = 25, .category = "высшая", .certificate = now + 10},
        {.line = 57, .category = "Вторая", .certificate = now},
        {.line = 60, .woman = true},
        {.line = 84},
        {.line = 85},
        {.line = 93, .woman = true},
        {.line = 3, .woman = true},
        {.line = 0, .woman = true},  // a card whose derived fields are still blank
        {.line = 115,
         .woman = true,
         .category = "Первая",
         .certificate = now - 30,
         .dismissed = date(2004, 6, 30),
         .reason = "уходом на пенсию"},
        {.line = 138, .woman = true, .category = "Вторая"},
        {.line = 140, .dismissed = date(2004, 1, 1)},
        {.line = 140, .dismissed = date(2003, 12, 31), .reason = "высвобождением"},
        {.line = 140, .dismissed = date(2004, 7, 1), .reason = "высвобождением"},
        {.line = 140, .dismissed = date(2004, 2, 1), .part_timer = true, .reason = "высвобождением"},
        {.line = 10, .woman = true, .group = "Лечебное дело", .came = "самостоятельно"},
        {.line = 115,
         .woman = true,
         .dismissed = date(2003, 5, 1),
         .group = "Сестринское дело",
         .came = "по договорам (контрактам)",
         .reason = "необеспечение условий договора (контракта)"},
        {.line = 140, .came = "с направлением службы занятости населения"},
        {.line = 140, .part_timer = true, .group = "Фармация", .came = "самостоятельно"},
    };
    for (const Card& c : cards) add(c);
    addRecord("PROF", [&](RecordAccess& r) {
      r.setText("PRO:PROF", ru("Врач-терапевт"));
      r.setInteger("PRO:STR", 10);
    });
    addRecord("PROF", [&](RecordAccess& r) {
      r.setText("PRO:PROF", ru("Врач-терапевт участковый"));
      r.setInteger("PRO:STR", 10);
    });
  }
};

// The cells printed on the baseline of "Итого", left to right.
Cells totalsRow(const ui::report::ReportPages& pages) {
  Cells cells;
  const ui::report::Page& last = *pages.pages.back();
  for (const ui::report::PageText& text : last.texts) {
    if (text.text != platform::ru("Итого")) continue;
    for (const ui::report::PageText& other : last.texts) {
      if (other.baseline == text.baseline) cells.push_back(platform::utf8From1251(other.text));
    }
  }
  return cells;
}

TEST_F(StatisticalFormsTest, EachFormLineCountsTheCardsItsRulesSay) {
  const Cells form17 = {"№ строки", "Всего", "Высшая", "Первая", "Вторая", "Сертификат"};
  const FormCase cases[] = {
      {34,
       {},
       form17,
       56,
       {{"01", {"01", "8", "1", "1", "1", "3"}},
        {"02", {"02", "4", "1", "0", "0", "1"}},
        {"10", {"10", "4", "1", "1", "0", "1"}},
        {"25", {"25", "1", "0", "0", "0", "1"}},
        {"57", {"57", "1", "0", "0", "1", "1"}}},
       {"Итого", "6", "6", "1", "1", "1", "3"}},
      {75,
       {},
       form17,
       36,
       {{"60", {"60", "1", "0", "0", "0", "0"}},
        {"84", {"84", "1", "0", "0", "0", "0"}},
        {"85", {"85", "1", "0", "0", "0", "0"}},
        {"93", {"93", "1", "0", "0", "0", "0"}}},
       {"Итого", "4", "4", "0", "0", "0", "0"}},
      {76,
       {},
       form17,
       45,
       {{"138", {"138", "1", "0", "0", "1", "0"}}},
       {"Итого", "1", "1", "0", "0", "1", "0"}},
      {79,
       {},
       {"№ строки", "Прибыло", "самостоятельно", "с направлением службы занятости",
        "с удостоверением о направлении", "по договорам", "уволено по причинам закона",
        "уволено: условия договора"},
       14,
       {{"01", {"01", "1", "1", "0", "0", "0", "0", "0"}},
        {"02", {"02", "1", "1", "0", "0", "0", "0", "0"}},
        {"07", {"07", "1", "0", "0", "0", "1", "0", "1"}},
        {"08", {"08", "1", "0", "0", "0", "1", "0", "1"}},
        {"13", {"13", "1", "0", "1", "0", "0", "0", "0"}},
        {"14", {"14", "3", "1", "1", "0", "1", "0", "1"}}},
       {}},
      {78,
       [&](ApplicationGlobals& g) {
         g.setNumber("datanp", date(2004, 1, 1));
         g.setNumber("datakp", date(2004, 6, 30));
       },
       {"№ строки", "Всего", "высвобождением", "уходом на пенсию", "по собственному желанию", "др. причины"},
       4,
       {{"01", {"01", "3", "0", "1", "1", "0"}},
        {"02", {"02", "1", "0", "0", "1", "0"}},
        {"03", {"03", "1", "0", "1", "0", "0"}},
        {"04", {"04", "1", "0", "0", "0", "0"}}},
       {}},
  };
  for (const FormCase& c : cases) {
    SCOPED_TRACE(procedureName(c.report));
    if (c.set) c.set(applicationGlobals());
    // Form No. 51 without its period dialog: the report the dialog starts.
    const testing::ReportRun done =
        c.report == 78 ? run([&] { return runForm51(application); }) : run(c.report);
    ASSERT_TRUE(done.written) << (done.messages.empty() ? "" : done.messages.front());
    Cells titles;
    for (const std::string& title : done.pages.column_titles) titles.push_back(platform::utf8From1251(title));
    EXPECT_EQ(titles, c.titles);
    ASSERT_EQ(done.pages.detail_rows.size(), c.lines);
    for (std::size_t row = 0; row < c.lines; ++row) {
      Cells printed;
      for (const std::string& cell : done.pages.detail_rows[row])
        printed.push_back(platform::utf8From1251(cell));
      const auto expected = c.cells.find(printed.front());
      if (expected != c.cells.end()) {
        EXPECT_EQ(printed, expected->second);
      } else {
        EXPECT_EQ(Cells(printed.begin() + 1, printed.end()), Cells(printed.size() - 1, "0"))
            << printed.front();
      }
    }
    if (!c.totals.empty()) {
      EXPECT_EQ(totalsRow(done.pages), c.totals);
    }
  }
}

}  // namespace
}  // namespace veltrano::app::reports
