#include "app/program/application_procedures.h"

#include "app/backup/backup_procedure.h"
#include "app/card/card_procedures.h"
#include "app/history/history_install.h"
#include "app/reference/reference_procedures.h"
#include "app/reminders/reminders_window.h"
#include "app/reports/report_procedures.h"

namespace veltrano::app {

void registerApplicationProcedures(Application& application) {
  // Every change of a card from here on writes its history.
  history::installCardHistory(application.dictionary);
  reference::registerReferenceProcedures(application);
  reports::registerReportProcedures(application);
  card::registerCardProcedures(application);
  reminders::registerReminderProcedures(application);
  backup::registerBackupProcedure(application.procedures);
}

}  // namespace veltrano::app
