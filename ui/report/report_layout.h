// Laying records out into pages. The report procedure prints its detail bands one record at a
// time; the layout starts pages as they fill, with their headers and footers, prints the group
// bands when a group's value changes, keeps the totals, and at the end hands over the pages.
//
//   auto report = CompiledReport::compile(description, &error);   // nothing: tell the user
//   ReportLayout layout(std::move(report));
//   std::vector<std::string> values(layout.report().valueNames().size());
//   for (each record) { fill values; layout.print("detail", values); }
//   ReportPages pages = layout.close();
//
// Values are texts as the picture formatter takes them: digits
// for numbers, serials for dates and times, the text itself for strings; one per name of
// valueNames(), in that order.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/values/decimal.h"
#include "ui/report/compiled_report.h"
#include "ui/report/page.h"

namespace veltrano::ui::report {

// A finished report: its pages, and its detail lines as cells for a spreadsheet.
struct ReportPages {
  std::string name;
  std::string title;
  PageSetup page;
  std::vector<PagePointer> pages;
  std::vector<std::string> column_titles;  // of the first detail band, as its page header prints them
  std::vector<std::vector<std::string>> detail_rows;
};

class ReportLayout {
 public:
  explicit ReportLayout(std::shared_ptr<const CompiledReport> report);
  ~ReportLayout();
  ReportLayout(const ReportLayout&) = delete;
  ReportLayout& operator=(const ReportLayout&) = delete;

  const CompiledReport& report() const { return *report_; }

  // Prints the detail band with these values. False, with the reason in *error, for a band
  // the report does not have or a wrong number of values; the pages are unchanged then.
  bool print(std::string_view band, std::span<const std::string> values, std::string* error = nullptr);
  // The next band starts a new page (nothing happens on a page that holds only its headers).
  void pageBreak();
  // Pages begun so far.
  int pageCount() const;
  // Prints the open groups' footers and the report footer, ends the last page and fills in the
  // page counts. REQUIRES: called once; the layout prints nothing after it.
  ReportPages close();

 private:
  struct Accumulator;
  struct Prepared;

  void startPage(std::span<const std::string> values);
  void finishPage();
  void place(const CompiledBand& band, std::span<const std::string> values, Length keep_with = 0);
  Prepared prepare(const CompiledBand& band, std::span<const std::string> values, Length room) const;
  void draw(const Prepared& prepared, Length top);
  std::string itemText(const CompiledItem& item, std::span<const std::string> values) const;
  void accumulate(std::span<const std::string> values, bool page_scope);
  void resetTotals(TotalScope::Kind kind, int from_group = 0);
  bool pageHasBody() const { return y_ > body_top_; }
  void noteDetailRow(const CompiledBand& band, const Prepared& prepared);

  std::shared_ptr<const CompiledReport> report_;
  std::shared_ptr<const std::vector<FontSpec>> fonts_;
  std::vector<std::shared_ptr<Page>> pages_;  // finished
  std::shared_ptr<Page> page_;                // being filled
  Length y_ = 0;                              // where the next band goes
  Length body_top_ = 0;                       // below the page's headers
  Length body_bottom_ = 0;                    // above its footer
  bool break_pending_ = false;
  std::vector<std::string> last_values_;
  std::vector<std::string> group_keys_;
  bool any_detail_ = false;
  long long detail_lines_ = 0;
  std::vector<Accumulator> totals_;
  // Page counts are known at the end: where they stand, to be filled in then.
  struct PendingCount {
    std::size_t page = 0;
    std::size_t text = 0;
    const CompiledItem* item = nullptr;
  };
  std::vector<PendingCount> pending_counts_;
  std::vector<std::string> column_titles_;
  const CompiledBand* first_detail_ = nullptr;
  std::vector<std::vector<std::string>> detail_rows_;
  bool closed_ = false;
};

}  // namespace veltrano::ui::report
