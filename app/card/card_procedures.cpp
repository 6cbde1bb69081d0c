#include "app/card/card_procedures.h"

#include "app/card/card_form.h"
#include "app/card/card_numbers.h"
#include "app/card/child_forms.h"
#include "app/card/child_lists.h"
#include "app/card/dismissed_list.h"
#include "app/card/employee_list.h"

namespace veltrano::app::card {

void registerCardProcedures(Application& application) {
  framework::ProcedureRegistry& procedures = application.procedures;
  using Run = std::uint8_t (*)(const Application&, const framework::ProcedureCall&);
  for (const auto& [number, run] : {std::pair<std::uint16_t, Run>{kEmployeeList, runEmployeeList},
                                    {kCardForm, runCardForm},
                                    {kDismissedList, runDismissedList}}) {
    procedures.Register(number, procedureName(number),
                        [&application, run](const auto& call) { return run(application, call); });
  }
  for (const ChildListDescription& list : childLists()) {
    procedures.Register(list.number, procedureName(list.number), [&application, &list](const auto& call) {
      return runChildList(application, list, call);
    });
  }
  for (const ChildFormDescription& form : childForms()) {
    procedures.Register(form.number, procedureName(form.number), [&application, &form](const auto& call) {
      return runChildForm(application, form, call);
    });
  }
}

}  // namespace veltrano::app::card
