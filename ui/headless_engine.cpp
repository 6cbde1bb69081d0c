#include "ui/headless_engine.h"

#include <utility>

#include "ui/message_box_rules.h"
#include "ui/popup_text.h"
#include "ui/run_lock.h"

namespace veltrano::ui {

unsigned HeadlessEngine::messageBox(const MessageBoxRequest& request) {
  std::unique_lock lock(mutex_);
  shown_boxes_.push_back(request);
  if (!box_answers_.empty()) {
    unsigned pressed = box_answers_.front();
    box_answers_.pop_front();
    return acceptedAnswer(request, pressed);
  }
  if (!wait_for_answers_) return defaultAnswer(request);

  // One box at a time is up; a second thread asking meanwhile waits its turn, as a user sees
  // one window-modal box after another.
  lock.unlock();
  RunLockReleasedForWait released;
  lock.lock();
  changed_.wait(lock, [&] { return !box_up_.has_value(); });
  box_up_ = request;
  changed_.notify_all();
  changed_.wait(lock, [&] { return answer_to_box_up_.has_value(); });
  unsigned pressed = *answer_to_box_up_;
  answer_to_box_up_.reset();
  box_up_.reset();
  changed_.notify_all();
  lock.unlock();
  return acceptedAnswer(request, pressed);
}

std::optional<std::string> HeadlessEngine::fileOpenDialog(const FileDialogRequest& request) {
  std::lock_guard lock(mutex_);
  shown_file_dialogs_.push_back(request);
  if (file_answers_.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(file_answers_.front());
  file_answers_.pop_front();
  return answer;
}

std::optional<std::string> HeadlessEngine::fileSaveDialog(const FileDialogRequest& request) {
  return fileOpenDialog(request);
}

std::optional<std::string> HeadlessEngine::directoryDialog(const FileDialogRequest& request) {
  return fileOpenDialog(request);
}

std::optional<PrinterChoice> HeadlessEngine::printerSetupDialog(const PrinterChoice&) {
  std::lock_guard lock(mutex_);
  ++printer_dialogs_shown_;
  if (printer_answers_.empty()) return std::nullopt;
  std::optional<PrinterChoice> answer = std::move(printer_answers_.front());
  printer_answers_.pop_front();
  return answer;
}

int HeadlessEngine::popupMenu(WindowId window, const std::string& text) {
  if (!snapshot(window)) return 0;
  std::lock_guard lock(mutex_);
  shown_popups_.push_back(text);
  if (popup_choices_.empty()) return 0;
  std::string chosen = std::move(popup_choices_.front());
  popup_choices_.pop_front();
  return popupChoiceNumber(parsePopupText(text), chosen);
}

void HeadlessEngine::queueMessageBoxAnswer(unsigned button) {
  std::lock_guard lock(mutex_);
  box_answers_.push_back(button);
}

void HeadlessEngine::queueFileDialogAnswer(std::optional<std::string> path) {
  std::lock_guard lock(mutex_);
  file_answers_.push_back(std::move(path));
}

void HeadlessEngine::queuePrinterAnswer(std::optional<PrinterChoice> choice) {
  std::lock_guard lock(mutex_);
  printer_answers_.push_back(std::move(choice));
}

void HeadlessEngine::queuePopupChoice(std::string item_text) {
  std::lock_guard lock(mutex_);
  popup_choices_.push_back(std::move(item_text));
}

std::vector<std::string> HeadlessEngine::shownPopups() const {
  std::lock_guard lock(mutex_);
  return shown_popups_;
}

std::vector<MessageBoxRequest> HeadlessEngine::shownMessageBoxes() const {
  std::lock_guard lock(mutex_);
  return shown_boxes_;
}

std::vector<FileDialogRequest> HeadlessEngine::shownFileDialogs() const {
  std::lock_guard lock(mutex_);
  return shown_file_dialogs_;
}

int HeadlessEngine::printerDialogsShown() const {
  std::lock_guard lock(mutex_);
  return printer_dialogs_shown_;
}

void HeadlessEngine::setWaitForAnswers(bool wait) {
  std::lock_guard lock(mutex_);
  wait_for_answers_ = wait;
}

std::optional<MessageBoxRequest> HeadlessEngine::waitForMessageBox(std::chrono::milliseconds limit) const {
  std::unique_lock lock(mutex_);
  if (!changed_.wait_for(lock, limit, [&] { return box_up_.has_value() && !answer_to_box_up_; })) {
    return std::nullopt;
  }
  return box_up_;
}

bool HeadlessEngine::answerMessageBox(unsigned button) {
  std::lock_guard lock(mutex_);
  if (!box_up_ || answer_to_box_up_) return false;
  answer_to_box_up_ = button;
  changed_.notify_all();
  return true;
}

}  // namespace veltrano::ui
