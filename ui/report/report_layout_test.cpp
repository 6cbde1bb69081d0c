#include "ui/report/report_layout.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/codepage.h"
#include "ui/report/table_report.h"

namespace veltrano::ui::report {
namespace {

using platform::ru;

TableReport employeeList() {
  TableReport table;
  table.name = "VELTR113";
  table.title = {ru("Общий список сотрудников")};
  table.columns = {
      {ru("Фамилия И.О."), "fio", "@s30", 5000, Align::kDefault, {}},
      {ru("Оклад"), "salary", "@n10.2", 2500, Align::kDefault, {}},
      {ru("Примечание"), "note", "", 6000, Align::kDefault, {}},
  };
  return table;
}

ReportBand band(BandKind kind, std::string name, Length height, std::vector<ReportItem> items = {},
                std::string break_on = {}) {
  ReportBand band;
  band.kind = kind;
  band.name = std::move(name);
  band.height = height;
  band.items = std::move(items);
  band.break_on = std::move(break_on);
  return band;
}

std::unique_ptr<CompiledReport> compiled(ReportDescription description) {
  std::string error;
  auto report = CompiledReport::compile(std::move(description), &error);
  EXPECT_NE(report, nullptr) << platform::utf8From1251(error);
  return report;
}

std::vector<std::string> textsOf(const Page& page) {
  std::vector<std::string> texts;
  for (const PageText& text : page.texts) texts.push_back(text.text);
  return texts;
}

bool holds(const Page& page, const std::string& text) {
  for (const PageText& printed : page.texts) {
    if (printed.text == text) return true;
  }
  return false;
}

// What a reader must be able to rely on: no text leaves its cell, and nothing is printed
// into the page footer's room or below the paper's bottom margin.
void expectNothingOverprinted(const ReportPages& report, Length footer_top) {
  for (const PagePointer& page : report.pages) {
    for (const PageText& text : page->texts) {
      EXPECT_GE(text.x, text.clip.x) << platform::utf8From1251(text.text);
      EXPECT_LE(text.x + text.width, text.clip.x + text.clip.width) << platform::utf8From1251(text.text);
      EXPECT_LE(text.baseline, text.clip.y + text.clip.height) << platform::utf8From1251(text.text);
      bool in_footer = text.text.rfind(ru("Стр. "), 0) == 0;
      if (!in_footer) {
        EXPECT_LE(text.clip.y + text.clip.height, footer_top) << platform::utf8From1251(text.text);
      }
    }
  }
}

TEST(ReportLayout, BreaksPagesNumbersThemAndCountsTheLines) {
  auto report = compiled(tableReport(employeeList()));
  ASSERT_NE(report, nullptr);
  ReportLayout layout(std::move(report));
  const auto& names = layout.report().valueNames();
  ASSERT_EQ(names, (std::vector<std::string>{"fio", "salary", "note"}));
  for (int record = 1; record <= 110; ++record) {
    std::vector<std::string> values{ru("Иванов И.И. ") + std::to_string(record),
                                    std::to_string(record * 1000) + ".5", ""};
    ASSERT_TRUE(layout.print(kTableRow, values));
  }
  ReportPages pages = layout.close();

  // A4 with 10 mm margins and a 6 mm footer leaves 271 mm: the first page holds the title
  // (10 mm), the column titles (5 mm) and 51 rows of 5 mm, the next ones 53 rows; the count
  // at the end (7 mm) still fits on the third page.
  ASSERT_EQ(pages.pages.size(), 3u);
  EXPECT_TRUE(holds(*pages.pages[0], ru("Общий список сотрудников")));
  for (std::size_t page = 0; page < pages.pages.size(); ++page) {
    EXPECT_TRUE(holds(*pages.pages[page], ru("Стр. ") + std::to_string(page + 1))) << page;
    EXPECT_TRUE(holds(*pages.pages[page], ru("Фамилия И.О."))) << "titles repeat on page " << page + 1;
  }
  EXPECT_TRUE(holds(*pages.pages[0], "51"));
  EXPECT_FALSE(holds(*pages.pages[0], "52"));
  EXPECT_TRUE(holds(*pages.pages[1], "52"));
  EXPECT_TRUE(holds(*pages.pages[1], "104"));
  EXPECT_TRUE(holds(*pages.pages[2], "105"));
  EXPECT_TRUE(holds(*pages.pages[0], "1,000.50"));
  EXPECT_TRUE(holds(*pages.pages[2], ru("Всего: 110")));
  expectNothingOverprinted(pages, 29700 - 1000 - 600);
  ASSERT_EQ(pages.detail_rows.size(), 110u);
  EXPECT_EQ(pages.detail_rows[0], (std::vector<std::string>{"1", ru("Иванов И.И. 1"), "1,000.50", ""}));
  EXPECT_EQ(pages.column_titles,
            (std::vector<std::string>{ru("№"), ru("Фамилия И.О."), ru("Оклад"), ru("Примечание")}));
}

// A form names its spreadsheet columns itself and leaves out what only the paper needs.
TEST(ReportLayout, SpreadsheetColumnsTakeTheirOwnTitlesAndMayBeLeftOut) {
  ReportDescription description = tableReport(employeeList());
  ReportBand& row = description.bands[2];
  row.items[2].column_title = ru("Оклад, руб.");
  row.items[3].spreadsheet = false;
  ReportLayout layout(compiled(description));
  const std::string word = ru("ДЛИННАЯФАМИЛИЯБЕЗПРОБЕЛОВ");  // wider than the 50 mm column
  ASSERT_TRUE(layout.print(kTableRow, std::vector<std::string>{word, "10", ru("примечание")}));
  ReportPages pages = layout.close();
  EXPECT_EQ(pages.column_titles, (std::vector<std::string>{ru("№"), ru("Фамилия И.О."), ru("Оклад, руб.")}));
  EXPECT_EQ(pages.detail_rows, (std::vector<std::vector<std::string>>{{"1", word, "10.00"}}))
      << "a word broken at the cell's edge is one word in the spreadsheet";
  EXPECT_TRUE(holds(*pages.pages[0], ru("примечание"))) << "printed all the same";
  EXPECT_FALSE(holds(*pages.pages[0], word)) << "the word is broken on paper";
}

TEST(ReportLayout, WrapsLongTextsAndCutsTheOnesThatMayNotGrow) {
  TableReport table = employeeList();
  auto description = tableReport(table);
  ReportLayout layout(compiled(description));
  std::string note = ru("Совместитель, переведён из терапевтического отделения приказом от 12.03.2004 № 45");
  std::string long_name = ru("Константинопольский-Рождественский Александр Владимирович");
  ASSERT_TRUE(layout.print(kTableRow, std::vector<std::string>{long_name, "1", note}));
  ASSERT_TRUE(layout.print(kTableRow, std::vector<std::string>{ru("Петров П.П."), "2", ""}));
  ReportPages pages = layout.close();
  ASSERT_EQ(pages.pages.size(), 1u);
  const Page& page = *pages.pages[0];

  std::vector<const PageText*> note_lines;
  const PageText* second_row = nullptr;
  for (const PageText& text : page.texts) {
    if (text.clip.x == 1500 + 1200 + 5000 + 2500 && text.text != ru("Примечание"))
      note_lines.push_back(&text);
    if (text.text == ru("Петров П.П.")) second_row = &text;
  }
  ASSERT_GE(note_lines.size(), 3u) << "the note wraps within its 60 mm";
  std::string joined;
  for (const PageText* line : note_lines) joined += (joined.empty() ? "" : " ") + line->text;
  EXPECT_EQ(joined, note);
  ASSERT_NE(second_row, nullptr);
  EXPECT_GE(second_row->clip.y, note_lines.back()->baseline) << "the next row starts below the wrapped note";
  // The surname column wraps too; a column of a band that may not grow is cut instead.
  expectNothingOverprinted(pages, 29700 - 1000 - 600);

  description.bands[2].can_grow = false;
  ReportLayout fixed(compiled(description));
  ASSERT_TRUE(fixed.print(kTableRow, std::vector<std::string>{long_name, "1", note}));
  ReportPages cut = fixed.close();
  int note_texts = 0;
  for (const PageText& text : cut.pages[0]->texts) {
    note_texts += text.clip.x == 1500 + 1200 + 5000 + 2500 && text.text != ru("Примечание");
  }
  EXPECT_EQ(note_texts, 1) << "a 5 mm row shows one line of the note";
  expectNothingOverprinted(cut, 29700 - 1000 - 600);
}

TEST(ReportLayout, GroupsPrintTheirTotalsWhenTheirValueChanges) {
  ReportDescription description;
  description.name = "TOTALS";
  description.bands.push_back(
      band(BandKind::kGroupHeader, "dept", 500, {fieldItem("dept", "", {0, 0, 5000, 500})}, "dept"));
  description.bands.push_back(
      band(BandKind::kDetail, "line", 500, {fieldItem("salary", "@n8.2", {0, 0, 3000, 500})}));
  ReportItem sum;
  sum.kind = ItemKind::kTotal;
  sum.total = TotalKind::kSum;
  sum.source = "salary";
  sum.picture = "@n10.2";
  sum.text = "=";
  sum.at = {0, 0, 4000, 500};
  ReportItem average = sum;
  average.total = TotalKind::kAverage;
  average.text = "~";
  average.at.x = 5000;
  ReportItem count = sum;
  count.total = TotalKind::kCount;
  count.picture = "";
  count.text = "#";
  count.at.x = 10000;
  description.bands.push_back(band(BandKind::kGroupFooter, "dept", 500, {sum, average, count}, "dept"));
  description.bands.push_back(band(BandKind::kReportFooter, "end", 500, {sum, count}));
  ReportLayout layout(compiled(description));
  const std::vector<std::pair<const char*, const char*>> records = {{"A", "10"}, {"A", "20.5"}, {"B", "1"},
                                                                    {"C", "2"},  {"C", "3"},    {"C", "4"}};
  for (auto [dept, salary] : records) {
    std::vector<std::string> values(layout.report().valueNames().size());
    values[static_cast<std::size_t>(layout.report().valueIndex("dept"))] = dept;
    values[static_cast<std::size_t>(layout.report().valueIndex("salary"))] = salary;
    ASSERT_TRUE(layout.print("line", values));
  }
  ReportPages pages = layout.close();
  ASSERT_EQ(pages.pages.size(), 1u);
  EXPECT_EQ(textsOf(*pages.pages[0]),
            (std::vector<std::string>{"A",    "10.00", "20.50", "=30.50", "~15.25", "#2",   "B",
                                      "1.00", "=1.00", "~1.00", "#1",     "C",      "2.00", "3.00",
                                      "4.00", "=9.00", "~3.00", "#3",     "=40.50", "#6"}));
}

TEST(ReportLayout, PageCountsAreFilledInAtTheEnd) {
  ReportDescription description;
  description.bands.push_back(
      band(BandKind::kDetail, "line", 20000, {fieldItem("n", "", {0, 0, 3000, 500})}));
  ReportItem of;
  of.kind = ItemKind::kPageCount;
  of.text = ru("из ");
  of.at = {0, 0, 3000, 500};
  description.bands.push_back(band(BandKind::kPageFooter, "page", 500, {of}));
  ReportLayout layout(compiled(description));
  for (int record = 0; record < 3; ++record) ASSERT_TRUE(layout.print("line", std::vector<std::string>{"x"}));
  ReportPages pages = layout.close();
  ASSERT_EQ(pages.pages.size(), 3u);
  for (const PagePointer& page : pages.pages) EXPECT_TRUE(holds(*page, ru("из 3")));
}

TEST(ReportLayout, RefusesDescriptionsItCannotPrint) {
  struct Case {
    const char* what;
    std::function<void(ReportDescription&)> spoil;
    const char* reason;  // UTF-8, part of the message
  };
  const Case cases[] = {
      {"a picture that does not compile", [](ReportDescription& d) { d.bands[2].items[1].picture = "@x12"; },
       "поле fio: шаблон \"@x12\" не распознан"},
      {"an unknown font", [](ReportDescription& d) { d.fonts[1].family = "Arial"; },
       "неизвестный шрифт \"Arial\""},
      {"an item past the page's edge", [](ReportDescription& d) { d.bands[2].items[1].at.x = 19000; },
       "выходит за границы"},
      {"a band taller than the page", [](ReportDescription& d) { d.bands[2].height = 40000; }, "выше, чем"},
      {"two page headers", [](ReportDescription& d) { d.bands.push_back(d.bands[1]); }, "два раздела"},
      {"a detail band without a name", [](ReportDescription& d) { d.bands[2].name.clear(); }, "нет имени"},
      {"a group without its value",
       [](ReportDescription& d) { d.bands.push_back(band(BandKind::kGroupHeader, "g", 500)); },
       "по какому значению"},
      {"margins wider than the paper", [](ReportDescription& d) { d.page.margins.left = 21000; },
       "поля страницы"},
  };
  for (const Case& c : cases) {
    ReportDescription description = tableReport(employeeList());
    c.spoil(description);
    std::string error;
    EXPECT_EQ(CompiledReport::compile(description, &error), nullptr) << c.what;
    EXPECT_NE(platform::utf8From1251(error).find(c.reason), std::string::npos)
        << c.what << ": " << platform::utf8From1251(error);
  }
}

}  // namespace
}  // namespace veltrano::ui::report
