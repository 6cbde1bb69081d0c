// The "Choose items and order" dialog driven by a clerk on the headless engine.
#include "framework/browse/choose_items_dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "ui/headless_engine.h"

namespace veltrano::framework {
namespace {

using Items = std::vector<std::string>;

std::optional<Items> choose(const Items& available, const Items& selected,
                            const std::function<void(ui::HeadlessEngine&, ui::WindowId)>& clerk) {
  ui::HeadlessEngine engine;
  ui::ScopedWindowEngine installed(engine);
  std::thread user([&] {
    ui::WindowId window = engine.waitForWindow("ABEIP", std::chrono::seconds(10));
    ASSERT_NE(window, 0u);
    EXPECT_EQ(engine.snapshot(window)->name, "$MULTIWINDOW");
    clerk(engine, window);
  });
  std::optional<Items> chosen = ChooseItemsDialog().Ask(available, selected);
  user.join();
  return chosen;
}

// Acts once the dialog has shown what it was given.
void act(ui::HeadlessEngine& engine, ui::WindowId window, const std::function<void()>& step) {
  ASSERT_TRUE(engine.waitUntilIdle(window, std::chrono::seconds(10)));
  step();
}

TEST(ChooseItems, MovesAcrossReordersAndFinishesOrCancels) {
  const Items all{"Surname", "Name", "Number", "Hired"};
  std::optional<Items> chosen =
      choose(all, {"Number", "Gone"}, [](ui::HeadlessEngine& engine, ui::WindowId w) {
        act(engine, w, [&] {
          EXPECT_EQ(engine.snapshot(w)->controls.at(2).rows.size(), 3u);  // "Number" is selected already
          engine.userSelectsRow(w, 2, 3);                                 // "Hired"
          engine.userPresses(w, 5);                                       // across
        });
        act(engine, w, [&] { engine.userPresses(w, 7); });  // up, before "Number"
        act(engine, w, [&] {
          engine.userSelectsRow(w, 2, 1);  // "Surname", by a double click
          engine.postEvent(w, ui::Event{ui::event::kAccepted, 2, w, 0, 0});
        });
        act(engine, w, [&] {
          engine.userSelectsRow(w, 4, 2);  // "Number" goes back
          engine.userPresses(w, 6);
        });
        act(engine, w, [&] { engine.userPresses(w, 10); });
      });
  EXPECT_EQ(chosen, (Items{"Hired", "Surname"}));

  std::optional<Items> cancelled = choose(all, {}, [](ui::HeadlessEngine& engine, ui::WindowId w) {
    act(engine, w, [&] {
      engine.userPresses(w, 5);
      engine.userPresses(w, 9);
    });
  });
  EXPECT_FALSE(cancelled);
}

}  // namespace
}  // namespace veltrano::framework
