// A report description checked and made ready to lay out: its pictures compiled, its fonts
// measured, and the values its items show numbered, so that printing a band costs no look-up
// by name. Everything that can be wrong with a description is found here, when the report
// opens, rather than half-way through its pages.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/picture/picture.h"
#include "ui/report/report_description.h"
#include "ui/report/report_fonts.h"

namespace veltrano::ui::report {

struct CompiledItem {
  const ReportItem* item = nullptr;
  std::optional<runtime::CompiledPicture> picture;
  int value = -1;  // index into CompiledReport::valueNames(); -1 when the item shows none
  Align align = Align::kLeft;
  int total = -1;  // index of the item's accumulator; -1 for items that are not totals
};

// Which records a total runs over.
struct TotalScope {
  enum Kind : std::uint8_t { kReport, kPage, kGroup } kind = kReport;
  int group = 0;  // kGroup: the group's level, 0 outermost
};

struct CompiledBand {
  const ReportBand* band = nullptr;
  std::vector<CompiledItem> items;
  int group = -1;  // group bands: the level, 0 outermost
};

class CompiledReport {
 public:
  // Nothing, and what is wrong in *error (code page 1251), when the description cannot be
  // printed: a picture that does not compile, an unknown font or a missing font file, an
  // item outside the page, a band taller than the page leaves room for, two bands of one kind
  // that can only be one, a detail band without a name, a group band without a value.
  static std::unique_ptr<CompiledReport> compile(ReportDescription description, std::string* error);

  const ReportDescription& description() const { return description_; }
  const std::vector<std::string>& valueNames() const { return value_names_; }
  // -1 when no item or group shows the value.
  int valueIndex(std::string_view name) const;
  const MeasuredFont& font(std::uint16_t index) const { return fonts_[index]; }

  const CompiledBand* band(BandKind kind) const;
  const CompiledBand* detail(std::string_view name) const;
  const std::vector<const CompiledBand*>& groupHeaders() const { return group_headers_; }
  const std::vector<const CompiledBand*>& groupFooters() const { return group_footers_; }
  const std::vector<int>& groupValues() const { return group_values_; }
  const std::vector<TotalScope>& totals() const { return totals_; }
  const std::vector<CompiledBand>& bands() const { return bands_; }

  PaperExtent paper() const { return paper_; }
  Box printable() const { return printable_; }

 private:
  CompiledReport() = default;
  bool build(std::string* error);
  bool compileBand(const ReportBand& band, CompiledBand& compiled, std::string* error);
  int valueFor(const std::string& name);

  ReportDescription description_;
  std::vector<MeasuredFont> fonts_;
  std::vector<std::string> value_names_;
  std::vector<CompiledBand> bands_;
  std::vector<const CompiledBand*> group_headers_;  // by level; null where the group has none
  std::vector<const CompiledBand*> group_footers_;
  std::vector<int> group_values_;  // the value each group level breaks on
  std::vector<TotalScope> totals_;
  PaperExtent paper_;
  Box printable_;
};

}  // namespace veltrano::ui::report
