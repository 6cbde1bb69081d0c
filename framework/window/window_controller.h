// The window controller: every window procedure runs one. It opens the procedure's files and
// window, runs the event loop, hands each event to the browses, drop-down lists, toolbar and
// buttons registered with it, and ends with a response telling the caller whether the work was
// completed (1) or cancelled (2). For an update form it carries the request it was called with
// (insert, change, delete) and completes it against the primary file through its RelationGuard.
//
// A procedure is a description and a controller, with overrides only where it has code of its
// own:
//
//   std::uint8_t cardForm(const ProcedureCall& call) {        // VELTR007
//     WindowController form;
//     form.Describe(*cardFormDefinition());                    // window + bound fields (builder)
//     form.PRIMARY = &dictionary.guard("KARTA");
//     form.ERRORS = &errors;
//     form.ORIGINALREQUEST = call.request;
//     form.VCRREQUEST = call.navigation;
//     form.INSERTACTION = kInsertAskAnother;
//     form.CHANGEACTION = 1;
//     form.DELETEACTION = kDeleteAsk;
//     form.CANCELACTION = kCancelAskSave;
//     return form.Run();                                       // Init, Ask, Kill
//   }
//
// Init (which a procedure may override, calling this one first) opens PRIMARY and the files
// added with AddFile through their relation guards, refuses requests the form does not allow,
// runs BeginUpdate (a delete without a window ends here), opens the window and shows the bound
// fields. The event loop starts with EVENT:OpenWindow, which arms the alerted keys, fills every
// browse (Reset) and selects FIRSTFIELD. Browses and drop-downs registered with AddItem are
// killed by Kill with the window.
//
// The run lock is given up only inside the engine's waits (the next event, a message box).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/error_manager.h"
#include "framework/relation_guard.h"
#include "framework/translator.h"
#include "framework/window/field_binding.h"
#include "framework/window/procedure_registry.h"
#include "framework/window/window_builder.h"
#include "framework/window/window_parts.h"
#include "ui/window_engine.h"

namespace veltrano::framework {

class SettingsFile;
class Toolbar;
class WindowResize;

// INSERTACTION: what follows a successful insert (0: inserts are not allowed).
inline constexpr std::uint8_t kInsertAllowed = 1;  // the form completes and closes
inline constexpr std::uint8_t kInsertClose = 2;
inline constexpr std::uint8_t kInsertAnother = 3;     // a new record is prepared at once
inline constexpr std::uint8_t kInsertAskAnother = 4;  // id 3 asks whether to add another
// DELETEACTION (0: deletes are not allowed).
inline constexpr std::uint8_t kDeleteShowForm = 1;  // the form is shown; OK deletes
inline constexpr std::uint8_t kDeleteAtOnce = 2;    // deleted without showing the form
inline constexpr std::uint8_t kDeleteAsk = 4;       // id 9 asks, then deleted without the form
// CANCELACTION flags: 1 closing a changed form saves it, 2 asks first.
inline constexpr std::uint8_t kCancelSave = 1;     // saved at once
inline constexpr std::uint8_t kCancelConfirm = 2;  // id 8 asks whether the changes may be lost
inline constexpr std::uint8_t kCancelAskSave = 3;  // id 35 asks whether to save them

// Toolbar events, posted as EVENT:Accepted on these control numbers (the toolbar's buttons).
namespace toolbar {
inline constexpr ui::ControlId kInsert = 2000;
inline constexpr ui::ControlId kChange = 2001;
inline constexpr ui::ControlId kDelete = 2002;
inline constexpr ui::ControlId kSelect = 2003;
inline constexpr ui::ControlId kBottom = 2004;    // last page
inline constexpr ui::ControlId kTop = 2005;       // first page
inline constexpr ui::ControlId kPageDown = 2006;  // next page
inline constexpr ui::ControlId kPageUp = 2007;    // prior page
inline constexpr ui::ControlId kDown = 2008;      // next record
inline constexpr ui::ControlId kUp = 2009;        // prior record
inline constexpr ui::ControlId kHelp = 2010;
inline constexpr ui::ControlId kHistory = 2011;  // ditto
inline constexpr bool isToolbarControl(ui::ControlId control) {
  return control >= kInsert && control <= kHistory;
}
}  // namespace toolbar

// The key that recalls a field's saved value: Ctrl+'.
inline constexpr int kDefaultHistoryKey = ui::key::kControl + '\'';

class WindowController {
 public:
  struct Button {
    ui::ControlId CONTROL = 0;
    std::uint8_t ACTION = kResponseCancelled;  // the response the button sets
  };
  struct HistoryField {
    BoundValue FRECORD;
    std::string SRECORD;  // the saved value, as the field's text
    ui::ControlId CONTROL = 0;
    std::size_t FIELDNO = 0;  // the binding's place in the window
  };
  struct SavedFile {
    TableManager* FILE = nullptr;
    std::int32_t STATE = 0;  // the SaveFileState id; 0 before the form opened
  };

  WindowController();
  virtual ~WindowController();
  WindowController(const WindowController&) = delete;
  WindowController& operator=(const WindowController&) = delete;

