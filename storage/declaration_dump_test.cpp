#include "storage/declaration_dump.h"

#include <gtest/gtest.h>

#include <string>

namespace veltrano::storage {
namespace {

using runtime::RecordLayoutBuilder;
using runtime::TypeCode;

// A label in a column of `width`: padded, or followed by one blank when it fills the column.
std::string col(std::string_view label, std::size_t width) {
  std::string out(label);
  if (out.size() >= width) return out + " ";
  out.resize(width, ' ');
  return out;
}

struct People {
  runtime::RecordLayout layout;
  KeyDescriptor by_name;
  KeyDescriptor by_id;
  MemoDescriptor notes;
  MemoDescriptor photo;
  FileControlBlock file;

  People() {
    RecordLayoutBuilder builder;
    builder.scalar("PEO:ID", TypeCode::Long);  // field 1
    builder.string("PEO:NAME", 20);            // field 2
    layout = builder.build();
    by_name.label = "PEO:NAME_KEY";
    by_name.components = {2, -1};
    by_name.attributes = kKeyDup | kKeyNocase;
    by_id.label = "PEO:ID_KEY";
    by_id.components = {1};
    by_id.attributes = kKeyOpt | kKeyPrimary;
    by_id.external_name = "id_key";
    notes.label = "PEO:NOTES";
    notes.size = 200;
    photo.label = "PEO:PHOTO";
    photo.attributes = kMemoBlob | kMemoBinary;
    photo.external_name = "photo";
    file.label = "PEOPLE";
    file.layout = &layout;
    file.keys = {&by_name, &by_id};
    file.memos = {&notes, &photo};
  }
};

TEST(DeclarationDump, WholeFileInSourceForm) {
  People people;
  people.file.external_name = "people\\!staff";
  people.file.attributes = kFileCreate | kFileReclaim | kFileThread | kFileOem;
  const std::string expected =
      col("PEOPLE", 18) + "FILE,DRIVER('WENDLOCK'),NAME('people\\!staff'),CREATE,RECLAIM,THREAD\r\n" +
      col("PEO:NAME_KEY", 20) + "KEY(+PEO:NAME,-PEO:ID),DUP,NOCASE\r\n" + col("PEO:ID_KEY", 20) +
      "KEY(+PEO:ID),OPT,PRIMARY,NAME('id_key')\r\n" + col("PEO:NOTES", 20) + "MEMO(200)\r\n" +
      col("PEO:PHOTO", 20) + "BLOB,NAME('photo'),BINARY\r\n" + col("", 20) + "RECORD\r\n" +
      col("PEO:ID", 22) + "LONG\r\n" + col("PEO:NAME", 22) + "STRING(20)\r\n" + col("", 20) + "END\r\n" +
      col("", 20) + "END\r\n" + "\r\n";
  EXPECT_EQ(dumpDeclaration(people.file), expected);
}

TEST(DeclarationDump, SecondFieldAscendingThenFirstDescending) {
  People people;
  people.file.keys = {&people.by_name};
  people.file.memos.clear();
  const std::string dump = dumpDeclaration(people.file);
  EXPECT_NE(dump.find("\r\n" + col("PEO:NAME_KEY", 20) + "KEY(+PEO:NAME,-PEO:ID),DUP,NOCASE\r\n"),
            std::string::npos)
      << dump;
}

TEST(DeclarationDump, FileLineOptionsOwnerAndEveryAttributeInOrder) {
  People people;
  people.file.keys.clear();
  people.file.memos.clear();
  people.file.driver_options = "/ALLOWDETAILS";
  people.file.owner = "secret";
  people.file.attributes = kFileThread | kFileReclaim | kFileEncrypt | kFileCreate | kFileOem;
  const std::string dump = dumpDeclaration(people.file, "OTHER");
  const std::string first_line = dump.substr(0, dump.find("\r\n"));
  EXPECT_EQ(
      first_line,
      col("PEOPLE", 18) + "FILE,DRIVER('OTHER','/ALLOWDETAILS'),OWNER(******),CREATE,ENCRYPT,RECLAIM,THREAD");
  EXPECT_EQ(dump.find("secret"), std::string::npos);
}

TEST(DeclarationDump, LabelsThatFillTheirColumnGetOneBlank) {
  RecordLayoutBuilder builder;
  builder.scalar("F:TWENTY_TWO_LETTERSX", TypeCode::Byte);   // 21 characters
  builder.scalar("F:TWENTY_TWO_LETTERSXY", TypeCode::Byte);  // 22
  runtime::RecordLayout layout = builder.build();
  KeyDescriptor key;
  key.label = "K:TWENTY_CHARACTERS";  // 19
  key.components = {1};
  KeyDescriptor long_key;
  long_key.label = "K:TWENTY_CHARACTERSX";  // 20
  long_key.components = {2};
  FileControlBlock file;
  file.label = "EIGHTEEN_CHARACTER";  // 18
  file.layout = &layout;
  file.keys = {&key, &long_key};
  const std::string dump = dumpDeclaration(file);
  EXPECT_TRUE(dump.starts_with("EIGHTEEN_CHARACTER FILE,")) << dump;
  EXPECT_NE(dump.find("\r\nK:TWENTY_CHARACTERS KEY(+F:TWENTY_TWO_LETTERSX)\r\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("\r\nK:TWENTY_CHARACTERSX KEY(+F:TWENTY_TWO_LETTERSXY)\r\n"), std::string::npos)
      << dump;
  EXPECT_NE(dump.find("\r\nF:TWENTY_TWO_LETTERSX BYTE\r\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("\r\nF:TWENTY_TWO_LETTERSXY BYTE\r\n"), std::string::npos) << dump;
}

TEST(DeclarationDump, FieldTypesSizesPicturesArraysOverlaysAndNames) {
  RecordLayoutBuilder builder;
  builder.decimal("R:SUM", 7, 2);      // 4 bytes: 7 digits
  builder.decimal("R:EVEN", 6, 0);     // 4 bytes: written with 7 digits, as the bytes hold
  builder.pdecimal("R:PACKED", 5, 1);  // 3 bytes
  builder.string("R:NAME", 30).picture("@s30");
  builder.cstring("R:CODE", 9);
  builder.pstring("R:TAG", 5).externalName("tag_name");
  builder.string("R:SAME", 4).externalName("R:SAME");  // a name equal to the label is not written
  builder.scalar("R:MARKS", TypeCode::Short).dim({3, 4});
  builder.string("R:ALL_MARKS", 24).over("R:MARKS");
  builder.scalar("R:DAY", TypeCode::Date);
  runtime::RecordLayout layout = builder.build();
  FileControlBlock file;
  file.label = "R";
  file.layout = &layout;
  const std::string dump = dumpDeclaration(file);
  const std::string fields = col("R:SUM", 22) + "DECIMAL(7,2)\r\n" + col("R:EVEN", 22) + "DECIMAL(7,0)\r\n" +
                             col("R:PACKED", 22) + "PDECIMAL(5,1)\r\n" + col("R:NAME", 22) +
                             "STRING(@s30)\r\n" + col("R:CODE", 22) + "CSTRING(9)\r\n" + col("R:TAG", 22) +
                             "PSTRING(5),NAME('tag_name')\r\n" + col("R:SAME", 22) + "STRING(4)\r\n" +
                             col("R:MARKS", 22) + "SHORT, DIM(3,4)\r\n" + col("R:ALL_MARKS", 22) +
                             "STRING(24), OVER(R:MARKS)\r\n" + col("R:DAY", 22) + "DATE\r\n";
  EXPECT_NE(dump.find(col("", 20) + "RECORD\r\n" + fields + col("", 20) + "END\r\n"), std::string::npos)
      << dump;
}

TEST(DeclarationDump, GroupsNestTwoColumnsDeeperAndCloseInTheirOwnColumn) {
  RecordLayoutBuilder builder;
  builder.scalar("A:ID", TypeCode::Long);
  builder.beginGroup("A:ADDRESS");
  builder.string("A:CITY", 20);
  builder.beginGroup("A:STREET");
  builder.string("A:ROAD", 30);
  builder.scalar("A:HOUSE", TypeCode::Short);
  builder.endGroup();
  builder.endGroup();
  builder.beginGroup("A:PHONES").dim({2});
  builder.string("A:PHONE", 12);
  builder.endGroup();
  builder.scalar("A:LAST", TypeCode::Byte);
  runtime::RecordLayout layout = builder.build();
  FileControlBlock file;
  file.label = "A";
  file.layout = &layout;
  const std::string expected = col("", 20) + "RECORD\r\n" + col("A:ID", 22) + "LONG\r\n" +
                               col("A:ADDRESS", 22) + "GROUP\r\n" + col("A:CITY", 24) + "STRING(20)\r\n" +
                               col("A:STREET", 24) + "GROUP\r\n" + col("A:ROAD", 26) + "STRING(30)\r\n" +
                               col("A:HOUSE", 26) + "SHORT\r\n" + col("", 24) + "END\r\n" + col("", 22) +
                               "END\r\n" + col("A:PHONES", 22) + "GROUP, DIM(2)\r\n" + col("A:PHONE", 24) +
                               "STRING(12)\r\n" + col("", 22) + "END\r\n" + col("A:LAST", 22) + "BYTE\r\n" +
                               col("", 20) + "END\r\n" + col("", 20) + "END\r\n\r\n";
  const std::string dump = dumpDeclaration(file);
  ASSERT_NE(dump.find("RECORD"), std::string::npos);
  EXPECT_EQ(dump.substr(dump.find("\r\n") + 2), expected) << dump;
}

TEST(DeclarationDump, ColumnStopsAt1023) {
  RecordLayoutBuilder builder;
  for (int level = 0; level < 600; ++level) builder.beginGroup("G" + std::to_string(level));
  builder.scalar("DEEP", TypeCode::Byte);
  runtime::RecordLayout layout = builder.build();
  FileControlBlock file;
  file.label = "D";
  file.layout = &layout;
  const std::string dump = dumpDeclaration(file);
  EXPECT_NE(dump.find("\r\n" + col("DEEP", 1023) + "BYTE\r\n"), std::string::npos);
  EXPECT_NE(dump.find("\r\n" + col("G10", 42) + "GROUP\r\n"), std::string::npos);
}

TEST(DeclarationDump, QuotesInNamesAreDoubledAndBadComponentsShown) {
  People people;
  people.file.memos.clear();
  people.file.external_name = "o'brien";
  KeyDescriptor broken;
  broken.label = "PEO:BROKEN";
  broken.components = {3, -7};
  KeyDescriptor index;
  index.label = "PEO:DYN";
  index.attributes = kKeyIndex | kKeyDup;
  people.file.keys = {&broken, &index};
  const std::string dump = dumpDeclaration(people.file);
  EXPECT_NE(dump.find(",NAME('o''brien')\r\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find(col("PEO:BROKEN", 20) + "KEY(+?3,-?7)\r\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find(col("PEO:DYN", 20) + "INDEX(),DUP\r\n"), std::string::npos) << dump;
}

TEST(DeclarationDump, FileWithoutLayoutStillCloses) {
  FileControlBlock file;
  file.label = "EMPTY";
  EXPECT_EQ(dumpDeclaration(file), col("EMPTY", 18) + "FILE,DRIVER('WENDLOCK')\r\n" + col("", 20) +
                                       "RECORD\r\n" + col("", 20) + "END\r\n" + col("", 20) + "END\r\n\r\n");
}

}  // namespace
}  // namespace veltrano::storage
