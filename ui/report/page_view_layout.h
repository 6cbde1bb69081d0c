// Where a page view puts its pages, in pixels: one page at a percentage of its real size or as
// wide as the view, or `across` × `down` tiles each as large as its cell allows. The Qt page
// view draws by it; tests check it without a screen.
#pragma once

#include <vector>

#include "ui/report/page_view.h"

namespace veltrano::ui::report {

struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct PageViewLayout {
  int canvas_width = 0;  // what the view scrolls over; the viewport's size or more
  int canvas_height = 0;
  std::vector<PixelRect> pages;  // one per page of the view, in its order
};

inline constexpr int kPageGap = 12;  // pixels around and between pages

// `dots_per_inch` is the screen's: at 100 % a page shows at its paper's size.
PageViewLayout layoutPageView(const PageView& view, int viewport_width, int viewport_height,
                              double dots_per_inch);

}  // namespace veltrano::ui::report
