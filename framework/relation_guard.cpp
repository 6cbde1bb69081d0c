#include "framework/relation_guard.h"

#include <algorithm>
#include <atomic>

#include "framework/driver_calls.h"
#include "framework/transaction_frame.h"

namespace veltrano::framework {

using storage::Operation;

namespace {

// Each top-level walk of the relation graph gets a new stamp; a guard already stamped is
// skipped, which ends cycles (every child relation has a matching relation back to its parent).
std::int32_t nextGeneration() {
  static std::atomic<std::int32_t> generation{0};
  return ++generation;
}

bool changesRelated(std::uint8_t mode) {
  return mode == kModeClear || mode == kModeRestrict || mode == kModeCascade;
}

}  // namespace

void RelationGuard::Init(TableManager* manager, bool use_logout) {
  ME = manager;
  USELOGOUT = use_logout ? 1 : 0;
  RELATIONS.clear();
  LASTTOUCHED = 0;
}

void RelationGuard::Kill() {
  RELATIONS.clear();
}

void RelationGuard::RegisterRelation(RelationGuard* related, std::uint8_t update_mode,
                                     std::uint8_t delete_mode, const storage::KeyDescriptor* his_key) {
  Relation relation;
  relation.FILE = related;
  relation.HISKEY = his_key;
  relation.UPDATEMODE = update_mode;
  relation.DELETEMODE = delete_mode;
  RELATIONS.push_back(std::move(relation));
}

void RelationGuard::RegisterRelation(RelationGuard* related) {
  RegisterRelation(related, kModeNone, kModeNone, nullptr);
}

bool RelationGuard::RegisterRelationLink(FieldRef left, FieldRef right) {
  if (RELATIONS.empty() || !left.valid() || !right.valid()) return false;
  RELATIONS.back().FIELDS.AddPair(left, right);
  return true;
}

Level RelationGuard::ReleaseNumber() {
  return ME->ReleaseNumber(this);
}

Level RelationGuard::Open() {
  std::vector<TableManager*> opened;
  const Level level = openWalk(nextGeneration(), opened);
  if (level != kLevelBenign) {
    // The walk stops at the first failure; what it opened before is closed again, so that the
    // window that gives up leaves every count as it found it.
    for (auto manager = opened.rbegin(); manager != opened.rend(); ++manager) (*manager)->Close();
  }
  return level;
}

Level RelationGuard::openWalk(std::int32_t generation, std::vector<TableManager*>& opened) {
  if (LASTTOUCHED == generation) return kLevelBenign;
  LASTTOUCHED = generation;
  const Level level = ME->Open();
  if (level != kLevelBenign) return level;
  opened.push_back(ME);
  for (Relation& relation : RELATIONS) {
    const Level related = relation.FILE->openWalk(generation, opened);
    if (related != kLevelBenign) return related;
  }
  return kLevelBenign;
}

Level RelationGuard::Close() {
  closeWalk(nextGeneration());
  return kLevelBenign;
}

void RelationGuard::closeWalk(std::int32_t generation) {
  if (LASTTOUCHED == generation) return;
  LASTTOUCHED = generation;
  ME->Close();
  for (Relation& relation : RELATIONS) relation.FILE->closeWalk(generation);
}

void RelationGuard::EnableQuickScan(bool on, int propagate) {
  quickScanWalk(on, propagate, nextGeneration());
}

void RelationGuard::quickScanWalk(bool on, int propagate, std::int32_t generation) {
  if (LASTTOUCHED == generation) return;
  LASTTOUCHED = generation;
  if (ME->FILE != nullptr) sendCommand(*ME->FILE, on ? "QUICKSCAN=on" : "QUICKSCAN=off");
  for (Relation& relation : RELATIONS) {
    const bool keyed = relation.HISKEY != nullptr;
    if ((propagate == 1 && keyed) || (propagate == 2 && !keyed)) continue;
    relation.FILE->quickScanWalk(on, propagate, generation);
  }
}

void RelationGuard::SaveLinkValues() {
  for (Relation& relation : RELATIONS) relation.FIELDS.LeftToSaved();
}

void RelationGuard::collectFiles(std::vector<storage::FileControlBlock*>& files, bool for_delete,
                                 bool& history_missing) const {
  if (ME->FILE == nullptr || std::find(files.begin(), files.end(), ME->FILE) != files.end()) return;
  files.push_back(ME->FILE);
  // A recorded file's changes and their history are one transaction.
  if (ChangeHistory* history = ME->changeHistory(); history != nullptr) {
    storage::FileControlBlock* history_file = history->historyFile();
    if (history_file == nullptr) {
      history_missing = true;
    } else if (std::find(files.begin(), files.end(), history_file) == files.end()) {
      files.push_back(history_file);
    }
  }
  for (const Relation& relation : RELATIONS) {
    if (for_delete) {
      if (relation.DELETEMODE == kModeCascade) relation.FILE->collectFiles(files, true, history_missing);
      // A cleared child is rewritten, and its rewrite may reach further files.
      if (relation.DELETEMODE == kModeClear) relation.FILE->collectFiles(files, false, history_missing);
    } else if (relation.UPDATEMODE == kModeClear || relation.UPDATEMODE == kModeCascade) {
      relation.FILE->collectFiles(files, false, history_missing);
    }
  }
}

Level RelationGuard::Update(int mode) {
  const Level opened = Open();
  if (opened != kLevelBenign) return opened;
  Level result = kLevelBenign;
  {
    TransactionFrame transaction;
    if (USELOGOUT != 0 || ME->changeHistory() != nullptr) {
      std::vector<storage::FileControlBlock*> files;
      bool history_missing = false;
      collectFiles(files, false, history_missing);
      if (history_missing || transaction.begin(files) != 0) {
        ME->Throw(21);
        result = kLevelNotify;
      }
    }
    if (result == kLevelBenign && ME->Update(mode) != kLevelBenign) {
      transaction.rollBack();
      const std::uint8_t last = ME->SelectThreadState().LASTERROR;
      result = last == 6 || last == 7 ? kLevelNotify : kLevelUser;
    } else if (result == kLevelBenign) {
      for (Relation& relation : RELATIONS) {
        if (!changesRelated(relation.UPDATEMODE) || relation.FIELDS.LeftSameAsSaved()) continue;
        const Level level = relation.FILE->UpdateChildren(relation.UPDATEMODE, relation);
        if (level != kLevelBenign) {
          relation.FIELDS.SavedToLeft();
          result = level;
          break;
        }
      }
      if (result == kLevelBenign && transaction.commit() != 0) {
        ME->NoteError(21);
        transaction.rollBack();
        result = ME->Throw();
        if (result == kLevelBenign) result = kLevelNotify;
      }
      // The record now holds the new links; the next change compares with them.
      if (result == kLevelBenign) SaveLinkValues();
    }
  }
  Close();
  return result;
}

Level RelationGuard::Delete(bool ask) {
  if (ask && ME->Throw(9) != kLevelBenign) return kLevelNotify;
  // The place is taken once, before the first attempt: an attempt that got as far as deleting
  // the record and was then rolled back leaves no current record to take it from again, and the
  // retry would find nothing to delete.
  const std::string position = ME->CurrentPosition();
  for (;;) {
    const Level result = deleteOnce(position);
    if (result == kLevelBenign) return result;
    if (ME->Throw(33) != kLevelBenign) return result;
  }
}

Level RelationGuard::deleteOnce(const std::string& position) {
  const Level opened = Open();
  if (opened != kLevelBenign) return opened;
  Level result = kLevelBenign;
  {
    TransactionFrame transaction;
    if (USELOGOUT != 0 || ME->changeHistory() != nullptr) {
      std::vector<storage::FileControlBlock*> files;
      bool history_missing = false;
      collectFiles(files, true, history_missing);
      if (history_missing || transaction.begin(files) != 0) {
        ME->Throw(21);
        result = kLevelNotify;
      }
    }
    if (result == kLevelBenign && (ME->EnsureFileOpen() != kLevelBenign || ME->Reget(position) != 0)) {
      ME->NoteError(11);
      transaction.rollBack();
      ME->Throw();
      result = kLevelNotify;
    }
    if (result == kLevelBenign) result = deleteChildrenOf();
    if (result == kLevelBenign) {
      if (ME->RecordChange(Change::kDelete) != 0 || fileCall(Operation::Delete, *ME->FILE) != 0) {
        ME->NoteError(11);
        transaction.rollBack();
        ME->Throw();
        result = kLevelNotify;
      } else if (transaction.commit() != 0) {
        ME->NoteError(21);
        transaction.rollBack();
        ME->Throw();
        result = kLevelNotify;
      }
    }
  }
  Close();
  return result;
}

Level RelationGuard::deleteChildrenOf() {
  for (Relation& relation : RELATIONS) {
    if (!changesRelated(relation.DELETEMODE)) continue;
    if (relation.FILE->DeleteChildren(relation.DELETEMODE, relation) != kLevelBenign) return kLevelNotify;
  }
  return kLevelBenign;
}

}  // namespace veltrano::framework
