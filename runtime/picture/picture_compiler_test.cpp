#include <gtest/gtest.h>

#include <cstring>

#include "platform/codepage.h"
#include "runtime/picture/picture.h"

namespace veltrano::runtime {
namespace {

namespace code = picture_code;

// The tokens as "<code>:<pad>" pairs, for checking layouts position by position.
std::string tokensOf(std::string_view text) {
  const CompiledPicture picture = compilePicture(text);
  std::string out;
  for (std::size_t i = 0; i < picture.length; ++i) {
    if (!out.empty()) out += ' ';
    out += std::to_string(picture.tokens[i].code) + ":" + picture.tokens[i].pad;
  }
  return out;
}

TEST(PictureCompiler, InvalidPicturesGiveTheZeroRecord) {
  const CompiledPicture zero{};
  for (std::string_view text :
       {"N10",     "@",        "@N",     "@X10",  "@S0",   "@S256",   "@S10x", "@N0",    "@N255", "@N10.2x",
        "@N(10.2", "@N-10.2-", "@N$10$", "@N~ab", "@N3.2", "@N10v.2", "@E6.1", "@E10.5", "@D0",   "@D19",
        "@D6x",    "@D6<",     "@T9",    "@T0",   "@P###", "@K##P",   "@B",    "@NB",    "@n~~10"}) {
    const CompiledPicture picture = compilePicture(text);
    EXPECT_EQ(picture.length, 0) << text;
    EXPECT_EQ(std::memcmp(&picture, &zero, sizeof zero), 0) << text;
    EXPECT_EQ(compiledSize(text), 0u) << text;
    EXPECT_EQ(formatPicture("12", picture), "") << text;
    EXPECT_EQ(deformatPicture("12", picture), "") << text;
  }
  EXPECT_EQ(compilePicture("@S" + std::string(254, '1')).length, 0);  // too long a text
}

TEST(PictureCompiler, StringsAndSizes) {
  const CompiledPicture empty = compilePicture("");
  EXPECT_EQ(empty.pictureKind(), PictureKind::kString);
  EXPECT_EQ(pictureWidth(empty), 255u);
  const CompiledPicture s60 = compilePicture("@s60  ");
  EXPECT_EQ(s60.pictureKind(), PictureKind::kString);
  EXPECT_EQ(pictureWidth(s60), 60u);
  EXPECT_EQ(compiledSize("@S60"), 2u);
  EXPECT_EQ(compiledSize("@N10.2"), 22u);
  EXPECT_EQ(compiledSize("@D6"), 22u);
  EXPECT_EQ(compiledSize("@P###-##-##P"), 20u);
  EXPECT_EQ(compilePicture("@S255").length, 255);
}

TEST(PictureCompiler, NumericLayouts) {
  EXPECT_EQ(tokensOf("@N10.2"), "4:  4:  4:  1:, 4:  4:  3:0 2:. 3:0 3:0");
  EXPECT_EQ(tokensOf("@N_6.2"), "4:  4:  3:0 2:. 3:0 3:0");
  EXPECT_EQ(tokensOf("@N06"), "3:0 3:0 3:0 3:0 3:0 3:0");
  EXPECT_EQ(tokensOf("@N*6"), "3:* 3:* 3:* 3:* 3:* 3:0");
  EXPECT_EQ(tokensOf("@N*6_"), "3:* 3:* 1:  3:* 3:* 3:0");
  EXPECT_EQ(tokensOf("@N6v2"), "4:  4:  4:0 22:. 3:0 3:0");
  // A separator is due after every third digit, even when it is the first position.
  EXPECT_EQ(tokensOf("@N7`2"), "1:. 4:  4:  3:0 2:, 3:0 3:0");
  EXPECT_EQ(tokensOf("@N7_.2"), "1:  4:  4:  3:0 2:. 3:0 3:0");
  EXPECT_EQ(tokensOf("@N5."), "4:  1:. 4:  4:  3:0");
  EXPECT_EQ(tokensOf("@N$(6)"), "6:$ 5:( 4:  4:  3:0 5:)");
  EXPECT_EQ(tokensOf(platform::ru("@N~руб~5-")), platform::ru("6:р 6:у 6:б 3:0 5:-"));
  EXPECT_EQ(tokensOf(platform::ru("@N_4~ р.~")), platform::ru("3:0 6:  6:р 6:."));
  EXPECT_EQ(compilePicture("@n-10.2b").blank_when_zero, 1);
  EXPECT_EQ(pictureWidth(compilePicture("@N6v2")), 5u);
}

TEST(PictureCompiler, ScientificLayout) {
  EXPECT_EQ(tokensOf("@E12.2"), "5:- 4:  4:  3:0 2:. 3:0 3:0 0:E 21:+ 3:0 3:0 3:0");
  EXPECT_EQ(compilePicture("@E7").length, 7);
}

TEST(PictureCompiler, DateAndTimeOptions) {
  const CompiledPicture d6 = compilePicture("@D6");
  EXPECT_EQ(d6.pictureKind(), PictureKind::kDate);
  EXPECT_EQ(d6.format, 6);
  EXPECT_EQ(d6.century_window, 80);
  EXPECT_EQ(tokensOf("@D6"), "8:  8:0 19:/ 7:0 7:0 19:/ 9:0 9:0 9:0 9:0");
  EXPECT_EQ(tokensOf("@D06."), "8:0 8:0 19:. 7:0 7:0 19:. 9:0 9:0 9:0 9:0");
  EXPECT_EQ(tokensOf("@D*1`"), "7:* 7:* 19:, 8:* 8:* 19:, 9:* 9:*");
  EXPECT_EQ(tokensOf("@D8-"), "8:  8:0 19:- 10:  10:  10:  19:- 9:0 9:0 9:0 9:0");
  EXPECT_EQ(compilePicture("@D1<30").century_window, 30);
  EXPECT_EQ(compilePicture("@D1<0").century_window, 80);
  EXPECT_EQ(compilePicture("@D1>10").century_window, 89);
  EXPECT_EQ(compilePicture("@D1>0").century_window, 80);
  EXPECT_EQ(compilePicture("@D1>99").century_window, 0);
  EXPECT_EQ(pictureWidth(compilePicture("@D4")), 21u);
  EXPECT_EQ(tokensOf("@T3"), "11:  11:0 19:: 12:0 12:0 20:  0:M");
  EXPECT_EQ(tokensOf("@T1."), "11:  11:0 19:. 12:0 12:0");
  EXPECT_EQ(tokensOf("@T05"), "11:0 11:0 12:0 12:0 13:0 13:0");
  EXPECT_EQ(compilePicture("@t6").pictureKind(), PictureKind::kTime);
}

TEST(PictureCompiler, PatternsAndKeyIn) {
  EXPECT_EQ(tokensOf("@P###-##-##P"), "3:0 3:0 3:0 0:- 3:0 3:0 0:- 3:0 3:0");
  EXPECT_EQ(tokensOf("@p<#p"), "4:  3:0");
  EXPECT_EQ(tokensOf("@K#<@^_?|\\#xK"), "3:0 4:  14:  15:  16:  17:  23:  0:# 0:x");
  EXPECT_EQ(compilePicture("@P##PB").blank_when_zero, 1);
}

TEST(PictureCompiler, RecordIsAPlainValue) {
  static_assert(std::is_trivially_copyable_v<CompiledPicture>);
  const CompiledPicture original = compilePicture("@N10.2");
  CompiledPicture copy = original;
  EXPECT_EQ(formatPicture("1.5", copy), formatPicture("1.5", original));
  EXPECT_EQ(copy.tokens[6].code, code::kDigitPadded);
}

}  // namespace
}  // namespace veltrano::runtime
