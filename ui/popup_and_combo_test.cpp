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

// What the framework's objects, tested over the engine, never ask of it: refusals.
TEST(EngineParts, RefusesWhatDoesNotFit) {
  HeadlessEngine engine;
  WindowDescription form;
  ControlDescription combo;
  combo.id = 5;
  combo.kind = ControlKind::kCombo;
  form.controls = {combo};
  WindowId window = engine.openWindow(form);
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(engine.setRows(window, 5, {{ru("Иванов")}}));
  EXPECT_FALSE(engine.setComboRow(window, 5, 2));
  ASSERT_TRUE(engine.setValue(window, 5, ru("Иванов")));
  ASSERT_TRUE(engine.setTextSelection(window, 5, {2, 40}));
  EXPECT_EQ(engine.textSelection(window, 5)->length, 4);
  EXPECT_FALSE(engine.userKeystroke(window, 5, key::kEscape));

  WindowDescription tool;
  tool.owner = 999;  // not open
  EXPECT_EQ(engine.openWindow(tool), 0u);
  ControlDescription cell;
  cell.id = 7;
  cell.kind = ControlKind::kEntry;
  cell.over = {5, 1, 1};  // a combo is no list
  EXPECT_FALSE(engine.addControl(window, cell));
  cell.over = {};
  EXPECT_TRUE(engine.addControl(window, cell));
  EXPECT_FALSE(engine.addControl(window, cell));
}

}  // namespace
}  // namespace veltrano::ui
