// veltrano [--data DIR]: the personnel department's desktop program.
//
// The Qt event loop runs on this, the process's main thread, as the window engine's own
// thread; the program itself (start-up, the main frame, tear-down) runs on its first
// procedure thread, and every menu command on a thread of its own (app/frame/program.h).
#include <QApplication>
#include <QMetaObject>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/frame/data_directory.h"
#include "app/frame/program.h"
#include "app/program/application_procedures.h"
#include "platform/directory.h"
#include "runtime/datetime/environment.h"
#include "runtime/errors/error_state.h"
#include "ui/qt/qt_engine.h"
#include "ui/qt/qt_inspector.h"
#include "ui/qt/qt_translations.h"
#include "ui/report/qt/qt_report_output.h"
#include "ui/thread_table.h"

namespace {

constexpr const char* kUsage =
    "usage: veltrano [--data DIR]\n"
    "  --data DIR   work in DIR (default: $VELTRANO_DATA, else ~/veltrano-data); it is created,\n"
    "               and filled on the first start, when missing\n"
    "  --version    print the version and end\n";

bool asked(int argc, char** argv, const std::string& option) {
  for (int index = 1; index < argc; ++index) {
    if (argv[index] == option) return true;
  }
  return false;
}

// A desktop program needs a screen; without one Qt would end the process with a core dump.
bool haveDisplay() {
  return !veltrano::platform::environmentValue("DISPLAY").empty() ||
         !veltrano::platform::environmentValue("WAYLAND_DISPLAY").empty() ||
         !veltrano::platform::environmentValue("QT_QPA_PLATFORM").empty();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace veltrano;
  if (asked(argc, argv, "--version")) {
    std::printf("veltrano %s\n", VELTRANO_VERSION);
    return 0;
  }
  if (asked(argc, argv, "--help")) {
    std::printf("%s", kUsage);
    return 0;
  }
  if (!haveDisplay()) {
    std::fprintf(stderr,
                 "veltrano: there is no display to open the program's window on (DISPLAY is not set).\n"
                 "Start it from a desktop session, or under a virtual display: xvfb-run veltrano,\n"
                 "or ./scripts/start.sh --virtual-display from the source tree.\n");
    return 1;
  }
  // The locale of the program's environment file, beside the program, before anything keys a
  // record: the Cyrillic case pairs and the collating sequence of every NOCASE key.
  runtime::loadStartupEnvironment(platform::executablePath());
  runtime::clearErrors();

  QApplication application(argc, argv);
  application.setQuitOnLastWindowClosed(false);
  app::ProgramOptions options;
  options.data_directory = app::defaultDataDirectory();
  // Qt has taken its own options out of argv by now.
  for (int index = 1; index < argc; ++index) {
    const std::string argument = argv[index];
    if (argument == "--data" && index + 1 < argc) {
      options.data_directory = argv[++index];
    } else {
      std::fprintf(stderr, "veltrano: unexpected argument '%s'\n%s", argument.c_str(), kUsage);
      return 2;
    }
  }
  options.register_procedures = app::registerApplicationProcedures;

  ui::qt::installRussianTranslations(application);
  ui::qt::QtEngine engine;
  ui::ScopedWindowEngine installed(engine);
  ui::report::qt::QtReportOutput printing;
  ui::report::ScopedReportOutput printing_installed(printing);
  std::optional<ui::qt::QtInspector> inspector;
  if (ui::qt::QtInspector::wanted()) inspector.emplace(engine);

  ui::ThreadTable threads;
  int exit_code = 0;
  std::thread first([&] {
    threads.attachFirstThread();
    exit_code = app::runProgram(options, threads);
    threads.waitForAllThreads();
    threads.detachFirstThread();
    QMetaObject::invokeMethod(
        &application, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
  });
  application.exec();
  first.join();
  return exit_code;
}
