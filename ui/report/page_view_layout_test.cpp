#include "ui/report/page_view_layout.h"

#include <gtest/gtest.h>

namespace veltrano::ui::report {
namespace {

TEST(PageViewLayout, PlacesPagesByZoom) {
  auto a4 = std::make_shared<Page>();
  a4->width = 21000;
  a4->height = 29700;
  PageView view{{a4, a4, a4, a4}, kZoomTile, 2, 2, 1};
  // Tiles: 2 × 2 cells of 388 × 294 pixels in an 812 × 624 view with 12 between them; an A4
  // page fits one at 208 × 294, centred in its cell.
  PageViewLayout tiles = layoutPageView(view, 812, 624, 96);
  ASSERT_EQ(tiles.pages.size(), 4u);
  EXPECT_EQ(tiles.canvas_width, 812);
  EXPECT_EQ(tiles.pages[0].height, 294);
  EXPECT_EQ(tiles.pages[0].width, 208);
  EXPECT_EQ(tiles.pages[0].y, 12);
  EXPECT_EQ(tiles.pages[1].x, tiles.pages[0].x + 388 + 12);
  EXPECT_EQ(tiles.pages[3].y, 12 + 294 + 12);

  view.pages = {a4};
  view.zoom = kZoomPageWidth;
  PageViewLayout width = layoutPageView(view, 812, 624, 96);
  ASSERT_EQ(width.pages.size(), 1u);
  EXPECT_EQ(width.pages[0].width, 812 - 24);
  EXPECT_EQ(width.pages[0].height, 1114);
  EXPECT_EQ(width.canvas_height, 1114 + 24) << "a page taller than the view scrolls";

  view.zoom = 100;
  PageViewLayout real = layoutPageView(view, 812, 624, 96);
  EXPECT_EQ(real.pages[0].width, 794) << "210 mm at 96 dots per inch";
  EXPECT_EQ(real.canvas_width, 794 + 24) << "the page and its margins are wider than the view";
  EXPECT_EQ(real.pages[0].x, 12);
  view.zoom = 300;
  EXPECT_EQ(layoutPageView(view, 812, 624, 96).canvas_width, 2381 + 24);

  view.pages.clear();
  EXPECT_TRUE(layoutPageView(view, 812, 624, 96).pages.empty());
}

}  // namespace
}  // namespace veltrano::ui::report
