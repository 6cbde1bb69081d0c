// Test support for the reference books (included only by *_test.cpp): the dictionary over
// in-memory storage with the area's procedures registered, a procedure run on a thread of its
// own while the test acts as the clerk, and what the clerk reads in a list.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/dictionary/application_globals.h"
#include "app/dictionary/dictionary_test_support.h"
#include "app/frame/application.h"
#include "app/reference/reference_procedures.h"
#include "framework/window/window_test_support.h"

namespace veltrano::app::reference::testing {

using namespace std::chrono_literals;
using framework::testing::ProcedureThread;

class ReferenceTest : public app::testing::DictionaryTest {
 protected:
  void SetUp() override {
    DictionaryTest::SetUp();
    registerReferenceProcedures(application);
    // The filters name the application's globals; numo starts each run at 0.
    applicationGlobals().bindAll();
    applicationGlobals().setNumber("numo", 0);
  }

  // Procedure `number` on a thread of its own, as the menu starts it (or as a form calls a list
  // in select mode with kRequestSelect).
  std::unique_ptr<ProcedureThread> run(std::uint16_t number, std::uint8_t request = framework::kRequestNone) {
    return std::make_unique<ProcedureThread>(
        engine, [this, number, request] { return application.call(number, request); });
  }

  // Column `column` of every row a list shows, UTF-8 and without trailing blanks.
  std::vector<std::string> shown(ui::WindowId window, ui::ControlId list, std::size_t column = 0) {
    std::vector<std::string> cells;
    const auto snapshot = engine.snapshot(window);
    if (!snapshot) return cells;
    for (const auto& row : snapshot->controls.at(list).rows) {
      std::string cell = column < row.size() ? row[column] : std::string();
      while (!cell.empty() && cell.back() == ' ') cell.pop_back();
      cells.push_back(platform::utf8From1251(cell));
    }
    return cells;
  }

  // A subdivision, and a department of one, as the staff schedule's forms add them; their numbers.
  std::int64_t addSubdivision(std::string_view name) {
    addRecord("BOLNICA",
              [&](app::RecordAccess subdivision) { subdivision.setText("BOL:NOM", platform::ru(name)); });
    return record("BOLNICA").integer("BOL:NUM");
  }
  std::int64_t addDepartment(std::int64_t subdivision, std::string_view name) {
    addRecord("OTDELENI", [&](app::RecordAccess department) {
      department.setInteger("OTD:NUM", subdivision);
      department.setText("OTD:NOM", platform::ru(name));
    });
    return record("OTDELENI").integer("OTD:NUMO");
  }

  // Presses a control and waits until the procedure has dealt with it.
  void press(ProcedureThread& thread, ui::WindowId window, ui::ControlId control) {
    ASSERT_TRUE(engine.userPresses(window, control)) << control;
    thread.idle(window);
  }

  // Waits until the window with this label has closed.
  bool closed(const std::string& label) {
    for (int tries = 0; tries < 2000 && engine.findWindow(label) != 0; ++tries)
      std::this_thread::sleep_for(5ms);
    return engine.findWindow(label) == 0;
  }

  framework::SettingsFile settings;
  framework::Translator translator;
  framework::ProcedureRegistry procedures;
  Application application{errors, settings, translator, dictionary, procedures};
};

}  // namespace veltrano::app::reference::testing
