#include "framework/report/process_manager.h"

#include <gtest/gtest.h>

#include "framework/browse/step_objects.h"
#include "framework/window/window_test_support.h"

namespace veltrano::framework {
namespace {

using testing::StaffTable;

class ProcessManagerTest : public testing::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    staff.add({{"Абрамов", "ТЕР"},
               {"Борисов", "ХИР"},
               {"Васильев", "ТЕР"},
               {"Григорьев", "ХИР"},
               {"Дёмин", "ТЕР"}});
    ASSERT_EQ(staff.manager.Open(), kLevelBenign);
    ASSERT_EQ(colleagues.manager.Open(), kLevelBenign);
  }
  void TearDown() override {
    process.Kill();
    children.Kill();
    colleagues.manager.Close();
    staff.manager.Close();
    WindowTest::TearDown();
  }

  testing::DiskStorage disk;
  StaffTable staff{disk, errors};
  StaffTable colleagues{disk, errors};  // the same file through a buffer of its own
  ProcessManager process;
  ViewManager children;
};

TEST_F(ProcessManagerTest, ReadsChildViewsDepthFirstAndCountsTopLevelRecords) {
  // The heads of the departments (numbers 1 and 2), each followed by the colleagues of their
  // department: the child view is limited to the head's department again for every head.
  process.Init(ViewDefinition{{}, {&staff.file->file()}}, &staff.guard);
  process.RegisterSortOrder(staff.key("STF:NUM_KEY"));
  process.SetFilter("STF:NUM <= 2");
  children.Init(ViewDefinition{{}, {&colleagues.file->file()}}, &colleagues.guard);
  children.RegisterSortOrder(colleagues.key("STF:OTD_KEY"));
  auto field = [](StaffTable& table, const char* name) {
    return fieldOf(table.file->layout(), table.file->record(),
                   static_cast<std::size_t>(table.file->layout().find(name)));
  };
  ASSERT_TRUE(children.RegisterRange(field(colleagues, "STF:OTD"), kLimitFile, {field(staff, "STF:OTD")}));
  process.CHILDREN.push_back(&children);

  process.Reset();
  EXPECT_EQ(process.RECORDSTOPROCESS, 5);
  std::vector<std::string> read;
  std::vector<int> percentages;
  while (process.Next() == kLevelBenign) {
    read.push_back(std::to_string(process.CHILDREAD) + " " +
                   (process.CHILDREAD == 0 ? staff.get("STF:FAM") : colleagues.get("STF:FAM")));
    percentages.push_back(process.Percentage());
  }
  EXPECT_EQ(read, (std::vector<std::string>{"0 Абрамов", "1 Абрамов", "1 Васильев", "1 Дёмин", "0 Борисов",
                                            "1 Борисов", "1 Григорьев"}));
  EXPECT_EQ(process.RECORDSPROCESSED, 2) << "child records are not counted";
  EXPECT_EQ(percentages, (std::vector<int>{20, 20, 20, 20, 40, 40, 40}));

  // With a step object over the number, the progress is where the number stands between the
  // first and the last head's (1 and 2).
  NumericStep step;
  process.STEPMGR = &step;
  process.VALUEFIELD = field(staff, "STF:NUM");
  process.Reset();
  percentages.clear();
  while (process.Next() == kLevelBenign) {
    if (process.CHILDREAD == 0) percentages.push_back(process.Percentage());
  }
  EXPECT_EQ(percentages, (std::vector<int>{1, 100}));
}

}  // namespace
}  // namespace veltrano::framework