  // The operations, in their fixed order.
  virtual void Ask();
  virtual Level Init();
  virtual Level Kill();
  virtual Level Open();
  virtual void PresetFields();
  virtual Level BeginUpdate();
  virtual void Reset(bool force = false);
  virtual void RecallField(ui::ControlId control);
  virtual std::uint8_t Run();
  // Runs procedure `procedure` with `request` on this thread and returns its response: through
  // PROCEDURES when set (id 24 when no procedure has the number), else 2.
  virtual std::uint8_t Run(std::uint16_t procedure, std::uint8_t request);
  virtual void ArmAlertKeys();
  virtual void NoteResponse(std::uint8_t response);
  virtual Level OnAccepted(const ui::Event& event);
  virtual Level OnCompleted();
  virtual Level OnCloseEvent();
  virtual Level OnEvent(const ui::Event& event);
  virtual Level OnFieldEvent(const ui::Event& event);
  virtual Level OnNewSelection(const ui::Event& event);
  virtual Level OnRejected(const ui::Event& event);
  virtual Level OnSelected(const ui::Event& event);
  virtual Level OnWindowEvent(const ui::Event& event);
  // Reads every bound control into its field (values that do not fit their pictures are left
  // as they were).
  virtual void Update();

  // Set-up, before Run.
  void Describe(WindowDefinition definition);
  void AddItem(RegisteredBrowse* browse);
  void AddItem(RegisteredFileDrop* drop);
  void AddButton(ui::ControlId control, std::uint8_t action);
  // A field with "ditto" recall: its value when a record is completed comes back on HISTORYKEY.
  // REQUIRES: after Describe, which binds the control.
  void AddHistoryField(ui::ControlId control);
  // A file the window uses besides PRIMARY: opened by Init, closed by Kill.
  void AddFile(RelationGuard* file);
  // A file whose state (buffer, position) is saved when the form opens and restored at its end.
  void AddUpdateFile(TableManager* file);
  void SetSettings(SettingsFile* settings) { settings_ = settings; }

  // Shows every bound field in its control.
  void Display();
  // Reads one bound control; false when its text does not fit the picture (the control is then
  // rejected: selected again, the field untouched).
  bool UpdateControl(ui::ControlId control);
  // Every bound control read back in window order; the first that does not fit (or a required
  // field left empty) is selected and returned, 0 when all are good.
  ui::ControlId ValidateFields();
  // Whether the primary record differs from the image taken when the form opened.
  bool RecordChanged();
  void SelectControl(ui::ControlId control);
  void PostEvent(ui::EventCode code, ui::ControlId control = 0);

  ui::WindowId window() const { return window_; }
  ui::WindowEngine& engine() const { return ui::windowEngine(); }
  const WindowDefinition& definition() const { return definition_; }
  const ui::Event& currentEvent() const { return event_; }
  // The binding of a control, or null.
  const FieldBinding* bindingOf(ui::ControlId control) const;

  // Fields, in their defined order.
  std::uint8_t AUTOREFRESH = 0;
  std::uint8_t AUTOTOOLBAR = 1;
  std::vector<RegisteredBrowse*> BROWSES;
  std::vector<Button> BUTTONS;
  std::vector<RegisteredFileDrop*> FILEDROPS;
  std::uint8_t CANCELACTION = 0;
  std::uint8_t CHANGEACTION = 1;
  std::uint8_t DEAD = 0;
  std::uint8_t DELETEACTION = kDeleteAsk;
  ErrorManager* ERRORS = nullptr;
  std::vector<SavedFile> FILES;
  ui::ControlId FIRSTFIELD = 0;
  std::uint8_t FORCEDRESET = 0;
  std::uint8_t RESETONGAINFOCUS = 0;
  std::vector<HistoryField> HISTORY;
  int HISTORYKEY = kDefaultHistoryKey;
  std::uint8_t INITED = 0;
  std::uint8_t INSERTACTION = kInsertClose;
  std::string LASTINSERTEDPOSITION;
  ui::ControlId OKCONTROL = 0;
  std::uint8_t OPENED = 0;
  std::uint8_t ORIGINALREQUEST = kRequestNone;
  RelationGuard* PRIMARY = nullptr;
  std::uint8_t REQUEST = kRequestNone;
  WindowResize* RESIZE = nullptr;
  std::uint8_t RESPONSE = kResponseNone;
  std::int32_t SAVED = 0;
  Toolbar* TOOLBAR = nullptr;
  const Translator* TRANSLATOR = nullptr;
  int* VCRREQUEST = nullptr;
  // Where Run(procedureNumber, request) finds its procedures.
  const ProcedureRegistry* PROCEDURES = nullptr;

 protected:
  // The record's priming for another insert after one was completed (INSERTACTION 3 and 4).
  void PrepareAnother();
  bool isForm() const;

 private:
  Level completeInsert();
  Level completeChange();
  Level completeDelete();
  void rememberHistory();
  void saveFileStates();
  void restoreFileStates();
  void releaseSnapshot();

  WindowDefinition definition_;
  ui::WindowId window_ = 0;
  ui::Event event_;
  std::vector<RelationGuard*> opened_files_;
  std::vector<RelationGuard*> files_to_open_;
  SettingsFile* settings_ = nullptr;
  bool primary_opened_ = false;
  bool killed_ = false;
};

}  // namespace veltrano::framework
