// The popup object over the headless engine: item names, the menu it shows as its controls
// stand, what a choice does, and the toolbox.
#include "framework/browse/popup_menu.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "framework/window/settings_file.h"
#include "platform/codepage.h"
#include "ui/headless_engine.h"
#include "ui/popup_text.h"

namespace veltrano::framework {
namespace {

enum : ui::ControlId { kInsert = 1, kChange, kDelete, kSelect, kToolboxButton, kList };

class PopupMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::WindowDescription browse;
    browse.label = "Browse";
    for (ui::ControlId id : {kInsert, kChange, kDelete, kSelect, kToolboxButton}) {
      ui::ControlDescription button;
      button.id = id;
      button.kind = ui::ControlKind::kButton;
      browse.controls.push_back(button);
    }
    window = engine.openWindow(browse);
    ASSERT_NE(window, 0u);
    engine.pollEvent(window);
    engine.setEnabled(window, kDelete, false);
    engine.setHidden(window, kSelect, true);
    popup.Init(window);
    translator.AddTranslation("&Insert", platform::ru("&Добавить"));
  }
  void TearDown() override { popup.Kill(); }

  std::vector<ui::Event> events() {
    std::vector<ui::Event> all;
    while (std::optional<ui::Event> next = engine.pollEvent(window)) all.push_back(*next);
    return all;
  }

  ui::HeadlessEngine engine;
  ui::ScopedWindowEngine installed{engine};
  ui::WindowId window = 0;
  PopupMenu popup;
  Translator translator;
};

TEST_F(PopupMenuTest, NamesTheItemsAndShowsThemAsTheirControlsStand) {
  EXPECT_EQ(popup.AddItem("!&Insert"), "Insert");
  EXPECT_EQ(popup.AddItem("&Insert"), "Insert1");
  EXPECT_EQ(popup.AddItem("-"), "Separator");
  EXPECT_EQ(popup.AddItem("!&Delete"), "Delete");
  EXPECT_EQ(popup.AddItem("!&Select"), "Select");
  EXPECT_EQ(popup.AddItem("-"), "Separator1");
  EXPECT_EQ(popup.AddSubMenu("&Sort"), "Sort");
  EXPECT_EQ(popup.AddItem("By &name", "", "Sort"), "Byname");
  EXPECT_EQ(popup.AddItem(platform::ru("По &номеру"), "", "Sort"), "Item");
  EXPECT_EQ(popup.AddItem("Insert", "Insert"), "Insert2");
  EXPECT_EQ(popup.AddItem("-"), "Separator2");
  for (const char* name : {"Insert", "Delete", "Select"}) {
    ASSERT_TRUE(popup.RegisterMimicItem(name, name[0] == 'I' ? kInsert : name[0] == 'D' ? kDelete : kSelect));
  }
  EXPECT_FALSE(popup.RegisterMimicItem("Nothing", kInsert));
  ASSERT_TRUE(popup.CheckItem("Byname", true));
  ASSERT_TRUE(popup.EnableItem("Insert1", false));
  ASSERT_TRUE(popup.SetItemEvent("Item", ui::event::kScrollTop));
  popup.TRANSLATOR = &translator;

  // The hidden Select is left out, and so is the separator that would end the menu.
  engine.queuePopupChoice("By &name");
  EXPECT_EQ(popup.Ask(), "Byname");
  EXPECT_EQ(engine.shownPopups().back(),
            platform::ru("&Добавить|~&Добавить|-|~&Delete|-|&Sort{+By &name|По &номеру}|Insert"));
  EXPECT_TRUE(events().empty());  // an item that neither presses nor posts does nothing

  engine.queuePopupChoice("&Delete");  // disabled with its button
  EXPECT_EQ(popup.Ask(), "");
  engine.setEnabled(window, kDelete, true);
  engine.queuePopupChoice("&Delete");
  EXPECT_EQ(popup.Ask(), "Delete");
  engine.queuePopupChoice(platform::ru("По &номеру"));
  EXPECT_EQ(popup.Ask(), "Item");
  EXPECT_EQ(popup.LASTSELECTION, "Item");
  engine.queuePopupChoice("");
  EXPECT_EQ(popup.Ask(), "");
  EXPECT_EQ(popup.LASTSELECTION, "Item");

  std::vector<ui::Event> posted = events();
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0].code, ui::event::kAccepted);
  EXPECT_EQ(posted[0].control, kDelete);
  EXPECT_EQ(posted[1].code, ui::event::kScrollTop);
}

TEST_F(PopupMenuTest, ToolboxPressesWhatItsItemsPress) {
  popup.AddItem("!&Insert");
  popup.RegisterMimicItem("Insert", kInsert);
  popup.AddItem("!&Delete");
  popup.RegisterMimicItem("Delete", kDelete);
  popup.AddItem("!&Toolbox");
  popup.RegisterMimicItem("Toolbox", kToolboxButton, false);
  ASSERT_EQ(popup.Toolbox("Browse Actions"), kLevelBenign);
  ASSERT_EQ(popup.INTOOLBOX, 1);
  ui::WindowId toolbox = engine.findWindow("ABPOPUP");
  ASSERT_EQ(toolbox, popup.THISWINDOW);
  std::optional<ui::WindowSnapshot> shown = engine.snapshot(toolbox);
  ASSERT_EQ(shown->controls.size(), 2u);
  EXPECT_EQ(shown->caption, "Browse Actions");
  const ui::ControlId insert = PopupMenu::kToolboxFirstButton;
  const ui::ControlId remove = insert + 1;
  EXPECT_FALSE(shown->controls.at(remove).enabled);

  // Its events reach the browse's loop; the popup takes them and presses the browse's button.
  for (ui::Event event : events()) EXPECT_TRUE(popup.TakeEvent(event));
  ASSERT_TRUE(engine.userPresses(toolbox, insert));
  std::vector<ui::Event> pressed = events();
  ASSERT_EQ(pressed.size(), 1u);
  EXPECT_TRUE(popup.TakeEvent(pressed[0]));
  std::vector<ui::Event> posted = events();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].control, kInsert);
  EXPECT_EQ(posted[0].window, window);

  // The buttons follow their controls on the browse's next event.
  engine.setEnabled(window, kDelete, true);
  EXPECT_FALSE(popup.TakeEvent(posted[0]));
  EXPECT_TRUE(engine.snapshot(toolbox)->controls.at(remove).enabled);

  // Closed where the clerk moved it, it opens there again.
  const std::filesystem::path ini =
      std::filesystem::temp_directory_path() / ("veltrano-popup-" + std::to_string(::getpid()) + ".INI");
  SettingsFile settings;
  settings.Init(ini.string());
  popup.INIMGR = &settings;
  ASSERT_TRUE(engine.userPlaces(toolbox, ui::Placement{{500, 60, 162, 72}, false}));
  ASSERT_TRUE(engine.userCloses(toolbox));
  for (ui::Event event : events()) EXPECT_TRUE(popup.TakeEvent(event));
  EXPECT_EQ(popup.INTOOLBOX, 0);
  EXPECT_EQ(engine.findWindow("ABPOPUP"), 0u);
  ASSERT_EQ(popup.Toolbox("Browse Actions"), kLevelBenign);
  EXPECT_EQ(engine.placement(popup.THISWINDOW)->at.x, 500);
  popup.Kill();
  std::filesystem::remove(ini);
}

}  // namespace
}  // namespace veltrano::framework
