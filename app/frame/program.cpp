#include "app/frame/program.h"

#include "app/dictionary/application_globals.h"
#include "app/frame/frame_texts.h"
#include "app/frame/main_frame.h"
#include "framework/browse/popup_texts.h"
#include "framework/report/report_texts.h"
#include "framework/thread_number.h"
#include "framework/window/window_texts.h"

namespace veltrano::app {
namespace {

// Read only, sharing everything: what a directory that refuses writing still allows.
constexpr std::uint8_t kOpenReadOnlyDenyNone = 0x40;

}  // namespace

Program::Program(ui::ThreadTable& threads) : threads_(threads), starter_(threads, procedures_) {}

Program::~Program() {
  Stop();
}

void Program::Start(const ProcedureRegistration& register_procedures, bool read_only) {
  if (started_) return;
  // A table that saw an earlier run close down starts procedures again.
  threads_.setClosingDown(false);
  framework::useThreadTable(&threads_);
  for (auto table : {framework::errorTextsRussian(), framework::windowTextsRussian(),
                     framework::popupTextsRussian(), framework::reportTextsRussian(), frameTextsRussian()}) {
    translator_.AddTranslation(table);
  }
  errors_.Init();
  errors_.setTranslator(&translator_);
  settings_.Init(kSettingsFileName);
  dictionary_ = std::make_unique<Dictionary>();
  dictionary_->Init(errors_);
  if (read_only) {
    for (const FileSpec& spec : dictionaryFiles())
      dictionary_->manager(spec.label).OPENMODE = kOpenReadOnlyDenyNone;
  }
  // Whichever thread runs has its own instances of the files (buffers, positions, open state)
  // in front; a thread that ends takes its instances with it.
  threads_.setLockTakenCallback([this] { dictionary_->files().selectCallingThread(); });
  threads_.setEndOfThreadCallback(
      [this] { dictionary_->files().endThread(framework::currentThreadNumber()); });
  applicationGlobals().bindAll();
  application_ =
      std::make_unique<Application>(Application{errors_, settings_, translator_, *dictionary_, procedures_});
  if (register_procedures) register_procedures(*application_);
  started_ = true;
}

void Program::Stop() {
  if (!started_) return;
  started_ = false;
  threads_.waitForAllThreads();
  threads_.setLockTakenCallback(nullptr);
  threads_.setEndOfThreadCallback(nullptr);
  application_.reset();
  dictionary_->Kill();
  dictionary_.reset();
  errors_.Kill();
  framework::useThreadTable(nullptr);
}

int runProgram(const ProgramOptions& options, ui::ThreadTable& threads) {
  const DataReadiness readiness =
      prepareDataDirectory(DataDirectoryOptions{options.data_directory, options.demo_employees});
  if (readiness == DataReadiness::kEnd) return 1;
  Program program(threads);
  program.Start(options.register_procedures, readiness == DataReadiness::kReadOnly);
  runMainFrame(program.application(), program.starter());
  program.Stop();
  return 0;
}

}  // namespace veltrano::app
