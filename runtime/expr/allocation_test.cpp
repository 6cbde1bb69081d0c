// A parsed filter over bound fields is evaluated per record: it must not allocate.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "runtime/datetime/calendar.h"
#include "runtime/expr/expr_test_support.h"

namespace {
thread_local long allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
  ++allocations;
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}

namespace veltrano::runtime {
namespace {

using AllocationTest = ExpressionTest;

TEST_F(AllocationTest, FilterOverBoundFieldsDoesNotAllocate) {
  RecordLayoutBuilder builder;
  builder.string("KAR:FAM", 20)
      .scalar("KAR:DATA_UVOL", TypeCode::Date)
      .scalar("KAR:SOVMESTITEL", TypeCode::Byte)
      .scalar("KAR:STR", TypeCode::Long);
  const RecordLayout layout = builder.build();
  std::vector<std::uint8_t> record(layout.size(), ' ');
  for (const auto& field : layout.fields()) ASSERT_TRUE(bindVariable(field.name, field, record));
  std::int32_t st1 = 100, st2 = 500;
  bindVariable("st1", st1);
  bindVariable("st2", st2);
  const NodePointer filter =
      parseExpression("(KAR:data_uvol='' and KAR:sovmestitel=0 and KAR:str>=st1 and KAR:str<=st2)");
  const NodePointer names = parseExpression("KAR:FAM = 'Ivanov' and KAR:FAM >= 'A' and KAR:FAM[1:3] = 'Iva'");
  ASSERT_NE(filter, nullptr);
  ASSERT_NE(names, nullptr);
  std::memcpy(record.data(), "Ivanov", 6);
  record[layout.field(2).offset] = 0;
  std::memset(record.data() + layout.field(1).offset, 0, 4);
  int kept = 0;
  const long before = allocations;
  for (std::int32_t str = 0; str < 1000; ++str) {
    std::memcpy(record.data() + layout.field(3).offset, &str, 4);
    kept += test(*filter) ? 1 : 0;
    kept += test(*names) ? 1 : 0;
  }
  EXPECT_EQ(allocations - before, 0);
  EXPECT_EQ(kept, 401 + 1000);
}

}  // namespace
}  // namespace veltrano::runtime
