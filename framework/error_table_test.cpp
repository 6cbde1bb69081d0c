#include "framework/error_table.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/codepage.h"

namespace veltrano::framework {
namespace {

TEST(ErrorTable, BuiltInTableHasThirtyNineEntriesInStoredOrder) {
  const auto entries = parseErrorTable(builtInErrorTable());
  ASSERT_TRUE(entries.has_value());
  ASSERT_EQ(entries->size(), 39u);
  const std::vector<MessageId> order{27, 26, 10, 24, 17, 18, 16, 14, 31, 30, 4,  6,  7,
                                     34, 33, 20, 38, 12, 8,  13, 32, 19, 36, 37, 23, 25,
                                     11, 9,  35, 21, 1,  40, 3,  28, 5,  15, 22, 2,  39};
  std::set<MessageId> distinct;
  for (std::size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ((*entries)[i].id, order[i]) << "entry " << i + 1;
    distinct.insert((*entries)[i].id);
  }
  EXPECT_EQ(distinct.size(), 39u);
}

TEST(ErrorTable, BuiltInLevelsTitlesAndRussianTextsAreCodePage1251) {
  const auto entries = parseErrorTable(builtInErrorTable());
  ASSERT_TRUE(entries.has_value());
  auto find = [&](MessageId id) {
    for (const auto& entry : *entries)
      if (entry.id == id) return entry;
    ADD_FAILURE() << "no entry " << id;
    return ErrorTableEntry{};
  };
  EXPECT_EQ(find(9).level, kLevelUser);
  EXPECT_EQ(find(9).title, platform::ru("Подтверждение удаления"));
  EXPECT_EQ(find(9).message, platform::ru("Вы уверены что хотите удалить запись?"));
  EXPECT_EQ(find(25).title, platform::ru("Запись изменить нельзя"));
  EXPECT_EQ(find(25).message, platform::ru("Такой номер уже существует."));
  EXPECT_EQ(find(22).title, platform::ru("Сообщение"));
  EXPECT_EQ(find(34).level, kLevelUser);
  EXPECT_EQ(
      find(34).message,
      platform::ru("Обнаружена ошибка при изменении записи. Вы хотите повторить попытку изменения записи ?"));
  // One byte per character: the stored length of the Russian title is its letter count.
  EXPECT_EQ(find(22).title.size(), 9u);
  EXPECT_EQ(find(39).level, kLevelProgram);
  EXPECT_EQ(find(39).title, "File Usage Error");
  EXPECT_EQ(find(23).level, kLevelFatal);
  EXPECT_EQ(find(23).message, "File (%File) could not be opened.  Error: %ErrorText.");
  EXPECT_EQ(find(32).message,
            "Attempts to automatically number this record have failed.  Error: %ErrorText. Try Again?");
  int questions = 0;
  for (const auto& entry : *entries) questions += entry.level == kLevelUser ? 1 : 0;
  EXPECT_EQ(questions, 9);  // ids 34 33 8 32 36 37 9 35 3
}

TEST(ErrorTable, StoredBytesFollowTheFormat) {
  const std::string title = platform::ru("Ж");
  const ErrorTableEntry entry{0x0102, 5, title, "ab"};
  const auto bytes = encodeErrorTable(std::span(&entry, 1));
  ASSERT_TRUE(bytes.has_value());
  const std::vector<std::uint8_t> expected{1, 0, 0x02, 0x01, 5, 1, 0xC6, 2, 'a', 'b'};
  EXPECT_EQ(*bytes, expected);
}

TEST(ErrorTable, MalformedTablesAreRefusedWithAReason) {
  std::string reason;
  const std::vector<std::uint8_t> empty;
  EXPECT_FALSE(parseErrorTable(empty, &reason).has_value());
  EXPECT_NE(reason.find("count"), std::string::npos);

  // Two entries announced, one present.
  const std::vector<std::uint8_t> short_count{2, 0, 1, 0, 5, 0, 0};
  EXPECT_FALSE(parseErrorTable(short_count, &reason).has_value());
  EXPECT_NE(reason.find("entry 2 of 2"), std::string::npos) << reason;

  // A title length that runs past the end.
  const std::vector<std::uint8_t> long_title{1, 0, 1, 0, 5, 9, 'a'};
  EXPECT_FALSE(parseErrorTable(long_title, &reason).has_value());

  const std::vector<std::uint8_t> trailing{0, 0, 7};
  EXPECT_FALSE(parseErrorTable(trailing, &reason).has_value());
  EXPECT_NE(reason.find("follow"), std::string::npos);

  const std::vector<std::uint8_t> none{0, 0};
  ASSERT_TRUE(parseErrorTable(none).has_value());
  EXPECT_TRUE(parseErrorTable(none)->empty());
}

TEST(ErrorTable, TextsLongerThanALengthByteCannotBeStored) {
  const std::string long_text(256, 'x');
  const ErrorTableEntry entry{1, 5, "t", long_text};
  EXPECT_FALSE(encodeErrorTable(std::span(&entry, 1)).has_value());
  const std::string fits(255, 'x');
  const ErrorTableEntry ok{1, 5, "t", fits};
  const auto bytes = encodeErrorTable(std::span(&ok, 1));
  ASSERT_TRUE(bytes.has_value());
  const auto back = parseErrorTable(*bytes);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ((*back)[0].message, fits);
}

}  // namespace
}  // namespace veltrano::framework
