// The update form's side of the window controller: priming the record when the form opens,
// completing the request on OK, and what closing a form that was not completed does.
#include "framework/window/window_controller.h"

namespace veltrano::framework {

void WindowController::saveFileStates() {
  for (SavedFile& file : FILES) file.STATE = file.FILE->SaveFileState();
}

void WindowController::restoreFileStates() {
  // Innermost first: the last saved is the first restored.
  for (auto it = FILES.rbegin(); it != FILES.rend(); ++it) {
    if (it->STATE != 0) it->FILE->RestoreFileState(it->STATE, true);
    it->STATE = 0;
  }
}

void WindowController::releaseSnapshot() {
  if (SAVED != 0 && PRIMARY != nullptr) PRIMARY->ME->ReleaseSnapshot(SAVED);
  SAVED = 0;
}

bool WindowController::RecordChanged() {
  if (PRIMARY == nullptr || SAVED == 0) return false;
  return !PRIMARY->ME->SameAsSaved(SAVED);
}

Level WindowController::BeginUpdate() {
  TableManager& primary = *PRIMARY->ME;
  if (const Level usable = primary.EnsureFileOpen(); usable != kLevelBenign) return usable;
  PRIMARY->SaveLinkValues();
  saveFileStates();
  switch (REQUEST) {
    case kRequestInsert: {
      // The caller primed the record (a browse with its range values, a drop-down list with the
      // typed value): it is not cleared again.
      RESPONSE = kResponseCompleted;
      const Level primed = primary.PrepareRecord(true);
      if (primed != kLevelBenign) {
        RESPONSE = kResponseCancelled;
        return primed;
      }
      PresetFields();
      RESPONSE = kResponseCancelled;
      break;
    }
    case kRequestDelete:
      if (DELETEACTION == kDeleteAtOnce || DELETEACTION == kDeleteAsk) {
        const Level deleted = PRIMARY->Delete(DELETEACTION == kDeleteAsk);
        RESPONSE = deleted == kLevelBenign ? kResponseCompleted : kResponseCancelled;
        return kLevelNotify;  // the window is not shown
      }
      break;
    default: break;
  }
  releaseSnapshot();
  SAVED = primary.SnapshotRecord();
  return kLevelBenign;
}

Level WindowController::OnCompleted() {
  rememberHistory();
  switch (REQUEST) {
    case kRequestInsert: return completeInsert();
    case kRequestChange: return completeChange();
    case kRequestDelete: return completeDelete();
    default: NoteResponse(kResponseCompleted); return kLevelBenign;
  }
}

Level WindowController::completeInsert() {
  if (PRIMARY == nullptr) return kLevelBenign;
  if (PRIMARY->ME->Insert() != kLevelBenign) {
    SelectControl(FIRSTFIELD);
    return kLevelNotify;
  }
  bool another = INSERTACTION == kInsertAnother;
  if (INSERTACTION == kInsertAskAnother && ERRORS != nullptr) another = ERRORS->Throw(3) == kLevelBenign;
  if (!another) {
    NoteResponse(kResponseCompleted);
    return kLevelBenign;
  }
  PrepareAnother();
  return kLevelBenign;
}

void WindowController::PrepareAnother() {
  TableManager& primary = *PRIMARY->ME;
  LASTINSERTEDPOSITION = primary.CurrentPosition().substr(0, TableManager::kPositionWidth);
  restoreFileStates();
  saveFileStates();
  if (primary.PrepareRecord(false) != kLevelBenign) {
    // The new record could not be numbered: the one just added is what the caller gets.
    RESPONSE = kResponseCompleted;
    PostEvent(ui::event::kCloseWindow);
    return;
  }
  PresetFields();
  RESPONSE = kResponseCancelled;
  releaseSnapshot();
  SAVED = primary.SnapshotRecord();
  Display();
  SelectControl(FIRSTFIELD);
}

Level WindowController::completeChange() {
  if (PRIMARY == nullptr) return kLevelBenign;
  for (;;) {
    RESPONSE = kResponseCancelled;
    const bool changed = RecordChanged();
    const Level updated = changed ? PRIMARY->Update(2) : kLevelBenign;
    if (updated == kLevelBenign) {
      if (changed || VCRREQUEST == nullptr || *VCRREQUEST == 0) RESPONSE = kResponseCompleted;
      PostEvent(ui::event::kCloseWindow);
      return kLevelBenign;
    }
    if (updated == kLevelUser && ERRORS != nullptr) {
      const unsigned answer =
          ERRORS->Message(34, ui::kButtonYes + ui::kButtonNo + ui::kButtonCancel, ui::kButtonCancel);
      if (answer == ui::kButtonYes) continue;
      if (answer == ui::kButtonNo) {
        NoteResponse(kResponseCancelled);
        return kLevelBenign;
      }
    }
    // Back to the form: it shows what the record holds now (another station's values after a
    // collision) and the clerk's own can be recalled with the ditto key.
    Display();
    SelectControl(FIRSTFIELD);
    return kLevelNotify;
  }
}

Level WindowController::completeDelete() {
  if (PRIMARY == nullptr) return kLevelBenign;
  for (;;) {
    RESPONSE = kResponseCancelled;
    if (PRIMARY->Delete(false) == kLevelBenign) {
      NoteResponse(kResponseCompleted);
      return kLevelBenign;
    }
    const unsigned answer =
        ERRORS != nullptr
            ? ERRORS->Message(33, ui::kButtonYes + ui::kButtonNo + ui::kButtonCancel, ui::kButtonCancel)
            : ui::kButtonCancel;
    if (answer == ui::kButtonYes) continue;
    if (answer == ui::kButtonNo) {
      NoteResponse(kResponseCancelled);
      return kLevelBenign;
    }
    SelectControl(FIRSTFIELD);
    return kLevelNotify;
  }
}

Level WindowController::OnCloseEvent() {
  if (!isForm() || RESPONSE == kResponseCompleted) return kLevelBenign;
  if (CANCELACTION != 0 && (REQUEST == kRequestInsert || REQUEST == kRequestChange)) {
    Update();
    if (RecordChanged()) {
      if ((CANCELACTION & kCancelSave) != 0) {
        std::uint8_t answer = ui::kButtonYes;
        if ((CANCELACTION & kCancelConfirm) != 0 && ERRORS != nullptr)
          answer = static_cast<std::uint8_t>(
              ERRORS->Message(35, ui::kButtonYes + ui::kButtonNo + ui::kButtonCancel, ui::kButtonCancel));
        if (answer == ui::kButtonYes) {
          OnAccepted(ui::Event{ui::event::kAccepted, OKCONTROL, window(), 0, 0});
          return kLevelNotify;
        }
        if (answer != ui::kButtonNo) {
          SelectControl(FIRSTFIELD);
          return kLevelNotify;
        }
      } else if (ERRORS != nullptr && ERRORS->Throw(8) != kLevelBenign) {
        return kLevelNotify;
      }
    }
  }
  RESPONSE = kResponseCancelled;
  if (ORIGINALREQUEST == kRequestInsert && PRIMARY->ReleaseNumber() != kLevelBenign) return kLevelNotify;
  if (!LASTINSERTEDPOSITION.empty()) {
    // Records were added before the clerk gave up on the last one: the caller gets the last added.
    RESPONSE = kResponseCompleted;
    PRIMARY->ME->Reget(LASTINSERTEDPOSITION);
  }
  return kLevelBenign;
}

}  // namespace veltrano::framework
