#include "app/dictionary/application_globals.h"

#include <gtest/gtest.h>

#include "app/dictionary/dictionary_layout.h"
#include "app/dictionary/record_access.h"
#include "platform/codepage.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/expr/evaluate.h"
#include "runtime/expr/parser.h"

namespace veltrano::app {
namespace {

class GlobalsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime::charTables() = runtime::CharTables::defaults();
    runtime::bindingScopes().clear();
  }
  void TearDown() override { runtime::bindingScopes().clear(); }
  ApplicationGlobals globals;
};

// A child list of employee 100000 must show that employee's records, not employee 0's: the
// current employee number holds all seven digits of KAR:NUM.
TEST_F(GlobalsTest, ChildListFilterSelectsTheSevenDigitEmployee) {
  const auto layout = recordLayout(*findFileSpec("RABOTA"));
  std::vector<std::uint8_t> buffer(layout.size());
  RecordAccess rabota(layout, buffer);
  rabota.clearAll();
  ASSERT_TRUE(globals.bindAll());
  ASSERT_TRUE(runtime::bindVariable("RAB:NUM", rabota.field("RAB:NUM"), buffer));
  const auto filter = runtime::parseExpression("(RAB:num=numg)");
  ASSERT_NE(filter, nullptr);

  // Each employee against the one whose number a five-digit variable would have kept.
  const std::pair<std::int64_t, std::int64_t> cases[] = {{100000, 0}, {1234567, 34567}, {99999, 99998}};
  for (const auto& [employee, other] : cases) {
    globals.setNumg(employee);
    EXPECT_EQ(globals.numg(), employee);
    rabota.setInteger("RAB:NUM", employee);
    EXPECT_TRUE(runtime::test(*filter)) << employee;
    rabota.setInteger("RAB:NUM", other);
    EXPECT_FALSE(runtime::test(*filter)) << employee;
  }
}

TEST_F(GlobalsTest, FiltersReadTheGlobalsInPlaceByName) {
  ASSERT_TRUE(globals.bindAll());
  globals.setNumber("st1", 4);
  globals.setNumber("st2", 82);
  globals.setText("katg", platform::ru("Высшая"));
  const auto range = runtime::parseExpression("st1<=5 and 5<=st2 and katg='" + platform::ru("Высшая") + "'");
  ASSERT_NE(range, nullptr);
  EXPECT_TRUE(runtime::test(*range));
  globals.setNumber("st2", 4);  // changed after parsing: the tree reads the variable itself
  EXPECT_FALSE(runtime::test(*range));
  globals.setNumber("datag", 73000);
  const auto date = runtime::parseExpression("DATAG=73000");
  ASSERT_NE(date, nullptr);
  EXPECT_TRUE(runtime::test(*date));
}

TEST_F(GlobalsTest, TextIsCutToTheVariableAndUnknownNamesAreRefused) {
  EXPECT_TRUE(globals.setText("katg", std::string(30, 'x')));
  EXPECT_EQ(globals.text("katg"), std::string(20, 'x'));
  EXPECT_TRUE(globals.setText("datan", "2003"));
  EXPECT_EQ(globals.text("datan"), "2003");
  EXPECT_FALSE(globals.setNumber("nosuch", 1));
  EXPECT_FALSE(globals.setText("nosuch", "x"));
  EXPECT_EQ(globals.number("nosuch"), 0);
  EXPECT_EQ(globals.text("otdelenieg"), "");
  EXPECT_EQ(globals.number("numo"), 0);
}

}  // namespace
}  // namespace veltrano::app
