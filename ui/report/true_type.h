// The horizontal metrics of a TrueType font file, read without a toolkit, so that reports are
// laid out the same way whether their pages go to the screen, a PDF file, a printer or a test
// that looks at the layout alone. Only what line layout needs is read: the design units per
// em, the ascent, descent and line gap, and the advance width of every character of code
// page 1251.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace veltrano::ui::report {

struct TrueTypeMetrics {
  int units_per_em = 0;
  int ascent = 0;    // above the baseline, design units
  int descent = 0;   // below the baseline, design units (positive)
  int line_gap = 0;  // design units
  // The advance of each 1251 byte in design units; a character the font lacks takes the
  // advance of its missing-glyph box, as it is drawn.
  std::array<std::uint16_t, 256> advance{};
};

// Reads the metrics from the bytes of a TrueType file. A file that is not TrueType, lacks one
// of the tables or has a table reaching past its end gives nothing and the reason in *error.
std::optional<TrueTypeMetrics> readTrueTypeMetrics(std::span<const std::uint8_t> file, std::string* error);

}  // namespace veltrano::ui::report
