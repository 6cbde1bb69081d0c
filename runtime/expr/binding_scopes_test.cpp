#include "runtime/expr/binding_scopes.h"

#include <gtest/gtest.h>

#include "runtime/expr/expr_test_support.h"

namespace veltrano::runtime {
namespace {

using ScopeTest = ExpressionTest;

TEST_F(ScopeTest, PrefixedNamesAreOneNameLookedUpWithoutCase) {
  std::int32_t number = 5;
  ASSERT_TRUE(bindVariable("KAR:NUM", number));
  EXPECT_EQ(eval("kar:num * 2"), "10");
  EXPECT_EQ(eval("Kar:Num"), "5");
  EXPECT_FALSE(parses("KAR"));
  EXPECT_FALSE(parses("NUM"));
}

TEST_F(ScopeTest, BindRejectsBadNamesAndFields) {
  std::int32_t number = 0;
  for (const char* name : {"", "a b", "a-b", "a$", "AND", "or", "Upper", "TODAY"}) {
    EXPECT_FALSE(bindVariable(name, number)) << name;
  }
  EXPECT_TRUE(bindVariable(std::string(99, 'x'), number));
  EXPECT_FALSE(bindVariable(std::string(100, 'x'), number));
  std::vector<std::uint8_t> record(4);
  FieldDescriptor field;
  field.type = TypeCode::Long;
  field.offset = 2;
  field.size = field.element_size = 4;
  EXPECT_FALSE(bindVariable("OUTSIDE", field, record));  // runs past the buffer
  field.offset = 0;
  field.size = field.element_size = 2;
  EXPECT_FALSE(bindVariable("NARROW", field, record));  // a LONG of two bytes
  field.type = TypeCode::Memo;
  EXPECT_FALSE(bindVariable("MEMO", field, record));
  field.type = TypeCode::String;
  field.size = field.element_size = 4;
  EXPECT_TRUE(bindVariable("TEXT", field, record));
}

TEST_F(ScopeTest, RebindingReplacesTheVariable) {
  std::int32_t first = 1, second = 2;
  bindVariable("V", first);
  bindVariable("V", second);
  EXPECT_EQ(eval("V"), "2");
}

TEST_F(ScopeTest, PushedScopesShadowAndHide) {
  std::int32_t outer = 1, inner = 2, other = 3;
  bindVariable("V", outer);
  bindVariable("W", other);
  pushScope(true);
  EXPECT_EQ(eval("V + W"), "4");  // outer names stay visible
  bindVariable("V", inner);
  EXPECT_EQ(eval("V"), "2");
  pushScope(false);
  EXPECT_FALSE(parses("V"));           // hidden below this scope
  EXPECT_EQ(eval("UPPER('a')"), "A");  // built-ins stay everywhere
  popScope();
  EXPECT_EQ(eval("V"), "2");
  popScope();
  EXPECT_EQ(eval("V"), "1");
  EXPECT_EQ(bindingScopes().depth(), 0u);
}

TEST_F(ScopeTest, PoppedBindingsAreFreedButTreesStaySafe) {
  std::int32_t value = 9;
  pushScope(true);
  bindVariable("TEMP", value);
  NodePointer tree = parseExpression("TEMP + 1");
  popScope();
  EXPECT_FALSE(parses("TEMP"));
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(evaluateInteger(*tree), 10);
}

TEST_F(ScopeTest, PopWithoutPushStopsWithRuntimeError802) {
  const RuntimeHalt halt = haltOf([] { popScope(); });
  EXPECT_EQ(halt.code, 802);
  EXPECT_EQ(halt.text, "Mismatched PUSHSCOPE/POPSCOPE");
  pushScope(true);
  EXPECT_EQ(haltOf([] { popScope(); }).code, 0);
  EXPECT_EQ(haltOf([] { popScope(); }).code, 802);
}

}  // namespace
}  // namespace veltrano::runtime
