// Thumb positions and values of the step objects.
#include "framework/browse/step_objects.h"

#include <gtest/gtest.h>

#include "framework/window/window_test_support.h"

namespace veltrano::framework {
namespace {

using platform::ru;

TEST(StepObjects, NumericStepsMapValuesToHundredthsBothWays) {
  NumericStep step;
  step.SetLimit("100", "300");
  EXPECT_EQ(step.PercentileOf("100"), 1) << "0 becomes 1";
  EXPECT_EQ(step.PercentileOf("250"), 75);
  EXPECT_EQ(step.PercentileOf("999"), 100);
  EXPECT_EQ(step.GetValue(75), "250");
  NumericStep descending(kStepDescending);
  descending.SetLimit("300", "100");  // the first and last values of a descending order
  EXPECT_EQ(descending.PercentileOf("250"), 25);
  EXPECT_EQ(descending.GetValue(25), "250");
  NumericStep flat;
  flat.SetLimit("7", "7");
  EXPECT_EQ(flat.PercentileOf("7"), 50);
}

class TextSteps : public testing::WindowTest {};

TEST_F(TextSteps, LimitsMakeTheSampleTableAndTheBuiltInTablesServeModesOneAndTwo) {
  TextStep step;
  step.Init(kStepLetters, kStepLookupLimits);
  EXPECT_TRUE(step.NeedLimits());
  EXPECT_EQ(step.SORTCHARS.find_first_of("0123456789 "), std::string::npos) << "letters only";
  EXPECT_EQ(step.SORTCHARS.find('a'), std::string::npos) << "upper case only";
  step.SetLimit(ru("ИВАНОВ"), ru("ИЩЕНКО"));
  EXPECT_EQ(step.ROOT, ru("И"));
  ASSERT_EQ(step.REF.size(), 100u);
  EXPECT_EQ(step.REF.front(), ru("ВАНО"));
  EXPECT_TRUE(
      std::is_sorted(step.REF.begin(), step.REF.end(), [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
          return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
        });
      }));
  EXPECT_EQ(step.PercentileOf(ru("Иванов")), 1);
  EXPECT_EQ(step.PercentileOf(ru("Ищенко")), 100);
  const int middle = step.PercentileOf(step.GetValue(50));
  EXPECT_NEAR(middle, 51, 1) << "a value and its thumb agree";
  EXPECT_EQ(step.GetValue(0), step.GetValue(1));

  TextStep surnames;
  surnames.Init(kStepLetters, kStepLookupSurnames);
  EXPECT_FALSE(surnames.NeedLimits());
  ASSERT_EQ(surnames.REF.size(), 101u);
  EXPECT_EQ(surnames.REF[1], "ALB");
  EXPECT_EQ(surnames.REF[100], "YOR");
  EXPECT_EQ(surnames.PercentileOf("Smith"), surnames.PercentileOf("SMITH"));
  TextStep pairs;
  pairs.Init(kStepLetters, kStepLookupPairs);
  EXPECT_EQ(pairs.TESTLEN, 2);
  EXPECT_EQ(pairs.REF[4], "B ");
  EXPECT_EQ(pairs.REF.back(), "ZN");
}

}  // namespace
}  // namespace veltrano::framework
