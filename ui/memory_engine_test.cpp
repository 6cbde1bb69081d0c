#include <gtest/gtest.h>

#include "ui/headless_engine.h"
#include "ui/list_format.h"

namespace veltrano::ui {
namespace {

enum : ControlId {
  kSurname = 1,
  kOk,
  kSheet,
  kTabMain,
  kTabFamily,
  kChildren,
  kList,
  kCheck,
  kOption,
  kMale,
  kFemale,
  kCombo,
  kMenuClose = 100,
  kMenuTile
};

ControlDescription make(ControlId id, ControlKind kind, ControlId parent = 0, Rect at = {},
                        std::string text = {}, std::string value = {}, std::string picture = {},
                        std::string format = {}) {
  ControlDescription control;
  control.id = id;
  control.kind = kind;
  control.parent = parent;
  control.at = at;
  control.text = std::move(text);
  control.value = std::move(value);
  control.picture = std::move(picture);
  control.format = std::move(format);
  return control;
}

WindowDescription cardWindow() {
  WindowDescription window;
  window.name = "veltrano$VELTR002";
  window.label = "Karta";
  window.caption = "Card";
  window.at = {10, 20, 400, 300};
  window.status_widths = {100, 100};
  window.menu = {MenuItem{0, "&File", {MenuItem{kMenuClose, "&Close", {}, false, false}}, false, false}};
  window.controls = {
      make(kSheet, ControlKind::kSheet, 0, {0, 0, 380, 250}),
      make(kTabMain, ControlKind::kTab, kSheet, {}, "Main"),
      make(kSurname, ControlKind::kEntry, kTabMain, {}, "", "Petrov", "@s20"),
      make(kTabFamily, ControlKind::kTab, kSheet, {}, "Family"),
      make(kChildren, ControlKind::kEntry, kTabFamily, {}, "", "2", "@n2"),
      make(kOk, ControlKind::kButton, 0, {}, "OK"),
  };
  window.controls.back().default_button = true;
  ControlDescription list = make(kList, ControlKind::kList, 0, {0, 0, 300, 22 + 18 * 5});
  list.format = "80L(2)|M~Surname~@s20@40R(2)~No.~@n6@";
  window.controls.push_back(list);
  window.controls.push_back(make(kCheck, ControlKind::kCheck, 0, {}, "Pensioner"));
  window.controls.push_back(make(kOption, ControlKind::kOptionGroup, 0, {}, "Sex"));
  ControlDescription male = make(kMale, ControlKind::kRadio, kOption, {}, "Male");
  male.value_text = "M";
  ControlDescription female = make(kFemale, ControlKind::kRadio, kOption, {}, "Female");
  female.value_text = "F";
  window.controls.push_back(male);
  window.controls.push_back(female);
  window.controls.push_back(make(kCombo, ControlKind::kCombo, 0, {}, "", "", "@s30", "120L~Name~@s30@"));
  return window;
}

std::vector<EventCode> drain(MemoryEngine& engine, WindowId window) {
  std::vector<EventCode> codes;
  while (auto next = engine.pollEvent(window)) codes.push_back(next->code);
  return codes;
}

TEST(WindowDescriptions, FaultyDescriptionsAreRefusedWithAReason) {
  HeadlessEngine engine;
  std::string error;
  auto refused = [&](WindowDescription window) {
    error.clear();
    return engine.openWindow(window, &error) == 0 && !error.empty();
  };
  WindowDescription twice = cardWindow();
  twice.controls.push_back(make(kSurname, ControlKind::kEntry));
  EXPECT_TRUE(refused(twice));
  WindowDescription loose_tab;
  loose_tab.controls = {make(5, ControlKind::kTab)};
  EXPECT_TRUE(refused(loose_tab));
  WindowDescription tab_in_group;
  tab_in_group.controls = {make(5, ControlKind::kGroup), make(6, ControlKind::kTab, 5)};
  EXPECT_TRUE(refused(tab_in_group));
  WindowDescription loose_radio;
  loose_radio.controls = {make(5, ControlKind::kRadio)};
  EXPECT_TRUE(refused(loose_radio));
  WindowDescription parent_after;
  parent_after.controls = {make(6, ControlKind::kEntry, 5), make(5, ControlKind::kGroup)};
  EXPECT_TRUE(refused(parent_after));
  WindowDescription zero;
  zero.controls = {make(0, ControlKind::kEntry)};
  EXPECT_TRUE(refused(zero));
  WindowDescription menu_clash = cardWindow();
  menu_clash.menu[0].items[0].id = kOk;
  EXPECT_TRUE(refused(menu_clash));
  WindowDescription bad_format = cardWindow();
  bad_format.controls[6].format = "80L~Surname@s20@";
  EXPECT_TRUE(refused(bad_format));
  WindowDescription frame;
  frame.kind = WindowKind::kFrame;
  EXPECT_NE(engine.openWindow(frame), 0u);
  EXPECT_TRUE(refused(frame));
  EXPECT_EQ(engine.openWindows().size(), 1u);
}

TEST(Windows, OpenShowsTheDescriptionAndQueuesOpenWindow) {
  HeadlessEngine engine;
  WindowId window = engine.openWindow(cardWindow());
  ASSERT_NE(window, 0u);
  auto shown = engine.snapshot(window);
  ASSERT_TRUE(shown.has_value());
  EXPECT_EQ(shown->caption, "Card");
  EXPECT_EQ(shown->placement.at.width, 400);
  EXPECT_EQ(shown->controls.at(kSurname).value, "Petrov");
  EXPECT_EQ(shown->controls.at(kSheet).value, "1");
  EXPECT_EQ(shown->controls.at(kCheck).value, "0");
  EXPECT_EQ(shown->focus, kSurname);
  EXPECT_EQ(engine.findWindow("Karta"), window);
  EXPECT_EQ(engine.findWindow("veltrano$VELTR002"), window);
  EXPECT_EQ(*engine.visibleRows(window, kList), 5);
  EXPECT_EQ(drain(engine, window), std::vector<EventCode>{event::kOpenWindow});
  EXPECT_TRUE(engine.closeWindow(window));
  EXPECT_FALSE(engine.closeWindow(window));
  EXPECT_EQ(engine.waitEvent(window).code, event::kCloseDown);
  EXPECT_FALSE(engine.setValue(window, kSurname, "x"));
}

TEST(Windows, ProcedureChangesWhatControlsShow) {
  HeadlessEngine engine;
  WindowId window = engine.openWindow(cardWindow());
  EXPECT_TRUE(engine.setValue(window, kSurname, "Ivanov"));
  EXPECT_EQ(engine.value(window, kSurname), "Ivanov");
  EXPECT_FALSE(engine.setValue(window, 999, "x"));
  EXPECT_FALSE(engine.value(window, 999).has_value());
  EXPECT_TRUE(engine.setValue(window, kCheck, "yes"));
  EXPECT_EQ(engine.value(window, kCheck), "1");
  EXPECT_FALSE(engine.setValue(window, kSheet, "3"));  // two tabs only
  EXPECT_TRUE(engine.setValue(window, kSheet, "2"));
  EXPECT_FALSE(engine.setValue(window, kList, "1"));  // no rows yet
  EXPECT_TRUE(engine.setRows(window, kList, {{"Ivanov", "1"}, {"Petrov", "2"}}));
  EXPECT_TRUE(engine.setValue(window, kList, "2"));
  EXPECT_FALSE(engine.setValue(window, kList, "two"));
  EXPECT_TRUE(engine.setRows(window, kList, {{"Sidorov", "3"}}));
  EXPECT_EQ(engine.value(window, kList), "1");  // the selection stays within the page
  EXPECT_FALSE(engine.setRows(window, kSurname, {}));
  EXPECT_TRUE(engine.setThumb(window, kList, 140));
  EXPECT_EQ(engine.thumb(window, kList), 100);
  EXPECT_TRUE(engine.setStatusText(window, 1, "Records: 3"));
  EXPECT_FALSE(engine.setStatusText(window, -1, "x"));
  EXPECT_FALSE(engine.setStatusText(window, 1000, "x"));
  EXPECT_TRUE(engine.setText(window, kMenuClose, "&Quit"));
  EXPECT_TRUE(engine.setEnabled(window, kMenuClose, false));
  EXPECT_TRUE(engine.setHidden(window, kOk, true));
  EXPECT_TRUE(engine.setText(window, 0, "Card: Ivanov"));
  auto shown = *engine.snapshot(window);
  EXPECT_EQ(shown.status_texts[1], "Records: 3");
  EXPECT_EQ(shown.menu_items.at(kMenuClose).text, "&Quit");
  EXPECT_FALSE(shown.menu_items.at(kMenuClose).enabled);
  EXPECT_TRUE(shown.controls.at(kOk).hidden);
  EXPECT_EQ(shown.caption, "Card: Ivanov");
  EXPECT_TRUE(engine.setPlacement(window, Placement{{5, 6, 700, 500}, true}));
  EXPECT_EQ(engine.placement(window)->at.width, 700);
  EXPECT_FALSE(engine.setPlacement(window, Placement{{5, 6, -1, 500}, false}));
}

TEST(Windows, FocusOnlyReachesShownEnabledControls) {
  HeadlessEngine engine;
  WindowId window = engine.openWindow(cardWindow());
  EXPECT_FALSE(engine.setFocus(window, kChildren));  // on the tab not shown
  EXPECT_TRUE(engine.setValue(window, kSheet, "2"));
  EXPECT_TRUE(engine.setFocus(window, kChildren));
  EXPECT_EQ(engine.focus(window), kChildren);
  EXPECT_FALSE(engine.setFocus(window, kSheet));  // a sheet takes no focus
  EXPECT_TRUE(engine.setEnabled(window, kOk, false));
  EXPECT_FALSE(engine.setFocus(window, kOk));
  EXPECT_FALSE(engine.userPresses(window, kOk));
  EXPECT_TRUE(engine.setHidden(window, kChildren, true));
  EXPECT_EQ(engine.focus(window), 0);
}

TEST(UserActions, RaiseTheirEventsInOrder) {
  HeadlessEngine engine;
  WindowId window = engine.openWindow(cardWindow());
  drain(engine, window);
  engine.setRows(window, kList, {{"Ivanov", "1"}, {"Petrov", "2"}});
  engine.setRows(window, kCombo, {{"Surgery"}, {"Therapy"}});
  EXPECT_TRUE(engine.userTypes(window, kSurname, "Sidorov"));
  EXPECT_TRUE(engine.userPresses(window, kCheck));
  EXPECT_TRUE(engine.userPresses(window, kFemale));
  EXPECT_TRUE(engine.userSelectsRow(window, kList, 2));
  EXPECT_FALSE(engine.userSelectsRow(window, kList, 3));
  EXPECT_TRUE(engine.userScrolls(window, kList, event::kPageDown));
  EXPECT_FALSE(engine.userScrolls(window, kList, event::kAccepted));
  EXPECT_TRUE(engine.userDragsThumb(window, kList, 73));
  EXPECT_TRUE(engine.userDropsDown(window, kCombo));
  EXPECT_TRUE(engine.userSelectsRow(window, kCombo, 2));
  EXPECT_TRUE(engine.userChoosesTab(window, kSheet, 2));
  EXPECT_TRUE(engine.userPresses(window, kMenuClose));
  EXPECT_TRUE(engine.userCloses(window));
  EXPECT_EQ(drain(engine, window),
            (std::vector<EventCode>{
                event::kAccepted, event::kAccepted, event::kAccepted, event::kNewSelection, event::kPageDown,
                event::kScrollDrag, event::kDroppingDown, event::kDroppedDown, event::kNewSelection,
                event::kTabChanging, event::kNewSelection, event::kAccepted, event::kCloseWindow}));
  auto shown = *engine.snapshot(window);
  EXPECT_EQ(shown.controls.at(kSurname).value, "Sidorov");
  EXPECT_EQ(shown.controls.at(kCheck).value, "1");
  EXPECT_EQ(shown.controls.at(kOption).value, "F");
  EXPECT_EQ(shown.controls.at(kList).value, "2");
  EXPECT_EQ(shown.controls.at(kList).thumb, 73);
  EXPECT_EQ(shown.controls.at(kCombo).value, "Therapy");
  EXPECT_EQ(shown.controls.at(kSheet).value, "2");
}

TEST(UserActions, EventsNameTheirControlAndCarryKeyAndThumb) {
  HeadlessEngine engine;
  WindowId window = engine.openWindow(cardWindow());
  drain(engine, window);
  engine.setRows(window, kList, {{"Ivanov", "1"}});
  engine.userPresses(window, kMale);
  Event radio = *engine.pollEvent(window);
  EXPECT_EQ(radio.control, kOption);
  EXPECT_EQ(radio.window, window);
  engine.userDragsThumb(window, kList, -5);
  EXPECT_EQ(engine.pollEvent(window)->thumb, 0);
  EXPECT_FALSE(engine.userKey(window, key::kF1 + 1));  // not alerted
  engine.alertKey(window, key::kF1 + 1);
  engine.userFocuses(window, kList);
  EXPECT_EQ(engine.pollEvent(window)->code, event::kSelected);
  EXPECT_TRUE(engine.userKey(window, key::kF1 + 1));
  Event alert = *engine.pollEvent(window);
  EXPECT_EQ(alert.code, event::kAlertKey);
  EXPECT_EQ(alert.key, key::kF1 + 1);
  EXPECT_EQ(alert.control, kList);
  engine.clearAlertKeys(window);
  EXPECT_FALSE(engine.userKey(window, key::kF1 + 1));
}

TEST(UserActions, ReadOnlyAndHiddenControlsRefuseTheUser) {
  HeadlessEngine engine;
  WindowId window = engine.openWindow(cardWindow());
  drain(engine, window);
  engine.setReadOnly(window, kSurname, true);
  EXPECT_FALSE(engine.userTypes(window, kSurname, "x"));
  EXPECT_EQ(engine.value(window, kSurname), "Petrov");
  EXPECT_FALSE(engine.userTypes(window, kChildren, "3"));  // its tab is not shown
  EXPECT_FALSE(engine.userPresses(window, kSurname));      // entries are not pressed
  engine.setEnabled(window, kMenuClose, false);
  EXPECT_FALSE(engine.userPresses(window, kMenuClose));
  EXPECT_TRUE(drain(engine, window).empty());
}

TEST(WindowEvents, FocusPlacementMinimiseAndTimer) {
  HeadlessEngine engine;
  WindowId first = engine.openWindow(cardWindow());
  WindowDescription other = cardWindow();
  other.label = "Other";
  other.resizable = false;
  WindowId second = engine.openWindow(other);
  drain(engine, first);
  drain(engine, second);
  EXPECT_TRUE(engine.userActivates(first));
  EXPECT_EQ(drain(engine, second), std::vector<EventCode>{event::kLoseFocus});
  EXPECT_EQ(drain(engine, first), std::vector<EventCode>{event::kGainFocus});
  EXPECT_TRUE(engine.userPlaces(first, Placement{{50, 60, 500, 300}, false}));
  EXPECT_EQ(drain(engine, first), (std::vector<EventCode>{event::kMoved, event::kSized}));
  // A window that cannot be resized only moves.
  EXPECT_TRUE(engine.userPlaces(second, Placement{{50, 60, 999, 999}, false}));
  EXPECT_EQ(drain(engine, second), std::vector<EventCode>{event::kMoved});
  EXPECT_EQ(engine.placement(second)->at.width, 400);
  EXPECT_TRUE(engine.userMinimizes(first, true));
  EXPECT_FALSE(engine.userMinimizes(first, true));
  EXPECT_EQ(drain(engine, first), std::vector<EventCode>{event::kIconized});
  EXPECT_FALSE(engine.timerTick(first));
  EXPECT_FALSE(engine.setTimer(first, -1));
  EXPECT_TRUE(engine.setTimer(first, 50));
  EXPECT_TRUE(engine.timerTick(first));
  EXPECT_TRUE(engine.timerTick(first));  // does not pile up
  EXPECT_EQ(drain(engine, first), std::vector<EventCode>{event::kTimer});
  EXPECT_TRUE(engine.postEvent(first, Event{event::kCompleted}));
  EXPECT_FALSE(engine.postEvent(first, Event{event::kAccepted, 999}));
  EXPECT_EQ(drain(engine, first), std::vector<EventCode>{event::kCompleted});
}

TEST(WindowEvents, FrameArrangesItsChildren) {
  HeadlessEngine engine;
  WindowDescription frame;
  frame.kind = WindowKind::kFrame;
  WindowId frame_id = engine.openWindow(frame);
  WindowId child = engine.openWindow(cardWindow());
  EXPECT_FALSE(engine.tile(child));
  EXPECT_TRUE(engine.tile(frame_id));
  EXPECT_EQ(engine.lastArrangement(frame_id), FrameArrangement::kTile);
  EXPECT_TRUE(engine.cascade(frame_id));
  EXPECT_TRUE(engine.arrangeIcons(frame_id));
  EXPECT_EQ(engine.lastArrangement(frame_id), FrameArrangement::kArrangeIcons);
}

TEST(ListFormats, OneColumnPerGroupWithTitleAndPicture) {
  auto format = parseListFormat("80L(2)|M~Гражданство~C(0)@s20@40R(2)|~Таб. №~@n_6@D@n10.2@");
  ASSERT_TRUE(format.has_value());
  ASSERT_EQ(format->columns.size(), 3u);
  EXPECT_EQ(format->columns[0].width, 80);
  EXPECT_EQ(format->columns[0].alignment, 'L');
  EXPECT_EQ(format->columns[0].title, "Гражданство");
  EXPECT_EQ(format->columns[0].picture, "@s20");
  EXPECT_TRUE(format->columns[0].right_border);
  EXPECT_TRUE(format->columns[0].resizable);
  EXPECT_EQ(format->columns[1].alignment, 'R');
  EXPECT_EQ(format->columns[1].title, "Таб. №");
  EXPECT_EQ(format->columns[1].picture, "@n_6");
  EXPECT_FALSE(format->columns[1].resizable);
  EXPECT_EQ(format->columns[2].width, 0);
  EXPECT_EQ(format->columns[2].alignment, 'D');
  EXPECT_EQ(format->columns[2].title, "");
  EXPECT_EQ(parseListFormat("")->columns.size(), 0u);
}

TEST(ListFormats, BracketedColumnsStandUnderTheirGroupsTitle) {
  auto format = parseListFormat(
      "215L(2)|M~Должность~C(0)@s60@[31R(5)|M~штат~C(0)@n_5.2b@25R(3)|M~занято~C(0)@n_5.2b@](59)|M~"
      "Количество~"
      "20R(2)|M~numo~C(0)@n4@");
  ASSERT_TRUE(format.has_value());
  ASSERT_EQ(format->columns.size(), 4u);
  EXPECT_EQ(format->columns[1].width, 31);
  EXPECT_EQ(format->columns[2].title, "занято");
  EXPECT_EQ(format->columns[2].group_title, "Количество");
  EXPECT_EQ(format->columns[0].group_title, "");
  EXPECT_EQ(format->columns[3].picture, "@n4");
  EXPECT_EQ(format->columns[3].group_title, "");
  EXPECT_FALSE(parseListFormat("[80L~T~@s20@"));
  EXPECT_FALSE(parseListFormat("[]~T~"));
}

TEST(ListFormats, BrokenGroupsAreRefused) {
  std::string error;
  EXPECT_FALSE(parseListFormat("80L~Title@s20@", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(parseListFormat("80L~Title~@s20", &error));
  EXPECT_FALSE(parseListFormat("80L~Title~", &error));
  EXPECT_FALSE(parseListFormat("99999999999999999999L~T~@s1@@", &error));
}

}  // namespace
}  // namespace veltrano::ui
