#include "runtime/expr/evaluate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"
#include "runtime/datetime/environment.h"
#include "runtime/expr/expr_test_support.h"
#include "runtime/values/bfloat.h"
#include "runtime/values/decimal.h"
#include "runtime/values/value_stacks.h"

namespace veltrano::runtime {
namespace {

// A record of every evaluable type, bound field by field under the prefix "R:".
class RecordTest : public ExpressionTest {
 protected:
  void SetUp() override {
    ExpressionTest::SetUp();
    RecordLayoutBuilder builder;
    builder.scalar("R:BYTE", TypeCode::Byte)
        .scalar("R:SHORT", TypeCode::Short)
        .scalar("R:USHORT", TypeCode::Ushort)
        .scalar("R:LONG", TypeCode::Long)
        .scalar("R:ULONG", TypeCode::Ulong)
        .scalar("R:SREAL", TypeCode::Sreal)
        .scalar("R:REAL", TypeCode::Real)
        .scalar("R:BF4", TypeCode::Bfloat4)
        .scalar("R:BF8", TypeCode::Bfloat8)
        .decimal("R:DEC", 7, 2)
        .pdecimal("R:PDEC", 5, 1)
        .scalar("R:DATE", TypeCode::Date)
        .scalar("R:TIME", TypeCode::Time)
        .string("R:STR", 10)
        .cstring("R:CSTR", 6)
        .pstring("R:PSTR", 6)
        .scalar("R:ARR", TypeCode::Short)
        .dim({2, 3})
        .string("R:NAMES", 4)
        .dim({3});
    builder.beginGroup("R:GRP").string("R:G1", 2).string("R:G2", 2).endGroup();
    layout = builder.build();
    record.assign(layout.size(), 0);
    for (const auto& field : layout.fields()) {
      ASSERT_TRUE(bindVariable(field.name, field, record)) << field.name;
    }
  }

  std::span<std::uint8_t> bytes(std::string_view name) {
    const FieldDescriptor& field = layout.field(static_cast<std::size_t>(layout.find(name)));
    return std::span(record).subspan(field.offset, field.size);
  }
  template <typename T>
  void put(std::string_view name, T value, std::size_t element = 0) {
    std::memcpy(bytes(name).data() + element * sizeof value, &value, sizeof value);
  }
  void putText(std::string_view name, std::string_view text) {
    auto field = bytes(name);
    std::fill(field.begin(), field.end(), std::uint8_t{' '});
    std::memcpy(field.data(), text.data(), std::min(text.size(), field.size()));
  }

