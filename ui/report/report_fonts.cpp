#include "ui/report/report_fonts.h"

#include <cmath>
#include <vector>

#include "platform/codepage.h"
#include "ui/report/report_files.h"

namespace veltrano::ui::report {
namespace {

struct Family {
  std::string_view name;
  std::string_view upright;
  std::string_view bold;
};

constexpr Family kFamilies[] = {
    {"DejaVu Sans", "DejaVuSans.ttf", "DejaVuSans-Bold.ttf"},
    {"DejaVu Serif", "DejaVuSerif.ttf", "DejaVuSerif-Bold.ttf"},
    {"DejaVu Sans Mono", "DejaVuSansMono.ttf", "DejaVuSansMono-Bold.ttf"},
};

constexpr double kHundredthsOfMillimetrePerPoint = 2540.0 / 72.0;

}  // namespace

std::optional<std::string> fontFile(const FontSpec& font) {
  for (const Family& family : kFamilies) {
    if (family.name != font.family) continue;
    return std::string(kFontDirectory) + "/" + std::string(font.bold ? family.bold : family.upright);
  }
  return std::nullopt;
}

MeasuredFont::MeasuredFont(const TrueTypeMetrics& metrics, double points)
    : advance_(metrics.advance), scale_(points * kHundredthsOfMillimetrePerPoint / metrics.units_per_em) {
  ascent_ = static_cast<Length>(std::lround(metrics.ascent * scale_));
  descent_ = static_cast<Length>(std::lround(metrics.descent * scale_));
  line_height_ =
      static_cast<Length>(std::lround((metrics.ascent + metrics.descent + metrics.line_gap) * scale_));
}

Length MeasuredFont::width(std::string_view text) const {
  std::uint64_t units = 0;
  for (char c : text) units += advance_[static_cast<std::uint8_t>(c)];
  return static_cast<Length>(std::ceil(static_cast<double>(units) * scale_));
}

std::size_t MeasuredFont::fitting(std::string_view text, Length width) const {
  double limit = width / scale_;
  std::uint64_t units = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    units += advance_[static_cast<std::uint8_t>(text[at])];
    if (static_cast<double>(units) > limit) return at;
  }
  return text.size();
}

std::optional<MeasuredFont> loadFont(const FontSpec& font, std::string* error) {
  auto fail = [&](std::string reason) -> std::optional<MeasuredFont> {
    if (error != nullptr) *error = std::move(reason);
    return std::nullopt;
  };
  if (!(font.points >= 2 && font.points <= 200)) {
    return fail(platform::ru("недопустимый размер шрифта ") + std::to_string(font.points));
  }
  std::optional<std::string> path = fontFile(font);
  if (!path) return fail(platform::ru("неизвестный шрифт \"") + font.family + "\"");
  std::optional<std::vector<std::uint8_t>> bytes = readWholeFile(*path);
  if (!bytes) {
    return fail(platform::ru("нет файла шрифта ") + *path + platform::ru(" (пакет fonts-dejavu-core)"));
  }
  std::string reason;
  std::optional<TrueTypeMetrics> metrics = readTrueTypeMetrics(*bytes, &reason);
  if (!metrics) return fail(platform::ru("файл шрифта ") + *path + platform::ru(" повреждён: ") + reason);
  return MeasuredFont(*metrics, font.points);
}

}  // namespace veltrano::ui::report
