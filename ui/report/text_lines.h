// Breaking a cell's text into the lines that fit its width.
#pragma once

#include <string_view>
#include <vector>

#include "ui/report/report_fonts.h"

namespace veltrano::ui::report {

// The lines of `text` (code page 1251) within `width`: broken at spaces where it can be, inside
// a word that alone is wider than the line, and at every line break the text holds ("\n",
// "\r\n"). Spaces at the ends of lines are dropped; an empty text has no lines.
std::vector<std::string_view> wrapLines(std::string_view text, const MeasuredFont& font, Length width);

// The longest start of the text's first line that fits `width`, without trailing spaces.
std::string_view cutToFit(std::string_view text, const MeasuredFont& font, Length width);

// Without leading and trailing spaces.
std::string_view trimmed(std::string_view text);

}  // namespace veltrano::ui::report
