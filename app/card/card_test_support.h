// Test support for the employee list, the card and its lists (included only by *_test.cpp): the
// dictionary over in-memory storage with the card's and the reference books' procedures
// registered, the procedures run on threads of their own while the test acts as the clerk, and
// the files read as another station would, leaving the procedures' buffers alone.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/card/card_procedures.h"
#include "app/dictionary/application_globals.h"
#include "app/dictionary/dictionary_test_support.h"
#include "app/frame/application.h"
#include "app/reference/reference_procedures.h"
#include "framework/window/window_test_support.h"

namespace veltrano::app::card::testing {

using framework::testing::ProcedureThread;

class CardTest : public app::testing::DictionaryTest {
 protected:
  void SetUp() override {
    DictionaryTest::SetUp();
    reference::registerReferenceProcedures(application);
    registerCardProcedures(application);
    applicationGlobals().bindAll();
    applicationGlobals().setNumg(0);
    applicationGlobals().setNumber("numo", 0);
    applicationGlobals().setText("otdelenieg", "");
  }

  std::unique_ptr<ProcedureThread> run(std::uint16_t number, std::uint8_t request = framework::kRequestNone) {
    return std::make_unique<ProcedureThread>(
        engine, [this, number, request] { return application.call(number, request); });
  }

  // What a list shows in one column, UTF-8, blanks cut.
  std::vector<std::string> shown(ui::WindowId window, ui::ControlId list, std::size_t column) {
    std::vector<std::string> cells;
    const auto snapshot = engine.snapshot(window);
    for (const auto& row : snapshot->controls.at(list).rows)
      cells.push_back(trimmed(column < row.size() ? row[column] : std::string()));
    return cells;
  }
  std::string value(ui::WindowId window, ui::ControlId control) {
    return trimmed(engine.value(window, control).value_or("?"));
  }
  // The control that follows the prompt with this text (UTF-8): the field it names.
  ui::ControlId after(ui::WindowId window, std::string_view prompt, int nth = 1) {
    const auto snapshot = engine.snapshot(window);
    const std::string wanted = ru(prompt);
    for (std::size_t i = 0; i + 1 < snapshot->control_order.size(); ++i) {
      if (snapshot->controls.at(snapshot->control_order[i]).description.text == wanted && --nth == 0)
        return snapshot->control_order[i + 1];
    }
    ADD_FAILURE() << "no prompt " << prompt;
    return 0;
  }
  // The control with this caption (a button, a check, a tab).
  ui::ControlId captioned(ui::WindowId window, std::string_view text) {
    const auto snapshot = engine.snapshot(window);
    for (const auto& [id, control] : snapshot->controls) {
      if (trimmed(control.text) == text || trimmed(control.description.text) == text) return id;
    }
    ADD_FAILURE() << "no control " << text;
    return 0;
  }
  void press(ProcedureThread& thread, ui::WindowId window, ui::ControlId control) {
    ASSERT_TRUE(engine.userPresses(window, control)) << control;
    thread.idle(window);
  }
  void type(ProcedureThread& thread, ui::WindowId window, ui::ControlId control, std::string_view text) {
    ASSERT_TRUE(engine.userTypes(window, control, ru(text))) << control;
    thread.idle(window);
  }

  // Waits until the window with this label has closed.
  bool closed(const std::string& label) {
    for (int tries = 0; tries < 2000 && engine.findWindow(label) != 0; ++tries)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return engine.findWindow(label) == 0;
  }
  // Presses a button that opens a window over `window`, and gives that window.
  ui::WindowId open(ProcedureThread& thread, ui::WindowId window, ui::ControlId button,
                    const std::string& label) {
    EXPECT_TRUE(engine.userPresses(window, button)) << button;
    return thread.window(label);
  }
  // Presses "Ввод" or "Отмена" of a form over `list` and waits for the list again.
  void finish(ProcedureThread& thread, ui::WindowId form, ui::ControlId button, ui::WindowId list) {
    const std::string label = engine.snapshot(form)->label;
    ASSERT_TRUE(engine.userPresses(form, button));
    ASSERT_TRUE(closed(label)) << label;
    thread.idle(list);
  }

  // Every record of a file as the values of one field, read through a control block of its own.
  std::vector<std::string> onDisk(std::string_view label, std::string_view field, std::uint32_t element = 0) {
    const FileSpec* spec = nullptr;
    for (const FileSpec& candidate : dictionaryFiles()) spec = candidate.label == label ? &candidate : spec;
    auto file = declareDictionaryFile(*spec, driver);
    storage::OperationArguments open;
    open.access_mode = 0x42;
    storage::fileStatement(storage::Operation::Open, file->file(), open);
    std::vector<std::string> values;
    storage::fileStatement(storage::Operation::SetFile, file->file());
    while (storage::fileStatement(storage::Operation::Next, file->file()), runtime::errorCode() == 0)
      values.push_back(platform::utf8From1251(RecordAccess(*file).text(field, element)));
    storage::fileStatement(storage::Operation::Close, file->file());
    return values;
  }

  // A card (numbered by its manager) with its derived fields already set, and its number.
  std::int64_t card(std::string_view surname, std::string_view post = {}, bool dismissed = false) {
    const std::int64_t number = addCard(surname);
    RecordAccess fields = record("KARTA");
    fields.setText("KAR:POST", ru(post));
    if (dismissed) fields.setInteger("KAR:DATA_UVOL", 80000);
    EXPECT_EQ(dictionary.manager("KARTA").UpdateQuiet(), framework::kLevelBenign);
    return number;
  }

  static std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return platform::utf8From1251(text);
  }

  framework::SettingsFile settings;
  framework::Translator translator;
  framework::ProcedureRegistry procedures;
  Application application{errors, settings, translator, dictionary, procedures};
};

}  // namespace veltrano::app::card::testing
