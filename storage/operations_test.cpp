#include "storage/operations.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace veltrano::storage {
namespace {

TEST(OperationName, PlaceholdersAndInternalCodes) {
  EXPECT_EQ(operationName(0), "(0)");
  EXPECT_EQ(operationName(35), "(35)");
  EXPECT_EQ(operationName(39), "(39)");
  EXPECT_EQ(operationName(87), "Internal");
  EXPECT_EQ(operationName(91), "Internal");
}

TEST(OperationName, OutsideTheCodeRangeIsEmpty) {
  EXPECT_EQ(operationName(94), "");
  EXPECT_EQ(operationName(255), "");
  EXPECT_EQ(operationName(-1), "");
  EXPECT_EQ(operationName(-2147483647 - 1), "");
}

TEST(OperationName, NamesFollowTheirCodes) {
  // Spot checks at both ends and across the places where a shifted table would show.
  EXPECT_EQ(operationName(1), "ADD");
  EXPECT_EQ(operationName(3), "BUILDfile");
  EXPECT_EQ(operationName(4), "APPEND");
  EXPECT_EQ(operationName(23), "NAME");
  EXPECT_EQ(operationName(34), "BUILDdynfilter");
  EXPECT_EQ(operationName(36), "RELEASE");
  EXPECT_EQ(operationName(40), "ROLLBACK");
  EXPECT_EQ(operationName(47), "SETkeykeyptr");
  EXPECT_EQ(operationName(53), "GETfileptrlen");
  EXPECT_EQ(operationName(60), "SEND");
  EXPECT_EQ(operationName(68), "NULL");
  EXPECT_EQ(operationName(73), "QUERY_KEY");
  EXPECT_EQ(operationName(74), "QUERY_VIEW");
  EXPECT_EQ(operationName(81), "SETview");
  EXPECT_EQ(operationName(86), "GETPROPERTYkey");
  EXPECT_EQ(operationName(88), "DO_PROPERTY");
  EXPECT_EQ(operationName(90), "DOPROPERTYblob");
  EXPECT_EQ(operationName(92), "INVIEW");
  EXPECT_EQ(operationName(93), "ENDVIEW");
  EXPECT_EQ(operationName(static_cast<int>(Operation::SetKeyKeyPtr)), "SETkeykeyptr");
}

TEST(OperationName, EveryCodeHasOneNameOnlyTheInternalPairShares) {
  std::set<std::string> seen;
  for (int code = 0; code <= 93; ++code) {
    const auto name = operationName(code);
    ASSERT_FALSE(name.empty()) << code;
    if (code == 91) continue;
    EXPECT_TRUE(seen.insert(std::string(name)).second) << code << " " << name;
  }
}

}  // namespace
}  // namespace veltrano::storage
