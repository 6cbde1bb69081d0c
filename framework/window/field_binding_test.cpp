// Values shown through pictures and read back from what a clerk types.
#include "framework/window/field_binding.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "runtime/values/field_value.h"

namespace veltrano::framework {
namespace {

using platform::ru;

TEST(FieldBinding, TypedTextIsReadThroughThePictureOrRefused) {
  runtime::RecordLayoutBuilder fields;
  fields.string("T:TEXT", 20).decimal("T:NUMBER", 9, 2).scalar("T:DATE", runtime::TypeCode::Date);
  fields.scalar("T:TIME", runtime::TypeCode::Time).scalar("T:LONG", runtime::TypeCode::Long);
  const runtime::RecordLayout layout = fields.build();
  std::vector<std::uint8_t> record(layout.size());
  struct Case {
    const char* field;
    const char* picture;
    const char* typed;
    const char* shown;  // null: refused
  };
  const Case cases[] = {
      {"T:NUMBER", "@n10.2", "1,234.5", "1,234.50"},
      {"T:NUMBER", "@n10.2", "1234,5", "12,345.00"},  // a comma groups under this picture
      {"T:NUMBER", "@n_8`2b", "1234.5", "1234,50"},   // the point stands for the comma
      {"T:NUMBER", "@n_8`2b", "", ""},
      {"T:NUMBER", "@n-10.2", "-5", "-5.00"},
      {"T:NUMBER", "@n10.2", "-5", nullptr},
      {"T:NUMBER", "@n6", "1234567", nullptr},
      {"T:NUMBER", "@n10.2", "12a", nullptr},
      {"T:DATE", "@d6.", "05.03.2001", "5.03.2001"},
      {"T:DATE", "@d6.", "5.3.01", "5.03.2001"},
      {"T:DATE", "@d6.", "29.02.2001", nullptr},
      {"T:DATE", "@d6.", "1.13.2001", nullptr},
      {"T:DATE", "@d6.", "", ""},
      {"T:DATE", "@d2", "3/7/1999", "3/07/1999"},
      {"T:DATE", "@d8", "5 MAR 2001", "5 MAR 2001"},
      {"T:TIME", "@t4", "13:05:00", "13:05:00"},
      {"T:TIME", "@t4", "25:00:00", nullptr},
      {"T:TEXT", "@P###-###-### ##P", "12345678901", "123-456-789 01"},
      {"T:TEXT", "@P###-###-### ##P", "123 456 789 01", "123-456-789 01"},
      {"T:TEXT", "@P###-###-### ##P", "123-456-789-01", "123-456-789 01"},
      {"T:TEXT", "@P###-###-### ##P", "1234567890", nullptr},
      {"T:TEXT", "@P###-###-### ##P", "123456789012", nullptr},
      {"T:TEXT", "@K^^-###K", "ab123", "AB-123"},
      {"T:TEXT", "@K^^-###K", "1b123", nullptr},
      {"T:LONG", "@P##-##P", "1234", "12-34"},
      {"T:TEXT", "@s20", "Иванов", "Иванов"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(std::string(test.picture) + " " + test.typed);
    runtime::clearRecord(layout, record);
    const FieldBinding binding =
        bindField(1, ui::ControlKind::kEntry, layout, record, test.field, test.picture);
    ASSERT_TRUE(binding.value.valid());
    const bool stored = storeShownText(binding, ru(test.typed));
    EXPECT_EQ(stored, test.shown != nullptr);
    if (stored) {
      EXPECT_EQ(shownText(binding), ru(test.shown));
    } else {
      EXPECT_TRUE(valueIsEmpty(binding)) << "a refused text leaves the field as it was";
    }
  }
}

}  // namespace
}  // namespace veltrano::framework
