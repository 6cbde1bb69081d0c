#include "runtime/values/field_value.h"

#include <gtest/gtest.h>

#include <vector>

#include "runtime/values/field_description.h"
#include "runtime/values/field_stack.h"
#include "runtime/values/halt_for_tests.h"
#include "runtime/values/value_stacks.h"

namespace veltrano::runtime {
namespace {

using Bytes = std::vector<std::uint8_t>;

class FieldValueTest : public testing::Test {
 protected:
  FieldValueTest() {
    RecordLayoutBuilder builder;
    builder.scalar("T:BYTE", TypeCode::Byte)
        .scalar("T:SHORT", TypeCode::Short)
        .scalar("T:USHORT", TypeCode::Ushort)
        .scalar("T:LONG", TypeCode::Long)
        .scalar("T:ULONG", TypeCode::Ulong)
        .scalar("T:SREAL", TypeCode::Sreal)
        .scalar("T:REAL", TypeCode::Real)
        .decimal("T:DEC", 5, 2)
        .pdecimal("T:PDEC", 5, 2)
        .scalar("T:BF4", TypeCode::Bfloat4)
        .scalar("T:BF8", TypeCode::Bfloat8)
        .scalar("T:DATE", TypeCode::Date)
        .scalar("T:TIME", TypeCode::Time)
        .string("T:STR", 5)
        .cstring("T:CSTR", 5)
        .pstring("T:PSTR", 5)
        .scalar("T:ARR", TypeCode::Short)
        .dim({3})
        .beginGroup("T:GRP")
        .string("T:G1", 2)
        .scalar("T:G2", TypeCode::Byte)
        .endGroup()
        .string("T:CODE", 4)
        .over("T:LONG");
    layout_ = builder.build();
    record_.assign(layout_.size(), 0xAA);
  }

  const FieldDescriptor& field(std::string_view name) const {
    return layout_.field(static_cast<std::size_t>(layout_.find(name)));
  }
  Bytes bytesOf(std::string_view name) const {
    const FieldDescriptor& f = field(name);
    return Bytes(record_.begin() + f.offset, record_.begin() + f.offset + f.size);
  }

