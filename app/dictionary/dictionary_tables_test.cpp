#include "app/dictionary/dictionary_tables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/dictionary/dictionary_layout.h"

namespace veltrano::app {
namespace {

TEST(Dictionary, ThirtyNineFilesWithUniqueLabelsAndPrefixes) {
  const auto& files = dictionaryFiles();
  EXPECT_EQ(files.size(), 39u);
  std::set<std::string_view> labels;
  std::set<std::string_view> prefixes;
  for (const auto& file : files) {
    EXPECT_TRUE(labels.insert(file.label).second) << file.label;
    EXPECT_TRUE(prefixes.insert(file.prefix).second) << file.prefix;
    EXPECT_LE(file.label.size(), 8u) << file.label;
    // Every field and key label carries the file's prefix and a colon.
    const std::string prefix = std::string(file.prefix) + ":";
    for (const auto& field : file.fields) EXPECT_EQ(field.name.substr(0, 4), prefix) << field.name;
    for (const auto& key : file.keys) EXPECT_EQ(key.label.substr(0, 4), prefix) << key.label;
  }
}

// The stored record sizes are fixed: a wrong type, length or DIM anywhere shows up here.
TEST(Dictionary, RecordSizesMatchTheStoredLayouts) {
  for (const auto& file : dictionaryFiles()) {
    EXPECT_EQ(recordLayout(file).size(), file.record_bytes) << file.label;
  }
  EXPECT_EQ(recordLayout(*findFileSpec("KARTA")).size(), 1860u);
  EXPECT_EQ(recordLayout(*findFileSpec("TRUD")).size(), 231u);
  EXPECT_EQ(recordLayout(*findFileSpec("RABOTA")).size(), 432u);
}

TEST(Dictionary, KeysNameFieldsOfTheirFileAndOnlyThreeAreNumbered) {
  int numbered = 0;
  for (const auto& file : dictionaryFiles()) {
    const auto layout = recordLayout(file);
    EXPECT_FALSE(file.keys.empty()) << file.label;
    for (const auto& key : file.keys) {
      for (const auto component : key.components) {
        EXPECT_GE(layout.find(component), 0) << key.label << " " << component;
      }
      if (key.auto_numbered) {
        ++numbered;
        EXPECT_TRUE(key.unique) << key.label;
      }
    }
  }
  EXPECT_EQ(numbered, 3);
  const auto* sostav = findFileSpec("SOSTAV");
  ASSERT_NE(sostav, nullptr);
  EXPECT_TRUE(sostav->keys[1].unique);
  EXPECT_FALSE(sostav->keys[1].auto_numbered);
}

TEST(Dictionary, RelationsLinkExistingFieldsAndKeys) {
  const auto& relations = dictionaryRelations();
  EXPECT_EQ(relations.size(), 10u);
  for (const auto& relation : relations) {
    const auto* parent = findFileSpec(relation.parent);
    const auto* child = findFileSpec(relation.child);
    ASSERT_NE(parent, nullptr);
    ASSERT_NE(child, nullptr);
    EXPECT_GE(recordLayout(*parent).find(relation.parent_field), 0);
    EXPECT_GE(recordLayout(*child).find(relation.child_field), 0);
    bool key_found = false;
    for (const auto& key : child->keys) {
      key_found =
          key_found || (key.label == relation.child_key && key.components.front() == relation.child_field);
    }
    EXPECT_TRUE(key_found) << relation.child_key;
  }
}

}  // namespace
}  // namespace veltrano::app
