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
  session->keys({"alt+Cyrillic_de"});
  ASSERT_TRUE(session->waitForWindow("Main", std::chrono::seconds(60)));

  // The sheet has no letter of its own: six up from the menu's first item, past its last.
  session->keys({"alt+Cyrillic_o"});
  session->keys({"Up", "Up", "Up", "Up", "Up", "Up"});
  session->screenshot("form17-01-reports-menu");
  session->keys({"Return"});
  const std::optional<ShownWindow> preview =
      session->waitForWindow("_PreviewWindow_", std::chrono::seconds(30));
  ASSERT_TRUE(preview);
  session->settle();
  EXPECT_FALSE(session->screenshot("form17-02-sheet-two-preview").empty());

  session->keys({"Escape"});
  EXPECT_TRUE(session->waitUntilClosed("_PreviewWindow_"));
  session->keys({"alt+Cyrillic_ef", "Cyrillic_ve"});  // "&Файл" → "&Выход"
  EXPECT_EQ(session->waitForExit(), 0);
}

}  // namespace
}  // namespace veltrano::gui
