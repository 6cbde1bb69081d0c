#include "ui/report/true_type.h"

#include <vector>

#include "platform/codepage.h"

namespace veltrano::ui::report {
namespace {

// TrueType numbers are big-endian. Every read is checked against the end of the file, so a
// damaged file gives an error rather than a read past its bytes.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool has(std::size_t offset, std::size_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }
  std::uint16_t u16(std::size_t offset) const {
    return has(offset, 2) ? static_cast<std::uint16_t>(bytes_[offset] << 8 | bytes_[offset + 1]) : 0;
  }
  std::int16_t s16(std::size_t offset) const { return static_cast<std::int16_t>(u16(offset)); }
  std::uint32_t u32(std::size_t offset) const {
    return static_cast<std::uint32_t>(u16(offset)) << 16 | u16(offset + 2);
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

struct Table {
  std::size_t offset = 0;
  std::size_t length = 0;
};

std::optional<Table> findTable(const Reader& file, const char (&tag)[5]) {
  std::uint16_t tables = file.u16(4);
  for (std::size_t at = 12; at < 12 + std::size_t{tables} * 16; at += 16) {
    if (!file.has(at, 16)) return std::nullopt;
    std::uint32_t wanted = static_cast<std::uint32_t>(tag[0]) << 24 |
                           static_cast<std::uint32_t>(tag[1]) << 16 |
                           static_cast<std::uint32_t>(tag[2]) << 8 | static_cast<std::uint32_t>(tag[3]);
    if (file.u32(at) != wanted) continue;
    Table table{file.u32(at + 8), file.u32(at + 12)};
    if (!file.has(table.offset, table.length)) return std::nullopt;
    return table;
  }
  return std::nullopt;
}

// The glyph of a character through a format 4 subtable (segments of the Basic Multilingual
// Plane); 0, the missing glyph, when no segment holds it.
std::uint16_t glyphOf(const Reader& file, std::size_t subtable, char32_t character) {
  if (character > 0xFFFF) return 0;
  std::size_t segments = file.u16(subtable + 6) / 2;
  std::size_t ends = subtable + 14;
  std::size_t starts = ends + segments * 2 + 2;
  std::size_t deltas = starts + segments * 2;
  std::size_t ranges = deltas + segments * 2;
  for (std::size_t segment = 0; segment < segments; ++segment) {
    if (file.u16(ends + segment * 2) < character) continue;
    std::uint16_t start = file.u16(starts + segment * 2);
    if (start > character) return 0;
    std::uint16_t delta = file.u16(deltas + segment * 2);
    std::uint16_t range = file.u16(ranges + segment * 2);
    if (range == 0) return static_cast<std::uint16_t>(character + delta);
    std::size_t at = ranges + segment * 2 + range + (character - start) * 2;
    std::uint16_t glyph = file.u16(at);
    return glyph == 0 ? 0 : static_cast<std::uint16_t>(glyph + delta);
  }
  return 0;
}

}  // namespace

std::optional<TrueTypeMetrics> readTrueTypeMetrics(std::span<const std::uint8_t> bytes, std::string* error) {
  auto fail = [&](const char* reason) -> std::optional<TrueTypeMetrics> {
    if (error != nullptr) *error = reason;
    return std::nullopt;
  };
  Reader file(bytes);
  if (!file.has(0, 12) || (file.u32(0) != 0x00010000 && file.u32(0) != 0x74727565)) {
    return fail("not a TrueType font file");
  }
  auto head = findTable(file, "head");
  auto hhea = findTable(file, "hhea");
  auto hmtx = findTable(file, "hmtx");
  auto cmap = findTable(file, "cmap");
  if (!head || !hhea || !hmtx || !cmap || head->length < 54 || hhea->length < 36) {
    return fail("the font file lacks its head, hhea, hmtx or cmap table");
  }
  TrueTypeMetrics metrics;
  metrics.units_per_em = file.u16(head->offset + 18);
  metrics.ascent = file.s16(hhea->offset + 4);
  metrics.descent = -file.s16(hhea->offset + 6);
  metrics.line_gap = file.s16(hhea->offset + 8);
  std::size_t long_metrics = file.u16(hhea->offset + 34);
  if (metrics.units_per_em == 0 || long_metrics == 0 || hmtx->length < long_metrics * 4) {
    return fail("the font file's metrics are damaged");
  }

  std::optional<std::size_t> unicode_subtable;
  std::uint16_t subtables = file.u16(cmap->offset + 2);
  for (std::size_t at = cmap->offset + 4; at < cmap->offset + 4 + std::size_t{subtables} * 8; at += 8) {
    std::uint16_t platform = file.u16(at);
    std::uint16_t encoding = file.u16(at + 2);
    std::size_t subtable = cmap->offset + file.u32(at + 4);
    bool unicode = platform == 0 || (platform == 3 && encoding == 1);
    if (unicode && file.has(subtable, 14) && file.u16(subtable) == 4 &&
        file.has(subtable, file.u16(subtable + 2))) {
      unicode_subtable = subtable;
      break;
    }
  }
  if (!unicode_subtable) return fail("the font file has no Unicode character map");

  auto advanceOf = [&](std::uint16_t glyph) {
    std::size_t index = glyph < long_metrics ? glyph : long_metrics - 1;
    return file.u16(hmtx->offset + index * 4);
  };
  for (int byte = 0; byte < 256; ++byte) {
    char32_t character = platform::unicodeFrom1251(static_cast<std::uint8_t>(byte));
    metrics.advance[static_cast<std::size_t>(byte)] = advanceOf(glyphOf(file, *unicode_subtable, character));
  }
  return metrics;
}

}  // namespace veltrano::ui::report
