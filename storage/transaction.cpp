#include "storage/transaction.h"

#include <algorithm>
#include <memory>

#include "platform/clock.h"
#include "storage/file_name.h"
#include "storage/storage_failure.h"
#include "storage/transaction_control_file.h"

namespace veltrano::storage {
namespace {

std::uint32_t clockSeconds() {
  return static_cast<std::uint32_t>(platform::secondsSinceEpoch());
}

bool samePath(std::string_view a, std::string_view b) {
  return upperCase1251(a) == upperCase1251(b);
}

}  // namespace

bool Transaction::contains(const TransactionMember& member) const {
  return std::find(members_.begin(), members_.end(), &member) != members_.end();
}

void Transaction::join(TransactionMember& member) {
  if (contains(member)) return;
  if (control_path_.empty()) {
    const std::string control = defaultControlFilePath(member.storagePath());
    const bool known = std::any_of(control_files_.begin(), control_files_.end(),
                                   [&](const std::string& path) { return samePath(path, control); });
    if (!known) {
      if (control_files_.size() >= kMostControlFiles) fail(kFailureTooManyControlFiles);
      control_files_.push_back(control);
    }
  }
  members_.push_back(&member);
}

void Transaction::leave(TransactionMember& member) {
  const auto found = std::find(members_.begin(), members_.end(), &member);
  if (found == members_.end()) return;
  member.discardChanges();
  members_.erase(found);
  if (members_.empty()) end();
}

void Transaction::end() {
  members_.clear();
  control_files_.clear();
}

void Transaction::rollback() {
  for (TransactionMember* member : members_) member->discardChanges();
  end();
}

int Transaction::commit() {
  std::vector<TransactionMember*> changed;
  for (TransactionMember* member : members_) {
    if (member->hasChanges()) changed.push_back(member);
  }
  int outcome = 0;
  if (changed.size() == 1) {
    outcome = changed.front()->writeUpdate();
    if (outcome != 0) changed.front()->discardChanges();
  } else if (changed.size() > 1) {
    outcome = commitSeveral(changed);
  }
  end();
  return outcome;
}

int Transaction::commitSeveral(const std::vector<TransactionMember*>& changed) {
  auto drop_all = [&] {
    for (TransactionMember* member : members_) member->discardChanges();
  };
  // Step 2: the control files, the first of them the one whose write is the commit point.
  std::vector<std::string> paths;
  if (!control_path_.empty()) {
    paths.push_back(control_path_);
  } else {
    paths = control_files_;
  }
  std::vector<std::unique_ptr<ControlFile>> controls;
  for (const std::string& path : paths) {
    int error = 0;
    auto control = ControlFile::open(path, true, &error);
    if (!control) {
      drop_all();
      return error;
    }
    controls.push_back(std::move(control));
  }
  // Other stations may not record an identifier between the choice and the recording; the
  // files are taken in order of their paths so that two committing stations cannot each wait
  // for the other.
  std::vector<ControlFile*> ordered;
  for (auto& control : controls) ordered.push_back(control.get());
  std::sort(ordered.begin(), ordered.end(), [](const ControlFile* a, const ControlFile* b) {
    return upperCase1251(a->path()) < upperCase1251(b->path());
  });
  for (ControlFile* control : ordered) control->beginExclusive();
  // The clock in seconds, but never an identifier issued before: two commits within one second,
  // or a clock set back, would otherwise reuse one that a crashed file's update still names.
  std::uint32_t id = seconds_ != nullptr ? seconds_() : clockSeconds();
  for (auto& control : controls) id = std::max(id, control->lastIssuedUnlocked() + 1);
  while (std::any_of(controls.begin(), controls.end(),
                     [&](auto& control) { return control->holdsUnlocked(id); })) {
    ++id;
  }
  std::size_t recorded = 0;
  int outcome = 0;
  for (; recorded < controls.size() && outcome == 0; ++recorded) outcome = controls[recorded]->insert(id);
  for (ControlFile* control : ordered) control->endExclusive();
  auto forget_id = [&](std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) controls[i]->remove(id);
  };
  if (outcome != 0) {
    forget_id(recorded);
    drop_all();
    return outcome;
  }

  // Step 3.
  const std::string& primary = controls.front()->path();
  for (TransactionMember* member : changed) {
    const bool own_default =
        control_path_.empty() && samePath(defaultControlFilePath(member->storagePath()), primary);
    member->setMarker(encodeTransactionMarker(id, own_default ? kDefaultControlFileMark : primary));
    outcome = member->prepareUpdate();
    if (outcome != 0) {
      drop_all();
      forget_id(controls.size());
      return outcome;
    }
  }

  // Step 4: the commit point is the identifier leaving the first control file.
  outcome = controls.front()->remove(id);
  if (outcome != 0) {
    drop_all();
    forget_id(controls.size());
    return outcome;
  }
  for (std::size_t i = 1; i < controls.size(); ++i) controls[i]->remove(id);

  // Step 5. The updates are durable; a file whose second half fails is finished from its pending
  // area by its next update or open, and COMMIT reports the error.
  for (TransactionMember* member : changed) {
    if (const int completed = member->completeUpdate(); completed != 0 && outcome == 0) outcome = completed;
  }
  return outcome;
}

}  // namespace veltrano::storage
