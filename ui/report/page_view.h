// What a page view control shows: laid-out report pages at a zoom, one at a time or as tiles.
// The preview gives the control the pages to show; the Qt engine draws them, the headless
// engine keeps them for tests to read.
#pragma once

#include <vector>

#include "ui/report/page.h"

namespace veltrano::ui::report {

inline constexpr int kZoomTile = -2;       // `across` × `down` pages, each as large as fits
inline constexpr int kZoomPageWidth = -1;  // one page, as wide as the control

struct PageView {
  std::vector<PagePointer> pages;  // left to right, then top to bottom
  int zoom = kZoomPageWidth;       // or a percentage of the paper's real size
  int across = 1;
  int down = 1;
  int first_page = 1;  // the report's number of pages[0], for the control to say
};

}  // namespace veltrano::ui::report
