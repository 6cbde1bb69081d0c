#include "tools/wlk/commands.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"
#include "runtime/datetime/environment.h"
#include "runtime/errors/error_state.h"
#include "runtime/errors/runtime_error.h"
#include "tools/wlk/storage_commands.h"

namespace veltrano::wlk {

int evalCommand(const CommonOptions& options, std::span<const std::string> arguments);  // eval_command.cpp
int demoCommand(const CommonOptions& options, std::span<const std::string> arguments);  // demo_command.cpp

namespace {

void printHelp() {
  std::printf(
      "wlk — the Veltrano storage and runtime tool\n\n"
      "usage: wlk [--env FILE|NONE] [--today YYYY-MM-DD] [--owner PASSWORD] [--oem] COMMAND [ARGUMENTS]\n"
      "       wlk --version | --help | COMMAND --help\n\n"
      "commands:\n");
  for (const auto& command : commands()) {
    std::printf("  %s\n", std::string(command.usage).c_str());
  }
}

// A runtime error ends the command: "Error N: TEXT" on stderr, exit status 1.
void printRuntimeErrorAndExit(int code, std::string_view text) {
  std::fflush(stdout);
  std::fprintf(stderr, "Error %d: %s\n", code, platform::utf8From1251(text).c_str());
  std::exit(1);
}

// --today YYYY-MM-DD: the tool runs as if the local date were that day.
bool applyToday(const std::string& text) {
  int year = 0, month = 0, day = 0;
  char end = 0;
  if (text.size() != 10 || std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &end) != 3 ||
      text[4] != '-' || text[7] != '-' || year < 1801 || year > 9999 || day < 1 ||
      day > runtime::daysInMonth(year, month)) {
    return false;
  }
  platform::setNowOverride(platform::LocalDateTime{year, month, day, 12, 0, 0, 0});
  runtime::resetKeptYear();
  return true;
}

// The environment file: --env FILE (NONE for the built-in tables), or else the application's own,
// so that the application's files are read and written in their collation: wlk.ENV or
// veltrano.ENV beside the tool, then where the package installs it, then in a build tree the
// source tree's.
bool applyEnvironment(const std::string& env_file) {
  if (env_file == "NONE") return true;
  if (!env_file.empty()) {
    runtime::loadEnvironment(env_file);
    return runtime::errorCode() == 0;
  }
  std::error_code error;
  const std::filesystem::path binary = std::filesystem::read_symlink("/proc/self/exe", error);
  std::vector<std::filesystem::path> places;
  if (!error) {
    places.push_back(runtime::environmentFileFor(binary.string()));
    places.push_back(binary.parent_path() / "veltrano.ENV");
    places.push_back(binary.parent_path().parent_path() / "share" / "veltrano" / "veltrano.ENV");
  }
  places.emplace_back("/etc/veltrano/veltrano.ENV");
  places.emplace_back(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
  for (const auto& place : places) {
    if (std::filesystem::exists(place, error)) {
      runtime::loadEnvironment(place.string());
      return runtime::errorCode() == 0;
    }
  }
  return true;
}

}  // namespace

const std::vector<Command>& commands() {
  static const std::vector<Command> table = {
      {"create", "create TARGET DECLFILE        create a table from a declaration", createCommand},
      {"tables", "tables FILE                   list the tables of a storage file", tablesCommand},
      {"schema", "schema TARGET                 print a table's declaration", schemaCommand},
      {"insert", "insert TARGET [--truncate] NAME=VALUE...   add a record", insertCommand},
      {"select",
       "select TARGET [--key KEY | --order TEXT] [--join TARGET KEY FIELD[,FIELD...] [--inner]]...\n"
       "         [--filter EXPR] [--field EXPR]... [--reverse] [--raw] [--csv]   records in an order,\n"
       "         joined (outer unless --inner) to tables whose fields the filter and fields may name;\n"
       "         --raw: dates and times as serial numbers; --csv: for a spreadsheet",
       selectCommand},
      {"delete", "delete TARGET --filter EXPR   delete the records the filter keeps", deleteCommand},
      {"check", "check FILE                    verify a storage file", checkCommand},
      {"build", "build TARGET                  rebuild every key of a table", buildCommand},
      {"eval", "eval [--bind NAME TYPE VALUE]... EXPR   print the value of an expression", evalCommand},
      {"demo", "demo DIR --employees N [--seed S]   the application's files filled with demo data",
       demoCommand},
      {"history", "history DIR [--employee N]    the change history of the cards, newest first",
       historyCommand},
      {"backup",
       "backup DATADIR DEST [--wait SECONDS]   one consistent copy of the data files: a dated directory\n"
       "         in DEST, or the archive DEST names when it ends in .tar.gz",
       backupCommand},
      {"restore", "restore BACKUP DIR            a backup put back into an empty directory", restoreCommand},
  };
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
    } else if (argument == "--oem") {
      options.oem = true;
    } else {
      break;
    }
  }
  if (index >= argc) {
    printHelp();
    return 2;
  }
  runtime::setRuntimeErrorHandler(printRuntimeErrorAndExit);
  if (!options.today.empty() && !applyToday(options.today)) {
    std::fprintf(stderr, "wlk: --today needs a date written YYYY-MM-DD\n");
    return 2;
  }
  if (!applyEnvironment(options.env_file)) {
    std::fprintf(stderr, "wlk: cannot read the environment file '%s'\n", options.env_file.c_str());
    return 2;
  }
  const std::string_view name = argv[index];
  for (const auto& command : commands()) {
    if (command.name == name) {
      std::vector<std::string> arguments(argv + index + 1, argv + argc);
      if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::printf("usage: wlk %s\n", std::string(command.usage).c_str());
        return 0;
      }
      return command.run(options, arguments);
    }
  }
  std::fprintf(stderr, "wlk: unknown command '%s' (see wlk --help)\n", argv[index]);
  return 2;
}

}  // namespace veltrano::wlk
