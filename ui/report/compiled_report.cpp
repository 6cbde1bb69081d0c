#include "ui/report/compiled_report.h"

#include <algorithm>

#include "platform/codepage.h"

namespace veltrano::ui::report {
namespace {

using platform::ru;

bool isNumeric(const runtime::CompiledPicture& picture) {
  return picture.pictureKind() == runtime::PictureKind::kNumeric ||
         picture.pictureKind() == runtime::PictureKind::kScientific;
}

bool showsValue(ItemKind kind) {
  return kind == ItemKind::kField || kind == ItemKind::kTotal;
}

std::string bandLabel(const ReportBand& band) {
  static constexpr const char* kNames[] = {"заголовок отчёта", "заголовок страницы", "заголовок группы",
                                           "строка",           "итог группы",        "подвал страницы",
                                           "итог отчёта"};
  std::string label = ru(kNames[static_cast<int>(band.kind)]);
  if (!band.name.empty()) label += " \"" + band.name + "\"";
  return label;
}

}  // namespace

PaperExtent paperExtent(const PageSetup& page) {
  PaperExtent portrait = page.paper == PaperSize::kA3 ? PaperExtent{29700, 42000} : PaperExtent{21000, 29700};
  if (page.orientation == Orientation::kLandscape) return {portrait.height, portrait.width};
  return portrait;
}

ReportItem textItem(std::string text, Box at, std::uint16_t font, Align align) {
  ReportItem item;
  item.kind = ItemKind::kText;
  item.text = std::move(text);
  item.at = at;
  item.font = font;
  item.align = align;
  return item;
}

ReportItem fieldItem(std::string source, std::string picture, Box at, std::uint16_t font) {
  ReportItem item;
  item.kind = ItemKind::kField;
  item.source = std::move(source);
  item.picture = std::move(picture);
  item.at = at;
  item.font = font;
  return item;
}

std::unique_ptr<CompiledReport> CompiledReport::compile(ReportDescription description, std::string* error) {
  std::unique_ptr<CompiledReport> report(new CompiledReport);
  report->description_ = std::move(description);
  std::string reason;
  if (!report->build(&reason)) {
    if (error != nullptr) {
      *error = ru("Отчёт ") + report->description_.name + ru(" не может быть напечатан: ") + reason;
    }
    return nullptr;
  }
  return report;
}

int CompiledReport::valueIndex(std::string_view name) const {
  auto found = std::find(value_names_.begin(), value_names_.end(), name);
  return found == value_names_.end() ? -1 : static_cast<int>(found - value_names_.begin());
}

int CompiledReport::valueFor(const std::string& name) {
  int index = valueIndex(name);
  if (index >= 0) return index;
  value_names_.push_back(name);
  return static_cast<int>(value_names_.size()) - 1;
}

const CompiledBand* CompiledReport::band(BandKind kind) const {
  for (const CompiledBand& band : bands_) {
    if (band.band->kind == kind) return &band;
  }
  return nullptr;
}

const CompiledBand* CompiledReport::detail(std::string_view name) const {
  for (const CompiledBand& band : bands_) {
    if (band.band->kind == BandKind::kDetail && band.band->name == name) return &band;
  }
  return nullptr;
}

bool CompiledReport::build(std::string* error) {
  const ReportDescription& report = description_;
  paper_ = paperExtent(report.page);
  const Margins& margins = report.page.margins;
  printable_ = {margins.left, margins.top, paper_.width - margins.left - margins.right,
                paper_.height - margins.top - margins.bottom};
  if (margins.left < 0 || margins.top < 0 || margins.right < 0 || margins.bottom < 0 ||
      printable_.width < 1000 || printable_.height < 1000) {
    *error = ru("поля страницы не оставляют места для печати");
    return false;
  }
  if (report.fonts.empty()) {
    *error = ru("не задан ни один шрифт");
    return false;
  }
  for (const FontSpec& spec : report.fonts) {
    std::optional<MeasuredFont> font = loadFont(spec, error);
    if (!font) return false;
    fonts_.push_back(*font);
  }

  bands_.reserve(report.bands.size());
  for (const ReportBand& band : report.bands) {
    bool single = band.kind != BandKind::kDetail && band.kind != BandKind::kGroupHeader &&
                  band.kind != BandKind::kGroupFooter;
    if (single && this->band(band.kind) != nullptr) {
      *error = ru("в отчёте два раздела: ") + bandLabel(band);
      return false;
    }
    if (band.kind == BandKind::kDetail && (band.name.empty() || detail(band.name) != nullptr)) {
      *error = band.name.empty() ? ru("у строки отчёта нет имени") : ru("две строки с именем ") + band.name;
      return false;
    }
    CompiledBand& compiled = bands_.emplace_back();
    compiled.band = &band;
    if (band.kind == BandKind::kGroupHeader || band.kind == BandKind::kGroupFooter) {
      if (band.break_on.empty()) {
        *error = bandLabel(band) + ru(": не указано, по какому значению делятся группы");
        return false;
      }
      int value = valueFor(band.break_on);
      auto level = std::find(group_values_.begin(), group_values_.end(), value);
      compiled.group = static_cast<int>(level - group_values_.begin());
      if (level == group_values_.end()) {
        group_values_.push_back(value);
        group_headers_.push_back(nullptr);
        group_footers_.push_back(nullptr);
      }
      auto& slot = band.kind == BandKind::kGroupHeader ? group_headers_ : group_footers_;
      if (slot[static_cast<std::size_t>(compiled.group)] != nullptr) {
        *error = ru("два раздела: ") + bandLabel(band);
        return false;
      }
      slot[static_cast<std::size_t>(compiled.group)] = &compiled;
    }
    if (!compileBand(band, compiled, error)) return false;
  }

  Length fixed = 0;
  for (BandKind kind : {BandKind::kPageHeader, BandKind::kPageFooter}) {
    if (const CompiledBand* found = this->band(kind)) fixed += found->band->height;
  }
  for (const ReportBand& band : report.bands) {
    Length room = printable_.height - fixed;
    if (band.kind != BandKind::kPageHeader && band.kind != BandKind::kPageFooter && band.height > room) {
      *error = bandLabel(band) + ru(" выше, чем оставляет места страница");
      return false;
    }
  }
  if (fixed > printable_.height) {
    *error = ru("заголовок и подвал страницы не помещаются на страницу");
    return false;
  }
  return true;
}

bool CompiledReport::compileBand(const ReportBand& band, CompiledBand& compiled, std::string* error) {
  if (band.height < 0) {
    *error = bandLabel(band) + ru(": отрицательная высота");
    return false;
  }
  for (const ReportItem& item : band.items) {
    const Box& at = item.at;
    std::string what =
        bandLabel(band) + ", " + (item.source.empty() ? "\"" + item.text + "\"" : ru("поле ") + item.source);
    if (at.x < 0 || at.y < 0 || at.width < 0 || at.height < 0 || at.x + at.width > printable_.width ||
        at.y + at.height > band.height) {
      *error = what + ru(": выходит за границы раздела или страницы");
      return false;
    }
    if (item.font >= fonts_.size()) {
      *error = what + ru(": нет шрифта номер ") + std::to_string(item.font);
      return false;
    }
    CompiledItem& compiled_item = compiled.items.emplace_back();
    compiled_item.item = &item;
    if (!item.picture.empty()) {
      runtime::CompiledPicture picture = runtime::compilePicture(item.picture);
      if (!picture.valid()) {
        *error = what + ru(": шаблон \"") + item.picture + ru("\" не распознан");
        return false;
      }
      compiled_item.picture = picture;
    }
    bool needs_source =
        item.kind == ItemKind::kField || (item.kind == ItemKind::kTotal && item.total != TotalKind::kCount);
    if (needs_source && item.source.empty()) {
      *error = what + ru(": не указано, какое значение печатать");
      return false;
    }
    if (showsValue(item.kind) && !item.source.empty()) compiled_item.value = valueFor(item.source);
    bool number = item.kind == ItemKind::kTotal || item.kind == ItemKind::kLineNumber ||
                  (compiled_item.picture && isNumeric(*compiled_item.picture));
    compiled_item.align = item.align != Align::kDefault ? item.align : number ? Align::kRight : Align::kLeft;
    if (item.kind == ItemKind::kTotal) {
      TotalScope scope;
      switch (band.kind) {
        case BandKind::kPageHeader:
        case BandKind::kPageFooter: scope.kind = TotalScope::kPage; break;
        case BandKind::kGroupHeader:
        case BandKind::kGroupFooter:
          scope.kind = TotalScope::kGroup;
          scope.group = compiled.group;
          break;
        default: scope.kind = TotalScope::kReport;
      }
      compiled_item.total = static_cast<int>(totals_.size());
      totals_.push_back(scope);
    }
  }
  return true;
}

}  // namespace veltrano::ui::report
