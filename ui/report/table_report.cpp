#include "ui/report/table_report.h"

#include "platform/codepage.h"

namespace veltrano::ui::report {
namespace {

constexpr std::uint16_t kTableFont = 0;
constexpr std::uint16_t kTitleFont = 1;
constexpr std::uint16_t kHeadingFont = 2;
constexpr Length kNumberWidth = 1200;  // five digits

ReportItem cell(ReportItem item, Box at) {
  item.at = at;
  item.borders = border::kAll;
  item.wrap = true;
  return item;
}

bool isNumberPicture(const std::string& picture) {
  return picture.size() > 1 &&
         (picture[1] == 'n' || picture[1] == 'N' || picture[1] == 'e' || picture[1] == 'E');
}

ReportItem heading(const std::string& text, Box at) {
  ReportItem item = cell(textItem(text, at, kHeadingFont, Align::kCenter), at);
  item.fill_gray = 235;
  return item;
}

}  // namespace

ReportDescription tableReport(const TableReport& table) {
  ReportDescription report;
  report.name = table.name;
  report.title = table.title.empty() ? table.name : table.title.front();
  report.page = table.page;
  report.fonts = {FontSpec{"DejaVu Sans", table.points}, FontSpec{"DejaVu Sans", table.points + 3, true},
                  FontSpec{"DejaVu Sans", table.points, true}};
  Box printable{0, 0, paperExtent(table.page).width - table.page.margins.left - table.page.margins.right, 0};
  Length line = table.row_height;

  ReportBand header;
  header.kind = BandKind::kReportHeader;
  header.name = "title";
  for (const std::string& text : table.title) {
    ReportItem item = textItem(text, {0, header.height, printable.width, 700}, kTitleFont, Align::kCenter);
    item.wrap = true;
    header.items.push_back(item);
    header.height += 700;
  }
  if (!table.title.empty()) header.height += 300;

  bool grouped = false;
  for (const TableColumn& column : table.columns) grouped = grouped || !column.group_title.empty();
  ReportBand titles;
  titles.kind = BandKind::kPageHeader;
  titles.name = "titles";
  // Grows with a column title wrapped in its narrow column rather than cutting its last words.
  titles.height = grouped ? 2 * line : line;
  ReportBand row;
  row.kind = BandKind::kDetail;
  row.name = kTableRow;
  row.height = line;

  Length x = 0;
  if (table.line_numbers) {
    titles.items.push_back(heading("\xB9", {x, 0, kNumberWidth, titles.height}));  // "№"
    ReportItem number;
    number.kind = ItemKind::kLineNumber;
    number = cell(number, {x, 0, kNumberWidth, line});
    number.wrap = false;
    row.items.push_back(number);
    x += kNumberWidth;
  }
  for (std::size_t at = 0; at < table.columns.size(); ++at) {
    const TableColumn& column = table.columns[at];
    if (!column.group_title.empty() && (at == 0 || table.columns[at - 1].group_title != column.group_title)) {
      Length span = 0;
      for (std::size_t next = at;
           next < table.columns.size() && table.columns[next].group_title == column.group_title; ++next) {
        span += table.columns[next].width;
      }
      titles.items.push_back(heading(column.group_title, {x, 0, span, line}));
    }
    Box title_box = column.group_title.empty() ? Box{x, 0, column.width, titles.height}
                                               : Box{x, line, column.width, line};
    titles.items.push_back(heading(column.title, title_box));
    ReportItem value = cell(fieldItem(column.source, column.picture, {}), {x, 0, column.width, line});
    value.align = column.align;
    // A number broken over lines would read as two numbers.
    value.wrap = !isNumberPicture(column.picture);
    row.items.push_back(value);
    x += column.width;
  }

  ReportBand footer;
  footer.kind = BandKind::kPageFooter;
  footer.name = "page";
  footer.height = 600;
  ReportItem page_number;
  page_number.kind = ItemKind::kPageNumber;
  page_number.text = table.page_text.empty() ? platform::ru("Стр. ") : table.page_text;
  page_number.at = {0, 100, printable.width, 500};
  page_number.align = Align::kRight;
  footer.items.push_back(page_number);

  ReportBand end;
  end.kind = BandKind::kReportFooter;
  end.name = "end";
  end.height = 700;
  ReportItem count;
  count.kind = ItemKind::kTotal;
  count.total = TotalKind::kCount;
  count.text = table.total_text.empty() ? platform::ru("Всего: ") : table.total_text;
  count.at = {0, 200, printable.width, 500};
  count.align = Align::kLeft;
  count.font = kHeadingFont;
  end.items.push_back(count);
  report.bands = {std::move(header), std::move(titles), std::move(row), std::move(footer), std::move(end)};
  return report;
}

}  // namespace veltrano::ui::report
