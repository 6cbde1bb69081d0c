// veltrano --data DIR [--today YYYY-MM-DD] --report PROCEDURE [--set NAME=VALUE]... [--pdf FILE]
//          [--csv FILE]
//
// Runs one report or selection printout without a window, as automation and the administrator
// need it: the program starts over DIR with its files open for reading only, the globals the
// report's dialog would set are bound from --set (by name, as the clerk would type them:
// dates as 01.07.2004 or 2004-07-01, "Без категории" for no category), and the report's pages
// go into the PDF file and its printed lines into the CSV file. The exit code is 0 when the
// files were written and 1 otherwise, with the reason on the standard error: an unknown
// procedure, a global the report needs and --set did not give, a value that does not read,
// nothing selected ("С такими параметрами записей НЕТ."), a file that cannot be written.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/frame/program.h"

namespace veltrano::app::reports {

struct ReportCommand {
  std::string data_directory;                                // UTF-8; empty: the program's default
  std::string today;                                         // YYYY-MM-DD; empty: the clock's
  std::string procedure;                                     // "VELTR034"
  std::vector<std::pair<std::string, std::string>> globals;  // UTF-8 as typed
  std::string pdf;
  std::string csv;
};

// Whether the command line asks for a report (it has --report).
bool asksForReport(int argc, char** argv);
// The command, or nothing with the reason in *error (UTF-8).
std::optional<ReportCommand> parseReportCommand(int argc, char** argv, std::string* error);

// Binds the application global `name` from its text as typed (UTF-8), as the report's dialog
// would; the reason (UTF-8) when no report reads such a global or the text does not read.
std::optional<std::string> bindReportGlobal(const std::string& name, const std::string& typed);

// REQUIRES: the program's report output is installed (the PDF is drawn through it), the locale
// loaded, and no window engine in use by another thread.
int runReportCommand(const ReportCommand& command, const ProcedureRegistration& register_procedures);

}  // namespace veltrano::app::reports
