#include "framework/error_manager.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "framework/error_table.h"
#include "framework/translator.h"
#include "runtime/errors/error_state.h"
#include "ui/message_box.h"

namespace veltrano::framework {
namespace {

// Replaces every occurrence of `placeholder`, searching on after each spliced value so that
// a value containing its own placeholder (a file named "%File") is put in once instead of
// being expanded for ever.
void replaceAll(std::string& text, std::string_view placeholder, std::string_view value) {
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find(placeholder, from);
    if (at == std::string::npos) return;
    text.replace(at, placeholder.size(), value);
    from = at + value.size();
  }
}

std::string clipped(std::string_view text, std::size_t width) {
  return std::string(text.substr(0, width));
}

void endProcess(int exit_code, std::string_view) {
  std::fflush(nullptr);
  // Other procedure threads may still be running; static destructors must not race them.
  std::_Exit(exit_code);
}

}  // namespace

ErrorManager::ErrorManager() : halt_(endProcess) {}

ErrorManager::~ErrorManager() = default;

bool ErrorManager::RegisterErrors(std::span<const std::uint8_t> table) {
  auto entries = parseErrorTable(table);
  if (!entries) return false;
  if (!ERRORS) ERRORS = std::make_unique<std::vector<ErrorEntry>>();
  for (const ErrorTableEntry& entry : *entries) {
    ERRORS->push_back({entry.id, entry.message, entry.title, entry.level});
  }
  return true;
}

Level ErrorManager::OnBenign() {
  return kLevelBenign;
}

Level ErrorManager::OnFatal() {
  show(FillTemplate() + translated(kFatalSuffix), ui::kIconExclamation, ui::kButtonOk, ui::kButtonOk);
  if (halt_) halt_(0, currentTitle());
  return kLevelFatal;
}

Level ErrorManager::OnNotify() {
  show(FillTemplate(), ui::kIconExclamation, ui::kButtonOk, ui::kButtonOk);
  return kLevelNotify;
}

Level ErrorManager::OnOther() {
  return OnProgram();
}

Level ErrorManager::OnProgram() {
  return OnFatal();
}

Level ErrorManager::OnUser() {
  const unsigned answer =
      show(FillTemplate(), ui::kIconQuestion, ui::kButtonYes + ui::kButtonNo, ui::kButtonYes);
  return answer == ui::kButtonYes ? kLevelBenign : kLevelCancel;
}

void ErrorManager::Init() {
  ERRORS = std::make_unique<std::vector<ErrorEntry>>();
  current_ = kNoEntry;
  RegisterErrors(builtInErrorTable());
}

void ErrorManager::Kill() {
  ERRORS.reset();
  current_ = kNoEntry;
}

bool ErrorManager::SetId(MessageId id) {
  current_ = kNoEntry;
  if (!ERRORS) return false;
  for (std::size_t i = ERRORS->size(); i-- > 0;) {
    if ((*ERRORS)[i].ID == id) {
      current_ = i;
      return true;
    }
  }
  return false;
}

void ErrorManager::CaptureErrorState() {
  const runtime::ErrorState& state = runtime::errorState();
  SAVEERROR = clipped(state.text, kFieldWidth);
  SAVEERRORCODE = state.code;
  SAVEFILEERROR = clipped(state.file_error, kFieldWidth);
  SAVEFILEERRORCODE = clipped(state.file_error_code, kFieldWidth);
}

void ErrorManager::SetFile(std::string_view name) {
  FILENAME = clipped(name, kFieldWidth);
}

void ErrorManager::SetField(std::string_view name) {
  FIELDNAME = clipped(name, kFieldWidth);
}

Level ErrorManager::Throw(MessageId id) {
  CaptureErrorState();
  return HandleError(id);
}

Level ErrorManager::RaiseWithMessage(MessageId id, std::string_view text) {
  MESSAGETEXT = clipped(text, kFieldWidth);
  return Throw(id);
}

