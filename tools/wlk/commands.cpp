#include "tools/wlk/commands.h"

#include <cstdio>
#include <string>

namespace veltrano::wlk {
namespace {

void printHelp() {
  std::printf(
      "wlk — the Veltrano storage and runtime tool\n\n"
      "usage: wlk [--env FILE] [--today YYYY-MM-DD] [--owner PASSWORD] COMMAND [ARGUMENTS]\n"
      "       wlk --version | --help\n\n"
      "commands:\n");
  for (const auto& command : commands()) {
    std::printf("  %s\n", std::string(command.usage).c_str());
  }
}

}  // namespace

const std::vector<Command>& commands() {
  static const std::vector<Command> table = {};
  return table;
}

int run(int argc, char** argv) {
  CommonOptions options;
  int index = 1;
  for (; index < argc; ++index) {
    const std::string_view argument = argv[index];
    auto takeValue = [&](std::string& into) {
      if (index + 1 >= argc) {
        std::fprintf(stderr, "wlk: %s needs a value\n", argv[index]);
        return false;
      }
      into = argv[++index];
      return true;
    };
    if (argument == "--version") {
      std::printf("wlk %s\n", VELTRANO_VERSION);
      return 0;
    }
    if (argument == "--help" || argument == "-h") {
      printHelp();
      return 0;
    }
    if (argument == "--env") {
      if (!takeValue(options.env_file)) return 2;
    } else if (argument == "--today") {
      if (!takeValue(options.today)) return 2;
    } else if (argument == "--owner") {
      if (!takeValue(options.owner)) return 2;
    } else {
      break;
    }
  }
  if (index >= argc) {
    printHelp();
    return 2;
  }
  const std::string_view name = argv[index];
  for (const auto& command : commands()) {
    if (command.name == name) {
      std::vector<std::string> arguments(argv + index + 1, argv + argc);
      return command.run(options, arguments);
    }
  }
  std::fprintf(stderr, "wlk: unknown command '%s' (see wlk --help)\n", argv[index]);
  return 2;
}

}  // namespace veltrano::wlk
