// The program from its start to its end, in the fixed order of its global objects:
//
//   the data directory made ready (data_directory.h)
//   1. the global error manager, its messages in Russian
//   2. the settings file "veltrano.INI" in the data directory
//   3. the dictionary: a table manager for every file, then its relation guard
//   4. the application's procedures registered (the program's list of them)
//   5. VELTR001 on the program's first thread, until the frame closes
//   6. the started threads waited for, the dictionary torn down (relation guards, then table
//      managers), the error manager killed
//
// Program is steps 1–4 and 6 as an object, so that tests and benchmarks can stand the program
// up over a directory without the frame; runProgram is the whole of it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/frame/application.h"
#include "app/frame/data_directory.h"
#include "app/frame/procedure_starter.h"
#include "ui/thread_table.h"

namespace veltrano::app {

inline constexpr std::string_view kSettingsFileName = "veltrano.INI";

using ProcedureRegistration = std::function<void(Application& application)>;

class Program {
 public:
  // REQUIRES: `threads` outlives the program; the calling thread is its first thread.
  explicit Program(ui::ThreadTable& threads);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Steps 1–4 in the working directory. With `read_only` every file is opened for reading only.
  void Start(const ProcedureRegistration& register_procedures, bool read_only = false);
  // Step 6. Safe to call twice.
  void Stop();

  Application& application() { return *application_; }
  ProcedureStarter& starter() { return starter_; }
  framework::ProcedureRegistry& procedures() { return procedures_; }

 private:
  ui::ThreadTable& threads_;
  framework::ErrorManager errors_;
  framework::SettingsFile settings_;
  framework::Translator translator_;
  framework::ProcedureRegistry procedures_;
  std::unique_ptr<Dictionary> dictionary_;
  std::unique_ptr<Application> application_;
  ProcedureStarter starter_;
  bool started_ = false;
};

struct ProgramOptions {
  std::string data_directory;  // UTF-8
  std::int64_t demo_employees = 300;
  ProcedureRegistration register_procedures;
};

// The whole program on the calling thread, which holds slot 0 of `threads`; the exit code: 0
// after the frame closed, 1 when the data directory could not be used.
// REQUIRES: a window engine is installed.
int runProgram(const ProgramOptions& options, ui::ThreadTable& threads);

}  // namespace veltrano::app
