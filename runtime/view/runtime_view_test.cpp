#include "runtime/view/runtime_view.h"

#include <gtest/gtest.h>

#include <vector>

#include "runtime/datetime/char_tables.h"
#include "runtime/errors/error_state.h"
#include "runtime/expr/binding_scopes.h"
#include "runtime/expr/evaluate.h"
#include "runtime/values/field_value.h"
#include "runtime/view/join_condition.h"

namespace veltrano::runtime {
namespace {

ViewDescriptor level(std::size_t file) {
  ViewDescriptor descriptor;
  descriptor.file = file;
  return descriptor;
}

// A card file, its appointments and the department reference, as the view sees them.
class RuntimeViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    charTables() = CharTables::defaults();
    bindingScopes().clear();
    clearErrors();
    card_layout_ = RecordLayoutBuilder()
                       .scalar("KAR:NUM", TypeCode::Long)
                       .string("KAR:FAM", 20)
                       .decimal("KAR:STAVKA", 5, 2)
                       .string("KAR:OTD", 6)
                       .build();
    appointment_layout_ = RecordLayoutBuilder()
                              .scalar("NAZ:NUM", TypeCode::Long)
                              .string("NAZ:FAM", 20)
                              .scalar("NAZ:DATA", TypeCode::Long)
                              .string("NAZ:OTD", 6)
                              .build();
    department_layout_ = RecordLayoutBuilder().string("OTD:KOD", 6).string("OTD:NAME", 30).build();
    card_.resize(card_layout_.size());
    appointment_.resize(appointment_layout_.size());
    department_.resize(department_layout_.size());
    files_ = {
        ViewFile{
            "KARTA", &card_layout_, card_, 1, {{"KAR:NUM_KEY", {1}}, {"KAR:FAM_KEY", {2, -1}, true}}, &card_},
        ViewFile{"NAZNACH",
                 &appointment_layout_,
                 appointment_,
                 0,
                 {{"NAZ:NUM_KEY", {1, 3}}, {"NAZ:FAM_KEY", {2, 3}, true}, {"NAZ:STAVKA_KEY", {1}, true}},
                 &appointment_},
        ViewFile{"OTDELENI", &department_layout_, department_, 0, {{"OTD:KOD_KEY", {1}}}, &department_}};
  }
  void TearDown() override { bindingScopes().clear(); }

  const FieldDescriptor& card(std::string_view name) {
    return card_layout_.field(static_cast<std::size_t>(card_layout_.find(name)));
  }
  const FieldDescriptor& appointment(std::string_view name) {
    return appointment_layout_.field(static_cast<std::size_t>(appointment_layout_.find(name)));
  }

  // KARTA joined to NAZNACH by its first key on KAR:NUM, and NAZNACH to OTDELENI by expression.
  RuntimeView openThree(bool inner = false) {
    ViewDescriptor descriptor = level(0);
    ViewJoin appointments = ViewJoin::byKey(1, 0, {1}, inner);
    appointments.view.joins.push_back(ViewJoin::byExpression(2, "OTD:KOD = NAZ:OTD"));
    descriptor.joins.push_back(std::move(appointments));
    RuntimeView view;
    EXPECT_EQ(RuntimeView::open(descriptor, files_, view), 0);
    return view;
  }

  RecordLayout card_layout_, appointment_layout_, department_layout_;
  std::vector<std::uint8_t> card_, appointment_, department_;
  std::vector<ViewFile> files_;
};

