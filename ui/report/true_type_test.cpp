#include "ui/report/true_type.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/codepage.h"
#include "ui/report/report_files.h"
#include "ui/report/report_fonts.h"

namespace veltrano::ui::report {
namespace {

TEST(TrueType, MeasuresRussianTextWithTheShippedFonts) {
  for (const char* family : {"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono"}) {
    for (bool bold : {false, true}) {
      std::string error;
      std::optional<MeasuredFont> font = loadFont(FontSpec{family, 10, bold}, &error);
      ASSERT_TRUE(font) << family << ": " << platform::utf8From1251(error);
      // Every Cyrillic letter has a glyph of its own: in the proportional faces they come in
      // many widths, where a character map read wrongly would give every one the missing
      // glyph's box.
      std::set<Length> widths;
      for (int letter = 0xC0; letter <= 0xFF; ++letter) {
        Length width = font->width(std::string(1, static_cast<char>(letter)));
        EXPECT_GT(width, 0) << family << " " << letter;
        widths.insert(width);
      }
      EXPECT_GT(widths.size(), std::string_view(family).ends_with("Mono") ? 0u : 8u) << family;
      // Ten points is 352.8 hundredths of a millimetre; the line is a little taller.
      EXPECT_GT(font->lineHeight(), 353);
      EXPECT_LT(font->lineHeight(), 450);
      EXPECT_LE(font->width("abcd"), font->width("ab") + font->width("cd"));
      EXPECT_EQ(font->fitting("abcdef", font->width("abc")), 3u);
    }
  }
}

TEST(TrueType, RefusesDamagedFiles) {
  auto file = readWholeFile(std::string(kFontDirectory) + "/DejaVuSans.ttf");
  ASSERT_TRUE(file);
  std::vector<std::uint8_t> bytes = *file;
  std::string error;
  ASSERT_TRUE(readTrueTypeMetrics(bytes, &error));
  auto damaged = [&](auto spoil) {
    std::vector<std::uint8_t> copy = bytes;
    spoil(copy);
    std::string reason;
    bool read = readTrueTypeMetrics(copy, &reason).has_value();
    return !read && !reason.empty();
  };
  EXPECT_TRUE(damaged([](auto& b) { b.resize(8); }));
  EXPECT_TRUE(damaged([](auto& b) { b.resize(2000); }));
  EXPECT_TRUE(damaged([](auto& b) { b[0] = 'X'; }));
  EXPECT_TRUE(damaged([](auto& b) { std::fill(b.begin() + 12, b.begin() + 400, 0xFF); }));
  EXPECT_TRUE(damaged([](auto& b) { b.clear(); }));
}

}  // namespace
}  // namespace veltrano::ui::report
