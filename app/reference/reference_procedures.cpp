#include "app/reference/reference_procedures.h"

#include "app/reference/reference_form.h"
#include "app/reference/reference_list.h"
#include "app/reference/staff_forms.h"
#include "app/reference/staff_schedule.h"

namespace veltrano::app::reference {

void registerReferenceProcedures(Application& application) {
  framework::ProcedureRegistry& procedures = application.procedures;
  for (const ListDescription& list : referenceLists()) {
    procedures.Register(list.number, procedureName(list.number), [&application, &list](const auto& call) {
      return runReferenceList(application, list, call);
    });
  }
  for (const FormDescription& form : referenceForms()) {
    procedures.Register(form.number, procedureName(form.number), [&application, &form](const auto& call) {
      return runReferenceForm(application, form, call);
    });
  }
  using Run = std::uint8_t (*)(const Application&, const framework::ProcedureCall&);
  for (const auto& [number, run] : {std::pair<std::uint16_t, Run>{kStaffSchedule, runStaffSchedule},
                                    {kSubdivisionForm, runSubdivisionForm},
                                    {kDepartmentForm, runDepartmentForm},
                                    {kPositionForm, runPositionForm}}) {
    procedures.Register(number, procedureName(number),
                        [&application, run](const auto& call) { return run(application, call); });
  }
}

}  // namespace veltrano::app::reference
