#include "storage/definition_stream.h"

#include <gtest/gtest.h>

#include "storage/declared_file.h"

namespace veltrano::storage {
namespace {

using runtime::TypeCode;

std::unique_ptr<DeclaredFile> sampleFile() {
  runtime::RecordLayoutBuilder fields;
  fields.decimal("PEO:ID", 7, 0).string("PEO:NAME", 20).picture("@s20");
  fields.beginGroup("PEO:ADDRESS").string("PEO:CITY", 10).cstring("PEO:ZIP", 7).endGroup();
  fields.scalar("PEO:BORN", TypeCode::Date).scalar("PEO:MARKS", TypeCode::Short).dim({3});
  fields.scalar("PEO:RAW", TypeCode::Long).over("PEO:BORN");
  auto file = DeclaredFile::make("PEOPLE", fields.build());
  file->addKey("PEO:ID_KEY", {"PEO:ID"}, kKeyOpt | kKeyPrimary);
  file->addKey("PEO:NAME_KEY", {"+PEO:NAME", "-PEO:BORN"}, kKeyDup | kKeyNocase, "names");
  file->addMemo("PEO:NOTES", 200);
  return file;
}

TEST(DefinitionStream, BeginsWithTheDocumentedItems) {
  runtime::RecordLayoutBuilder fields;
  fields.string("T:S", 4);
  auto file = DeclaredFile::make("T", fields.build());
  const auto stream = writeDefinition(definitionOf(file->file()));
  const std::vector<std::uint8_t> expected = {
      1,   0,                        // format
      4,   0,                        // record size
      1,   0,   0,   0, 0, 0,        // one field, no memos, no keys
      18,  0,   0,                   // STRING at offset 0
      'T', ':', 'S', 0,              // name
      1,   0,   4,   0, 0, 0, 0, 0,  // one element, 4 bytes, no overlay, position 0
      4,   0,   0,   1};             // element length, no picture (absent string)
  EXPECT_EQ(stream, expected);
}

TEST(DefinitionStream, RoundTripsAndGivesFormat2WithABlob) {
  auto file = sampleFile();
  auto definition = definitionOf(file->file());
  EXPECT_EQ(definition.format, 1);
  file->addMemo("PEO:PHOTO", 0, kMemoBlob);
  definition = definitionOf(file->file());
  EXPECT_EQ(definition.format, 2);
  std::string problem;
  const auto read = readDefinition(writeDefinition(definition), &problem);
  ASSERT_TRUE(read) << problem;
  EXPECT_EQ(*read, definition);
  EXPECT_EQ(read->fields[3].overlay, 1);  // PEO:CITY inside the group
  EXPECT_EQ(read->fields[7].overlay, 1);  // PEO:RAW over PEO:BORN
  EXPECT_EQ(read->keys[1].attributes, kStoredKeyDup | kStoredKeyNocase);
  EXPECT_TRUE(read->keys[1].components[1].descending);
}

TEST(DefinitionStream, DamagedStreamsAreRefusedNotTrusted) {
  const auto stream = writeDefinition(definitionOf(sampleFile()->file()));
  std::string problem;
  for (std::size_t cut = 0; cut < stream.size(); ++cut) {
    EXPECT_FALSE(readDefinition(std::span(stream).first(cut), &problem)) << cut;
  }
  auto longer = stream;
  longer.push_back(0);
  EXPECT_FALSE(readDefinition(longer, &problem));
  auto bad_format = stream;
  bad_format[0] = 9;
  EXPECT_FALSE(readDefinition(bad_format, &problem));
}

TEST(DefinitionStream, MatchingAcceptsNamesPrimaryAndBlobSizeOnly) {
  auto stored = definitionOf(sampleFile()->file());
  auto declared = stored;
  declared.fields[1].name = "OTHER:NAME";
  declared.keys[0].name = "X";
  declared.keys[0].attributes &= static_cast<std::uint8_t>(~kStoredKeyPrimary);
  declared.fields[1].picture.reset();
  EXPECT_TRUE(definitionsMatch(stored, declared));

  auto changed = stored;
  changed.fields[1].type = static_cast<std::uint8_t>(TypeCode::Cstring);
  EXPECT_FALSE(definitionsMatch(stored, changed));
  changed = stored;
  changed.keys[1].attributes |= kStoredKeyOpt;
  EXPECT_FALSE(definitionsMatch(stored, changed));
  changed = stored;
  changed.keys[1].components[1].descending = false;
  EXPECT_FALSE(definitionsMatch(stored, changed));
  changed = stored;
  changed.memos[0].size = 100;
  EXPECT_FALSE(definitionsMatch(stored, changed));

  stored.memos.push_back({"B", std::nullopt, 10, 0x04});
  auto blob = stored;
  blob.memos[1].size = 99;
  EXPECT_TRUE(definitionsMatch(stored, blob));
}

TEST(DefinitionStream, StoredDefinitionLaysOutTheSameRecord) {
  const auto definition = definitionOf(sampleFile()->file());
  const auto layout = layoutOf(definition);
  ASSERT_TRUE(layout);
  auto again = DeclaredFile::make("PEOPLE", *layout);
  again->addKeyByNumbers("PEO:ID_KEY", {1}, kKeyOpt | kKeyPrimary);
  again->addKeyByNumbers("PEO:NAME_KEY", {2, -6}, kKeyDup | kKeyNocase, "names");
  again->addMemo("PEO:NOTES", 200);
  EXPECT_EQ(definitionOf(again->file()), definition);
  EXPECT_EQ(layout->field(7).over, 5);
  EXPECT_EQ(layout->field(3).parent, 2);
  // OVER fields declared after a group's END stay outside it.
  runtime::RecordLayoutBuilder fields;
  fields.scalar("X:A", TypeCode::Long)
      .beginGroup("X:G")
      .string("X:G1", 3)
      .scalar("X:G2", TypeCode::Byte)
      .endGroup();
  fields.string("X:O", 4).over("X:G").scalar("X:P", TypeCode::Short).over("X:A");
  const auto after_group = layoutOf(definitionOf(DeclaredFile::make("X", fields.build())->file()));
  ASSERT_TRUE(after_group);
  EXPECT_EQ(after_group->field(4).parent, -1);
  EXPECT_EQ(after_group->field(5).parent, -1);
}

}  // namespace
}  // namespace veltrano::storage
