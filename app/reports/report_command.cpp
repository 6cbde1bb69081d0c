#include "app/reports/report_command.h"

#include <cstdio>
#include <cstdlib>

#include "app/computations/due_dates.h"
#include "app/dictionary/application_globals.h"
#include "app/frame/data_directory.h"
#include "app/reports/report_procedures.h"
#include "framework/report/report_command.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/directory.h"
#include "runtime/datetime/calendar.h"
#include "ui/thread_table.h"

namespace veltrano::app::reports {
namespace {

constexpr const char* kUsage =
    "usage: veltrano [--data DIR] [--today YYYY-MM-DD] --report PROCEDURE [--set NAME=VALUE]...\n"
    "                [--pdf FILE] [--csv FILE]\n";

int fail(const std::string& message) {
  std::fprintf(stderr, "veltrano: %s\n", message.c_str());
  return 1;
}

// "2004-07-01" or "01.07.2004": the date serial, or 0.
std::int32_t typedDate(const std::string& text) {
  int year = 0, month = 0, day = 0;
  char end = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &end) != 3 &&
      std::sscanf(text.c_str(), "%2d.%2d.%4d%c", &day, &month, &year, &end) != 3)
    return 0;
  if (year < 1801 || month < 1 || month > 12 || day < 1 || day > runtime::daysInMonth(year, month)) return 0;
  return runtime::serialFromParts(year, month, day);
}

std::optional<std::int64_t> typedNumber(const std::string& text) {
  char* end = nullptr;
  const long long number = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0') return std::nullopt;
  return number;
}

bool applyToday(const std::string& text) {
  const std::int32_t date = text.size() == 10 && text[4] == '-' ? typedDate(text) : 0;
  if (date == 0) return false;
  platform::setNowOverride(platform::LocalDateTime{runtime::yearOfSerial(date), runtime::monthOfSerial(date),
                                                   runtime::dayOfSerial(date), 12, 0, 0, 0});
  runtime::resetKeptYear();
  return true;
}

// The procedure's number: "VELTR034", "veltr34" or "34".
std::optional<std::uint16_t> procedureNumber(std::string name) {
  for (char& letter : name) letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (name.rfind("VELTR", 0) == 0) name.erase(0, 5);
  const std::optional<std::int64_t> number = typedNumber(name);
  if (!number || *number < 1 || *number > 999) return std::nullopt;
  return static_cast<std::uint16_t>(*number);
}

// A path given on the command line, made absolute: the program works inside its data directory.
std::string fromHere(const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  return platform::currentDirectory() + "/" + path;
}

}  // namespace

std::optional<std::string> bindReportGlobal(const std::string& name, const std::string& typed) {
  ApplicationGlobals& globals = applicationGlobals();
  const std::string text = platform::cp1251FromUtf8(typed);
  if (name == "datag" || name == "datanp" || name == "datakp") {
    const std::int32_t date = typedDate(typed);
    if (date == 0) return name + "=" + typed + " is no date (write 2004-07-01 or 01.07.2004)";
    globals.setNumber(name, date);
  } else if (name == "st1" || name == "st2") {
    const std::optional<std::int64_t> line = typedNumber(typed);
    if (!line || *line < 0 || *line > 999) return name + "=" + typed + " is no form line (0 to 999)";
    globals.setNumber(name, *line);
  } else if (name == "datan") {
    const std::optional<std::int64_t> year = typedNumber(typed);
    if (!year || *year < 1900 || *year > 2100) return "datan=" + typed + " is no year (1900 to 2100)";
    globals.setText(name, typed);
  } else if (name == "katg") {
    globals.setText(name, categoryFilterValue(text));
  } else if (name == "otdelenieg" || name == "profg" || name == "postg" || name == "otborg") {
    globals.setText(name, text);
  } else {
    return "--set " + name + ": no report reads a global of that name";
  }
  return std::nullopt;
}

bool asksForReport(int argc, char** argv) {
  for (int index = 1; index < argc; ++index) {
    if (std::string(argv[index]) == "--report") return true;
  }
  return false;
}

std::optional<ReportCommand> parseReportCommand(int argc, char** argv, std::string* error) {
  ReportCommand command;
  for (int index = 1; index < argc; ++index) {
    const std::string option = argv[index];
    if (index + 1 >= argc) {
      *error = "option " + option + " needs a value\n" + kUsage;
      return std::nullopt;
    }
    const std::string value = argv[++index];
    if (option == "--data") {
      command.data_directory = value;
    } else if (option == "--today") {
      command.today = value;
    } else if (option == "--report") {
      command.procedure = value;
    } else if (option == "--pdf") {
      command.pdf = value;
    } else if (option == "--csv") {
      command.csv = value;
    } else if (option == "--set") {
      const std::size_t equals = value.find('=');
      if (equals == std::string::npos || equals == 0) {
        *error = "--set needs NAME=VALUE, not '" + value + "'";
        return std::nullopt;
      }
      command.globals.emplace_back(value.substr(0, equals), value.substr(equals + 1));
    } else {
      *error = "unexpected argument '" + option + "'\n" + kUsage;
      return std::nullopt;
    }
  }
  if (command.pdf.empty() && command.csv.empty()) {
    *error = "nothing to write: give --pdf FILE and/or --csv FILE\n" + std::string(kUsage);
    return std::nullopt;
  }
  return command;
}

int runReportCommand(const ReportCommand& command, const ProcedureRegistration& register_procedures) {
  if (!command.today.empty() && !applyToday(command.today))
    return fail("--today needs a date written YYYY-MM-DD");
  const std::optional<std::uint16_t> number = procedureNumber(command.procedure);
  const std::optional<HeadlessReport> report = number ? headlessReport(*number) : std::nullopt;
  if (!report) return fail(command.procedure + " is no report that runs without a window");
  for (const auto& [name, value] : command.globals) {
    if (const std::optional<std::string> refused = bindReportGlobal(name, value)) return fail(*refused);
  }
  for (const std::string_view needed : report->globals) {
    bool given = false;
    for (const auto& [name, value] : command.globals) given = given || name == needed;
    if (!given) return fail(procedureName(*number) + " needs --set " + std::string(needed) + "=VALUE");
  }
  const framework::ReportFiles files{fromHere(command.pdf), fromHere(command.csv)};
  const std::string directory =
      command.data_directory.empty() ? defaultDataDirectory() : command.data_directory;
  if (platform::changeDirectory(directory) != 0) return fail("cannot work in " + directory);

  ui::ThreadTable threads;
  threads.attachFirstThread();
  framework::ReportCommandResult done;
  {
    Program program(threads);
    // A report only reads: the files stay open to the stations working meanwhile.
    program.Start(register_procedures, true);
    done = framework::produceReportFiles([&] { return report->run(program.application(), *number); }, files);
    program.Stop();
  }
  threads.detachFirstThread();
  for (const std::string& message : done.messages)
    std::fprintf(stderr, "%s\n", platform::utf8From1251(message).c_str());
  if (!done.written && done.messages.empty()) return fail(procedureName(*number) + " printed nothing");
  return done.written ? 0 : 1;
}

}  // namespace veltrano::app::reports
