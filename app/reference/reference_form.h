// A reference book's entry form: its prompts and entries over one file, "Ввод" and "Отмена",
// called by its list with the framework's request (insert, change, delete). An entry whose name
// another entry of the book has already is refused with the duplicate message, the form stays
// open on the name and nothing is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/frame/application.h"
#include "app/reference/reference_descriptions.h"
#include "framework/window/window_controller.h"

namespace veltrano::app::reference {

enum : ui::ControlId {
  kFormFirstField = 1,  // the fields follow in order
  kFormNotes = 11,      // a field's note has the field's number plus this
  kFormOk = 20,
  kFormCancel,
};

class ReferenceForm : public framework::WindowController {
 public:
  // Values under `key` (and equal `scope` fields) may not repeat; `shown` is the control whose
  // text the message names and that is selected again.
  void RefuseRepeats(const storage::KeyDescriptor* key, std::vector<framework::FieldRef> scope,
                     ui::ControlId shown);

  framework::Level BeginUpdate() override;
  framework::Level OnCompleted() override;

 private:
  const storage::KeyDescriptor* distinct_key_ = nullptr;
  std::vector<framework::FieldRef> scope_;
  ui::ControlId shown_ = 0;
  std::string own_position_;  // the record the form edits (or reserved), empty for a new one
};

// What every entry form of the area does after a completed insert or change and on cancel.
void setUpdateActions(framework::WindowController& form, const framework::ProcedureCall& call);

std::uint8_t runReferenceForm(const Application& application, const FormDescription& form,
                              const framework::ProcedureCall& call);

}  // namespace veltrano::app::reference
