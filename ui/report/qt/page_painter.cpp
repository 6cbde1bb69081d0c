#include "ui/report/qt/page_painter.h"

#include <QFontDatabase>
#include <QPaintDevice>
#include <mutex>

#include "ui/qt/text.h"
#include "ui/report/report_fonts.h"

namespace veltrano::ui::report::qt {
namespace {

using ui::qt::toQt;

constexpr double kHundredthsPerInch = 2540.0;

QColor grayOf(std::uint8_t level) {
  return QColor(level, level, level);
}

}  // namespace

bool registerReportFonts() {
  static std::once_flag once;
  static bool loaded = true;
  std::call_once(once, [] {
    for (const char* family : {"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono"}) {
      for (bool bold : {false, true}) {
        std::optional<std::string> file = fontFile(FontSpec{family, 10, bold});
        if (!file || QFontDatabase::addApplicationFont(QString::fromStdString(*file)) < 0) loaded = false;
      }
    }
  });
  return loaded;
}

QFont reportFont(const FontSpec& spec, int dots_per_inch) {
  registerReportFonts();
  QFont font(QString::fromStdString(spec.family));
  font.setStyleHint(QFont::SansSerif, QFont::PreferMatch);
  // Points on the device are scaled by the painter's transform into hundredths of a
  // millimetre: a font of p points spans p × 2540 / 72 units, which the device reaches at
  // p × 2540 / dpi of its own points.
  font.setPointSizeF(spec.points * kHundredthsPerInch / dots_per_inch);
  font.setBold(spec.bold);
  font.setItalic(spec.italic);
  font.setUnderline(spec.underline);
  // The layout measured the glyphs' own advances; kerning and hinting would move them.
  font.setKerning(false);
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

void paintPage(QPainter& painter, const Page& page, const QRectF& target) {
  if (page.width <= 0 || page.height <= 0) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.translate(target.topLeft());
  painter.scale(target.width() / page.width, target.height() / page.height);
  painter.fillRect(QRectF(0, 0, page.width, page.height), Qt::white);

  for (const PageBox& box : page.boxes) {
    QRectF at(box.at.x, box.at.y, box.at.width, box.at.height);
    if (box.fill_gray != 0) painter.fillRect(at, grayOf(box.fill_gray));
    if (box.line_width > 0) {
      painter.setPen(QPen(Qt::black, box.line_width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(at);
    }
  }
  for (const PageLine& line : page.lines) {
    painter.setPen(QPen(Qt::black, line.width, Qt::SolidLine, Qt::SquareCap));
    painter.drawLine(QPointF(line.x1, line.y1), QPointF(line.x2, line.y2));
  }

  int dots_per_inch = painter.device() != nullptr ? painter.device()->logicalDpiY() : 96;
  std::vector<QFont> fonts;
  if (page.fonts != nullptr) {
    for (const FontSpec& spec : *page.fonts) fonts.push_back(reportFont(spec, dots_per_inch));
  }
  painter.setPen(Qt::black);
  for (const PageText& text : page.texts) {
    if (text.text.empty() || text.font >= fonts.size()) continue;
    painter.setFont(fonts[text.font]);
    painter.setClipRect(QRectF(text.clip.x, text.clip.y, text.clip.width, text.clip.height));
    painter.drawText(QPointF(text.x, text.baseline), toQt(text.text));
  }
  painter.setClipping(false);
  painter.restore();
}

}  // namespace veltrano::ui::report::qt
