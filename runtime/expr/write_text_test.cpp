#include "runtime/expr/write_text.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "runtime/expr/expr_test_support.h"
#include "runtime/expr/tree_walk.h"

namespace veltrano::runtime {
namespace {

class WriteTextTest : public ExpressionTest {
 protected:
  void SetUp() override {
    ExpressionTest::SetUp();
    FieldDescriptor field;
    field.type = TypeCode::String;
    field.size = field.element_size = 10;
    bindVariable("KAR:FAM", field, fam, &fam);
    field.type = TypeCode::Long;
    field.size = field.element_size = 4;
    bindVariable("KAR:NUM", field, num, &num);
    field.offset = 0;
    bindVariable("OTD:NUM", field, otd, &otd);
  }
  static std::string written(std::string_view text) {
    NodePointer tree = parseExpression(text);
    return tree ? writeExpression(*tree) : "<no parse>";
  }
  std::array<std::uint8_t, 10> fam{};
  std::array<std::uint8_t, 4> num{};
  std::array<std::uint8_t, 4> otd{};
};

TEST_F(WriteTextTest, OperatorsCallsAndConstants) {
  EXPECT_EQ(written("kar:num+1*2"), "KAR:NUM + 1 * 2");
  EXPECT_EQ(written("KAR:FAM='O''Hara' and not kar:num<>2"), "KAR:FAM = 'O''Hara' AND NOT KAR:NUM <> 2");
  EXPECT_EQ(written("'a'&'b'"), "'a' & 'b'");
  EXPECT_EQ(written("UPPER(KAR:FAM)"), "UPPER(KAR:FAM)");
  EXPECT_EQ(written("INSTRING('a',KAR:FAM)"), "INSTRING('a', KAR:FAM)");
  EXPECT_EQ(written("INSTRING('a',KAR:FAM,,3)"), "INSTRING('a', KAR:FAM, , 3)");
  EXPECT_EQ(written("TODAY"), "TODAY()");
  EXPECT_EQ(written("KAR:FAM[2:3]"), "KAR:FAM[2 : 3]");
  EXPECT_EQ(written("1.5 % 2 ^ 3 XOR 0"), "1.5 % 2 ^ 3 XOR 0");
  EXPECT_EQ(written("FORMAT(1,@n5)"), "FORMAT(1, @n5)");
  EXPECT_EQ(written("-(1+2)"), "-(1 + 2)");
  EXPECT_EQ(written("NOT (1 AND 0)"), "NOT (1 AND 0)");
}

TEST_F(WriteTextTest, WrittenTextParsesBackToTheSameValue) {
  for (const char* text :
       {"(1 - 2) - (3 - 4)", "2 ^ (3 ^ 2)", "(2 ^ 3) ^ 2", "-2 ^ 2", "-(2 ^ 2)", "1 < (2 < 3)",
        "(1 OR 0) AND 0", "'a' & ('b' & 'c')", "(1 + 2) & 3", "NOT (1 = 1) = 0"}) {
    NodePointer tree = parseExpression(text);
    ASSERT_NE(tree, nullptr) << text;
    const std::string again = writeExpression(*tree);
    NodePointer reparsed = parseExpression(again);
    ASSERT_NE(reparsed, nullptr) << again;
    EXPECT_EQ(evaluateString(*reparsed), evaluateString(*tree)) << text << " -> " << again;
    EXPECT_EQ(writeExpression(*reparsed), again);
  }
}

TEST_F(WriteTextTest, LikeAndIsNullRewrites) {
  EXPECT_EQ(written("SUB(KAR:FAM, 1, 3) = 'Iva'"), "KAR:FAM LIKE 'Iva%'");
  EXPECT_EQ(written("SUB(KAR:FAM, 1, 2) = 'O'''"), "KAR:FAM LIKE 'O''%'");
  // The length must be the text's, and the start 1.
  EXPECT_EQ(written("SUB(KAR:FAM, 1, 4) = 'Iva'"), "SUB(KAR:FAM, 1, 4) = 'Iva'");
  EXPECT_EQ(written("SUB(KAR:FAM, 2, 3) = 'Iva'"), "SUB(KAR:FAM, 2, 3) = 'Iva'");
  EXPECT_EQ(written("INSTRING('van', KAR:FAM, 1, 1) <> 0"), "KAR:FAM LIKE '%van%'");
  EXPECT_EQ(written("INSTRING('van', KAR:FAM, 1, 1) = 0"), "INSTRING('van', KAR:FAM, 1, 1) = 0");
  EXPECT_EQ(written("INSTRING('van', KAR:FAM) <> 0"), "INSTRING('van', KAR:FAM) <> 0");
  EXPECT_EQ(written("NULL(KAR:NUM) = 1"), "KAR:NUM IS NULL ");
  EXPECT_EQ(written("NULL(KAR:NUM) = 0"), "KAR:NUM IS NOT NULL ");
  EXPECT_EQ(written("NULL(KAR:NUM) <> 0"), "KAR:NUM IS NULL ");
  EXPECT_EQ(written("NULL(KAR:NUM) <> 1"), "KAR:NUM IS NOT NULL ");
  EXPECT_EQ(written("NULL(KAR:NUM) = 2"), "NULL(KAR:NUM) = 2");
  EXPECT_EQ(written("NULL(KAR:NUM) = 1 AND SUB(KAR:FAM,1,1)='A'"), "KAR:NUM IS NULL  AND KAR:FAM LIKE 'A%'");
}

TEST_F(WriteTextTest, OrderComponents) {
  NodePointer tree = parseExpression("UPPER(KAR:FAM)");
  EXPECT_EQ(writeOrderComponent(*tree, true), "UPPER(KAR:FAM) DESC");
  EXPECT_EQ(writeOrderComponent(*tree, false), "UPPER(KAR:FAM)");
}

TEST_F(WriteTextTest, ConjunctsAndTheirVariables) {
  NodePointer tree =
      parseExpression("(KAR:NUM = 1 AND (OTD:NUM = 2 OR KAR:NUM = 3)) AND (KAR:FAM = '' AND 1)");
  ASSERT_NE(tree, nullptr);
  const auto parts = conjuncts(*tree);
  ASSERT_EQ(parts.size(), 4u);
  EXPECT_EQ(writeExpression(*parts[1]), "OTD:NUM = 2 OR KAR:NUM = 3");
  std::vector<const void*> owners;
  forEachVariable(*parts[1], [&](const VariableBinding& binding) { owners.push_back(binding.owner); });
  EXPECT_EQ(owners, (std::vector<const void*>{&otd, &num}));
  owners.clear();
  forEachVariable(*parts[3], [&](const VariableBinding& binding) { owners.push_back(binding.owner); });
  EXPECT_TRUE(owners.empty());

  auto owned = splitConjuncts(std::move(tree));
  ASSERT_EQ(owned.size(), 4u);
  EXPECT_EQ(writeExpression(*owned[2]), "KAR:FAM = ''");
  NodePointer joined = joinConjuncts(std::move(owned));
  EXPECT_EQ(writeExpression(*joined), "KAR:NUM = 1 AND (OTD:NUM = 2 OR KAR:NUM = 3) AND KAR:FAM = '' AND 1");
  EXPECT_EQ(joinConjuncts({}), nullptr);
}

TEST_F(WriteTextTest, BuiltLinksCompareAndUpperCase) {
  auto find = [](std::string_view name) { return bindingScopes().find(name)->variable; };
  NodePointer link =
      makeEquality(makeUpper(makeVariableNode(find("KAR:FAM"))), makeUpper(makeStringConstant("ivanov")));
  EXPECT_EQ(writeExpression(*link), "UPPER(KAR:FAM) = UPPER('ivanov')");
  std::memcpy(fam.data(), "IvAnOv    ", 10);
  EXPECT_TRUE(test(*link));
  NodePointer copy = cloneTree(*link);
  std::memcpy(fam.data(), "Petrov    ", 10);
  EXPECT_FALSE(test(*copy));
  EXPECT_FALSE(callsProcedure(*copy));
  bindingScopes().bindProcedure("P", {}, ValueType::Integer,
                                [](std::span<const Value>) { return Value{std::int32_t{1}}; });
  EXPECT_TRUE(callsProcedure(*parseExpression("1 + P()")));
}

}  // namespace
}  // namespace veltrano::runtime