TEST_F(RuntimeViewTest, OpenNumbersLevelsDepthFirstAndProjectsEverythingWithoutProject) {
  ViewDescriptor descriptor = level(0);
  ViewJoin appointments = ViewJoin::byKey(1, 0, {1});
  appointments.view.projection = std::vector<ProjectionItem>{{ProjectionItem::Kind::Field, 3}};
  appointments.view.joins.push_back(ViewJoin::byExpression(2, "1"));
  descriptor.joins.push_back(std::move(appointments));
  RuntimeView view;
  ASSERT_EQ(RuntimeView::open(descriptor, files_, view), 0);
  ASSERT_EQ(view.levels().size(), 3u);
  EXPECT_EQ(view.levels()[1].parent, 0);
  EXPECT_EQ(view.levels()[2].parent, 1);
  EXPECT_EQ(view.file(2).label, "OTDELENI");

  const auto& primary = view.levels()[0];
  EXPECT_FALSE(primary.projection_given);
  ASSERT_EQ(primary.projection.size(), 5u);  // four fields and the memo
  EXPECT_EQ(primary.projection[3], (ProjectionItem{ProjectionItem::Kind::Field, 4}));
  EXPECT_EQ(primary.projection[4], (ProjectionItem{ProjectionItem::Kind::Memo, 1}));
  EXPECT_EQ(view.levels()[1].projection, (std::vector<ProjectionItem>{{ProjectionItem::Kind::Field, 3}}));
}

TEST_F(RuntimeViewTest, OpenRejectsDescriptorsThatNameWhatTheFilesDoNotHave) {
  auto opens = [&](ViewDescriptor descriptor) {
    RuntimeView view;
    const int error = RuntimeView::open(descriptor, files_, view);
    EXPECT_EQ(view.isOpen(), error == 0);
    return error;
  };
  ViewDescriptor missing_file = level(7);
  EXPECT_EQ(opens(missing_file), kViewDescriptorError);
  ViewDescriptor missing_key = level(0);
  missing_key.joins.push_back(ViewJoin::byKey(1, 5, {1}));
  EXPECT_EQ(opens(missing_key), kViewDescriptorError);
  ViewDescriptor missing_link = level(0);
  missing_link.joins.push_back(ViewJoin::byKey(1, 0, {9}));
  EXPECT_EQ(opens(missing_link), kViewDescriptorError);
  ViewDescriptor twice = level(0);
  twice.joins.push_back(ViewJoin::byExpression(0, "1"));
  EXPECT_EQ(opens(twice), kViewDescriptorError);
  ViewDescriptor memo_out_of_range = level(1);
  memo_out_of_range.projection = std::vector<ProjectionItem>{{ProjectionItem::Kind::Memo, 1}};
  EXPECT_EQ(opens(memo_out_of_range), kViewDescriptorError);
  files_[1].keys.push_back({"NAZ:EMPTY", {}, false});  // a key the control block lacked
  ViewDescriptor empty_key = level(0);
  empty_key.joins.push_back(ViewJoin::byKey(1, 3, {1}));
  EXPECT_EQ(opens(empty_key), kViewDescriptorError);
  files_[2].layout = nullptr;
  ViewDescriptor without_layout = level(2);
  EXPECT_EQ(opens(without_layout), kViewDescriptorError);
}

TEST_F(RuntimeViewTest, KeyJoinMatchesOnTheLeadingComponentsGivenOnly) {
  // NAZ:NUM_KEY is (NAZ:NUM, NAZ:DATA); one linking field takes part.
  RuntimeView view = openThree();
  const Node* condition = view.levels()[1].condition.get();
  ASSERT_NE(condition, nullptr);
  storeInteger(card("KAR:NUM"), card_, 17);
  storeInteger(appointment("NAZ:NUM"), appointment_, 17);
  storeInteger(appointment("NAZ:DATA"), appointment_, 80000);
  EXPECT_TRUE(test(*condition));
  storeInteger(appointment("NAZ:NUM"), appointment_, 18);
  EXPECT_FALSE(test(*condition));
}

TEST_F(RuntimeViewTest, CaseInsensitiveKeyLinksValuesDifferingInCaseOnly) {
  const NodePointer nocase =
      keyJoinCondition(files_[0], files_[1], files_[1].keys[1], std::vector<std::uint32_t>{2});
  const NodePointer exact =
      keyJoinCondition(files_[0], files_[1], ViewKey{"", {2}, false}, std::vector<std::uint32_t>{2});
  storeText(card("KAR:FAM"), card_, "Ivanova");
  storeText(appointment("NAZ:FAM"), appointment_, "IVANOVA");
  EXPECT_TRUE(test(*nocase));
  EXPECT_FALSE(test(*exact));
  storeText(appointment("NAZ:FAM"), appointment_, "IVANOV");
  EXPECT_FALSE(test(*nocase));
}

