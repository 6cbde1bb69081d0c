// The workbook: one sheet, the titles in a bold first row that stays in view while the rows
// scroll, the columns as wide as the list shows them, dates stored as dates and numbers as
// numbers (formatted as the list prints them), everything else as text.
#include <xlsxwriter.h>

#include <charconv>
#include <cstdlib>
#include <map>
#include <memory>

#include "framework/export/export_table.h"
#include "platform/codepage.h"
#include "platform/os_error.h"
#include "runtime/picture/picture.h"
#include "ui/report/report_files.h"

namespace veltrano::framework {
namespace {

// Date serials count from 28 December 1800; the workbook's from 30 December 1899.
constexpr std::int32_t kWorkbookDateOffset = 36161;
// The workbook's serials before 1 March 1900 count a 29 February that never was.
constexpr std::int32_t kFirstTrueWorkbookDate = 61;
constexpr double kCharacterWidth = 1.1;  // a list character in the workbook's width units

struct Workbook {
  lxw_workbook* book = nullptr;
  ~Workbook() {
    if (book != nullptr) workbook_close(book);
  }
};

enum class CellKind { kText, kNumber, kDate };

struct ColumnStyle {
  CellKind kind = CellKind::kText;
  runtime::CompiledPicture picture;
  lxw_format* format = nullptr;
};

std::string trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

// "0", "0.00", "#,##0.00": the digits after the picture's decimal point and its grouping.
std::string numberFormat(const runtime::CompiledPicture& picture) {
  int decimals = 0;
  bool grouping = false;
  bool after_point = false;
  for (std::size_t at = 0; at < picture.length; ++at) {
    const std::uint8_t code = picture.tokens[at].code;
    if (code == runtime::picture_code::kGrouping) grouping = true;
    if (code == runtime::picture_code::kDecimal) after_point = true;
    if (after_point &&
        (code == runtime::picture_code::kDigitPadded || code == runtime::picture_code::kDigitBlank))
      ++decimals;
  }
  std::string format = grouping ? "#,##0" : "0";
  if (decimals > 0) format += "." + std::string(static_cast<std::size_t>(decimals), '0');
  return format;
}

ColumnStyle styleOf(lxw_workbook* book, const ExportColumn& column,
                    std::map<std::string, lxw_format*>& formats) {
  ColumnStyle style;
  if (column.picture.empty()) return style;
  style.picture = runtime::compilePicture(column.picture);
  if (!style.picture.valid()) return style;
  std::string number_format;
  switch (style.picture.pictureKind()) {
    case runtime::PictureKind::kDate:
      style.kind = CellKind::kDate;
      number_format = "dd.mm.yyyy";
      break;
    case runtime::PictureKind::kNumeric:
    case runtime::PictureKind::kScientific:
      style.kind = CellKind::kNumber;
      number_format = numberFormat(style.picture);
      break;
    default: return style;
  }
  lxw_format*& format = formats[number_format];
  if (format == nullptr) {
    format = workbook_add_format(book);
    format_set_num_format(format, number_format.c_str());
  }
  style.format = format;
  return style;
}

lxw_error writeCell(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, const ColumnStyle& style,
                    const std::string& text) {
  const std::string shown = trimmed(text);
  if (shown.empty()) return LXW_NO_ERROR;
  if (style.kind != CellKind::kText) {
    // The picture reads one character per position: the list showed the text without the
    // blanks that right-align it.
    const std::size_t width = runtime::pictureWidth(style.picture);
    const std::string padded = shown.size() < width ? std::string(width - shown.size(), ' ') + shown : shown;
    const std::string value = runtime::deformatPicture(padded, style.picture);
    if (style.kind == CellKind::kDate) {
      std::int32_t serial = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), serial);
      const std::int32_t day = serial - kWorkbookDateOffset;
      if (error == std::errc() && end == value.data() + value.size() && serial > 0 &&
          day >= kFirstTrueWorkbookDate)
        return worksheet_write_number(sheet, row, col, day, style.format);
    } else if (!value.empty()) {
      char* end = nullptr;
      const double number = std::strtod(value.c_str(), &end);
      if (end == value.c_str() + value.size())
        return worksheet_write_number(sheet, row, col, number, style.format);
    }
  }
  return worksheet_write_string(sheet, row, col, platform::utf8From1251(shown).c_str(), nullptr);
}

}  // namespace

std::optional<std::string> writeXlsx(const ExportTable& table, const std::string& path) {
  Workbook workbook;
  workbook.book = workbook_new(path.c_str());
  if (workbook.book == nullptr) return ui::report::fileWriteFailure(path, platform::kOsAccessDenied);
  lxw_worksheet* sheet =
      workbook_add_worksheet(workbook.book, platform::utf8From1251(platform::ru("Список")).c_str());
  lxw_format* title_format = workbook_add_format(workbook.book);
  format_set_bold(title_format);
  format_set_text_wrap(title_format);
  format_set_align(title_format, LXW_ALIGN_VERTICAL_TOP);

  std::map<std::string, lxw_format*> formats;
  std::vector<ColumnStyle> styles;
  lxw_error error = LXW_NO_ERROR;
  for (std::size_t at = 0; at < table.columns.size(); ++at) {
    const ExportColumn& column = table.columns[at];
    const auto col = static_cast<lxw_col_t>(at);
    styles.push_back(styleOf(workbook.book, column, formats));
    worksheet_set_column(sheet, col, col, std::max(column.width, 4) * kCharacterWidth, nullptr);
    error = worksheet_write_string(sheet, 0, col, platform::utf8From1251(column.title).c_str(), title_format);
  }
  worksheet_freeze_panes(sheet, 1, 0);
  for (std::size_t row = 0; row < table.rows.size() && error == LXW_NO_ERROR; ++row) {
    const std::vector<std::string>& cells = table.rows[row];
    for (std::size_t col = 0; col < cells.size() && col < styles.size() && error == LXW_NO_ERROR; ++col)
      error = writeCell(sheet, static_cast<lxw_row_t>(row + 1), static_cast<lxw_col_t>(col), styles[col],
                        cells[col]);
  }
  if (error != LXW_NO_ERROR) return ui::report::fileWriteFailure(path, platform::kOsWriteFault);
  lxw_workbook* book = workbook.book;
  workbook.book = nullptr;
  if (workbook_close(book) != LXW_NO_ERROR)
    return ui::report::fileWriteFailure(path, platform::kOsWriteFault);
  return std::nullopt;
}

}  // namespace veltrano::framework
