#include "runtime/expr/parser.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/expr/expr_test_support.h"
#include "runtime/expr/write_text.h"

namespace veltrano::runtime {
namespace {

class ParserTest : public ExpressionTest {
 protected:
  void SetUp() override {
    ExpressionTest::SetUp();
    for (auto* variable : {&a, &b, &c}) *variable = 0;
    bindVariable("a", a);
    bindVariable("b", b);
    bindVariable("c", c);
  }
  // The tree of a text written back fully parenthesised by the writer's rules.
  static std::string shape(std::string_view text) {
    NodePointer tree = parseExpression(text);
    return tree ? writeExpression(*tree) : "<no parse>";
  }
  std::int32_t a = 0, b = 0, c = 0;
};

TEST_F(ParserTest, PrecedenceAndLeftAssociativity) {
  EXPECT_EQ(shape("a + b * c ^ 2"), "a + b * c ^ 2");
  EXPECT_EQ(shape("(a + b) * c"), "(a + b) * c");
  EXPECT_EQ(shape("a - (b - c)"), "a - (b - c)");
  EXPECT_EQ(shape("a - b - c"), "a - b - c");
  EXPECT_EQ(shape("NOT a = b"), "NOT a = b");
  EXPECT_EQ(shape("a = 1 OR b = 2 AND c = 3"), "a = 1 OR b = 2 AND c = 3");
  EXPECT_EQ(shape("(a = 1 OR b = 2) AND c = 3"), "(a = 1 OR b = 2) AND c = 3");
  a = 5, b = 3, c = 2;
  EXPECT_EQ(eval("a - b - c"), "0");
  EXPECT_EQ(eval("a + b * c ^ 2"), "17");
  // a = 1 OR (b = 2 AND c = 3): true through the left side alone.
  a = 1, b = 0, c = 0;
  EXPECT_EQ(eval("a = 1 OR b = 2 AND c = 3"), "1");
  EXPECT_EQ(eval("NOT a = 2"), "1");
}

TEST_F(ParserTest, SignBindsTighterThanPowerAndPowersGroupFromTheLeft) {
  EXPECT_EQ(eval("-2 ^ 2"), "4");
  EXPECT_EQ(eval("2 ^ 3 ^ 2"), "64");
  EXPECT_EQ(eval("+3"), "3");
}

TEST_F(ParserTest, ComparisonChainComparesTheTruthValue) {
  a = 5, b = 3, c = 2;
  // (5 < 3) is 0, and 0 < 2.
  EXPECT_EQ(eval("a < b < c"), "1");
  EXPECT_EQ(eval("c < b < a"), "1");
  EXPECT_EQ(eval("a > b > c"), "0");  // (5 > 3) is 1, and 1 > 2 fails
}

TEST_F(ParserTest, TwoCharacterComparisonForms) {
  a = 2, b = 3;
  for (const char* text : {"a <> b", "a ~= b", "a <= b", "a =< b", "a ~> b", "a < b"}) {
    EXPECT_EQ(eval(text), "1") << text;
  }
  for (const char* text : {"a >= b", "a => b", "a ~< b", "a = b", "a > b"}) {
    EXPECT_EQ(eval(text), "0") << text;
  }
  EXPECT_EQ(eval("~ a = b"), "1");
  EXPECT_EQ(eval("a<-1"), "0");  // "<" then a negative operand, not a merged form
}

TEST_F(ParserTest, KeywordsAreCaseInsensitiveAndNotOperands) {
  EXPECT_EQ(eval("1 and 1 oR 0"), "1");
  EXPECT_EQ(eval("1 xor 1"), "0");
  EXPECT_FALSE(parses("and"));
  EXPECT_FALSE(parses("1 and"));
  EXPECT_FALSE(parses("NOT NOT 1"));  // one NOT per negation
}

TEST_F(ParserTest, SyntaxErrorsFailTheWholeParse) {
  for (const char* text : {"(a", "a)", "a +", "", "'abc", "a $ b", "a b", "[a]", "a[1]", "UPPER('a'",
                           "SUB('abc', 1, 2, 3)", "1.2.3", "a ~ b", "@p##", "a = = b", "."}) {
    ParseError error;
    EXPECT_EQ(parseExpression(text, &error), nullptr) << text;
  }
  EXPECT_TRUE(parses("((a))"));
}

TEST_F(ParserTest, ErrorReportsWhereTheParseStopped) {
  ParseError error;
  EXPECT_EQ(parseExpression("a + ) b", &error), nullptr);
  EXPECT_EQ(error.position, 4u);
}

TEST_F(ParserTest, UnboundNamePostsErrorEightHundredOne) {
  ParseError error;
  EXPECT_EQ(parseExpression("a + nosuch", &error), nullptr);
  EXPECT_EQ(errorCode(), 801);
  EXPECT_EQ(errorState().text, "No BIND on variable");
  clearErrors();
  EXPECT_EQ(parseExpression("a +"), nullptr);
  EXPECT_EQ(errorCode(), 0);  // a plain syntax error posts nothing
}

TEST_F(ParserTest, Numbers) {
  EXPECT_EQ(eval("12"), "12");
  EXPECT_EQ(eval(".5 + 1"), "1.5");
  EXPECT_EQ(eval("5."), "5");
  EXPECT_EQ(eval("1.5e2"), "150");
  EXPECT_EQ(eval("15E-1"), "1.5");
  EXPECT_EQ(eval("2147483647"), "2147483647");
  // Too large for 32 bits: a real constant, not a wrapped integer.
  EXPECT_EQ(eval("3000000000"), "3000000000");
  EXPECT_FALSE(parses("1e999"));
}

TEST_F(ParserTest, StringsAndPictures) {
  EXPECT_EQ(eval("'It''s'"), "It's");
  EXPECT_EQ(eval("''''"), "'");
  EXPECT_EQ(eval("''"), "");
  EXPECT_EQ(eval("@n_5.2b"), "@n_5.2b");
  NodePointer tree = parseExpression("FORMAT(1, @n~ (x, y)~9)");
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(tree->operands[1]->text, "@n~ (x, y)~9");
  tree = parseExpression("FORMAT(1, @P(###) ##P)");
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(tree->operands[1]->text, "@P(###) ##P");
  tree = parseExpression("FORMAT(1, @d(6))");
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(tree->operands[1]->text, "@d(6)");
}

TEST_F(ParserTest, ArgumentsUpToTheArityWithEmptySlots) {
  NodePointer tree = parseExpression("INSTRING('b', 'abc')");
  ASSERT_NE(tree, nullptr);
  ASSERT_EQ(tree->operands.size(), 4u);
  EXPECT_EQ(tree->operands[2], nullptr);
  EXPECT_EQ(eval("INSTRING('c', 'abcabc', , 4)"), "6");
  EXPECT_EQ(eval("TODAY"), eval("TODAY()"));
  EXPECT_EQ(eval("CHOOSE(2, 'a', 'b', 'c', 'd', 'e')"), "b");
}

TEST_F(ParserTest, DeepNestingFailsInsteadOfOverflowing) {
  EXPECT_TRUE(parses(std::string(50, '(') + "1" + std::string(50, ')')));
  EXPECT_FALSE(parses(std::string(100000, '(') + "1" + std::string(100000, ')')));
  std::string chain = "1";
  for (int index = 0; index < 100000; ++index) chain += "+1";
  EXPECT_FALSE(parses(chain));
  std::string calls;
  for (int index = 0; index < 5000; ++index) calls += "ABS(";
  EXPECT_FALSE(parses(calls + "1" + std::string(5000, ')')));
  std::string moderate = "1";
  for (int index = 0; index < 300; ++index) moderate += " and 1";
  EXPECT_EQ(eval(moderate), "1");
  // A flat list is no nesting, however long: 5000 alternatives parse, evaluate in order and
  // write back as the list they were.
  std::string alternatives = "a = 0";
  for (int index = 1; index < 5000; ++index) alternatives += " OR a = " + std::to_string(index);
  a = 4999;
  EXPECT_EQ(eval(alternatives), "1");
  EXPECT_EQ(shape(alternatives), alternatives);
  EXPECT_EQ(shape("a = 1 OR b = 2 XOR c = 3 OR a = 4"), "a = 1 OR b = 2 XOR c = 3 OR a = 4");
  EXPECT_EQ(shape("a OR (b XOR c)"), "a OR (b XOR c)");
}

}  // namespace
}  // namespace veltrano::runtime
