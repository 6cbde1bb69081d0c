// Draws a laid-out page with Qt's painter: the one drawing routine behind the preview, PDF
// files, PNG images and printers, so that each shows the page as the layout measured it.
#pragma once

#include <QFont>
#include <QPainter>
#include <QRectF>

#include "ui/report/page.h"

namespace veltrano::ui::report::qt {

// Draws `page` so that its paper fills `target` (device coordinates of the painter). Text is
// drawn as text, in the report's fonts from the program's font files, each clipped to its
// cell. REQUIRES: a QGuiApplication exists.
void paintPage(QPainter& painter, const Page& page, const QRectF& target);

// The font a report's font spec is drawn with, at the painter's resolution of
// `dots_per_inch`, for a painter whose coordinates are hundredths of a millimetre. Loads the
// font files on first use.
QFont reportFont(const FontSpec& spec, int dots_per_inch);

// Makes sure the program's font files are known to Qt; false when one could not be loaded.
bool registerReportFonts();

}  // namespace veltrano::ui::report::qt
