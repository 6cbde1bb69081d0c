// Filters from example values: their texts, what they select from a real storage file, and the
// "Example values" window driven as a clerk would.
#include "framework/browse/query_by_example.h"

#include <gtest/gtest.h>

#include <thread>

#include "framework/test_files.h"
#include "platform/codepage.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/expr/binding_scopes.h"
#include "runtime/values/field_value.h"
#include "storage/view_cursor.h"
#include "ui/headless_engine.h"

namespace veltrano::framework {
namespace {

using platform::ru;

struct FilterCase {
  const char* expression;
  const char* picture;
  const char* low;
  const char* equal;  // UTF-8
  const char* high;
  const char* filter;  // UTF-8
};

TEST(QueryFilter, ConditionsFromExampleValues) {
  const FilterCase cases[] = {
      {"KAR:FAM", "@s20", "", "Иванов", "", "KAR:FAM='Иванов'"},
      {"KAR:FAM", "@s20", "", "О'Брайен", "", "KAR:FAM='О''Брайен'"},
      {"KAR:FAM", "", "", "*", "", ""},
      {"KAR:FAM", "", "", "*ван*", "", "INSTRING('ван',KAR:FAM,1,1) <> 0"},
      {"UPPER(KAR:FAM)", "", "", "iv*", "", "SUB(UPPER(KAR:FAM),1,2)='IV'"},
      {"KAR:FAM", "", "", "<>Петров", "", "KAR:FAM<>'Петров'"},
      {"KAR:FAM", "", "", ">П", "", "KAR:FAM>='П'"},
      {"KAR:FAM", "", "", "<П", "", "KAR:FAM<='П'"},
      {"KAR:FAM", "", "", "=Петров", "", "KAR:FAM='Петров'"},
      {"KAR:FAM", "", "", "~Петров", "", "KAR:FAM~='Петров'"},
      {"KAR:NUM", "@n6", "", "<=100", "", "KAR:NUM<=100"},
      {"KAR:NUM", "@n6", "10", "ignored", "20", "KAR:NUM >= '10' AND KAR:NUM <= '20'"},
      {"UPPER(KAR:FAM)", "", "p", "", "", "UPPER(KAR:FAM) >= 'P'"},
      {"KAR:DATA_P", "@d6.", "", "05.03.2001", "", "KAR:DATA_P=73116"},
      {"KAR:NUM", "@n6", "", "abc", "", "KAR:NUM="},
      {"KAR:FAM", "", "", "   ", "", ""},
  };
  for (const FilterCase& c : cases) {
    QueryByExample query;
    query.AddItem(c.expression, "", c.picture);
    query.FIELDS[0].LOW = ru(c.low);
    query.FIELDS[0].EQUAL = ru(c.equal);
    query.FIELDS[0].HIGH = ru(c.high);
    EXPECT_EQ(query.GetFilter(), ru(c.filter)) << c.expression << " " << c.equal;
  }

  QueryByExample two;
  two.AddItem("KAR:FAM", "", "@s20");
  two.AddItem("KAR:NUM", "", "@n6");
  two.FIELDS[0].EQUAL = "A*";
  two.FIELDS[1].EQUAL = ">5";
  EXPECT_EQ(two.GetFilter(), "SUB(KAR:FAM,1,1)='A' AND KAR:NUM>=5");
  two.Reset();
  EXPECT_EQ(two.GetFilter(), "");

  // Only whole conditions fit the filter's buffer.
  QueryByExample wide;
  for (int field = 0; field < 12; ++field) {
    wide.AddItem("KAR:FAM", "", "");
    wide.FIELDS.back().EQUAL = std::string(QueryByExample::kValueWidth, '\'');
  }
  std::string filter = wide.GetFilter();
  EXPECT_LE(filter.size(), QueryByExample::kFilterWidth);
  EXPECT_EQ(filter.size() % (1000 + 10 + 5), 1000 + 10);
}

// The filters select from a real file what the clerk asked for.
TEST(QueryFilter, SelectsFromAStorageFile) {
  runtime::charTables() = runtime::CharTables::defaults();
  runtime::bindingScopes().clear();
  testing::DiskStorage disk;
  runtime::RecordLayoutBuilder fields;
  fields.scalar("KAR:NUM", runtime::TypeCode::Long).string("KAR:FAM", 20);
  auto karta = disk.declare("KARTA", fields.build());
  karta->addKey("KAR:NUM_KEY", {"+KAR:NUM"}, storage::kKeyPrimary);
  storage::OperationArguments open;
  open.access_mode = 0x42;
  storage::fileStatement(storage::Operation::Create, karta->file());
  storage::fileStatement(storage::Operation::Open, karta->file(), open);
  const char* surnames[] = {"Иванов", "О'Брайен", "Петров", "Иваненко"};
  for (int number = 1; number <= 4; ++number) {
    runtime::storeInteger(karta->layout().field(0), karta->record(), number);
    runtime::storeText(karta->layout().field(1), karta->record(), ru(surnames[number - 1]));
    storage::fileStatement(storage::Operation::Add, karta->file());
  }
  runtime::bindFileFields(storage::viewFileOf(karta->file()));

  auto selected = [&](const char* equal) {
    QueryByExample query;
    query.AddItem("KAR:FAM", "", "@s20");
    query.FIELDS[0].EQUAL = ru(equal);
    storage::ViewCursor view;
    EXPECT_EQ(view.open(runtime::ViewDescriptor{}, {&karta->file()}), 0);
    if (!view.setFilter(query.GetFilter())) return -1;
    view.setToStart();
    int rows = 0;
    while (view.next() == 0) ++rows;
    return rows;
  };
  EXPECT_EQ(selected("О'Брайен"), 1);
  EXPECT_EQ(selected("*"), 4);
  EXPECT_EQ(selected("Иван*"), 2);
  EXPECT_EQ(selected("*нен*"), 1);
  EXPECT_EQ(selected(std::string(QueryByExample::kValueWidth, 'x').c_str()), 0);

  QueryByExample number;
  number.AddItem("KAR:NUM", "", "@n6");
  number.FIELDS[0].EQUAL = "abc";
  storage::ViewCursor view;
  ASSERT_EQ(view.open(runtime::ViewDescriptor{}, {&karta->file()}), 0);
  EXPECT_FALSE(view.setFilter(number.GetFilter()));
  view.close();
  storage::fileStatement(storage::Operation::Close, karta->file());
  runtime::bindingScopes().clear();
}

TEST(QueryWindow, OkTakesTheValuesAndCancelKeepsThePrevious) {
  ui::HeadlessEngine engine;
  ui::ScopedWindowEngine installed(engine);
  QueryByExample query;
  query.AddItem("KAR:FAM", ru("Фамилия"), "@s20");
  query.AddItem("KAR:NUM", ru("Таб. №"), "@n6");
  query.FIELDS[0].EQUAL = "<>A";

  auto clerk = [&](bool ok) {
    return std::thread([&engine, ok] {
      ui::WindowId window = engine.waitForWindow("ABQUERY", std::chrono::seconds(10));
      ASSERT_NE(window, 0u);
      ASSERT_TRUE(engine.waitUntilIdle(window, std::chrono::seconds(10)));
      // The operator and the value of a pattern show apart.
      EXPECT_EQ(engine.value(window, 11), "<>");
      EXPECT_EQ(engine.value(window, 12), "A");
      engine.userEdits(window, 11, "");
      engine.userEdits(window, 12, ru("Ив*"));
      engine.userEdits(window, 18, "10");
      engine.userPresses(window, ok ? 1 : 2);
    });
  };
  std::thread cancelling = clerk(false);
  EXPECT_FALSE(query.Ask());
  cancelling.join();
  EXPECT_EQ(query.GetFilter(), "KAR:FAM<>'A'");

  std::thread accepting = clerk(true);
  EXPECT_TRUE(query.Ask());
  accepting.join();
  EXPECT_EQ(query.GetFilter(), ru("SUB(KAR:FAM,1,2)='Ив' AND KAR:NUM >= '10'"));
  EXPECT_EQ(engine.openWindows().size(), 0u);
}

}  // namespace
}  // namespace veltrano::framework
