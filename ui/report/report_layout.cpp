#include "ui/report/report_layout.h"

#include <algorithm>
#include <limits>

#include "ui/report/text_lines.h"

namespace veltrano::ui::report {
namespace {

std::string numberText(long long number, const std::optional<runtime::CompiledPicture>& picture) {
  std::string digits = std::to_string(number);
  if (!picture) return digits;
  return std::string(trimmed(runtime::formatPicture(digits, *picture)));
}

Length verticalPadding(const ReportItem& item) {
  return item.padding / 2;
}

// The items of a band that show values, left to right: the columns of its spreadsheet rows.
std::vector<const CompiledItem*> columnsOf(const CompiledBand& band) {
  std::vector<const CompiledItem*> columns;
  for (const CompiledItem& item : band.items) {
    ItemKind kind = item.item->kind;
    if ((kind == ItemKind::kField || kind == ItemKind::kTotal || kind == ItemKind::kLineNumber) &&
        item.item->spreadsheet) {
      columns.push_back(&item);
    }
  }
  std::stable_sort(columns.begin(), columns.end(), [](const CompiledItem* a, const CompiledItem* b) {
    return a->item->at.x < b->item->at.x;
  });
  return columns;
}

}  // namespace

struct ReportLayout::Accumulator {
  long long count = 0;
  runtime::Decimal sum;
  runtime::Decimal lowest;
  runtime::Decimal highest;

  void add(std::string_view value) {
    runtime::Decimal number = runtime::Decimal::fromText(value);
    if (count == 0 || number.compare(lowest) < 0) lowest = number;
    if (count == 0 || number.compare(highest) > 0) highest = number;
    sum = sum + number;
    ++count;
  }

