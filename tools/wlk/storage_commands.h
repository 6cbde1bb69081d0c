// The storage subcommands of wlk, one file each (create_command.cpp, …).
#pragma once

#include <span>
#include <string>

#include "tools/wlk/commands.h"

namespace veltrano::wlk {

int createCommand(const CommonOptions& options, std::span<const std::string> arguments);
int tablesCommand(const CommonOptions& options, std::span<const std::string> arguments);
int schemaCommand(const CommonOptions& options, std::span<const std::string> arguments);
int insertCommand(const CommonOptions& options, std::span<const std::string> arguments);
int selectCommand(const CommonOptions& options, std::span<const std::string> arguments);
int deleteCommand(const CommonOptions& options, std::span<const std::string> arguments);
int checkCommand(const CommonOptions& options, std::span<const std::string> arguments);
int buildCommand(const CommonOptions& options, std::span<const std::string> arguments);
int historyCommand(const CommonOptions& options, std::span<const std::string> arguments);
int backupCommand(const CommonOptions& options, std::span<const std::string> arguments);
int restoreCommand(const CommonOptions& options, std::span<const std::string> arguments);

}  // namespace veltrano::wlk
