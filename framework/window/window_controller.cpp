#include "framework/window/window_controller.h"

#include <algorithm>
#include <utility>

#include "framework/window/settings_file.h"
#include "framework/window/toolbar.h"
#include "framework/window/window_resize.h"

namespace veltrano::framework {

WindowController::WindowController() = default;

WindowController::~WindowController() {
  if (INITED != 0 && !killed_) Kill();
}

void WindowController::Describe(WindowDefinition definition) {
  definition_ = std::move(definition);
  if (OKCONTROL == 0) OKCONTROL = definition_.ok_control;
  if (FIRSTFIELD == 0) FIRSTFIELD = definition_.first_field;
  if (definition_.cancel_control != 0) AddButton(definition_.cancel_control, kResponseCancelled);
}

void WindowController::AddItem(RegisteredBrowse* browse) {
  if (browse != nullptr && std::find(BROWSES.begin(), BROWSES.end(), browse) == BROWSES.end())
    BROWSES.push_back(browse);
}

void WindowController::AddItem(RegisteredFileDrop* drop) {
  if (drop != nullptr && std::find(FILEDROPS.begin(), FILEDROPS.end(), drop) == FILEDROPS.end())
    FILEDROPS.push_back(drop);
}

void WindowController::AddButton(ui::ControlId control, std::uint8_t action) {
  for (Button& button : BUTTONS) {
    if (button.CONTROL == control) {
      button.ACTION = action;
      return;
    }
  }
  BUTTONS.push_back(Button{control, action});
}

void WindowController::AddHistoryField(ui::ControlId control) {
  for (std::size_t i = 0; i < definition_.bindings.size(); ++i) {
    if (definition_.bindings[i].control == control) {
      HISTORY.push_back(
          HistoryField{definition_.bindings[i].value, shownText(definition_.bindings[i]), control, i});
      return;
    }
  }
}

void WindowController::AddFile(RelationGuard* file) {
  if (file != nullptr) files_to_open_.push_back(file);
}

void WindowController::AddUpdateFile(TableManager* file) {
  if (file != nullptr) FILES.push_back(SavedFile{file, 0});
}

const FieldBinding* WindowController::bindingOf(ui::ControlId control) const {
  for (const FieldBinding& binding : definition_.bindings) {
    if (binding.control == control) return &binding;
  }
  return nullptr;
}

bool WindowController::isForm() const {
  return PRIMARY != nullptr && ORIGINALREQUEST >= kRequestInsert && ORIGINALREQUEST <= kRequestDelete;
}

std::uint8_t WindowController::Run() {
  if (Init() == kLevelBenign) Ask();
  Kill();
  return RESPONSE == kResponseNone ? kResponseCancelled : RESPONSE;
}

std::uint8_t WindowController::Run(std::uint16_t procedure, std::uint8_t request) {
  if (PROCEDURES == nullptr) return kResponseCancelled;
  std::optional<std::uint8_t> response = PROCEDURES->Call(procedure, ProcedureCall{request, VCRREQUEST});
  if (!response) {
    if (ERRORS != nullptr) ERRORS->RaiseWithMessage(24, std::to_string(procedure));
    return kResponseCancelled;
  }
  return *response == kResponseNone ? kResponseCancelled : *response;
}

Level WindowController::Init() {
  killed_ = false;
  DEAD = 0;
  RESPONSE = kResponseNone;
  REQUEST = ORIGINALREQUEST;
  if (PRIMARY != nullptr) {
    if (const Level opened = PRIMARY->Open(); opened != kLevelBenign) return opened;
    primary_opened_ = true;
  }
  for (RelationGuard* file : files_to_open_) {
    if (const Level opened = file->Open(); opened != kLevelBenign) return opened;
    opened_files_.push_back(file);
  }
  INITED = 1;
  if (isForm()) {
    // A form that does not allow a request says so instead of opening.
    const MessageId refused = REQUEST == kRequestInsert && INSERTACTION == 0   ? 20
                              : REQUEST == kRequestChange && CHANGEACTION == 0 ? 38
                              : REQUEST == kRequestDelete && DELETEACTION == 0 ? 12
                                                                               : 0;
    if (refused != 0) {
      if (ERRORS != nullptr) ERRORS->Throw(refused);
      RESPONSE = kResponseCancelled;
      return kLevelNotify;
    }
    if (const Level begun = BeginUpdate(); begun != kLevelBenign) return begun;
  }
  return Open();
}

Level WindowController::Open() {
  ui::WindowDescription description = definition_.window;
  if (TRANSLATOR != nullptr) TRANSLATOR->TranslateWindow(description);
  for (ui::ControlDescription& control : description.controls) {
    if (control.tip.empty() && toolbar::isToolbarControl(control.id)) {
      control.tip = TRANSLATOR != nullptr ? TRANSLATOR->TranslateString(Toolbar::TipOf(control.id))
                                          : std::string(Toolbar::TipOf(control.id));
    }
  }
  std::string error;
  window_ = engine().openWindow(description, &error);
  if (window_ == 0) {
    RESPONSE = kResponseCancelled;
    return kLevelFatal;
  }
  OPENED = 1;
  if (settings_ != nullptr && !description.label.empty()) {
    settings_->FetchWindow(description.label, window_, description.resizable);
  }
  for (const auto& [control, rows] : definition_.fixed_lists) {
    std::vector<std::vector<std::string>> list;
    for (const std::string& row : rows) list.push_back({row});
    engine().setRows(window_, control, list);
  }
  if (RESIZE != nullptr) RESIZE->Init(*this);
  Display();
  return kLevelBenign;
}

void WindowController::Ask() {
  if (window_ == 0) return;
  while (DEAD == 0) {
    const ui::Event event = engine().waitEvent(window_);
    OnEvent(event);
    // A window closed under the procedure (the frame closing down) ends the loop even when the
    // procedure would rather keep it.
    if (!engine().placement(window_)) DEAD = 1;
  }
}

Level WindowController::Kill() {
  if (killed_) return kLevelBenign;
  killed_ = true;
  for (RegisteredBrowse* browse : BROWSES) browse->Kill();
  for (RegisteredFileDrop* drop : FILEDROPS) drop->Kill();
  if (OPENED != 0) {
    if (settings_ != nullptr && !definition_.window.label.empty())
      settings_->UpdateWindow(definition_.window.label, window_);
    engine().closeWindow(window_);
    OPENED = 0;
  }
  window_ = 0;
  restoreFileStates();
  releaseSnapshot();
  for (auto it = opened_files_.rbegin(); it != opened_files_.rend(); ++it) (*it)->Close();
  opened_files_.clear();
  if (primary_opened_) PRIMARY->Close();
  primary_opened_ = false;
  INITED = 0;
  return kLevelBenign;
}

void WindowController::PresetFields() {}

void WindowController::ArmAlertKeys() {
  engine().alertKey(window_, ui::key::kEscape);
  if (!HISTORY.empty()) engine().alertKey(window_, HISTORYKEY);
  for (RegisteredBrowse* browse : BROWSES) browse->ArmAlertKeys();
}

void WindowController::PostEvent(ui::EventCode code, ui::ControlId control) {
  engine().postEvent(window_, ui::Event{code, control, window_, 0, 0});
}

void WindowController::NoteResponse(std::uint8_t response) {
  RESPONSE = response;
  if (response == kResponseCancelled && VCRREQUEST != nullptr) *VCRREQUEST = 0;
  PostEvent(ui::event::kCloseWindow);
}

void WindowController::Display() {
  for (const FieldBinding& binding : definition_.bindings) {
    if (binding.value.valid()) engine().setValue(window_, binding.control, shownText(binding));
  }
}

bool WindowController::UpdateControl(ui::ControlId control) {
  const FieldBinding* binding = bindingOf(control);
  if (binding == nullptr || binding->read_only) return true;
  std::optional<std::string> shown = engine().value(window_, control);
  if (!shown) return true;
  return storeShownText(*binding, *shown);
}

void WindowController::Update() {
  for (const FieldBinding& binding : definition_.bindings) UpdateControl(binding.control);
}

ui::ControlId WindowController::ValidateFields() {
  for (const FieldBinding& binding : definition_.bindings) {
    if (binding.read_only) continue;
    if (!UpdateControl(binding.control) || (binding.required && valueIsEmpty(binding))) {
      OnRejected(ui::Event{ui::event::kRejected, binding.control, window_, 0, 0});
      return binding.control;
    }
  }
  return 0;
}

void WindowController::SelectControl(ui::ControlId control) {
  if (control == 0) return;
  // A control on a tab that is not shown cannot take the focus: its tab is brought forward.
  for (const ui::ControlDescription& described : definition_.window.controls) {
    if (described.id != control) continue;
    ui::ControlId parent = described.parent;
    while (parent != 0) {
      const ui::ControlDescription* holder = nullptr;
      for (const ui::ControlDescription& other : definition_.window.controls) {
        if (other.id == parent) holder = &other;
      }
      if (holder == nullptr) break;
      if (holder->kind == ui::ControlKind::kTab) {
        int number = 0;
        for (const ui::ControlDescription& other : definition_.window.controls) {
          if (other.kind == ui::ControlKind::kTab && other.parent == holder->parent) {
            ++number;
            if (other.id == holder->id) break;
          }
        }
        engine().setValue(window_, holder->parent, std::to_string(number));
      }
      parent = holder->parent;
    }
  }
  engine().setFocus(window_, control);
}

void WindowController::Reset(bool force) {
  if (window_ == 0 || engine().minimized(window_)) return;
  const bool forced = force || FORCEDRESET != 0;
  FORCEDRESET = 0;
  for (RegisteredBrowse* browse : BROWSES) browse->ResetSort(forced);
  for (RegisteredBrowse* browse : BROWSES) browse->UpdateWindow();
  for (RegisteredFileDrop* drop : FILEDROPS) drop->Reset(forced);
  if (TOOLBAR != nullptr) TOOLBAR->DisplayButtons(*this);
  Display();
}

Level WindowController::OnEvent(const ui::Event& event) {
  // A tool window of this window (a browse's toolbox) has its events queued here; they belong to
  // the objects registered with the window, never to its own controls or its closing.
  if (event.window != 0 && event.window != window_) {
    for (RegisteredBrowse* browse : BROWSES) {
      if (const Level taken = browse->OnEvent(event); taken != kLevelBenign) return taken;
    }
    return kLevelBenign;
  }
  event_ = event;
  if (ui::isWindowEvent(event.code)) {
    if (const Level level = OnWindowEvent(event); level != kLevelBenign) return level;
  }
  Level level = kLevelBenign;
  switch (event.code) {
    case ui::event::kAccepted: level = OnAccepted(event); break;
    case ui::event::kRejected: level = OnRejected(event); break;
    case ui::event::kSelected: level = OnSelected(event); break;
    case ui::event::kNewSelection: level = OnNewSelection(event); break;
    case ui::event::kAlertKey:
      if (event.key == HISTORYKEY && bindingOf(event.control) != nullptr) {
        UpdateControl(event.control);
        RecallField(event.control);
        return kLevelBenign;
      }
      if (event.key == ui::key::kEscape) {
        for (const Button& button : BUTTONS) {
          if (button.ACTION == kResponseCancelled)
            return OnAccepted(ui::Event{ui::event::kAccepted, button.CONTROL, window_, 0, 0});
        }
        PostEvent(ui::event::kCloseWindow);
        return kLevelBenign;
      }
      break;
    default: break;
  }
  if (level != kLevelBenign) return level;
  if (ui::isControlEvent(event.code) || event.code == ui::event::kSelected) {
    if (const Level field = OnFieldEvent(event); field != kLevelBenign) return field;
  }
  for (RegisteredBrowse* browse : BROWSES) {
    if (const Level taken = browse->OnEvent(event); taken != kLevelBenign) return taken;
  }
  for (RegisteredFileDrop* drop : FILEDROPS) {
    if (const Level taken = drop->OnEvent(event); taken != kLevelBenign) return taken;
  }
  if (AUTOREFRESH != 0) {
    for (RegisteredBrowse* browse : BROWSES) {
      if (browse->ApplyRange()) browse->UpdateWindow();
    }
  }
  return kLevelBenign;
}

Level WindowController::OnWindowEvent(const ui::Event& event) {
  switch (event.code) {
    case ui::event::kCloseWindow:
    case ui::event::kCloseDown:
      if (OnCloseEvent() == kLevelBenign) {
        DEAD = 1;
        return kLevelNotify;  // nothing else sees the event of a window that ends
      }
      return kLevelBenign;
    case ui::event::kOpenWindow:
      ArmAlertKeys();
      Reset(true);
      SelectControl(FIRSTFIELD);
      return kLevelBenign;
    case ui::event::kLoseFocus:
      if (RESETONGAINFOCUS != 0) FORCEDRESET = 1;
      return kLevelBenign;
    case ui::event::kGainFocus: Reset(false); return kLevelBenign;
    case ui::event::kCompleted: return OnCompleted();
    case ui::event::kSized:
    case ui::event::kMaximized:
    case ui::event::kRestored:
      if (RESIZE != nullptr) RESIZE->Resize();
      Reset(false);
      return kLevelBenign;
    default: return kLevelBenign;
  }
}

Level WindowController::OnAccepted(const ui::Event& event) {
  if (TOOLBAR != nullptr && TOOLBAR->TakeEvent(event, *this)) return kLevelBenign;
  for (const Button& button : BUTTONS) {
    if (button.CONTROL == event.control) {
      NoteResponse(button.ACTION);
      return kLevelBenign;
    }
  }
  if (event.control != 0 && event.control == OKCONTROL) {
    if (REQUEST == kRequestInsert || REQUEST == kRequestChange) {
      if (ValidateFields() != 0) return kLevelNotify;
    }
    PostEvent(ui::event::kCompleted);
    return kLevelBenign;
  }
  if (const FieldBinding* binding = bindingOf(event.control); binding != nullptr && !binding->read_only) {
    if (!UpdateControl(event.control)) {
      OnRejected(ui::Event{ui::event::kRejected, event.control, window_, 0, 0});
      return kLevelNotify;
    }
    // What was accepted is shown as the picture shows it ("5.3.01" becomes "5.03.2001").
    engine().setValue(window_, event.control, shownText(*binding));
  }
  return kLevelBenign;
}

Level WindowController::OnRejected(const ui::Event& event) {
  // The clerk's text stays in the control to be corrected; the field keeps its value.
  engine().beep(window_);
  SelectControl(event.control);
  return kLevelBenign;
}

Level WindowController::OnFieldEvent(const ui::Event&) {
  return kLevelBenign;
}

Level WindowController::OnNewSelection(const ui::Event& event) {
  // Choosing in a combo, an option group or a check is the clerk's answer for its field.
  const FieldBinding* binding = bindingOf(event.control);
  if (binding != nullptr && binding->kind != ui::ControlKind::kEntry) UpdateControl(event.control);
  return kLevelBenign;
}

Level WindowController::OnSelected(const ui::Event&) {
  return kLevelBenign;
}

void WindowController::RecallField(ui::ControlId control) {
  for (const HistoryField& field : HISTORY) {
    if (field.CONTROL != control) continue;
    const FieldBinding& binding = definition_.bindings[field.FIELDNO];
    storeShownText(binding, field.SRECORD);
    engine().setValue(window_, control, shownText(binding));
  }
}

void WindowController::rememberHistory() {
  for (HistoryField& field : HISTORY) field.SRECORD = shownText(definition_.bindings[field.FIELDNO]);
}

}  // namespace veltrano::framework
