#include "app/reports/statistical_form.h"

#include "app/reports/institution.h"
#include "app/reports/signature_lines.h"
#include "platform/codepage.h"

namespace veltrano::app::reports {
namespace {

using ui::report::Align;
using ui::report::Box;
using ui::report::Length;
using ui::report::ReportBand;
using ui::report::ReportItem;

constexpr std::uint16_t kTableFont = 0;
constexpr std::uint16_t kHeadingFont = 1;
constexpr std::uint16_t kTitleFont = 2;
constexpr std::uint16_t kBoldFont = 3;
constexpr Length kRowHeight = 430;
constexpr Length kGroupHeight = 900;
constexpr Length kNumbersHeight = 380;
constexpr Length kHeaderLine = 600;

ReportItem cell(ReportItem item, Box at, Align align) {
  item.at = at;
  item.align = align;
  item.borders = ui::report::border::kAll;
  item.wrap = true;
  item.padding = 50;
  return item;
}

ReportItem heading(std::string_view text, Box at) {
  return cell(ui::report::textItem(platform::ru(text), {}, kHeadingFont), at, Align::kCenter);
}

ReportBand band(ui::report::BandKind kind, std::string name, Length height) {
  ReportBand made;
  made.kind = kind;
  made.name = std::move(name);
  made.height = height;
  return made;
}

std::string countName(std::size_t index) {
  return "count" + std::to_string(index);
}
std::string totalName(std::size_t index) {
  return "total" + std::to_string(index);
}

}  // namespace

std::string lineNumber(std::int64_t line) {
  return (line < 10 ? "0" : "") + std::to_string(line);
}

ui::report::ReportDescription describeForm(const FormDescription& form, const std::string& chief,
                                           const std::string& clerk) {
  ui::report::ReportDescription report;
  report.name = procedureName(form.number);
  report.title = form.header.empty() ? form.mark : form.header.front();
  report.page = form.page;
  report.fonts = {
      {"DejaVu Sans", 7.5}, {"DejaVu Sans", 7}, {"DejaVu Sans", 10.5, true}, {"DejaVu Sans", 7.5, true}};
  const Length width =
      ui::report::paperExtent(form.page).width - form.page.margins.left - form.page.margins.right;

  ReportBand header = band(ui::report::BandKind::kReportHeader, "header", 0);
  if (!form.mark.empty()) {
    header.items.push_back(ui::report::textItem(form.mark, {0, 0, width, 450}, kBoldFont, Align::kRight));
    header.height = 500;
  }
  for (const std::string& line : form.header) {
    ReportItem item =
        ui::report::textItem(line, {0, header.height, width, kHeaderLine}, kTitleFont, Align::kCenter);
    item.wrap = true;
    header.items.push_back(item);
    header.height += kHeaderLine;
  }
  header.height += 300;

  ReportBand headings =
      band(ui::report::BandKind::kPageHeader, "headings", form.heading_height + kNumbersHeight);
  headings.can_grow = false;
  ReportBand row = band(ui::report::BandKind::kDetail, "row", kRowHeight);
  ReportBand end = band(ui::report::BandKind::kReportFooter, "end", 0);
  if (form.totals) end.height = kRowHeight;
  Length x = 0;
  for (std::size_t index = 0; index < form.columns.size(); ++index) {
    const FormColumn& column = form.columns[index];
    if (!column.group.empty() && (index == 0 || form.columns[index - 1].group != column.group)) {
      Length span = 0;
      for (std::size_t next = index; next < form.columns.size() && form.columns[next].group == column.group;
           ++next)
        span += form.columns[next].width;
      headings.items.push_back(heading(column.group, {x, 0, span, kGroupHeight}));
    }
    const Length top = column.group.empty() ? 0 : kGroupHeight;
    headings.items.push_back(heading(column.heading, {x, top, column.width, form.heading_height - top}));
    headings.items.push_back(
        heading(std::to_string(index + 1), {x, form.heading_height, column.width, kNumbersHeight}));

    // The name, the line's number, then the counts.
    const std::string source = index == 0 ? "name" : index == 1 ? "line" : countName(index - 2);
    ReportItem value = cell(ui::report::fieldItem(source, {}, {}), {x, 0, column.width, kRowHeight},
                            index == 0   ? Align::kLeft
                            : index == 1 ? Align::kCenter
                                         : Align::kRight);
    value.wrap = index == 0;
    value.spreadsheet = !column.spreadsheet.empty();
    value.column_title = platform::ru(column.spreadsheet);
    row.items.push_back(value);
    if (form.totals && index != 1) {
      ReportItem total = index == 0 ? ui::report::textItem(platform::ru("Итого"), {}, kBoldFont)
                                    : ui::report::fieldItem(totalName(index - 2), {}, {}, kBoldFont);
      end.items.push_back(
          cell(total, {x, 0, column.width, kRowHeight}, index == 0 ? Align::kLeft : Align::kRight));
    } else if (form.totals) {
      end.items.push_back(
          cell(ui::report::textItem({}, {}), {x, 0, column.width, kRowHeight}, Align::kCenter));
    }
    x += column.width;
  }
  if (form.signatures) {
    end.height += 500;
    addSignatureLine(end, "Руководитель организации", chief);
    addSignatureLine(end, "Должностное лицо, ответственное за составление формы", clerk);
  }

  ReportBand footer = band(ui::report::BandKind::kPageFooter, "page", 500);
  ReportItem page_number;
  page_number.kind = ui::report::ItemKind::kPageNumber;
  page_number.text = platform::ru("Стр. ");
  page_number.at = {0, 100, width, 400};
  page_number.align = Align::kRight;
  footer.items.push_back(page_number);
  report.bands = {std::move(header), std::move(headings), std::move(row), std::move(footer), std::move(end)};
  return report;
}

StatisticalForm::StatisticalForm(const Application& application, ReportSource source)
    : CardReport(application, std::move(source)) {}

std::uint8_t StatisticalForm::Run() {
  const FormDescription form = Describe();
  const ManagerNames managers = readManagerNames(dictionary());
  REPORT = describeForm(form, managers.chief, managers.deputy_personnel);
  const std::size_t counts = form.columns.size() > 2 ? form.columns.size() - 2 : 0;
  row_.counts.assign(counts, 0);
  totals_.assign(counts, 0);
  BindValue("name", [this] { return row_.name; });
  BindValue("line", [this] { return row_.line; });
  for (std::size_t index = 0; index < counts; ++index) {
    BindValue(countName(index), [this, index] { return std::to_string(row_.counts[index]); });
    BindValue(totalName(index), [this, index] { return std::to_string(totals_[index]); });
  }
  return CardReport::Run();
}

int StatisticalForm::OnRecord() {
  Count();
  return 0;
}

int StatisticalForm::OnEndOfRecords() {
  for (FormRow& row : Rows()) {
    row.counts.resize(row_.counts.size(), 0);
    row_ = std::move(row);
    if (row_.in_totals) {
      for (std::size_t index = 0; index < totals_.size(); ++index) totals_[index] += row_.counts[index];
    }
    if (!PrintBand("row")) return 1;
  }
  return 0;
}

}  // namespace veltrano::app::reports
