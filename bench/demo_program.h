// What the benchmarks over demo data share: 10,000 demo employees generated into a directory
// of their own, the dictionary over it, and the program's objects with the reference books'
// and the card's procedures registered, on the headless engine.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/card/card_procedures.h"
#include "app/demo/demo_data.h"
#include "app/dictionary/application_globals.h"
#include "app/reference/reference_procedures.h"
#include "runtime/datetime/environment.h"
#include "storage/wendlock_driver.h"
#include "ui/headless_engine.h"

namespace veltrano::bench {

constexpr int kEmployees = 10000;

struct DemoProgram {
  std::filesystem::path directory;
  ui::HeadlessEngine engine;
  std::unique_ptr<ui::ScopedWindowEngine> installed;
  framework::ErrorManager errors;
  framework::SettingsFile settings;
  framework::Translator translator;
  framework::ProcedureRegistry procedures;
  std::unique_ptr<app::Dictionary> dictionary;
  std::unique_ptr<app::Application> application;

  DemoProgram() {
    runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
    directory =
        std::filesystem::temp_directory_path() / ("veltrano_demo_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    app::DemoOptions options;
    options.directory = directory.string();
    options.employees = kEmployees;
    if (const std::string failed = app::generateDemoData(options); !failed.empty())
      throw std::runtime_error(failed);
    installed = std::make_unique<ui::ScopedWindowEngine>(engine);
    errors.Init();
    settings.Init((directory / "veltrano.ini").string());
    dictionary = std::make_unique<app::Dictionary>(storage::wendlockDriver(), directory.string());
    dictionary->Init(errors);
    application = std::make_unique<app::Application>(
        app::Application{errors, settings, translator, *dictionary, procedures});
    app::reference::registerReferenceProcedures(*application);
    app::card::registerCardProcedures(*application);
    app::applicationGlobals().bindAll();
  }
  ~DemoProgram() {
    dictionary->Kill();
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
  }
};

}  // namespace veltrano::bench
