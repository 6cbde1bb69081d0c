// The controls the print preview adds to windows: a page view, a spin box, and a window that
// opens unseen until its procedure shows it.
#include <gtest/gtest.h>

#include "ui/headless_engine.h"

namespace veltrano::ui {
namespace {

TEST(PageViewControl, ShowsPagesTurnsThemAndKeepsSpinsInRange) {
  HeadlessEngine engine;
  WindowDescription preview;
  preview.kind = WindowKind::kDialog;
  preview.hidden = true;
  ControlDescription pages;
  pages.id = 1;
  pages.kind = ControlKind::kPageView;
  ControlDescription spin;
  spin.id = 2;
  spin.kind = ControlKind::kSpin;
  spin.low = 1;
  spin.high = 12;
  spin.value = "40";
  preview.controls = {pages, spin};
  WindowId window = engine.openWindow(preview);
  ASSERT_NE(window, 0u);
  EXPECT_TRUE(engine.snapshot(window)->hidden);
  EXPECT_TRUE(engine.setHidden(window, 0, false));
  EXPECT_FALSE(engine.snapshot(window)->hidden);
  ASSERT_EQ(engine.waitEvent(window).code, event::kOpenWindow);

  auto page = std::make_shared<report::Page>();
  page->number = 3;
  PageView view{{page}, kZoomTile, 2, 1, 3};
  EXPECT_TRUE(engine.setPages(window, 1, view));
  EXPECT_FALSE(engine.setPages(window, 2, view)) << "only a page view shows pages";
  EXPECT_EQ(engine.snapshot(window)->controls.at(1).pages.pages.front()->number, 3);
  EXPECT_EQ(engine.snapshot(window)->controls.at(1).pages.zoom, kZoomTile);

  EXPECT_TRUE(engine.userScrolls(window, 1, event::kPageDown));
  EXPECT_EQ(engine.waitEvent(window).code, event::kPageDown);
  EXPECT_TRUE(engine.userChoosesPage(window, 1, 4, true));
  Event opened = engine.waitEvent(window);
  EXPECT_EQ(opened.code, event::kAccepted);
  EXPECT_EQ(engine.value(window, 1), "4");

  EXPECT_EQ(engine.value(window, 2), "12") << "the initial value is kept within the range";
  const std::vector<std::pair<std::string, std::string>> typed = {
      {"5", "5"}, {"0", "1"}, {"99", "12"}, {"abc", "1"}};
  for (const auto& [text, kept] : typed) {
    EXPECT_TRUE(engine.userTypes(window, 2, text));
    EXPECT_EQ(engine.waitEvent(window).code, event::kAccepted);
    EXPECT_EQ(engine.value(window, 2), kept) << text;
  }
  EXPECT_FALSE(engine.setValue(window, 2, "x"));
  EXPECT_TRUE(engine.setValue(window, 2, "-3"));
  EXPECT_EQ(engine.value(window, 2), "1");
}

}  // namespace
}  // namespace veltrano::ui