TEST_F(RuntimeViewTest, CaseInsensitiveKeyComparesNumbersAsNumbers) {
  // A DECIMAL linked to a LONG component: upper-casing would compare "5.00" with "5".
  const NodePointer condition =
      keyJoinCondition(files_[0], files_[1], files_[1].keys[2], std::vector<std::uint32_t>{3});
  storeText(card("KAR:STAVKA"), card_, "5");
  storeInteger(appointment("NAZ:NUM"), appointment_, 5);
  EXPECT_TRUE(test(*condition));
}

TEST_F(RuntimeViewTest, JoinWithoutLinksOrWithUnparsableTextHasNoCondition) {
  ViewDescriptor descriptor = level(0);
  descriptor.joins.push_back(ViewJoin::byKey(1, 0, {}));
  descriptor.joins.push_back(ViewJoin::byExpression(2, "OTD:KOD = ("));
  RuntimeView view;
  ASSERT_EQ(RuntimeView::open(descriptor, files_, view), 0);
  EXPECT_EQ(view.levels()[1].condition, nullptr);
  EXPECT_EQ(view.levels()[2].condition, nullptr);
}

TEST_F(RuntimeViewTest, FilterConjunctsGoToTheLevelOfTheirHighestFile) {
  RuntimeView view = openThree();
  ASSERT_GT(bindViewFields(view), 0u);
  std::int32_t numg = 3;
  ASSERT_TRUE(bindVariable("numg", numg));
  ASSERT_TRUE(bindingScopes().bindProcedure("ANYTHING", {}, ValueType::Integer,
                                            [](std::span<const Value>) { return Value{1}; }));
  ASSERT_TRUE(view.setFilter(
      "KAR:NUM > numg AND NAZ:DATA > 0 AND 1 = 1 AND (OTD:NAME <> '' OR KAR:FAM = 'X') AND ANYTHING() "
      "AND UPPER(NAZ:OTD) = KAR:OTD"));
  const auto& levels = view.levels();
  EXPECT_EQ(levels[0].conjuncts.size(), 2u);  // KAR:NUM > numg, 1 = 1
  EXPECT_EQ(levels[1].conjuncts.size(), 2u);  // NAZ:DATA > 0, UPPER(NAZ:OTD) = KAR:OTD
  EXPECT_EQ(levels[2].conjuncts.size(), 2u);  // the OR reading OTDELENI, the procedure call
  EXPECT_TRUE(view.hasFilter());
}

TEST_F(RuntimeViewTest, PassesTestsOnlyTheConjunctsOfItsLevel) {
  RuntimeView view = openThree();
  bindViewFields(view);
  ASSERT_TRUE(view.setFilter("KAR:NUM = 1 AND NAZ:DATA = 2"));
  storeInteger(card("KAR:NUM"), card_, 1);
  storeInteger(appointment("NAZ:DATA"), appointment_, 3);
  EXPECT_TRUE(view.passes(0));
  EXPECT_FALSE(view.passes(1));
  EXPECT_TRUE(view.passes(2));
}

TEST_F(RuntimeViewTest, FilterThatDoesNotParseLeavesNoFilterAndUnboundNamesPost801) {
  RuntimeView view = openThree();
  bindViewFields(view);
  ASSERT_TRUE(view.setFilter("KAR:NUM = 1"));
  EXPECT_FALSE(view.setFilter("KAR:NUM = (1"));
  EXPECT_FALSE(view.hasFilter());
  EXPECT_EQ(view.filterText(), "KAR:NUM = (1");
  for (const auto& level : view.levels()) EXPECT_TRUE(level.conjuncts.empty());

  clearErrors();
  EXPECT_FALSE(view.setFilter("NOBODY:FIELD = 1"));
  EXPECT_EQ(errorCode(), 801);
  EXPECT_TRUE(view.setFilter("  "));
  EXPECT_FALSE(view.hasFilter());
}

