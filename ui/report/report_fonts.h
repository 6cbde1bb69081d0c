// The fonts reports are printed with: the DejaVu families of the fonts-dejavu-core package,
// named explicitly by their files so that every machine lays out and draws a report alike,
// whatever the font configuration would choose. Layout measures text with the widths read
// from these files; the Qt side draws with the same files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ui/report/report_description.h"
#include "ui/report/true_type.h"

namespace veltrano::ui::report {

// Where the fonts package puts its files.
inline constexpr std::string_view kFontDirectory = "/usr/share/fonts/truetype/dejavu";

// The file of the face a font is printed with; nothing for a family the package lacks.
std::optional<std::string> fontFile(const FontSpec& font);

// A font at its size, measuring code page 1251 text in hundredths of a millimetre.
class MeasuredFont {
 public:
  MeasuredFont(const TrueTypeMetrics& metrics, double points);

  Length width(std::string_view text) const;
  Length ascent() const { return ascent_; }
  Length descent() const { return descent_; }
  // From one baseline to the next.
  Length lineHeight() const { return line_height_; }
  // The longest start of `text` no wider than `width`, in bytes.
  std::size_t fitting(std::string_view text, Length width) const;

 private:
  std::array<std::uint16_t, 256> advance_{};
  double scale_ = 0;  // hundredths of a millimetre per design unit
  Length ascent_ = 0;
  Length descent_ = 0;
  Length line_height_ = 0;
};

// Reads the font's file (through the program's file system) and measures it at its size.
// Nothing, and the reason in *error (code page 1251), when the family is unknown or its file
// is missing or damaged.
std::optional<MeasuredFont> loadFont(const FontSpec& font, std::string* error);

}  // namespace veltrano::ui::report
