// The clerk prints form No. 17 sheet 2 of the demonstration institution: "&Отчеты" →
// "Форма №17 лист2" by keyboard, the counts read while the progress window shows, the first
// page in the preview (its screenshot kept), the preview closed with Escape and the program
// left through "&Файл" → "&Выход".
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/gui/gui_session.h"

namespace veltrano::gui {
namespace {

TEST(Form17PreviewScenario, SheetTwoOfFormSeventeenIsPreviewedFromTheMenu) {
  std::string reason;
  std::unique_ptr<GuiSession> session = GuiSession::Start(&reason);
  ASSERT_NE(session, nullptr) << reason;

  // The first start's question is the toolkit's own box: "&Да" fills the demonstration data.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  ASSERT_TRUE(session->pressFor("alt+Cyrillic_de", "Main", std::chrono::seconds(60)));
  // The keyboard comes back to the frame from the toolkit's box only once the window manager
  // has given it the focus again.
  session->settle();
  std::this_thread::sleep_for(std::chrono::seconds(1));

  // The sheet has no letter of its own: six up from the menu's first item, past its last.
  std::optional<ShownWindow> preview =
      session->choose("alt+Cyrillic_o", {"Up", "Up", "Up", "Up", "Up", "Up", "Return"}, "_PreviewWindow_",
                      "form17-01-reports-menu");
  ASSERT_TRUE(preview);
  session->settle();
  EXPECT_FALSE(session->screenshot("form17-02-sheet-two-preview").empty());

  session->keys({"Escape"});
  EXPECT_TRUE(session->waitUntilClosed("_PreviewWindow_"));
  EXPECT_EQ(session->exitThroughMenu(), 0);
}

}  // namespace
}  // namespace veltrano::gui
