// "Резервная копия…" of the "&Файл" menu: the clerk chooses a directory, the data directory's
// files go into a new dated backup directory inside it (backup.h), and a message says where or
// why not.
#pragma once

#include <cstdint>
#include <string_view>

#include "framework/window/procedure_registry.h"

namespace veltrano::app::backup {

inline constexpr std::uint16_t kBackupProcedure = 132;
inline constexpr std::string_view kBackupProcedureName = "VELTR132";

// Backs up `data_directory` (UTF-8) into the directory the clerk chooses; the response is
// completed when a backup was made.
std::uint8_t runBackupProcedure(std::string_view data_directory);

void registerBackupProcedure(framework::ProcedureRegistry& procedures);

}  // namespace veltrano::app::backup
