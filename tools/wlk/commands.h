// The subcommands of wlk. Each lives in a file of its own (eval_command.cpp, …) and is listed
// in the table of commands.cpp.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::wlk {

// Options given before the subcommand, common to all of them.
struct CommonOptions {
  std::string env_file;  // --env FILE
  std::string today;     // --today YYYY-MM-DD
  std::string owner;     // --owner PASSWORD
  bool oem = false;      // --oem: the tables keep their text in the OEM character set, as the
                         // application's files do (the attribute is declared, not stored)
};

// A subcommand receives the common options and its own arguments (UTF-8), and returns the
// exit status: 0 success, 1 the operation failed, 2 a usage error.
using CommandFunction = std::function<int(const CommonOptions&, std::span<const std::string>)>;

struct Command {
  std::string_view name;
  std::string_view usage;  // one line for wlk --help
  CommandFunction run;
};

// Every subcommand, in the order --help lists them.
const std::vector<Command>& commands();

int run(int argc, char** argv);

}  // namespace veltrano::wlk