TEST(ViewTrace, SwitchesComeFromTheViewSectionAndTheFileOnlyWithProfileOn) {
  platform::IniFile profile;
  EXPECT_FALSE(viewTraceFlags(profile).profile);
  EXPECT_EQ(viewTraceFlags(profile).file, "VIEW.LOG");
  profile.set("VSVIEW", "TraceIntoFiles", "1");
  profile.set("VSVIEW", "TraceFile", "other.log");
  EXPECT_TRUE(viewTraceFlags(profile).into_files);
  EXPECT_EQ(viewTraceFlags(profile).file, "VIEW.LOG");
  profile.set("VSVIEW", "Profile", "1");
  EXPECT_EQ(viewTraceFlags(profile).file, "other.log");
  profile.set("VSVIEW", "TraceFile", "");
  EXPECT_EQ(viewTraceFlags(profile).file, "VIEW.LOG");
  profile.set("VSVIEW", "TraceFile", std::string(300, 'x'));
  EXPECT_EQ(viewTraceFlags(profile).file.size(), 260u);
}

TEST(OrderText, SignsSpacesAndCommasInsideCalls) {
  const auto parts = splitOrderText(" -KAR:FAM ,\t+ KAR:NOM,KAR:NUM, SUB(KAR:FAM, 1, 2), 'a,b'");
  ASSERT_EQ(parts.size(), 5u);
  EXPECT_EQ(parts[0].text, "KAR:FAM");
  EXPECT_TRUE(parts[0].descending);
  EXPECT_EQ(parts[1].text, "KAR:NOM");
  EXPECT_FALSE(parts[1].descending);
  EXPECT_FALSE(parts[2].descending);
  EXPECT_EQ(parts[3].text, "SUB(KAR:FAM, 1, 2)");
  EXPECT_EQ(parts[4].text, "'a,b'");
  EXPECT_TRUE(splitOrderText("  ").empty());
  EXPECT_EQ(splitOrderText("a,,b")[1].text, "");
}

TEST_F(RuntimeViewTest, OrderFollowsAKeyOnlyWhenItIsThatKeysPrefixInDirection) {
  RuntimeView view = openThree();
  bindViewFields(view);
  ASSERT_TRUE(view.setOrder("+KAR:NUM"));
  EXPECT_EQ(view.orderKey(), 0u);
  ASSERT_TRUE(view.setOrder("KAR:FAM, -KAR:NUM"));
  EXPECT_EQ(view.orderKey(), 1u);
  ASSERT_TRUE(view.setOrder("UPPER(KAR:FAM)"));  // the key is case-insensitive
  EXPECT_EQ(view.orderKey(), 1u);
  ASSERT_TRUE(view.setOrder("KAR:FAM, KAR:NUM"));  // the key's second component descends
  EXPECT_EQ(view.orderKey(), std::nullopt);
  ASSERT_TRUE(view.setOrder("-KAR:NUM"));
  EXPECT_EQ(view.orderKey(), std::nullopt);
  ASSERT_TRUE(view.setOrder("NAZ:NUM"));  // a joined file's field is no key of the primary
  EXPECT_EQ(view.orderKey(), std::nullopt);
  ASSERT_TRUE(view.setOrder("KAR:NUM + 0"));
  EXPECT_EQ(view.orderKey(), std::nullopt);
  ASSERT_TRUE(view.setOrder(""));
  EXPECT_TRUE(view.order().empty());
  EXPECT_EQ(view.orderKey(), std::nullopt);
}

TEST_F(RuntimeViewTest, OrderWithAComponentThatDoesNotParseIsRemoved) {
  RuntimeView view = openThree();
  bindViewFields(view);
  ASSERT_TRUE(view.setOrder("-KAR:FAM, +KAR:NUM"));
  ASSERT_EQ(view.order().size(), 2u);
  EXPECT_TRUE(view.order()[0].descending);
  EXPECT_FALSE(view.order()[1].descending);
  EXPECT_FALSE(view.setOrder("KAR:FAM, (KAR:NUM"));
  EXPECT_TRUE(view.order().empty());
  EXPECT_FALSE(view.setOrder("KAR:FAM,,KAR:NUM"));
}

}  // namespace
}  // namespace veltrano::runtime
