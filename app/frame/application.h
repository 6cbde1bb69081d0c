// The program's global objects as every procedure reaches them: the error manager, the settings
// file, the translator, the dictionary with its table managers and relation guards, and the
// registry of procedures by number. Start-up (app/frame/program.h) makes them in their order and
// hands this to the procedures it registers; a procedure prepares its window controller with it
// and calls other procedures through it.
//
//   void registerCardProcedures(Application& application) {          // at start-up
//     application.procedures.Register(6, "VELTR006", [&](const framework::ProcedureCall& call) {
//       EmployeeList list(application);                                 // a WindowController
//       application.prepare(list);
//       list.ORIGINALREQUEST = call.request;
//       return list.Run();
//     });
//   }
//
// A procedure registered under a number the main menu names makes that menu item usable: the
// frame enables exactly the items whose procedures are registered when it opens.
#pragma once

#include <cstdint>
#include <string>

#include "app/dictionary/dictionary.h"
#include "framework/error_manager.h"
#include "framework/translator.h"
#include "framework/window/procedure_registry.h"
#include "framework/window/settings_file.h"
#include "framework/window/window_controller.h"

namespace veltrano::app {

// "VELTR008" for procedure 8: the name the registry and the procedure's window carry.
inline std::string procedureName(std::uint16_t number) {
  std::string digits = std::to_string(number);
  return "VELTR" + std::string(digits.size() < 3 ? 3 - digits.size() : 0, '0') + digits;
}

struct Application {
  framework::ErrorManager& errors;
  framework::SettingsFile& settings;
  const framework::Translator& translator;
  Dictionary& dictionary;
  framework::ProcedureRegistry& procedures;

  // What every window of the program shares: errors reported through the one manager, texts
  // through the translator, procedures called by number, placement kept in the settings file.
  void prepare(framework::WindowController& window) const {
    window.ERRORS = &errors;
    window.TRANSLATOR = &translator;
    window.PROCEDURES = &procedures;
    window.SetSettings(&settings);
  }
  // Runs a registered procedure on the calling thread with `request` (a list in select mode:
  // framework::kRequestSelect) and returns its response; cancelled when none has the number.
  std::uint8_t call(std::uint16_t procedure, std::uint8_t request) const {
    return procedures.Call(procedure, framework::ProcedureCall{request, nullptr})
        .value_or(framework::kResponseCancelled);
  }
};

}  // namespace veltrano::app
