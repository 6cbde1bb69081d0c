// A report as its procedure describes it: the page, the fonts, and the bands with their
// items. The report engine lays records out from this (report_layout.h) into pages of
// drawing instructions (page.h) that the screen, PDF files and printers all draw alike.
//
// Lengths are in hundredths of a millimetre; an item's place is relative to the top left
// corner of its band, and bands span the page between its margins. Texts are code page 1251.
//
// Bands print in this order on every page: the page header at the top (after the report
// header on the first page), then the bands the procedure prints and the group breaks they
// cause, and the page footer at the bottom of the printable area. The report footer follows
// the last band printed. Group bands name the value whose change starts a new group; groups
// nest in the order their bands are listed, outermost first.
//
// A list report's description, in outline:
//
//   ReportDescription report;
//   report.name = "VELTR113";
//   report.page = {PaperSize::kA4, Orientation::kPortrait, {1500, 1000, 1000, 1000}};
//   report.fonts = {FontSpec{"DejaVu Sans", 9}, FontSpec{"DejaVu Sans", 12, true}};
//   ReportBand& detail = report.bands.emplace_back(ReportBand{BandKind::kDetail, "detail", 500});
//   detail.items.push_back(fieldItem("KAR:FAM", "@s30", {0, 0, 6000, 500}));
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltrano::ui::report {

using Length = std::int32_t;  // hundredths of a millimetre

struct Box {
  Length x = 0;
  Length y = 0;
  Length width = 0;
  Length height = 0;
};

enum class PaperSize : std::uint8_t { kA4, kA3 };
enum class Orientation : std::uint8_t { kPortrait, kLandscape };

struct Margins {
  Length left = 1500;
  Length top = 1000;
  Length right = 1000;
  Length bottom = 1000;
};

struct PageSetup {
  PaperSize paper = PaperSize::kA4;
  Orientation orientation = Orientation::kPortrait;
  Margins margins;
};

// The size of the paper as it lies: A4 portrait is 210 × 297 mm.
struct PaperExtent {
  Length width = 0;
  Length height = 0;
};
PaperExtent paperExtent(const PageSetup& page);

// The families shipped with the program's fonts package; each comes upright and bold.
// Italic text is drawn slanted from the upright face, with the same widths.
struct FontSpec {
  std::string family = "DejaVu Sans";  // "DejaVu Sans", "DejaVu Serif" or "DejaVu Sans Mono"
  double points = 10;
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

enum class ItemKind : std::uint8_t {
  kText,        // `text` as it stands
  kField,       // the value named `source`, through `picture`
  kPageNumber,  // the page's number, through `picture` (default "@n4"), after `text`
  kPageCount,   // the number of pages in the report, through `picture`, after `text`
  kLineNumber,  // the number of detail lines printed so far, this one included
  kTotal,       // `total` over the value `source` (below), through `picture`, after `text`
  kLine,        // a line from the top left to the bottom right corner of `at`
  kBox,         // a rectangle around `at`
};

// What a total item shows. Its band decides what it runs over: in a group footer the group's
// records, in the page footer the page's, in the report footer the whole report's; in a
// printed band, a running total up to that band.
enum class TotalKind : std::uint8_t { kCount, kSum, kAverage, kMinimum, kMaximum };

enum class Align : std::uint8_t { kLeft, kCenter, kRight, kDefault };  // default: numbers right

// Sides of an item's box that are ruled, for the cells of tables.
namespace border {
inline constexpr std::uint8_t kNone = 0;
inline constexpr std::uint8_t kLeft = 1;
inline constexpr std::uint8_t kTop = 2;
inline constexpr std::uint8_t kRight = 4;
inline constexpr std::uint8_t kBottom = 8;
inline constexpr std::uint8_t kAll = 15;
}  // namespace border

struct ReportItem {
  ItemKind kind = ItemKind::kText;
  Box at;
  std::string text;
  std::string source;      // the value a field or total shows
  std::string picture;     // "@s30", "@d6.", "@n_6"; empty: the value as it stands
  std::uint16_t font = 0;  // index into ReportDescription::fonts
  Align align = Align::kDefault;
  bool wrap = false;   // break the text into lines within the box (else cut to fit)
  bool middle = true;  // centre a single line vertically in its box
  std::uint8_t borders = border::kNone;
  Length line_width = 20;      // lines, boxes and borders
  std::uint8_t fill_gray = 0;  // 0: no fill; 1 (black) … 255 (white)
  Length padding = 60;         // between a ruled box and its text
  TotalKind total = TotalKind::kCount;
  // The value's column in the spreadsheet rows of a detail band: its title there (empty: the
  // page header's texts above it), and whether it has one at all. A statistical form prints
  // grouped headings ("высшая" under a heading spanning the categories) and names its
  // spreadsheet columns plainly ("Высшая").
  std::string column_title;
  bool spreadsheet = true;
};

enum class BandKind : std::uint8_t {
  kReportHeader,  // once, at the top of the first page
  kPageHeader,
  kGroupHeader,
  kDetail,  // printed by the procedure, by name
  kGroupFooter,
  kPageFooter,
  kReportFooter,
};

struct ReportBand {
  BandKind kind = BandKind::kDetail;
  std::string name;
  Length height = 0;
  std::vector<ReportItem> items;
  std::string break_on;   // group bands: the value whose change starts a new group
  bool new_page = false;  // group headers: each group starts on a page of its own
  // The band grows to hold its wrapped texts; items reaching its bottom edge grow with it,
  // so that the rules of a table row stay joined.
  bool can_grow = true;
};

struct ReportDescription {
  std::string name;   // the procedure's name, "VELTR113"
  std::string title;  // the document's title in PDF files and printer queues
  PageSetup page;
  std::vector<FontSpec> fonts{FontSpec{}};
  std::vector<ReportBand> bands;
};

// Shorthands for the items descriptions use most.
ReportItem textItem(std::string text, Box at, std::uint16_t font = 0, Align align = Align::kLeft);
ReportItem fieldItem(std::string source, std::string picture, Box at, std::uint16_t font = 0);

}  // namespace veltrano::ui::report
