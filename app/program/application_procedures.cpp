#include "app/program/application_procedures.h"

#include "app/card/card_procedures.h"
#include "app/reference/reference_procedures.h"
#include "app/reminders/reminders_window.h"
#include "app/reports/report_procedures.h"

namespace veltrano::app {

void registerApplicationProcedures(Application& application) {
  reference::registerReferenceProcedures(application);
  reports::registerReportProcedures(application);
  card::registerCardProcedures(application);
  reminders::registerReminderProcedures(application);
}

}  // namespace veltrano::app
