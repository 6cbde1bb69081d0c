#include "app/reports/signature_lines.h"

#include "platform/codepage.h"

namespace veltrano::app::reports {
namespace {

using ui::report::Length;

constexpr Length kRow = 800;
constexpr Length kLine = 4500;
constexpr Length kGap = 300;  // the longest label would otherwise touch its line

}  // namespace

void addSignatureLine(ui::report::ReportBand& band, std::string_view label, std::string name,
                      Length label_width) {
  const Length top = band.height;
  ui::report::ReportItem text = ui::report::textItem(platform::ru(label), {0, top, label_width, kRow - 100});
  text.wrap = true;
  band.items.push_back(text);
  ui::report::ReportItem line;
  line.kind = ui::report::ItemKind::kLine;
  line.at = {label_width + kGap, top + kRow - 250, kLine, 0};
  band.items.push_back(line);
  band.items.push_back(
      ui::report::textItem(std::move(name), {label_width + kGap + kLine + kGap, top, 6000, kRow - 100}));
  band.height += kRow;
}

}  // namespace veltrano::app::reports
