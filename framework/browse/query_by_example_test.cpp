// Filters from example values: their texts, what they select from a real storage file, and the
// "Example values" window driven as a clerk would.
#include "framework/browse/query_by_example.h"

#include <gtest/gtest.h>

#include <thread>

#include "framework/browse/view_manager.h"
#include "framework/manager_test_fixture.h"
#include "platform/codepage.h"
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

// The filters select from a real file what the clerk asked for, through the browse's view as
// its named filter; one the view cannot take is said (id 40) and every record shows.
class QueryOverFileTest : public testing::ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    runtime::RecordLayoutBuilder fields;
    fields.scalar("KAR:NUM", runtime::TypeCode::Long).string("KAR:FAM", 20);
    karta = disk.declare("KARTA", fields.build());
    karta->addKey("KAR:NUM_KEY", {"+KAR:NUM"}, storage::kKeyPrimary);
    createAndOpen(*karta);
    int number = 0;
    for (const char* surname : {"Иванов", "О'Брайен", "Петров", "Иваненко"}) {
      setLong(*karta, "KAR:NUM", ++number);
      setText(*karta, "KAR:FAM", ru(surname));
      ASSERT_EQ(call(storage::Operation::Add, *karta), 0);
    }
    manager.Init(&karta->file(), &errors);
    manager.FILENAMEVALUE = "KARTA";
    guard.Init(&manager, false);
    ASSERT_EQ(guard.Open(), kLevelBenign);
    view.Init(ViewDefinition{{}, {&karta->file()}}, &guard);
    view.RegisterSortOrder(karta->key("KAR:NUM_KEY"));
  }
  void TearDown() override {
    view.Kill();
    guard.Close();
    call(storage::Operation::Close, *karta);
    manager.Kill();
    ManagerTest::TearDown();
  }
  int selected(const char* expression, const char* picture, const std::string& equal) {
    QueryByExample query;
    query.AddItem(expression, "", picture);
    query.FIELDS[0].EQUAL = equal;
    view.SetFilter(query.GetFilter(), kQueryFilter);
    view.Reset();
    int rows = 0;
    while (view.Next() == kLevelBenign) ++rows;
    return rows;
  }

  testing::DiskStorage disk;
  std::unique_ptr<storage::DeclaredFile> karta;
  TableManager manager;
  RelationGuard guard;
  ViewManager view;
};

TEST_F(QueryOverFileTest, SelectsWhatWasAskedAndShowsAllWhenTheViewRefuses) {
  EXPECT_EQ(selected("KAR:FAM", "@s20", ru("О'Брайен")), 1);
  EXPECT_EQ(selected("KAR:FAM", "@s20", "*"), 4);
  EXPECT_EQ(selected("KAR:FAM", "@s20", ru("Иван*")), 2);
  EXPECT_EQ(selected("KAR:FAM", "@s20", ru("*нен*")), 1);
  EXPECT_EQ(selected("KAR:FAM", "@s20", std::string(QueryByExample::kValueWidth, '\'')), 0);
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(selected("KAR:NUM", "@n6", "abc"), 4);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].caption, "View Open Error");
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
