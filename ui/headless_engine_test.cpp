#include "ui/headless_engine.h"

#include <gtest/gtest.h>

#include <thread>

#include "ui/message_box_rules.h"

namespace veltrano::ui {
namespace {

using namespace std::chrono_literals;

MessageBoxRequest yesNoCancel(unsigned default_button) {
  MessageBoxRequest request;
  request.text = "Delete?";
  request.caption = "Confirm";
  request.icon = kIconQuestion;
  request.buttons = kButtonYes | kButtonNo | kButtonCancel;
  request.default_button = default_button;
  return request;
}

TEST(MessageBoxes, QueuedAnswersAreUsedInOrderThenTheDefault) {
  HeadlessEngine engine;
  ScopedWindowEngine installed(engine);
  engine.queueMessageBoxAnswer(kButtonNo);
  engine.queueMessageBoxAnswer(kButtonCancel);
  EXPECT_EQ(messageBox(yesNoCancel(kButtonYes)), kButtonNo);
  EXPECT_EQ(messageBox(yesNoCancel(kButtonYes)), kButtonCancel);
  EXPECT_EQ(messageBox(yesNoCancel(kButtonYes)), kButtonYes);
  auto shown = engine.shownMessageBoxes();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].caption, "Confirm");
  EXPECT_EQ(shown[0].buttons, 70u);
  EXPECT_EQ(shown[0].icon, kIconQuestion);
}

TEST(MessageBoxes, AnswersOutsideTheButtonSetTakeTheDefault) {
  HeadlessEngine engine;
  ScopedWindowEngine installed(engine);
  engine.queueMessageBoxAnswer(kButtonOk);               // not offered
  engine.queueMessageBoxAnswer(kButtonYes | kButtonNo);  // two buttons at once
  EXPECT_EQ(messageBox(yesNoCancel(kButtonNo)), kButtonNo);
  EXPECT_EQ(messageBox(yesNoCancel(kButtonCancel)), kButtonCancel);
}

TEST(MessageBoxes, DefaultFallsBackToTheFirstOfferedButton) {
  MessageBoxRequest request = yesNoCancel(kButtonOk);
  EXPECT_EQ(defaultAnswer(request), kButtonYes);
  request.default_button = 0;
  EXPECT_EQ(defaultAnswer(request), kButtonYes);
  request.buttons = 0;  // nothing asked for: an OK box
  EXPECT_EQ(offeredButtons(request), kButtonOk);
  EXPECT_EQ(defaultAnswer(request), kButtonOk);
  request.buttons = 0x1000 | kButtonRetry | kButtonIgnore;
  EXPECT_EQ(offeredButtons(request), kButtonRetry | kButtonIgnore);
  EXPECT_EQ(defaultAnswer(request), kButtonRetry);
}

TEST(MessageBoxes, WithoutAnEngineTheDefaultAnswers) {
  WindowEngine* previous = installWindowEngine(nullptr);
  EXPECT_EQ(messageBox(yesNoCancel(kButtonNo)), kButtonNo);
  std::string error;
  EXPECT_EQ(windowEngine().openWindow(WindowDescription{}, &error), 0u);
  EXPECT_FALSE(error.empty());
  installWindowEngine(previous);
}

TEST(MessageBoxes, ATestCanSeeABoxWhileItIsUpAndAnswerIt) {
  HeadlessEngine engine;
  ScopedWindowEngine installed(engine);
  engine.setWaitForAnswers(true);
  unsigned answer = 0;
  std::thread procedure([&] { answer = messageBox(yesNoCancel(kButtonYes)); });
  std::optional<MessageBoxRequest> up = engine.waitForMessageBox(5s);
  ASSERT_TRUE(up.has_value());
  EXPECT_EQ(up->text, "Delete?");
  EXPECT_TRUE(engine.answerMessageBox(kButtonCancel));
  procedure.join();
  EXPECT_EQ(answer, kButtonCancel);
  EXPECT_FALSE(engine.answerMessageBox(kButtonYes));  // nothing is up any more
}

TEST(Dialogs, FileAndPrinterDialogsAreAnsweredOrCancelled) {
  HeadlessEngine engine;
  engine.queueFileDialogAnswer(std::string("C:\\PHOTO\\1.BMP"));
  FileDialogRequest request{"Photo", "Pictures|*.bmp;*.jpg|All files|*.*", ""};
  EXPECT_EQ(engine.fileOpenDialog(request), "C:\\PHOTO\\1.BMP");
  EXPECT_EQ(engine.fileOpenDialog(request), std::nullopt);
  ASSERT_EQ(engine.shownFileDialogs().size(), 2u);
  EXPECT_EQ(engine.shownFileDialogs()[1].filter, request.filter);

  engine.queuePrinterAnswer(PrinterChoice{"Office", true, 2});
  auto chosen = engine.printerSetupDialog(PrinterChoice{});
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(chosen->printer_name, "Office");
  EXPECT_TRUE(chosen->landscape);
  EXPECT_EQ(engine.printerSetupDialog(PrinterChoice{}), std::nullopt);
  EXPECT_EQ(engine.printerDialogsShown(), 2);
}

}  // namespace
}  // namespace veltrano::ui
