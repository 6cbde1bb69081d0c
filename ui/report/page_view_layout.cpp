#include "ui/report/page_view_layout.h"

#include <algorithm>
#include <cmath>

namespace veltrano::ui::report {

PageViewLayout layoutPageView(const PageView& view, int viewport_width, int viewport_height,
                              double dots_per_inch) {
  PageViewLayout layout;
  layout.canvas_width = std::max(viewport_width, 1);
  layout.canvas_height = std::max(viewport_height, 1);
  if (view.pages.empty() || view.pages.front() == nullptr) return layout;
  const Page& first = *view.pages.front();
  if (first.width <= 0 || first.height <= 0) return layout;
  double aspect = static_cast<double>(first.height) / first.width;

  if (view.zoom == kZoomTile) {
    int across = std::max(view.across, 1);
    int down = std::max(view.down, 1);
    double cell_width = std::max(1.0, static_cast<double>(viewport_width - kPageGap * (across + 1)) / across);
    double cell_height = std::max(1.0, static_cast<double>(viewport_height - kPageGap * (down + 1)) / down);
    double width = std::min(cell_width, cell_height / aspect);
    double height = width * aspect;
    for (std::size_t index = 0; index < view.pages.size() && index < static_cast<std::size_t>(across * down);
         ++index) {
      int column = static_cast<int>(index) % across;
      int row = static_cast<int>(index) / across;
      double cell_x = kPageGap + column * (cell_width + kPageGap);
      double cell_y = kPageGap + row * (cell_height + kPageGap);
      layout.pages.push_back({static_cast<int>(std::lround(cell_x + (cell_width - width) / 2)),
                              static_cast<int>(std::lround(cell_y + (cell_height - height) / 2)),
                              static_cast<int>(std::lround(width)), static_cast<int>(std::lround(height))});
    }
    return layout;
  }

  double width = view.zoom == kZoomPageWidth
                     ? std::max(1.0, static_cast<double>(viewport_width - 2 * kPageGap))
                     : first.width / 2540.0 * dots_per_inch * std::max(view.zoom, 1) / 100.0;
  int page_width = std::max(1, static_cast<int>(std::lround(width)));
  int page_height = std::max(1, static_cast<int>(std::lround(width * aspect)));
  layout.canvas_width = std::max(viewport_width, page_width + 2 * kPageGap);
  layout.canvas_height = std::max(viewport_height, page_height + 2 * kPageGap);
  layout.pages.push_back({(layout.canvas_width - page_width) / 2, kPageGap, page_width, page_height});
  return layout;
}

}  // namespace veltrano::ui::report
