// Views over a storage file through the view manager: orders, the four kinds of range, named
// filters in id order, and what happens to a filter the view cannot take.
#include "framework/browse/view_manager.h"

#include "framework/window/window_test_support.h"

namespace veltrano::framework {
namespace {

using platform::ru;
using testing::StaffTable;
using Strings = std::vector<std::string>;

class ViewManagerTest : public testing::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    staff.add(
        {{"Петров", "ТЕР"}, {"Иванов", "ХИР"}, {"Сидоров", "ТЕР"}, {"О'Коннор", "ТЕР"}, {"Абрамов", "ХИР"}});
    ASSERT_EQ(staff.manager.Open(), kLevelBenign);
    view.Init(ViewDefinition{{}, {&staff.file->file()}}, &staff.guard);
  }
  void TearDown() override {
    view.Kill();
    staff.manager.Close();
    WindowTest::TearDown();
  }
  FieldRef field(const char* name) {
    return fieldOf(staff.file->layout(), staff.file->record(),
                   static_cast<std::size_t>(staff.file->layout().find(name)));
  }
  Strings surnames() {
    Strings read;
    view.Reset();
    while (view.Next() == kLevelBenign) read.push_back(staff.get("STF:FAM"));
    return read;
  }

  testing::DiskStorage disk;
  StaffTable staff{disk, errors};
  ViewManager view;
};

TEST_F(ViewManagerTest, RangesAndNamedFiltersMakeTheFilterText) {
  runtime::RecordLayoutBuilder variables;
  variables.string("OTDG", 10).string("LOW", 20).string("HIGH", 20);
  const runtime::RecordLayout layout = variables.build();
  std::vector<std::uint8_t> values(layout.size());
  runtime::storeText(layout.field(0), values, ru("тер"));
  runtime::storeText(layout.field(1), values, ru("И"));
  runtime::storeText(layout.field(2), values, ru("П"));

  const std::size_t by_department = view.RegisterSortOrder(staff.key("STF:OTD_KEY"));
  ASSERT_TRUE(view.RegisterRange(field("STF:OTD"), kLimitSingle, {fieldOf(layout, values, 0)}));
  view.SetFilter("STF:NUM > 1", "5 Standard");
  view.SetFilter("STF:NUM < 100", "3 Locator");
  EXPECT_EQ(view.FilterText(), ru("UPPER(STF:OTD) = 'ТЕР' AND (STF:NUM < 100) AND (STF:NUM > 1)"));
  EXPECT_EQ(surnames(), (Strings{"О'Коннор", "Сидоров"})) << "Петров is number 1";

  const std::size_t pair = view.RegisterSortOrder(staff.key("STF:FAM_KEY"));
  ASSERT_TRUE(view.RegisterRange(field("STF:FAM"), kLimitPair,
                                 {fieldOf(layout, values, 1), fieldOf(layout, values, 2)}));
  EXPECT_EQ(view.FilterText(), ru("UPPER(STF:FAM) >= 'И' AND (UPPER(STF:FAM) <= 'П')"));
  EXPECT_EQ(surnames(), (Strings{"Иванов", "О'Коннор"}));
  runtime::storeText(layout.field(2), values, ru("Пя"));
  EXPECT_TRUE(view.UseRange()) << "the upper bound moved";
  EXPECT_FALSE(view.UseRange());
  EXPECT_EQ(surnames(), (Strings{"Иванов", "О'Коннор", "Петров"}));

  view.RegisterSortOrder(staff.key("STF:FAM_KEY"));
  staff.set("STF:FAM", "О'Коннор");
  ASSERT_TRUE(view.RegisterRange(field("STF:FAM"), kLimitCurrent));
  EXPECT_EQ(view.FilterText(), ru("UPPER(STF:FAM) = 'О''КОННОР'")) << "the apostrophe doubled";
  EXPECT_EQ(surnames(), Strings{"О'Коннор"});
  EXPECT_FALSE(view.UseRange()) << "a current-value range keeps what it took";

  EXPECT_TRUE(view.SetSort(by_department));
  EXPECT_FALSE(view.SetSort(by_department));
  EXPECT_TRUE(view.SetSort(pair));
  view.SetFilter("", "5 Standard");
  EXPECT_EQ(surnames(), (Strings{"Иванов", "О'Коннор", "Петров"}));
}

TEST_F(ViewManagerTest, AFilterTheViewCannotTakeRaises40AndReadingGoesOnWithoutIt) {
  view.RegisterSortOrder(staff.key("STF:FAM_KEY"));
  for (const char* filter : {"STF:NUM > ", "NO:SUCH = 1"}) {
    SCOPED_TRACE(filter);
    engine.queueMessageBoxAnswer(ui::kButtonOk);
    view.SetFilter(filter, "9 - QBE");
    EXPECT_EQ(surnames().size(), 5u);
    view.SetFilter("", "9 - QBE");
  }
  ASSERT_EQ(boxes().size(), 2u);
  EXPECT_EQ(boxes()[0].caption, "View Open Error");
  EXPECT_EQ(
      boxes()[0].text,
      "Error: (Syntax Error in Filter (800)) attempting to open the current VIEW. Filter and Range Limits "
      "ignored.");
  EXPECT_EQ(boxes()[1].text,
            "Error: (No BIND on variable (801)) attempting to open the current VIEW. Filter and Range Limits "
            "ignored.");
}

class Every2nd : public ViewManager {
 public:
  int ValidateRecord() override { return ++seen == 4 ? 2 : seen % 2 == 0 ? 1 : 0; }
  int seen = 0;
};

TEST_F(ViewManagerTest, TheRecordHookTakesSkipsOrStops) {
  Every2nd hooked;
  hooked.Init(ViewDefinition{{}, {&staff.file->file()}}, &staff.guard);
  hooked.RegisterSortOrder(staff.key("STF:FAM_KEY"));
  hooked.Reset();
  Strings read;
  while (hooked.Next() == kLevelBenign) read.push_back(staff.get("STF:FAM"));
  EXPECT_EQ(read, (Strings{"Абрамов", "О'Коннор"}));
  hooked.Reset();
  hooked.seen = 0;
  EXPECT_EQ(hooked.Previous(), kLevelBenign);
  EXPECT_EQ(staff.get("STF:FAM"), "Сидоров");
  hooked.Kill();
}

}  // namespace
}  // namespace veltrano::framework