  std::string result(TotalKind kind) const {
    switch (kind) {
      case TotalKind::kCount: return std::to_string(count);
      case TotalKind::kSum: return sum.toText();
      case TotalKind::kAverage:
        return count == 0 ? "0" : (sum / runtime::Decimal::fromInteger(count)).toText();
      case TotalKind::kMinimum: return lowest.toText();
      case TotalKind::kMaximum: return highest.toText();
    }
    return "0";
  }
};

struct ReportLayout::Prepared {
  struct Cell {
    const CompiledItem* item = nullptr;
    std::string text;                     // the whole text the item shows
    std::vector<std::string_view> lines;  // into `text`: what fits the cell
    Length height = 0;
  };
  const CompiledBand* band = nullptr;
  Length height = 0;
  std::vector<Cell> cells;
};

ReportLayout::ReportLayout(std::shared_ptr<const CompiledReport> report)
    : report_(std::move(report)),
      fonts_(std::make_shared<const std::vector<FontSpec>>(report_->description().fonts)),
      last_values_(report_->valueNames().size()),
      group_keys_(report_->groupValues().size()),
      totals_(report_->totals().size()) {
  for (const CompiledBand& band : report_->bands()) {
    if (band.band->kind == BandKind::kDetail) {
      first_detail_ = &band;
      break;
    }
  }
  if (first_detail_ == nullptr) return;
  const CompiledBand* header = report_->band(BandKind::kPageHeader);
  if (header == nullptr) header = report_->band(BandKind::kReportHeader);
  for (const CompiledItem* column : columnsOf(*first_detail_)) {
    if (!column->item->column_title.empty()) {
      column_titles_.push_back(column->item->column_title);
      continue;
    }
    const Box& at = column->item->at;
    Length centre = at.x + at.width / 2;
    std::vector<const ReportItem*> over;
    if (header != nullptr) {
      for (const CompiledItem& title : header->items) {
        const ReportItem& item = *title.item;
        if (item.kind == ItemKind::kText && item.at.x <= centre && centre < item.at.x + item.at.width &&
            !trimmed(item.text).empty()) {
          over.push_back(&item);
        }
      }
    }
    std::stable_sort(over.begin(), over.end(),
                     [](const ReportItem* a, const ReportItem* b) { return a->at.y < b->at.y; });
    std::string title;
    for (const ReportItem* item : over) {
      if (!title.empty()) title += ' ';
      std::string text(trimmed(item->text));
      std::replace(text.begin(), text.end(), '\n', ' ');
      title += text;
    }
    column_titles_.push_back(title.empty() ? column->item->source : title);
  }
}

ReportLayout::~ReportLayout() = default;

int ReportLayout::pageCount() const {
  return static_cast<int>(pages_.size()) + (page_ != nullptr ? 1 : 0);
}

std::string ReportLayout::itemText(const CompiledItem& compiled, std::span<const std::string> values) const {
  const ReportItem& item = *compiled.item;
  switch (item.kind) {
    case ItemKind::kText: return item.text;
    case ItemKind::kField: {
      const std::string& value = values[static_cast<std::size_t>(compiled.value)];
      if (!compiled.picture) return std::string(trimmed(value));
      return std::string(trimmed(runtime::formatPicture(value, *compiled.picture)));
    }
    case ItemKind::kPageNumber: return item.text + numberText(pageCount(), compiled.picture);
    case ItemKind::kPageCount: return item.text;  // the count follows at the end
    case ItemKind::kLineNumber: return numberText(detail_lines_, compiled.picture);
    case ItemKind::kTotal: {
      std::string value = totals_[static_cast<std::size_t>(compiled.total)].result(item.total);
      if (!compiled.picture) return item.text + value;
      return item.text + std::string(trimmed(runtime::formatPicture(value, *compiled.picture)));
    }
    case ItemKind::kLine:
    case ItemKind::kBox: return {};
  }
  return {};
}

ReportLayout::Prepared ReportLayout::prepare(const CompiledBand& band, std::span<const std::string> values,
                                             Length room) const {
  Prepared prepared;
  prepared.band = &band;
  const ReportBand& described = *band.band;
  Length needed = described.height;
  prepared.cells.reserve(band.items.size());
  for (const CompiledItem& compiled : band.items) {
    const ReportItem& item = *compiled.item;
    Prepared::Cell& cell = prepared.cells.emplace_back();
    cell.item = &compiled;
    cell.height = item.at.height;
    if (item.kind == ItemKind::kLine || item.kind == ItemKind::kBox) continue;
    cell.text = itemText(compiled, values);
    const MeasuredFont& font = report_->font(item.font);
    Length inner = std::max<Length>(item.at.width - 2 * item.padding, 1);
    if (item.wrap) {
      cell.lines = wrapLines(cell.text, font, inner);
      Length tall = static_cast<Length>(cell.lines.size()) * font.lineHeight() + 2 * verticalPadding(item);
      needed = std::max(needed, item.at.y + tall);
    } else if (std::string_view line = cutToFit(cell.text, font, inner); !line.empty()) {
      cell.lines.push_back(line);
    }
  }
  prepared.height = described.can_grow ? needed : described.height;
  prepared.height = std::max<Length>(std::min(prepared.height, room), 0);
  Length growth = prepared.height - described.height;
  for (Prepared::Cell& cell : prepared.cells) {
    const Box& at = cell.item->item->at;
    if (growth > 0 && at.y + at.height == described.height) cell.height += growth;
    cell.height = std::max<Length>(std::min(cell.height, prepared.height - at.y), 0);
  }
  return prepared;
}

void ReportLayout::draw(const Prepared& prepared, Length top) {
  const Box printable = report_->printable();
  for (const Prepared::Cell& cell : prepared.cells) {
    const ReportItem& item = *cell.item->item;
    Box box{printable.x + item.at.x, top + item.at.y, item.at.width, cell.height};
    if (item.kind == ItemKind::kLine) {
      page_->lines.push_back({box.x, box.y, box.x + box.width, box.y + box.height, item.line_width});
      continue;
    }
    if (item.kind == ItemKind::kBox || item.fill_gray != 0) {
      page_->boxes.push_back({box, item.kind == ItemKind::kBox ? item.line_width : 0, item.fill_gray});
    }
    Length right = box.x + box.width;
    Length bottom = box.y + box.height;
    if (item.borders & border::kTop) page_->lines.push_back({box.x, box.y, right, box.y, item.line_width});
    if (item.borders & border::kBottom)
      page_->lines.push_back({box.x, bottom, right, bottom, item.line_width});
    if (item.borders & border::kLeft) page_->lines.push_back({box.x, box.y, box.x, bottom, item.line_width});
    if (item.borders & border::kRight) page_->lines.push_back({right, box.y, right, bottom, item.line_width});
    if (item.kind == ItemKind::kPageCount) {
      pending_counts_.push_back({pages_.size(), page_->texts.size(), cell.item});
    } else if (cell.lines.empty()) {
      continue;
    }
    const MeasuredFont& font = report_->font(item.font);
    Length padding = std::min(item.padding, box.width / 2);
    Length baseline = cell.lines.size() <= 1 && item.middle
                          ? box.y + (box.height - font.ascent() - font.descent()) / 2 + font.ascent()
                          : box.y + verticalPadding(item) + font.ascent();
    std::size_t line_count = std::max<std::size_t>(cell.lines.size(), 1);
    for (std::size_t line = 0; line < line_count; ++line, baseline += font.lineHeight()) {
      // A line that would reach below its cell is not printed: the cell's text is clipped,
      // never printed over the band below.
      if (line > 0 && baseline + font.descent() > bottom) break;
      std::string_view text = line < cell.lines.size() ? cell.lines[line] : std::string_view();
      PageText printed;
      printed.width = font.width(text);
      Length free = box.width - 2 * padding - printed.width;
      switch (cell.item->align) {
        case Align::kRight: printed.x = box.x + padding + std::max<Length>(free, 0); break;
        case Align::kCenter: printed.x = box.x + padding + std::max<Length>(free / 2, 0); break;
        default: printed.x = box.x + padding;
      }
      printed.baseline = baseline;
      printed.clip = box;
      printed.font = item.font;
      printed.text = std::string(text);
      page_->texts.push_back(std::move(printed));
    }
  }
}

void ReportLayout::startPage(std::span<const std::string> values) {
  const PaperExtent paper = report_->paper();
  const Box printable = report_->printable();
  page_ = std::make_shared<Page>();
  page_->number = static_cast<int>(pages_.size()) + 1;
  page_->width = paper.width;
  page_->height = paper.height;
  page_->fonts = fonts_;
  resetTotals(TotalScope::kPage);
  y_ = printable.y;
  body_bottom_ = printable.y + printable.height;
  if (const CompiledBand* footer = report_->band(BandKind::kPageFooter)) body_bottom_ -= footer->band->height;
  body_top_ = y_;
  if (page_->number == 1) {
    if (const CompiledBand* header = report_->band(BandKind::kReportHeader)) {
      Prepared prepared = prepare(*header, values, body_bottom_ - y_);
      draw(prepared, y_);
      y_ += prepared.height;
    }
  }
  if (const CompiledBand* header = report_->band(BandKind::kPageHeader)) {
    Prepared prepared = prepare(*header, values, body_bottom_ - y_);
    draw(prepared, y_);
    y_ += prepared.height;
  }
  body_top_ = y_;
}

void ReportLayout::finishPage() {
  if (page_ == nullptr) return;
  if (const CompiledBand* footer = report_->band(BandKind::kPageFooter)) {
    Prepared prepared = prepare(*footer, last_values_, footer->band->height);
    draw(prepared, body_bottom_);
  }
  pages_.push_back(std::move(page_));
  page_ = nullptr;
}

void ReportLayout::place(const CompiledBand& band, std::span<const std::string> values, Length keep_with) {
  if (page_ == nullptr) startPage(values);
  bool detail = band.band->kind == BandKind::kDetail;
  // Measured whole first: a band grown by its wrapped texts past the room left on the page goes
  // to the next page rather than losing its last lines here.
  Prepared prepared = prepare(band, values, std::numeric_limits<Length>::max());
  bool overflows = y_ + prepared.height + keep_with > body_bottom_;
  if (pageHasBody() && (break_pending_ || overflows)) {
    finishPage();
    startPage(values);
  }
  // Only a band taller than a whole page is cut.
  prepared = prepare(band, values, body_bottom_ - y_);
  break_pending_ = false;
  if (detail) {
    accumulate(values, true);
    noteDetailRow(band, prepared);
  }
  draw(prepared, y_);
  y_ += prepared.height;
}

void ReportLayout::accumulate(std::span<const std::string> values, bool page_scope) {
  const std::vector<TotalScope>& scopes = report_->totals();
  for (const CompiledBand& band : report_->bands()) {
    for (const CompiledItem& item : band.items) {
      if (item.total < 0) continue;
      bool page = scopes[static_cast<std::size_t>(item.total)].kind == TotalScope::kPage;
      if (page != page_scope) continue;
      totals_[static_cast<std::size_t>(item.total)].add(
          item.value >= 0 ? std::string_view(values[static_cast<std::size_t>(item.value)])
                          : std::string_view("0"));
    }
  }
}

void ReportLayout::resetTotals(TotalScope::Kind kind, int from_group) {
  const std::vector<TotalScope>& scopes = report_->totals();
  for (std::size_t total = 0; total < scopes.size(); ++total) {
    if (scopes[total].kind == kind && (kind != TotalScope::kGroup || scopes[total].group >= from_group)) {
      totals_[total] = Accumulator{};
    }
  }
}

void ReportLayout::noteDetailRow(const CompiledBand& band, const Prepared& prepared) {
  std::vector<std::string>& row = detail_rows_.emplace_back();
  for (const CompiledItem* column : columnsOf(band)) {
    for (const Prepared::Cell& cell : prepared.cells) {
      if (cell.item != column) continue;
      std::string printed;
      const char* previous_end = nullptr;
      for (std::string_view line : cell.lines) {
        // Lines broken between words join with a space; a word too long for its cell, broken
        // where the cell ends, joins up again.
        if (!printed.empty() && line.data() != previous_end) printed += ' ';
        printed += line;
        previous_end = line.data() + line.size();
      }
      row.push_back(std::move(printed));
    }
  }
}

bool ReportLayout::print(std::string_view name, std::span<const std::string> values, std::string* error) {
  const CompiledBand* band = report_->detail(name);
  if (closed_ || band == nullptr || values.size() != report_->valueNames().size()) {
    if (error != nullptr) {
      *error = closed_ ? "the report is closed"
               : band == nullptr
                   ? "the report has no detail band named " + std::string(name)
                   : "the band needs " + std::to_string(report_->valueNames().size()) + " values";
    }
    return false;
  }
  const std::vector<int>& group_values = report_->groupValues();
  std::size_t changed = group_values.size();
  for (std::size_t level = 0; level < group_values.size(); ++level) {
    if (!any_detail_ || values[static_cast<std::size_t>(group_values[level])] != group_keys_[level]) {
      changed = level;
      break;
    }
  }
  if (changed < group_values.size()) {
    if (any_detail_) {
      for (std::size_t level = group_values.size(); level-- > changed;) {
        if (const CompiledBand* footer = report_->groupFooters()[level]) place(*footer, last_values_);
      }
    }
    resetTotals(TotalScope::kGroup, static_cast<int>(changed));
    for (std::size_t level = changed; level < group_values.size(); ++level) {
      group_keys_[level] = values[static_cast<std::size_t>(group_values[level])];
      const CompiledBand* header = report_->groupHeaders()[level];
      if (header == nullptr) continue;
      if (header->band->new_page && pageHasBody()) break_pending_ = true;
      place(*header, values, band->band->height);
    }
  }
  any_detail_ = true;
  ++detail_lines_;
  accumulate(values, false);
  place(*band, values);
  last_values_.assign(values.begin(), values.end());
  return true;
}

void ReportLayout::pageBreak() {
  break_pending_ = true;
}

ReportPages ReportLayout::close() {
  ReportPages finished;
  if (closed_) return finished;
  closed_ = true;
  if (page_ == nullptr && pages_.empty()) startPage(last_values_);
  if (any_detail_) {
    for (std::size_t level = report_->groupValues().size(); level-- > 0;) {
      if (const CompiledBand* footer = report_->groupFooters()[level]) place(*footer, last_values_);
    }
  }
  if (const CompiledBand* footer = report_->band(BandKind::kReportFooter)) place(*footer, last_values_);
  finishPage();

  long long pages = static_cast<long long>(pages_.size());
  for (const PendingCount& pending : pending_counts_) {
    Page& page = *pages_[pending.page];
    PageText& text = page.texts[pending.text];
    const ReportItem& item = *pending.item->item;
    const MeasuredFont& font = report_->font(item.font);
    text.text = item.text + numberText(pages, pending.item->picture);
    Length old_width = text.width;
    text.width = font.width(text.text);
    if (pending.item->align == Align::kRight) text.x -= text.width - old_width;
    if (pending.item->align == Align::kCenter) text.x -= (text.width - old_width) / 2;
  }

  const ReportDescription& description = report_->description();
  finished.name = description.name;
  finished.title = description.title;
  finished.page = description.page;
  finished.pages.assign(pages_.begin(), pages_.end());
  pages_.clear();
  finished.column_titles = std::move(column_titles_);
  finished.detail_rows = std::move(detail_rows_);
  return finished;
}

}  // namespace veltrano::ui::report
