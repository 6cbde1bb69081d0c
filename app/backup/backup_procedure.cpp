#include "app/backup/backup_procedure.h"

#include "app/backup/backup.h"
#include "platform/codepage.h"
#include "platform/directory.h"
#include "ui/window_engine.h"

namespace veltrano::app::backup {

std::uint8_t runBackupProcedure(std::string_view data_directory) {
  ui::WindowEngine& engine = ui::windowEngine();
  ui::FileDialogRequest request;
  request.title = platform::ru("Резервная копия: где ее сохранить");
  const std::optional<std::string> chosen = engine.directoryDialog(request);
  if (!chosen) return framework::kResponseCancelled;
  const Outcome outcome = makeBackup(data_directory, platform::utf8From1251(*chosen));
  ui::MessageBoxRequest box;
  box.caption = platform::ru("Резервная копия");
  box.text = platform::cp1251FromUtf8(outcome.message);
  box.icon = outcome.ok ? ui::kIconNone : ui::kIconExclamation;
  engine.messageBox(box);
  return outcome.ok ? framework::kResponseCompleted : framework::kResponseCancelled;
}

void registerBackupProcedure(framework::ProcedureRegistry& procedures) {
  // The program works in its data directory (the working directory).
  procedures.Register(kBackupProcedure, kBackupProcedureName, [](const framework::ProcedureCall&) {
    return runBackupProcedure(platform::currentDirectory());
  });
}

}  // namespace veltrano::app::backup
