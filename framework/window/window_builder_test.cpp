// Window descriptions made by the builder, and how the resize object moves what it lays out.
#include "framework/window/window_builder.h"

#include <gtest/gtest.h>

#include "framework/window/window_controller.h"
#include "framework/window/window_resize.h"
#include "ui/headless_engine.h"

namespace veltrano::framework {
namespace {

struct Card {
  runtime::RecordLayout layout =
      runtime::RecordLayoutBuilder().string("C:FAM", 20).scalar("C:DATR", runtime::TypeCode::Date).build();
  std::vector<std::uint8_t> record = std::vector<std::uint8_t>(layout.size());
  BoundRecord bound() { return BoundRecord{&layout, record, nullptr}; }
};

const ui::ControlDescription& control(const WindowDefinition& definition, ui::ControlId id) {
  for (const ui::ControlDescription& described : definition.window.controls) {
    if (described.id == id) return described;
  }
  throw std::out_of_range("no control");
}

TEST(WindowBuilder, LaysOutLinesTabsAndTheButtonRowAndRefusesWhatItCannotBind) {
  Card card;
  WindowBuilder form("veltrano$TEST", "Test", "Карточка");
  form.sheet(1, {8, 8, 400, 40}).tab(2, "Главная");
  form.entry(3, "Фамилия:", card.bound(), "C:FAM", "@s20").entry(4, "Дата:", card.bound(), "C:DATR", "@d6.");
  form.end().okButton(5, "&OK").cancelButton(6, "&Cancel");
  std::optional<WindowDefinition> built = form.build();
  ASSERT_TRUE(built);
  EXPECT_EQ(built->first_field, 3);
  EXPECT_EQ(built->ok_control, 5);
  EXPECT_EQ(built->bindings.size(), 2u);
  EXPECT_GT(control(*built, 4).at.y, control(*built, 3).at.y) << "one line each";
  EXPECT_EQ(control(*built, 3).parent, 2) << "on the tab";
  EXPECT_GE(control(*built, 1).at.height, control(*built, 4).at.y + control(*built, 4).at.height)
      << "the sheet holds its fullest tab";
  EXPECT_LT(control(*built, 5).at.x, control(*built, 6).at.x) << "buttons in the order added";
  EXPECT_GT(control(*built, 5).at.y, control(*built, 1).at.y + control(*built, 1).at.height);
  EXPECT_TRUE(control(*built, 5).default_button);

  WindowBuilder line("veltrano$TEST", "Test", "x");
  line.entry(3, "Фамилия:", card.bound(), "C:FAM", "@s20").beside().entry(4, "Дата:", card.bound(), "C:DATR");
  line.entry(7, "Ещё:", card.bound(), "C:FAM").buttonBeside(8, "...");
  line.groupOfLines(9, "Стаж", 1).entry(10, "", card.bound(), "C:FAM").endGroup();
  line.entry(11, "После:", card.bound(), "C:FAM");
  std::optional<WindowDefinition> beside = line.build();
  ASSERT_TRUE(beside);
  EXPECT_EQ(control(*beside, 4).at.y, control(*beside, 3).at.y) << "beside: the same line";
  EXPECT_GT(control(*beside, 4).at.x, control(*beside, 3).at.x + control(*beside, 3).at.width);
  EXPECT_EQ(control(*beside, 7).at.x, control(*beside, 3).at.x) << "the next line starts where lines do";
  EXPECT_GT(control(*beside, 7).at.y, control(*beside, 3).at.y);
  EXPECT_EQ(control(*beside, 8).at.y, control(*beside, 7).at.y);
  EXPECT_GT(control(*beside, 8).at.x, control(*beside, 7).at.x + control(*beside, 7).at.width);
  EXPECT_EQ(control(*beside, 10).parent, 9);
  EXPECT_GE(control(*beside, 11).at.y, control(*beside, 9).at.y + control(*beside, 9).at.height)
      << "the lines go on below the group";
  EXPECT_EQ(control(*beside, 11).parent, 0);

  std::string error;
  WindowBuilder wrong("veltrano$TEST", "Test", "x");
  wrong.entry(3, "", card.bound(), "C:NONE");
  EXPECT_FALSE(wrong.build(&error));
  EXPECT_NE(error.find("C:NONE"), std::string::npos);
  WindowBuilder twice("veltrano$TEST", "Test", "x");
  twice.button(7, "a").button(7, "b");
  EXPECT_FALSE(twice.build(&error));
  EXPECT_NE(error.find("used twice"), std::string::npos);
}

TEST(WindowResize, ListsStretchAndTheButtonsBelowFollowTheEdges) {
  ui::HeadlessEngine engine;
  ui::ScopedWindowEngine installed(engine);
  WindowBuilder list("veltrano$TEST", "List", "Список");
  list.size(400, 300).list(1, "80L~Фамилия~@s20@", {8, 8, 380, 200}).button(2, "&Close");
  WindowController window;
  window.Describe(*list.build());
  WindowResize resize;
  window.RESIZE = &resize;
  ASSERT_EQ(window.Open(), kLevelBenign);
  const ui::Rect list_at = engine.snapshot(window.window())->controls.at(1).description.at;
  const ui::Rect button_at = engine.snapshot(window.window())->controls.at(2).description.at;
  engine.userPlaces(window.window(), ui::Placement{{0, 0, 500, 400}, false});
  resize.Resize();
  const auto after = engine.snapshot(window.window());
  EXPECT_EQ(after->controls.at(1).description.at.width, list_at.width + 100);
  EXPECT_EQ(after->controls.at(1).description.at.height, list_at.height + 100);
  EXPECT_EQ(after->controls.at(2).description.at.x, button_at.x + 100);
  EXPECT_EQ(after->controls.at(2).description.at.y, button_at.y + 100);
  EXPECT_GT(*engine.visibleRows(window.window(), 1), 10) << "the list shows more rows";
  engine.userPlaces(window.window(), ui::Placement{{0, 0, 200, 100}, false});
  resize.Resize();
  EXPECT_EQ(engine.snapshot(window.window())->controls.at(1).description.at.width, list_at.width)
      << "smaller than designed: nothing squeezed";
  window.Kill();
}

}  // namespace
}  // namespace veltrano::framework