  RecordLayout layout;
  std::vector<std::uint8_t> record;
};

TEST_F(RecordTest, FieldsOfEveryTypeEvaluateFromTheBuffer) {
  put<std::uint8_t>("R:BYTE", 200);
  put<std::int16_t>("R:SHORT", -300);
  put<std::uint16_t>("R:USHORT", 60000);
  put<std::int32_t>("R:LONG", -70000);
  put<std::uint32_t>("R:ULONG", 4000000000u);
  put<float>("R:SREAL", 1.5f);
  put<double>("R:REAL", -2.25);
  bfloat4FromDouble(0.75, bytes("R:BF4"));
  bfloat8FromDouble(-12.5, bytes("R:BF8"));
  Decimal::fromText("-123.45").storePacked(bytes("R:DEC"), TypeCode::Decimal, 2, 7);
  Decimal::fromText("12.3").storePacked(bytes("R:PDEC"), TypeCode::Pdecimal, 1, 5);
  put<std::uint32_t>("R:DATE", packedFromDateSerial(80000));
  put<std::uint32_t>("R:TIME", packedFromTimeSerial(360001));
  EXPECT_EQ(eval("R:BYTE"), "200");
  EXPECT_EQ(eval("R:SHORT"), "-300");
  EXPECT_EQ(eval("R:USHORT"), "60000");
  EXPECT_EQ(eval("R:LONG"), "-70000");
  EXPECT_EQ(eval("R:ULONG"), "4000000000");
  EXPECT_EQ(eval("R:SREAL"), "1.5");
  EXPECT_EQ(eval("R:REAL"), "-2.25");
  EXPECT_EQ(eval("R:BF4"), "0.75");
  EXPECT_EQ(eval("R:BF8"), "-12.5");
  EXPECT_EQ(eval("R:DEC"), "-123.45");
  EXPECT_EQ(eval("R:DEC * 2"), "-246.9");
  EXPECT_EQ(eval("R:PDEC"), "12.3");
  EXPECT_EQ(eval("R:DATE"), "80000");
  EXPECT_EQ(eval("R:TIME"), "360001");
  EXPECT_EQ(eval("R:DATE + 1"), "80001");
}

TEST_F(RecordTest, DecimalFieldsKeepTheirPlacesWhereverTheyBecomeText) {
  Decimal::fromText("1.5").storePacked(bytes("R:DEC"), TypeCode::Decimal, 2, 7);
  Decimal::fromText("0.5").storePacked(bytes("R:PDEC"), TypeCode::Pdecimal, 1, 5);
  const struct {
    const char* expression;
    const char* text;
  } cases[] = {
      {"R:DEC & '|'", "1.50|"},  {"'=' & R:DEC", "=1.50"}, {"SUB(R:DEC,1,4)", "1.50"},
      {"CLIP(R:DEC)", "1.50"},   {"LEN(R:DEC)", "4"},      {"R:PDEC & ''", "0.5"},
      {"R:DEC + 0 & ''", "1.5"}, {"R:DEC = 1.5", "1"},     {"INSTRING('50',R:DEC,1,1)", "3"},
  };
  for (const auto& c : cases) EXPECT_EQ(eval(c.expression), c.text) << c.expression;
  // Only a value whose one digit is 0 loses its places.
  Decimal().storePacked(bytes("R:DEC"), TypeCode::Decimal, 2, 7);
  EXPECT_EQ(eval("R:DEC & '|'"), "0|");
}

TEST_F(RecordTest, StringFieldsReadInPlace) {
  putText("R:STR", "ABC");
  std::memcpy(bytes("R:CSTR").data(), "AB\0XYZ", 6);
  const std::uint8_t pstring[] = {2, 'P', 'Q', 'R', 'S', 'T'};
  std::memcpy(bytes("R:PSTR").data(), pstring, 6);
  putText("R:GRP", "wxyz");
  EXPECT_EQ(eval("R:STR"), "ABC       ");
  EXPECT_EQ(eval("R:CSTR"), "AB");
  EXPECT_EQ(eval("R:PSTR"), "PQ");
  EXPECT_EQ(eval("R:GRP"), "wxyz");
  EXPECT_EQ(eval("R:G2"), "yz");
  // A damaged PSTRING length byte reads no further than the field.
  bytes("R:PSTR")[0] = 250;
  EXPECT_EQ(eval("LEN(R:PSTR)"), "5");
  // A CSTRING without its NUL ends with the field.
  std::memcpy(bytes("R:CSTR").data(), "ABCDEF", 6);
  EXPECT_EQ(eval("R:CSTR"), "ABCDEF");
}

TEST_F(RecordTest, StringComparisonIgnoresTrailingBlanksAndFollowsCollation) {
  putText("R:STR", "ABC");
  EXPECT_EQ(eval("R:STR = 'ABC'"), "1");
  EXPECT_EQ(eval("R:STR = 'ABC   '"), "1");
  EXPECT_EQ(eval("R:STR < 'ABD'"), "1");
  EXPECT_EQ(eval("R:STR = 'abc'"), "0");
  // Under a collating sequence "b" sorts before "a".
  applyEnvironmentText("VESCOLSEQ=ba\r\n");
  EXPECT_EQ(eval("'a' > 'b'"), "1");
  EXPECT_EQ(eval("'a' < 'b'"), "0");
}

TEST_F(RecordTest, MixedComparisonsGoThroughReals) {
  // An empty date compared with '' — the idiom of "no date" in filters.
  EXPECT_EQ(eval("R:DATE = ''"), "1");
  put<std::uint32_t>("R:DATE", packedFromDateSerial(80000));
  EXPECT_EQ(eval("R:DATE = ''"), "0");
  EXPECT_EQ(eval("R:DATE = '80000'"), "1");
  EXPECT_EQ(eval("'10' = 10.0"), "1");
  EXPECT_EQ(eval("'10' > '9'"), "0");  // both strings: compared as text
}

TEST_F(RecordTest, SubscriptsAndSubstrings) {
  for (std::int16_t index = 0; index < 6; ++index)
    put<std::int16_t>("R:ARR", static_cast<std::int16_t>(10 + index), static_cast<std::size_t>(index));
  putText("R:NAMES", "AAAABBBBCCCC");
  putText("R:STR", "ABCDEFGHIJ");
  EXPECT_EQ(eval("R:ARR"), "10");
  EXPECT_EQ(eval("R:ARR[1, 1]"), "10");
  EXPECT_EQ(eval("R:ARR[2, 3]"), "15");
  EXPECT_EQ(eval("R:ARR[2]"), "13");  // first element of the second row
  EXPECT_EQ(eval("R:NAMES[2]"), "BBBB");
  EXPECT_EQ(eval("R:NAMES[3, 2:3]"), "CC");
  EXPECT_EQ(eval("R:STR[3]"), "C");
  EXPECT_EQ(eval("R:STR[2:4]"), "BCD");
  EXPECT_EQ(eval("R:STR[8:20]"), "HIJ");
  EXPECT_EQ(eval("R:STR[5:4]"), "");
  // Out of range: an empty or zero value, never a read outside the field.
  EXPECT_EQ(eval("R:ARR[3, 1]"), "0");
  EXPECT_EQ(eval("R:ARR[0, 1]"), "0");
  EXPECT_EQ(eval("R:NAMES[4]"), "");
  EXPECT_EQ(eval("R:STR[-5:2]"), "AB");
  EXPECT_FALSE(parses("R:LONG[1]"));
  EXPECT_FALSE(parses("R:ARR[1, 2, 3]"));
  EXPECT_FALSE(parses("R:ARR[1 : 2]"));
}

TEST_F(ExpressionTest, ArithmeticAndTypes) {
  EXPECT_EQ(eval("7 / 2"), "3.5");
  EXPECT_EQ(eval("7 % 3"), "1");
  EXPECT_EQ(eval("-7 % 3"), "-1");
  EXPECT_EQ(eval("7.5 % 2"), "1.5");
  EXPECT_EQ(eval("2 * 3 + 1"), "7");
  EXPECT_EQ(eval("'12' + 1"), "13");
  EXPECT_EQ(eval("'abc' + 1"), "1");
  EXPECT_EQ(eval("1 & 2 & 'x'"), "12x");
  // Integer results beyond 32 bits become reals rather than wrapping.
  EXPECT_EQ(eval("2000000000 + 2000000000"), "4000000000");
  EXPECT_EQ(eval("-(-2147483647 - 1)"), "2147483648");
  // Division and remainder by zero, and results that are not numbers, give 0.
  EXPECT_EQ(eval("1 / 0"), "0");
  EXPECT_EQ(eval("1 % 0"), "0");
  EXPECT_EQ(eval("5.5 % 0"), "0");
  EXPECT_EQ(eval("(-8) ^ 0.5"), "0");
  EXPECT_EQ(eval("10 ^ 400"), "0");
}

TEST_F(ExpressionTest, IntegerEvaluationTruncatesAndSaturates) {
  EXPECT_EQ(evaluateInteger(*parseExpression("7 / 2")), 3);
  EXPECT_EQ(evaluateInteger(*parseExpression("-7 / 2")), -3);
  EXPECT_EQ(evaluateInteger(*parseExpression("1e20")), 2147483647);
  EXPECT_EQ(evaluateInteger(*parseExpression("-1e20")), -2147483647 - 1);
  EXPECT_DOUBLE_EQ(evaluateReal(*parseExpression("'  12.5abc'")), 12.5);
}

TEST_F(ExpressionTest, RealComparisonToleratesRoundingNoise) {
  EXPECT_EQ(eval("0.1 + 0.2 = 0.3"), "1");
  EXPECT_EQ(eval("0.1 + 0.2 <> 0.3"), "0");
  EXPECT_EQ(eval("0.1 + 0.2 > 0.3"), "0");
  EXPECT_EQ(eval("1 = 1.0000001"), "0");
  EXPECT_EQ(eval("1000000 = 1000000.0000001"), "0");
  // Zero equals only zero.
  EXPECT_EQ(eval("0 = 0.0000000000000000001"), "0");
}

TEST_F(ExpressionTest, TruthValues) {
  for (const char* text : {"1", "-1", "0.5", "'x'", "' a '", "'0'"}) {
    NodePointer tree = parseExpression(text);
    EXPECT_TRUE(test(*tree)) << text;
  }
  for (const char* text : {"0", "0.0", "''", "'   '", "1 = 2"}) {
    NodePointer tree = parseExpression(text);
    EXPECT_FALSE(test(*tree)) << text;
  }
  EXPECT_EQ(eval("NOT '  '"), "1");
  EXPECT_EQ(eval("'a' AND 'b'"), "1");
}

TEST_F(ExpressionTest, LogicalOperatorsEvaluateBothOperands) {
  int calls = 0;
  ASSERT_TRUE(bindingScopes().bindProcedure("COUNTED", {ValueType::Integer}, ValueType::Integer,
                                            [&](std::span<const Value> arguments) {
                                              ++calls;
                                              return Value{std::get<std::int32_t>(arguments[0])};
                                            }));
  NodePointer tree = parseExpression("COUNTED(0) AND COUNTED(1) OR COUNTED(1) XOR COUNTED(0)");
  ASSERT_NE(tree, nullptr);
  EXPECT_TRUE(test(*tree));
  EXPECT_EQ(calls, 4);
  calls = 0;
  tree = parseExpression("NOT COUNTED(1) AND COUNTED(0)");
  EXPECT_FALSE(test(*tree));
  EXPECT_EQ(calls, 2);
}

TEST_F(ExpressionTest, ProceduresTakeConvertedArgumentsLastFirst) {
  std::vector<int> order;
  ASSERT_TRUE(bindingScopes().bindProcedure("JOIN3", {ValueType::String, ValueType::Integer, ValueType::Real},
                                            ValueType::String, [&](std::span<const Value> arguments) {
                                              return Value{
                                                  std::get<std::string>(arguments[0]) + "|" +
                                                  std::to_string(std::get<std::int32_t>(arguments[1])) + "|" +
                                                  std::to_string(std::get<double>(arguments[2]))};
                                            }));
  ASSERT_TRUE(bindingScopes().bindProcedure("MARK", {ValueType::Integer}, ValueType::Integer,
                                            [&](std::span<const Value> arguments) {
                                              order.push_back(std::get<std::int32_t>(arguments[0]));
                                              return Value{std::int32_t{0}};
                                            }));
  EXPECT_EQ(eval("JOIN3(12, '7.9', 2)"), "12|7|2.000000");
  EXPECT_EQ(eval("JOIN3('x')"), "x|0|0.000000");  // slots left out take empty values
  EXPECT_EQ(eval("JOIN3(MARK(1), MARK(2), MARK(3))"), "0|0|0.000000");
  EXPECT_EQ(order, (std::vector<int>{3, 2, 1}));
  EXPECT_FALSE(parses("JOIN3(1, 2, 3, 4)"));
}

TEST_F(ExpressionTest, MemoryStopsWithRuntimeError406) {
  NodePointer tree = parseExpression("1 + MEMORY(1)");
  ASSERT_NE(tree, nullptr);
  const RuntimeHalt halt = haltOf([&] { evaluateInteger(*tree); });
  EXPECT_EQ(halt.code, 406);
}

TEST_F(ExpressionTest, StringsPushOntoTheStringStack) {
  NodePointer tree = parseExpression("'a' & 1");
  pushEvaluatedString(*tree);
  EXPECT_EQ(stringStack().popCopy(), "a1");
}

TEST_F(ExpressionTest, CyrillicNamesFollowTheCaseTable) {
  applyEnvironmentText(
      platform::ru("VESCASE=АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ,абвгдежзийклмнопрстуфхцчшщъыьэюя\r\n"));
  std::int32_t value = 7;
  ASSERT_TRUE(bindVariable(platform::ru("КАР:Б"), value));
  EXPECT_EQ(eval(platform::ru("кар:б + 1")), "8");
}

}  // namespace
}  // namespace veltrano::runtime
