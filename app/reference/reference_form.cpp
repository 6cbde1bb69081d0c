#include "app/reference/reference_form.h"

#include <algorithm>

#include "app/reference/distinct_value.h"
#include "framework/window/window_builder.h"
#include "platform/codepage.h"

namespace veltrano::app::reference {
namespace {

constexpr int kCharacterWidth = 7;

}  // namespace

void ReferenceForm::RefuseRepeats(const storage::KeyDescriptor* key, std::vector<framework::FieldRef> scope,
                                  ui::ControlId shown) {
  distinct_key_ = key;
  scope_ = std::move(scope);
  shown_ = shown;
}

framework::Level ReferenceForm::BeginUpdate() {
  const framework::Level begun = WindowController::BeginUpdate();
  // A changed record, and a new one numbered by reserving its place, are in the file already:
  // their own entry is no repeat.
  const bool in_file = REQUEST == framework::kRequestChange ||
                       (REQUEST == framework::kRequestInsert && PRIMARY->ME->HASAUTOINC != 0);
  own_position_ =
      begun == framework::kLevelBenign && in_file ? PRIMARY->ME->CurrentPosition() : std::string();
  return begun;
}

framework::Level ReferenceForm::OnCompleted() {
  const bool saving = REQUEST == framework::kRequestInsert || REQUEST == framework::kRequestChange;
  if (saving && distinct_key_ != nullptr && PRIMARY->ME->EnsureFileOpen() == framework::kLevelBenign &&
      valueTaken(*PRIMARY->ME, *distinct_key_, scope_, own_position_)) {
    const std::string shown = engine().value(window(), shown_).value_or(std::string());
    if (ERRORS != nullptr) ERRORS->RaiseWithMessage(13, shown);
    SelectControl(shown_);
    return framework::kLevelNotify;
  }
  return WindowController::OnCompleted();
}

void setUpdateActions(framework::WindowController& form, const framework::ProcedureCall& call) {
  form.ORIGINALREQUEST = call.request;
  form.VCRREQUEST = call.navigation;
  form.INSERTACTION = framework::kInsertClose;
  form.CHANGEACTION = 1;
  form.DELETEACTION = framework::kDeleteAsk;
  form.CANCELACTION = framework::kCancelAskSave;
}

std::uint8_t runReferenceForm(const Application& application, const FormDescription& form,
                              const framework::ProcedureCall& call) {
  storage::DeclaredFile& file = application.dictionary.file(form.file);
  const framework::BoundRecord record = framework::BoundRecord::of(file.file());
  framework::WindowBuilder builder("veltrano$" + procedureName(form.number), form.label, form.caption);
  int prompt_width = 0;
  for (const FormField& field : form.fields)
    prompt_width = std::max(prompt_width, static_cast<int>(platform::ru(field.prompt).size()));
  builder.promptWidth(prompt_width * kCharacterWidth + 16);
  ui::ControlId id = kFormFirstField;
  for (const FormField& field : form.fields) {
    if (field.field.empty()) break;
    if (field.form50_groups) {
      const std::span<const std::string_view> groups = form50Groups();
      builder.combo(id, field.prompt, record, field.field, "200L@s50@", field.picture, 0,
                    std::vector<std::string_view>(groups.begin(), groups.end()));
    } else {
      builder.entry(id, field.prompt, record, field.field, field.picture);
    }
    // The first field is the one the book is ordered and found by: an entry without it would
    // be missing from its own list.
    if (id == kFormFirstField) builder.required();
    if (!field.note.empty()) builder.prompt(id + kFormNotes, field.note);
    ++id;
  }
  builder.okButton(kFormOk, "Ввод").cancelButton(kFormCancel, "Отмена");

  ReferenceForm window;
  application.prepare(window);
  window.Describe(*builder.build());
  window.PRIMARY = &application.dictionary.guard(form.file);
  setUpdateActions(window, call);
  if (!form.distinct_key.empty()) window.RefuseRepeats(file.key(form.distinct_key), {}, kFormFirstField);
  return window.Run();
}

}  // namespace veltrano::app::reference
