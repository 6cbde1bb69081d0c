#include "runtime/view/view_descriptor.h"

#include <gtest/gtest.h>

namespace veltrano::runtime {
namespace {

ViewDescriptor level(std::size_t file) {
  ViewDescriptor descriptor;
  descriptor.file = file;
  return descriptor;
}

TEST(DescribeView, WritesNestedJoinsWithTheirIndentationAndCrLf) {
  ViewDescriptor view = level(0);
  view.projection =
      std::vector<ProjectionItem>{{ProjectionItem::Kind::Field, 2}, {ProjectionItem::Kind::Memo, 1}};
  ViewJoin appointments = ViewJoin::byKey(1, 0, {1, 3}, true);
  appointments.view.projection = std::vector<ProjectionItem>{{ProjectionItem::Kind::Field, 4}};
  appointments.view.joins.push_back(ViewJoin::byExpression(2, "OTD:KOD = NAZ:OTD"));
  view.joins.push_back(std::move(appointments));
  view.joins.push_back(ViewJoin::byKey(3, 1, {}));

  EXPECT_EQ(describeView(view),
            "VIEW(FILE)\r\n"
            "  PROJECT(FIELD(2),MEMO(1))\r\n"
            "  JOIN(KEY,FIELD(1),FIELD(3)),INNER\r\n"
            "    PROJECT(FIELD(4))\r\n"
            "    JOIN(OTD:KOD = NAZ:OTD)\r\n"
            "    END\r\n"
            "  END\r\n"
            "  JOIN(KEY)\r\n"
            "  END\r\n"
            "END\r\n");
}

TEST(DescribeView, LeavesOutProjectLineWhenNoneIsGivenButKeepsAnEmptyOne) {
  ViewDescriptor whole = level(0);
  EXPECT_EQ(describeView(whole), "VIEW(FILE)\r\nEND\r\n");
  ViewDescriptor empty = level(0);
  empty.projection = std::vector<ProjectionItem>{};
  EXPECT_EQ(describeView(empty), "VIEW(FILE)\r\n  PROJECT()\r\nEND\r\n");
}

}  // namespace
}  // namespace veltrano::runtime
