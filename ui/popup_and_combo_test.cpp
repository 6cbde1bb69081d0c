// Popup menu texts, and the engine's parts that popups, drop-down combos, toolboxes and entries
// over list cells use.
#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "ui/headless_engine.h"
#include "ui/popup_text.h"

namespace veltrano::ui {
namespace {

using platform::ru;

TEST(PopupText, ReadsEveryMarkerAndWritesWhatItRead) {
  std::vector<PopupEntry> menu =
      parsePopupText("~&Change|+[ABSORT.ICO]&Sort|-|Ex&port{(~To CSV (comma)))|~Printer}|(~-)|}||&Toolbox");
  ASSERT_EQ(menu.size(), 6u);
  EXPECT_TRUE(menu[0].disabled);
  EXPECT_EQ(menu[0].text, "&Change");
  EXPECT_TRUE(menu[1].checked);
  EXPECT_EQ(menu[1].icon, "ABSORT.ICO");
  EXPECT_TRUE(menu[2].separator);
  ASSERT_EQ(menu[3].items.size(), 2u);
  EXPECT_EQ(menu[3].items[0].text, "To CSV (comma)");
  EXPECT_FALSE(menu[4].separator);  // a literal "-" is a text
  EXPECT_EQ(menu[5].text, "&Toolbox");

  EXPECT_EQ(popupChoices(menu), 6);
  EXPECT_EQ(popupChoice(menu, 3)->text, "To CSV (comma)");
  EXPECT_EQ(popupChoiceNumber(menu, "&Toolbox"), 6);
  EXPECT_EQ(popupChoiceNumber(menu, "Printer"), 0);  // disabled
  EXPECT_EQ(popupChoice(menu, 7), nullptr);

  std::vector<PopupEntry> again = parsePopupText(popupText(menu));
  ASSERT_EQ(again.size(), menu.size());
  EXPECT_EQ(popupText(again), popupText(menu));
  EXPECT_EQ(again[3].items[0].text, menu[3].items[0].text);
  EXPECT_EQ(again[4].text, "-");

  for (const char* damaged : {"{", "[icon", "(~open", "a{b{c", "}}|", "+~"}) {
    EXPECT_LE(popupChoices(parsePopupText(damaged)), 2) << damaged;
  }
}

TEST(EngineParts, CombosEntriesToolWindowsAndAddedControls) {
  HeadlessEngine engine;
  WindowDescription form;
  form.label = "Form";
  ControlDescription combo;
  combo.id = 5;
  combo.kind = ControlKind::kCombo;
  ControlDescription list;
  list.id = 6;
  list.kind = ControlKind::kList;
  form.controls = {combo, list};
  WindowId window = engine.openWindow(form);
  ASSERT_NE(window, 0u);
  engine.pollEvent(window);

  // A keystroke replaces the selected part of the text and is reported after it took effect.
  ASSERT_TRUE(engine.setRows(window, 5, {{ru("Иванов")}, {ru("Петров")}}));
  ASSERT_TRUE(engine.setValue(window, 5, ru("Иванов")));
  ASSERT_TRUE(engine.setTextSelection(window, 5, {2, 40}));
  EXPECT_EQ(engine.textSelection(window, 5)->length, 4);
  EXPECT_TRUE(engine.userKeystroke(window, 5, 'x'));
  EXPECT_FALSE(engine.pollEvent(window));
  ASSERT_TRUE(engine.reportKeystrokes(window, 5, true));
  EXPECT_TRUE(engine.userKeystroke(window, 5, key::kBackspace));
  EXPECT_EQ(engine.value(window, 5), ru("Ив"));
  std::optional<Event> typed = engine.pollEvent(window);
  ASSERT_TRUE(typed);
  EXPECT_EQ(typed->code, event::kNewSelection);
  EXPECT_EQ(typed->key, key::kBackspace);
  EXPECT_TRUE(engine.setComboRow(window, 5, 2));
  EXPECT_FALSE(engine.setComboRow(window, 5, 3));
  EXPECT_TRUE(engine.userSelectsRow(window, 5, 1));
  EXPECT_EQ(engine.comboRow(window, 5), 1);

  // A tool window's events reach its owner's queue, naming the tool window.
  WindowDescription toolbox;
  toolbox.kind = WindowKind::kDialog;
  toolbox.owner = window;
  ControlDescription button;
  button.id = 1;
  button.kind = ControlKind::kButton;
  toolbox.controls = {button};
  WindowId tool = engine.openWindow(toolbox);
  ASSERT_NE(tool, 0u);
  engine.pollEvent(window);  // the change event of the row chosen above
  engine.pollEvent(window);  // the tool window's open event
  ASSERT_TRUE(engine.userPresses(tool, 1));
  std::optional<Event> pressed = engine.pollEvent(window);
  ASSERT_TRUE(pressed);
  EXPECT_EQ(pressed->window, tool);
  toolbox.owner = 999;
  EXPECT_EQ(engine.openWindow(toolbox), 0u);

  // An entry laid over a list's cell comes and goes with its window open.
  ControlDescription cell;
  cell.id = 7;
  cell.kind = ControlKind::kEntry;
  cell.over = {6, 1, 2};
  EXPECT_TRUE(engine.addControl(window, cell));
  EXPECT_FALSE(engine.addControl(window, cell));
  EXPECT_TRUE(engine.setFocus(window, 7));
  ASSERT_TRUE(engine.setEnabled(window, 7, false));
  EXPECT_FALSE(engine.controlState(window, 7)->enabled);
  EXPECT_TRUE(engine.removeControl(window, 7));
  EXPECT_EQ(engine.focus(window), 0);
  cell.over.list = 5;  // a combo is no list
  EXPECT_FALSE(engine.addControl(window, cell));

  engine.queuePopupChoice("&Insert");
  EXPECT_EQ(engine.popupMenu(window, "~&Change|&Insert"), 2);
  EXPECT_EQ(engine.popupMenu(window, "&Insert"), 0);
  EXPECT_EQ(engine.shownPopups().size(), 2u);
}

}  // namespace
}  // namespace veltrano::ui
