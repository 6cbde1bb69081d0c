// Referential integrity on the related (child) side: what happens to the records that point at
// a parent whose link values change or which is deleted. Every step that fails rolls the
// framing transaction back before it shows its message, so that the message never hides a
// half-done change.
#include "framework/driver_calls.h"
#include "framework/relation_guard.h"
#include "framework/transaction_frame.h"

namespace veltrano::framework {

using storage::Operation;

namespace {

bool changesRelated(std::uint8_t mode) {
  return mode == kModeClear || mode == kModeRestrict || mode == kModeCascade;
}

}  // namespace

Level RelationGuard::firstLinked(Relation& relation, bool saved_values) {
  ME->ClearRecord();
  if (saved_values) {
    relation.FIELDS.SavedToRight();
  } else {
    relation.FIELDS.LeftToRight();
  }
  // Every record this step handles leaves the linked group (deleted, or its link changed), so
  // each search starts again at the group's beginning rather than trusting a sequence that the
  // last write moved.
  const int code = relation.HISKEY != nullptr ? fileCall(Operation::SetKeyKey, *ME->FILE, relation.HISKEY)
                                              : fileCall(Operation::SetFile, *ME->FILE);
  if (code != 0) {
    ME->NoteError(1);
    return kLevelFatal;
  }
  for (;;) {
    const Level level = ME->NextQuiet();
    if (level == kLevelNotify && ME->AtFileEnd()) return kLevelNotify;
    if (level != kLevelBenign) return kLevelFatal;
    const bool linked = saved_values ? relation.FIELDS.RightSameAsSaved() : relation.FIELDS.Equal();
    if (linked) return kLevelBenign;
    // In key order the linked records are together: past them there are no more. Without a
    // key the whole file is read.
    if (relation.HISKEY != nullptr) return kLevelNotify;
  }
}

Level RelationGuard::UpdateChildren(std::uint8_t mode, Relation& relation) {
  if (ME->EnsureFileOpen() != kLevelBenign) {
    rollBackActive();
    return kLevelNotify;
  }
  const std::int32_t saved = ME->SaveFileState();
  Level result = kLevelBenign;
  for (;;) {
    const Level found = firstLinked(relation, true);
    if (found == kLevelNotify) break;
    if (found != kLevelBenign) {
      rollBackActive();
      ME->Throw();
      result = kLevelNotify;
      break;
    }
    SaveLinkValues();
    if (mode == kModeRestrict) {
      ME->NoteError(31);
      rollBackActive();
      ME->Throw();
      relation.FIELDS.SavedToLeft();
      result = kLevelNotify;
      break;
    }
    if (mode == kModeClear) {
      relation.FIELDS.BlankRight();
    } else {
      relation.FIELDS.LeftToRight();
    }
    // A write that leaves the link as it was would find the same record again for ever.
    if (relation.FIELDS.RightSameAsSaved()) break;
    result = writeChild();
    if (result != kLevelBenign) break;
  }
  ME->RestoreFileState(saved, true);
  return result;
}

Level RelationGuard::DeleteChildren(std::uint8_t mode, Relation& relation) {
  if (ME->EnsureFileOpen() != kLevelBenign) {
    rollBackActive();
    return kLevelNotify;
  }
  const std::int32_t saved = ME->SaveFileState();
  Level result = kLevelBenign;
  for (;;) {
    const Level found = firstLinked(relation, false);
    if (found == kLevelNotify) break;
    if (found != kLevelBenign) {
      rollBackActive();
      ME->Throw();
      result = kLevelNotify;
      break;
    }
    if (mode == kModeRestrict) {
      ME->NoteError(30);
      rollBackActive();
      ME->Throw();
      result = kLevelNotify;
      break;
    }
    if (mode == kModeClear) {
      SaveLinkValues();
      relation.FIELDS.BlankRight();
      if (relation.FIELDS.Equal()) break;  // the parent's link is blank itself
      result = writeChild();
      if (result != kLevelBenign) break;
      continue;
    }
    result = deleteChildrenOf();
    if (result != kLevelBenign) break;
    if (ME->RecordChange(Change::kDelete) != 0 || fileCall(Operation::Delete, *ME->FILE) != 0) {
      ME->NoteError(11);
      rollBackActive();
      ME->Throw();
      result = kLevelNotify;
      break;
    }
  }
  ME->RestoreFileState(saved, true);
  return result;
}

Level RelationGuard::writeChild() {
  for (Relation& relation : RELATIONS) {
    if (!changesRelated(relation.UPDATEMODE) || relation.FIELDS.LeftSameAsSaved()) continue;
    if (relation.FILE->UpdateChildren(relation.UPDATEMODE, relation) != kLevelBenign) {
      relation.FIELDS.SavedToLeft();
      return kLevelNotify;
    }
  }
  if (ME->UpdateQuiet() != kLevelBenign) {
    ME->NoteError(25);
    rollBackActive();
    ME->Throw();
    return kLevelNotify;
  }
  return kLevelBenign;
}

}  // namespace veltrano::framework
