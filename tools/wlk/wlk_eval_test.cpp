// wlk eval from the outside: arguments in, text and exit status out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/datetime/calendar.h"
#include "tools/wlk/wlk_runner.h"

namespace {

using veltrano::wlk::testing::Outcome;
using veltrano::wlk::testing::runWlk;

Outcome eval(const std::vector<std::string>& arguments) {
  std::vector<std::string> command{"eval"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return runWlk(command);
}

TEST(WlkEval, PrintsValuesOfEachKind) {
  EXPECT_EQ(eval({"1+2*3"}).out, "7\n");
  EXPECT_EQ(eval({"7/2"}).out, "3.5\n");
  EXPECT_EQ(eval({"0.1 + 0.2 = 0.3"}).out, "1\n");
  EXPECT_EQ(eval({"'It''s' & '!'"}).out, "It's!\n");
  EXPECT_EQ(eval({"-2 ^ 2"}).out, "4\n");
  EXPECT_EQ(eval({"CHOOSE(5, 'a', 'b', 'c')"}).out, "c\n");
  const auto ok = eval({"INRANGE(5, 1, 5)"});
  EXPECT_EQ(ok.out, "1\n");
  EXPECT_EQ(ok.status, 0);
  EXPECT_TRUE(ok.err.empty());
}

TEST(WlkEval, BindsTypedVariables) {
  // A STRING keeps its trailing blanks; a DECIMAL rounds on assignment; dates are serials.
  EXPECT_EQ(eval({"--bind", "s", "STRING(5)", "ab", "s"}).out, "ab   \n");
  EXPECT_EQ(eval({"--bind", "s", "STRING(5)", "ABCDEFGH", "s"}).out, "ABCDE\n");
  EXPECT_EQ(eval({"--bind", "d", "DECIMAL(5,2)", "2.345", "d"}).out, "2.35\n");
  EXPECT_EQ(eval({"--bind", "d", "DECIMAL(5,2)", "123456", "d"}).out, "456.00\n");
  EXPECT_EQ(eval({"--bind", "KAR:DATR", "DATE", "80000", "KAR:DATR + 1"}).out, "80001\n");
  EXPECT_EQ(eval({"--bind", "n", "LONG", "40", "--bind", "m", "SHORT", "2", "n + m"}).out, "42\n");
  EXPECT_EQ(eval({"--bind", "s", "STRING(10)", "ABC", "s = 'ABC'"}).out, "1\n");
}

TEST(WlkEval, TodayOptionMovesTheClock) {
  const auto serial = veltrano::runtime::serialFromParts(2026, 1, 15);
  EXPECT_EQ(runWlk({"--today", "2026-01-15", "eval", "TODAY()"}).out, std::to_string(serial) + "\n");
  // The two-digit-year window follows the date given.
  EXPECT_EQ(runWlk({"--today", "2026-01-15", "eval", "YEAR(DEFORMAT('1/5/45', @D1))"}).out, "2045\n");
  EXPECT_EQ(runWlk({"--today", "2026-01-15", "eval", "YEAR(DEFORMAT('1/5/47', @D1))"}).out, "1947\n");
  EXPECT_EQ(runWlk({"--today", "2026-13-01", "eval", "1"}).status, 2);
}

TEST(WlkEval, RussianTextCrossesTheEdgesAsUtf8) {
  const auto upper = runWlk({"--env", VELTRANO_LOCALE_FILE, "eval", "UPPER('ёжик')"});
  EXPECT_EQ(upper.out, "ЁЖИК\n");
  EXPECT_EQ(runWlk({"--env", VELTRANO_LOCALE_FILE, "eval", "'Ёлкин' > 'Елин' AND 'Ёлкин' < 'Жуков'"}).out,
            "1\n");
  EXPECT_EQ(eval({"LEN('Иванов')"}).out, "6\n");
}

TEST(WlkEval, ParseErrorsExitTwoAndRuntimeErrorsExitOne) {
  const auto unparsed = eval({"(1 + 2"});
  EXPECT_EQ(unparsed.status, 2);
  EXPECT_TRUE(unparsed.out.empty());
  EXPECT_FALSE(unparsed.err.empty());
  EXPECT_EQ(eval({"nobody + 1"}).status, 2);  // an unbound name does not parse
  const auto runtime_error = eval({"MEMORY(1)"});
  EXPECT_EQ(runtime_error.status, 1);
  EXPECT_EQ(runtime_error.err.rfind("Error 406: ", 0), 0u) << runtime_error.err;
  EXPECT_EQ(eval({}).status, 2);
  EXPECT_EQ(eval({"--bind", "x", "WIDGET", "1", "x"}).status, 2);
}

}  // namespace
