// The window engine without a screen, for tests. Windows, controls and their values live in
// memory (MemoryEngine); the test inspects them, acts as the user, and answers the dialogs.
//
// Installing it for a test and answering a message box:
//
//   ui::HeadlessEngine engine;
//   ui::ScopedWindowEngine installed(engine);    // ui::windowEngine() is now `engine`
//   engine.queueMessageBoxAnswer(ui::kButtonNo);  // the next box is answered "No"
//   ... code under test calls ui::messageBox(request) ...
//   ASSERT_EQ(engine.shownMessageBoxes().size(), 1u);
//   EXPECT_EQ(engine.shownMessageBoxes()[0].caption, ...);
//
// Queued answers are used in order, one per box. A box with no answer queued takes its default
// button, unless setWaitForAnswers(true): then it waits (run lock released) until another
// thread calls answerMessageBox(), which lets a test see the box while it is up. An answer
// that is not one of the box's buttons counts as closing the box: it takes the default.
// File and printer dialogs work the same way (no answer queued: cancelled), and so do popup
// menus: a queued item text chooses the first enabled item with that text, an empty text or
// none queued dismisses the menu.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ui/memory_engine.h"

namespace veltrano::ui {

class HeadlessEngine : public MemoryEngine {
 public:
  unsigned messageBox(const MessageBoxRequest& request) override;
  std::optional<std::string> fileOpenDialog(const FileDialogRequest& request) override;
  // Answered from the same queue as the open dialog, and shown among the file dialogs.
  std::optional<std::string> fileSaveDialog(const FileDialogRequest& request) override;
  std::optional<PrinterChoice> printerSetupDialog(const PrinterChoice& current) override;
  // Answered from the file dialogs' queue, and shown among them.
  std::optional<std::string> directoryDialog(const FileDialogRequest& request) override;
  int popupMenu(WindowId window, const std::string& text) override;

  void queueMessageBoxAnswer(unsigned button);
  // nullopt: the user cancels.
  void queueFileDialogAnswer(std::optional<std::string> path);
  void queuePrinterAnswer(std::optional<PrinterChoice> choice);
  void queuePopupChoice(std::string item_text);

  // Every box and dialog shown so far, in order (the ones still up included).
  std::vector<MessageBoxRequest> shownMessageBoxes() const;
  std::vector<FileDialogRequest> shownFileDialogs() const;
  int printerDialogsShown() const;
  // The texts of the popup menus shown so far (ui/popup_text.h).
  std::vector<std::string> shownPopups() const;

  void setWaitForAnswers(bool wait);
  // The box that is up and waiting for answerMessageBox(); nothing when `limit` passes first.
  std::optional<MessageBoxRequest> waitForMessageBox(std::chrono::milliseconds limit) const;
  // Answers the box that is up; false when none is.
  bool answerMessageBox(unsigned button);

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::deque<unsigned> box_answers_;
  std::deque<std::optional<std::string>> file_answers_;
  std::deque<std::optional<PrinterChoice>> printer_answers_;
  std::deque<std::string> popup_choices_;
  std::vector<std::string> shown_popups_;
  std::vector<MessageBoxRequest> shown_boxes_;
  std::vector<FileDialogRequest> shown_file_dialogs_;
  int printer_dialogs_shown_ = 0;
  bool wait_for_answers_ = false;
  std::optional<MessageBoxRequest> box_up_;
  std::optional<unsigned> answer_to_box_up_;
};

}  // namespace veltrano::ui
