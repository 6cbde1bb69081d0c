#include "app/card/chosen_values.h"

#include "app/dictionary/record_access.h"
#include "app/reference/selection_lists.h"

namespace veltrano::app::card {

bool chooseValues(const Application& application, const ValueChoice& choice) {
  if (!reference::choose(application, choice.list)) return false;
  storage::DeclaredFile& to = application.dictionary.file(choice.to);
  storage::DeclaredFile& from = application.dictionary.file(choice.source);
  for (const ChosenField& field : choice.fields) {
    if (field.to.empty()) break;
    RecordAccess(to).setText(field.to, RecordAccess(from).text(field.from), field.element);
  }
  return true;
}

}  // namespace veltrano::app::card