  RecordLayout layout_;
  Bytes record_;
};

TEST_F(FieldValueTest, IntegersAreLittleEndianAndWrap) {
  storeInteger(field("T:SHORT"), record_, -2);
  EXPECT_EQ(bytesOf("T:SHORT"), (Bytes{0xFE, 0xFF}));
  storeInteger(field("T:LONG"), record_, 0x01020304);
  EXPECT_EQ(bytesOf("T:LONG"), (Bytes{0x04, 0x03, 0x02, 0x01}));
  storeReal(field("T:BYTE"), record_, 300);
  EXPECT_EQ(loadReal(field("T:BYTE"), record_), 44);
  storeText(field("T:USHORT"), record_, "65535");
  EXPECT_EQ(loadText(field("T:USHORT"), record_), "65535");
  storeInteger(field("T:ULONG"), record_, -1);
  EXPECT_EQ(loadReal(field("T:ULONG"), record_), 4294967295.0);
  EXPECT_EQ(loadDecimal(field("T:SHORT"), record_).toText(), "-2");
}

TEST_F(FieldValueTest, RealsStoreIntoIntegersThroughFifteenDigits) {
  storeReal(field("T:LONG"), record_, 2.3 * 100);  // 229.99999999999997
  EXPECT_EQ(loadReal(field("T:LONG"), record_), 230);
  storeReal(field("T:LONG"), record_, -7.9);
  EXPECT_EQ(loadReal(field("T:LONG"), record_), -7);
  storeDecimal(field("T:LONG"), record_, Decimal::fromText("-12.99"));
  EXPECT_EQ(loadText(field("T:LONG"), record_), "-12");
  storeReal(field("T:LONG"), record_, std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(loadReal(field("T:LONG"), record_), 0);
  storeReal(field("T:LONG"), record_, 1e30);  // wraps without undefined behaviour
  storeText(field("T:LONG"), record_, "  12.5abc");
  EXPECT_EQ(loadReal(field("T:LONG"), record_), 12);
  storeText(field("T:LONG"), record_, "abc");
  EXPECT_EQ(loadReal(field("T:LONG"), record_), 0);
}

TEST_F(FieldValueTest, FloatsKeepTheirEncodings) {
  storeReal(field("T:REAL"), record_, 1.5);
  EXPECT_EQ(bytesOf("T:REAL"), (Bytes{0, 0, 0, 0, 0, 0, 0xF8, 0x3F}));
  storeText(field("T:REAL"), record_, "  12.5abc");
  EXPECT_EQ(loadReal(field("T:REAL"), record_), 12.5);
  storeReal(field("T:SREAL"), record_, -2.0);
  EXPECT_EQ(bytesOf("T:SREAL"), (Bytes{0, 0, 0, 0xC0}));
  storeReal(field("T:SREAL"), record_, 1e300);  // clamped to the float range
  EXPECT_EQ(loadReal(field("T:SREAL"), record_), static_cast<double>(std::numeric_limits<float>::max()));
  storeDecimal(field("T:BF8"), record_, Decimal::fromText("0.3"));
  EXPECT_EQ(loadReal(field("T:BF8"), record_), 0.3);
  EXPECT_EQ(loadText(field("T:BF8"), record_), "0.3");
  storeReal(field("T:BF4"), record_, -1.5);
  EXPECT_EQ(bytesOf("T:BF4"), (Bytes{0, 0, 0xC0, 129}));
  // Bytes 6 and 7 zero read as zero whatever the rest holds.
  std::fill_n(record_.begin() + field("T:BF8").offset, 6, std::uint8_t{0x5A});
  record_[field("T:BF8").offset + 6] = 0;
  record_[field("T:BF8").offset + 7] = 0;
  EXPECT_EQ(loadReal(field("T:BF8"), record_), 0.0);
}

TEST_F(FieldValueTest, DecimalsRoundOnEveryKindOfStore) {
  storeText(field("T:DEC"), record_, "12.34");
  EXPECT_EQ(bytesOf("T:DEC"), (Bytes{0x00, 0x12, 0x34}));
  storeDecimal(field("T:PDEC"), record_, Decimal::fromText("-12.34"));
  EXPECT_EQ(bytesOf("T:PDEC"), (Bytes{0x01, 0x23, 0x4D}));
  storeReal(field("T:DEC"), record_, 2.345);  // 2.34499999… as a double, 2.345 in 15 digits
  EXPECT_EQ(bytesOf("T:DEC"), (Bytes{0x00, 0x02, 0x35}));
  storeReal(field("T:DEC"), record_, -2.345);
  EXPECT_EQ(bytesOf("T:DEC"), (Bytes{0xF0, 0x02, 0x35}));
  storeText(field("T:DEC"), record_, "2.344");
  EXPECT_EQ(bytesOf("T:DEC"), (Bytes{0x00, 0x02, 0x34}));
  storeInteger(field("T:DEC"), record_, 123456);
  EXPECT_EQ(bytesOf("T:DEC"), (Bytes{0x04, 0x56, 0x00}));
  EXPECT_EQ(loadText(field("T:DEC"), record_), "456.00");
  EXPECT_EQ(loadReal(field("T:DEC"), record_), 456.0);
}

TEST_F(FieldValueTest, DatesAndTimesTravelAsSerials) {
  storeInteger(field("T:DATE"), record_, 4);  // 1 January 1801
  EXPECT_EQ(bytesOf("T:DATE"), (Bytes{1, 1, 0x09, 0x07}));
  EXPECT_EQ(loadReal(field("T:DATE"), record_), 4);
  EXPECT_EQ(loadText(field("T:DATE"), record_), "4");
  storeText(field("T:TIME"), record_, "3600001");  // 10:00:00.00
  EXPECT_EQ(bytesOf("T:TIME"), (Bytes{0, 0, 0, 10}));
  EXPECT_EQ(loadDecimal(field("T:TIME"), record_).toText(), "3600001");
  storeReal(field("T:DATE"), record_, 1e12);  // no such serial: no date
  EXPECT_EQ(bytesOf("T:DATE"), (Bytes{0, 0, 0, 0}));
}

TEST_F(FieldValueTest, StringsAreCutPaddedAndReadBack) {
  storeText(field("T:STR"), record_, "ABCDEFGH");
  EXPECT_EQ(bytesOf("T:STR"), (Bytes{'A', 'B', 'C', 'D', 'E'}));
  storeText(field("T:CSTR"), record_, "ABCDEFGH");
  EXPECT_EQ(bytesOf("T:CSTR"), (Bytes{'A', 'B', 'C', 'D', 0}));
  storeText(field("T:PSTR"), record_, "ABCDEFGH");
  EXPECT_EQ(bytesOf("T:PSTR"), (Bytes{4, 'A', 'B', 'C', 'D'}));
  EXPECT_EQ(loadText(field("T:CSTR"), record_), "ABCD");
  EXPECT_EQ(loadText(field("T:PSTR"), record_), "ABCD");
  storeReal(field("T:STR"), record_, 0.1 + 0.2);
  EXPECT_EQ(loadText(field("T:STR"), record_), "0.3  ");
  EXPECT_EQ(loadReal(field("T:STR"), record_), 0.3);
  storeDecimal(field("T:STR"), record_, Decimal::fromText("-1.50"));
  EXPECT_EQ(stringView(field("T:STR"), record_), "-1.50");
  EXPECT_EQ(stringView(field("T:LONG"), record_), "");
}

TEST_F(FieldValueTest, AGroupIsOneStringOverItsMembers) {
  storeText(field("T:GRP"), record_, "XY");
  EXPECT_EQ(bytesOf("T:GRP"), (Bytes{'X', 'Y', ' '}));
  EXPECT_EQ(loadText(field("T:G1"), record_), "XY");
  EXPECT_EQ(loadReal(field("T:G2"), record_), 32);
  EXPECT_EQ(loadText(field("T:GRP"), record_), "XY ");
}

TEST_F(FieldValueTest, ArrayElementsAndOutOfRangeAccess) {
  storeInteger(field("T:ARR"), record_, 7, 2);
  storeInteger(field("T:ARR"), record_, 5, 0);
  EXPECT_EQ(loadReal(field("T:ARR"), record_, 2), 7);
  EXPECT_EQ(loadReal(field("T:ARR"), record_, 0), 5);
  const Bytes before = record_;
  storeInteger(field("T:ARR"), record_, 9, 3);  // past the last element
  EXPECT_EQ(record_, before);
  EXPECT_EQ(loadReal(field("T:ARR"), record_, 3), 0);
  const std::span<std::uint8_t> short_record(record_.data(), field("T:ARR").offset + 3);
  storeInteger(field("T:ARR"), short_record, 9, 1);  // the element runs past the buffer
  EXPECT_EQ(record_, before);
  EXPECT_EQ(loadText(field("T:ARR"), short_record, 1), "");
}

TEST_F(FieldValueTest, OverlayReadsTheSameBytesWithItsOwnType) {
  storeText(field("T:CODE"), record_, "ABCD");
  EXPECT_EQ(loadReal(field("T:LONG"), record_), static_cast<double>(0x44434241));
}

TEST_F(FieldValueTest, ClearRecordBlanksStringsAndZeroesTheRest) {
  clearRecord(layout_, record_);
  EXPECT_EQ(bytesOf("T:LONG"), Bytes(4, 0));
  EXPECT_EQ(bytesOf("T:REAL"), Bytes(8, 0));
  EXPECT_EQ(bytesOf("T:DEC"), Bytes(3, 0));
  EXPECT_EQ(bytesOf("T:PDEC"), (Bytes{0, 0, 0x0F}));
  EXPECT_EQ(bytesOf("T:STR"), Bytes(5, ' '));
  EXPECT_EQ(bytesOf("T:CSTR")[0], 0);
  EXPECT_EQ(bytesOf("T:PSTR")[0], 0);
  EXPECT_EQ(bytesOf("T:ARR"), Bytes(6, 0));
  // Group members by their own types, not the group as one string; the overlay untouched.
  EXPECT_EQ(bytesOf("T:GRP"), (Bytes{' ', ' ', 0}));
  EXPECT_EQ(bytesOf("T:CODE"), Bytes(4, 0));
}

TEST_F(FieldValueTest, ClearsToTheLimitsOfEachType) {
  clearField(field("T:LONG"), record_, 1);
  EXPECT_EQ(bytesOf("T:LONG"), (Bytes{0xFF, 0xFF, 0xFF, 0x7F}));
  clearField(field("T:LONG"), record_, -1);
  EXPECT_EQ(bytesOf("T:LONG"), (Bytes{0, 0, 0, 0x80}));
  clearField(field("T:DEC"), record_, 1);
  EXPECT_EQ(bytesOf("T:DEC"), (Bytes{0x09, 0x99, 0x99}));
  clearField(field("T:DEC"), record_, -1);
  EXPECT_EQ(bytesOf("T:DEC"), (Bytes{0xF9, 0x99, 0x99}));
  clearField(field("T:USHORT"), record_, -1);
  EXPECT_EQ(bytesOf("T:USHORT"), (Bytes{0, 0}));
  clearField(field("T:REAL"), record_, 1);
  EXPECT_EQ(loadReal(field("T:REAL"), record_), std::numeric_limits<double>::max());
  clearField(field("T:BF8"), record_, -1);
  EXPECT_LT(loadReal(field("T:BF8"), record_), -1e38);
  clearField(field("T:ARR"), record_, 1);
  EXPECT_EQ(bytesOf("T:ARR"), (Bytes{0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F}));
  clearField(field("T:STR"), record_, 1);
  EXPECT_EQ(bytesOf("T:STR"), Bytes(5, 0xFF));
  clearField(field("T:PSTR"), record_, -1);
  EXPECT_EQ(bytesOf("T:PSTR"), (Bytes{4, 0, 0, 0, 0}));
  clearField(layout_, static_cast<std::size_t>(layout_.find("T:GRP")), record_, 1);
  EXPECT_EQ(bytesOf("T:GRP"), (Bytes{0xFF, 0xFF, 0xFF}));
  clearField(field("T:GRP"), record_, 0);
  EXPECT_EQ(bytesOf("T:GRP"), Bytes(3, ' '));
}

TEST_F(FieldValueTest, ValuesPassThroughTheStacks) {
  stringStack().restore(nullptr);
  decimalStack().restore(nullptr);
  storeText(field("T:STR"), record_, "42");
  pushFieldText(field("T:STR"), record_);
  EXPECT_EQ(stringStack().top(), "42   ");
  popTextToField(field("T:LONG"), record_);
  EXPECT_EQ(loadReal(field("T:LONG"), record_), 42);
  storeText(field("T:DEC"), record_, "1.5");
  pushFieldDecimal(field("T:DEC"), record_);
  decimalStack().top() = decimalStack().top() * Decimal::fromInteger(3);
  popDecimalToField(field("T:PSTR"), record_);
  EXPECT_EQ(loadText(field("T:PSTR"), record_), "4.50");
  pushFieldText(field("T:PDEC"), record_);
  EXPECT_EQ(stringStack().popCopy(), loadText(field("T:PDEC"), record_));
  EXPECT_TRUE(stringStack().empty());

  FieldDescriptor memo;
  memo.type = TypeCode::Memo;
  memo.size = memo.element_size = 4;
  const RuntimeHalt halt = haltOf([&] { pushFieldText(memo, record_); });
  EXPECT_EQ(halt.code, 501);
  EXPECT_EQ(halt.text, "String Stack Error");
  EXPECT_TRUE(stringStack().empty());
}

TEST(FieldDescription, PrintsSizesPicturesDimensionsAndOverlays) {
  RecordLayoutBuilder builder;
  builder.decimal("K:SUM", 7, 2)
      .string("K:FAM", 20)
      .cstring("K:NAME", 20)
      .picture("@s20")
      .scalar("K:DAYS", TypeCode::Long)
      .dim({3, 4})
      .string("K:RAW", 4)
      .over("K:DAYS")
      .scalar("K:WHEN", TypeCode::Date);
  const RecordLayout layout = builder.build();
  EXPECT_EQ(describeFieldType(layout.field(0), layout), "DECIMAL(7,2)");
  EXPECT_EQ(describeFieldType(layout.field(1), layout), "STRING(20)");
  EXPECT_EQ(describeFieldType(layout.field(2), layout), "CSTRING(@s20)");
  EXPECT_EQ(describeFieldType(layout.field(3), layout), "LONG, DIM(3,4)");
  EXPECT_EQ(describeFieldType(layout.field(4), layout), "STRING(4), OVER(K:DAYS)");
  EXPECT_EQ(describeFieldType(layout.field(5), layout), "DATE");
  FieldDescriptor odd;
  odd.type = static_cast<TypeCode>(17);
  EXPECT_EQ(describeFieldType(odd, layout), "(17)");
  odd.type = static_cast<TypeCode>(99);
  EXPECT_EQ(describeFieldType(odd, layout), "UNKNOWN");
}

}  // namespace
}  // namespace veltrano::runtime
