#include "framework/change_history.h"

#include "framework/table_manager.h"

namespace veltrano::framework {
namespace {

constexpr int kFileNotOpen = 37;

}  // namespace

ChangeStep::ChangeStep(TableManager& manager) : manager_(manager), history_(manager.changeHistory()) {}

int ChangeStep::begin() {
  if (history_ == nullptr || transactionRunning() || manager_.FILE == nullptr) return 0;
  storage::FileControlBlock* history_file = history_->historyFile();
  if (history_file == nullptr) return kFileNotOpen;
  return frame_.begin({manager_.FILE, history_file});
}

int ChangeStep::rememberStored(const std::string& position) {
  return history_ != nullptr ? history_->rememberStored(manager_, position) : 0;
}

int ChangeStep::record(Change change) {
  return history_ != nullptr ? history_->record(manager_, change) : 0;
}

int ChangeStep::finish() {
  return frame_.commit();
}

}  // namespace veltrano::framework