Level ErrorManager::HandleError(MessageId id) {
  if (!SetId(id)) {
    // Callers only raise ids of the table; a missing one still reaches the user as a failure
    // rather than showing whichever entry happened to be current before.
    show("Message " + std::to_string(id) + " is not in the error table.", ui::kIconExclamation, ui::kButtonOk,
         ui::kButtonOk);
    return kLevelNotify;
  }
  switch ((*ERRORS)[current_].FATALITY) {
    case kLevelBenign: return OnBenign();
    case kLevelUser:
    case kLevelCancel: return OnUser();
    case kLevelProgram: return OnProgram();
    case kLevelFatal: return OnFatal();
    case kLevelNotify: return OnNotify();
    default: return OnOther();
  }
}

unsigned ErrorManager::Message(MessageId id, unsigned buttons, unsigned default_button) {
  std::string text =
      SetId(id) ? FillTemplate() : "Message " + std::to_string(id) + " is not in the error table.";
  return show(std::move(text), ui::kIconQuestion, buttons, default_button);
}

std::string ErrorManager::FillTemplate() const {
  if (current_ == kNoEntry || !ERRORS) return {};
  return fillEntry(current_);
}

std::string ErrorManager::fillEntry(std::size_t index) const {
  const ErrorEntry& entry = (*ERRORS)[index];
  std::string text = translated(entry.MESSAGE);
  // A placeholder is replaced before the shorter ones it begins with.
  replaceAll(text, "%FileErrorCode", SAVEFILEERRORCODE);
  replaceAll(text, "%FileError", SAVEFILEERROR);
  replaceAll(text, "%File", FILENAME);
  replaceAll(text, "%ErrorCode", std::to_string(SAVEERRORCODE));
  // Runtime error 90 only says that the driver failed; its own text and number say why.
  const std::string error_text = SAVEERRORCODE == 90 ? SAVEFILEERROR + " (" + SAVEFILEERRORCODE + ")"
                                                     : SAVEERROR + " (" + std::to_string(SAVEERRORCODE) + ")";
  replaceAll(text, "%ErrorText", error_text);
  replaceAll(text, "%Error", SAVEERROR);
  replaceAll(text, "%Message", MESSAGETEXT);
  replaceAll(text, "%Field", FIELDNAME);
  if (text.find("%Previous") != std::string::npos) {
    // An override may wrap the entry it replaces; that older text is filled the same way, so
    // its own placeholders (and a %Previous of its own) never reach the user raw.
    std::string previous;
    for (std::size_t i = index; i-- > 0;) {
      if ((*ERRORS)[i].ID == entry.ID) {
        previous = fillEntry(i);
        break;
      }
    }
    replaceAll(text, "%Previous", previous);
  }
  if (text.size() > kWorkBufferWidth) text.resize(kWorkBufferWidth);
  return text;
}

const ErrorEntry* ErrorManager::current() const {
  return current_ == kNoEntry || !ERRORS ? nullptr : &(*ERRORS)[current_];
}

std::string_view ErrorManager::currentTitle() const {
  const ErrorEntry* entry = current();
  return entry == nullptr ? std::string_view() : entry->TITLE;
}

HaltHandler ErrorManager::setHaltHandler(HaltHandler handler) {
  return std::exchange(halt_, std::move(handler));
}

std::string ErrorManager::translated(std::string_view text) const {
  return translator_ != nullptr ? translator_->TranslateString(text) : std::string(text);
}

unsigned ErrorManager::show(std::string text, std::uint16_t icon, unsigned buttons,
                            unsigned default_button) const {
  ui::MessageBoxRequest request;
  request.text = std::move(text);
  request.caption = translated(currentTitle());
  request.icon = icon;
  request.buttons = buttons;
  request.default_button = default_button;
  return ui::messageBox(request);
}

}  // namespace veltrano::framework
