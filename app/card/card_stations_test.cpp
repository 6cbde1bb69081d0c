// Two stations on one data directory: this process runs the employee list and the card, a
// process of its own changes the same card meanwhile. The card's save is refused with the
// other station's change shown, nothing is overwritten, and the list shows the change when
// it refills.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>

#include "app/card/card_form.h"
#include "app/card/card_numbers.h"
#include "app/card/card_procedures.h"
#include "app/card/employee_list.h"
#include "app/dictionary/application_globals.h"
#include "app/dictionary/record_access.h"
#include "app/frame/application.h"
#include "framework/window/window_test_support.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/datetime/environment.h"
#include "storage/wendlock_driver.h"
#include "ui/headless_engine.h"

namespace veltrano::app::card {
namespace {

namespace fs = std::filesystem;
using framework::testing::ProcedureThread;

// The other station: a process forked before this one opens any file, which changes the card
// when told to and says how its write went.
class OtherStation {
 public:
  explicit OtherStation(const fs::path& directory) {
    if (::pipe(go_) != 0 || ::pipe(done_) != 0) return;
    child_ = ::fork();
    if (child_ != 0) return;
    char command = 0;
    if (::read(go_[0], &command, 1) != 1) ::_exit(1);
    framework::ErrorManager errors;
    errors.Init();
    char result = 0;
    {
      Dictionary dictionary(storage::wendlockDriver(), directory.string());
      dictionary.Init(errors);
      framework::TableManager& karta = dictionary.manager("KARTA");
      RecordAccess card(dictionary.file("KARTA"));
      karta.Open();
      card.setInteger("KAR:NUM", 1);
      karta.Fetch(dictionary.file("KARTA").key("KAR:NUM_KEY"));
      card.setText("KAR:TELEFON", "99-99-99");
      card.setText("KAR:PER", platform::ru("Ильич"));
      result = static_cast<char>(karta.UpdateQuiet());
      karta.Close();
      dictionary.Kill();
    }
    ::_exit(::write(done_[1], &result, 1) == 1 ? 0 : 1);
  }
  ~OtherStation() {
    if (child_ <= 0) return;
    ::close(go_[1]);
    int status = 0;
    ::waitpid(child_, &status, 0);
  }

  // The level of the other station's write.
  int changeTheCard() {
    const char command = 'c';
    char result = -1;
    if (::write(go_[1], &command, 1) != 1 || ::read(done_[0], &result, 1) != 1) return -1;
    return result;
  }

 private:
  int go_[2] = {-1, -1};
  int done_[2] = {-1, -1};
  pid_t child_ = -1;
};

TEST(CardStations, ACardChangedByAnotherStationWhileOpenIsNotOverwrittenAndTheListShowsTheChange) {
  runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
  static std::atomic<int> made{0};
  const fs::path directory = fs::temp_directory_path() / ("veltrano-stations-" + std::to_string(::getpid()) +
                                                          "-" + std::to_string(++made));
  fs::create_directories(directory);
  OtherStation other(directory);

  ui::HeadlessEngine engine;
  const ui::ScopedWindowEngine installed(engine);
  framework::ErrorManager errors;
  errors.Init();
  framework::SettingsFile settings;
  framework::Translator translator;
  framework::ProcedureRegistry procedures;
  {
    Dictionary dictionary(storage::wendlockDriver(), directory.string());
    dictionary.Init(errors);
    Application application{errors, settings, translator, dictionary, procedures};
    registerCardProcedures(application);
    applicationGlobals().bindAll();
    framework::TableManager& karta = dictionary.manager("KARTA");
    ASSERT_EQ(karta.Open(), framework::kLevelBenign);
    ASSERT_EQ(karta.PrepareRecord(), framework::kLevelBenign);
    RecordAccess(dictionary.file("KARTA")).setText("KAR:FAM", platform::ru("Петров"));
    ASSERT_EQ(karta.Insert(), framework::kLevelBenign);
    karta.Close();

    ProcedureThread thread(engine, [&] { return application.call(kEmployeeList, framework::kRequestNone); });
    const ui::WindowId list = thread.window("Karta");
    ASSERT_TRUE(engine.userKey(list, ui::key::kControl + ui::key::kEnter));
    const ui::WindowId form = thread.window("KartaUp");
    ASSERT_TRUE(engine.userChoosesTab(form, kCardSheet, 3));
    const auto shown = engine.snapshot(form);
    const auto prompt =
        std::find_if(shown->control_order.begin(), shown->control_order.end(), [&](ui::ControlId id) {
          return shown->controls.at(id).description.text == platform::ru("Телефон:");
        });
    const ui::ControlId phone = *(prompt + 1);
    ASSERT_TRUE(engine.userTypes(form, phone, "22-22-22"));
    thread.idle(form);

    EXPECT_EQ(other.changeTheCard(), framework::kLevelBenign);
    ASSERT_TRUE(engine.userPresses(form, kCardOk));
    thread.idle(form);
    ASSERT_EQ(engine.shownMessageBoxes().size(), 1u);
    EXPECT_EQ(
        engine.shownMessageBoxes()[0].text,
        "This record was changed by another station. Those changes will now be displayed. Use the Ditto "
        "Button or Ctrl+' to recall your changes.");
    EXPECT_NE(engine.findWindow("KartaUp"), 0u) << "the card stays open";
    EXPECT_EQ(engine.value(form, phone), "99-99-99") << "showing the other station's values";

    engine.queueMessageBoxAnswer(ui::kButtonNo);  // the clerk does not save over them
    ASSERT_TRUE(engine.userPresses(form, kCardCancel));
    for (int tries = 0; tries < 2000 && engine.findWindow("KartaUp") != 0; ++tries)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    thread.idle(list);
    EXPECT_EQ(engine.snapshot(list)->controls.at(kEmployeeRows).rows.at(0).at(3).substr(0, 5),
              platform::ru("Ильич"));
    ASSERT_TRUE(engine.userPresses(list, kEmployeeClose));
    thread.response();

    RecordAccess card(dictionary.file("KARTA"));
    ASSERT_EQ(karta.Open(), framework::kLevelBenign);
    card.setInteger("KAR:NUM", 1);
    ASSERT_EQ(karta.Fetch(dictionary.file("KARTA").key("KAR:NUM_KEY")), framework::kLevelBenign);
    EXPECT_EQ(card.text("KAR:TELEFON"), "99-99-99");
    karta.Close();
    dictionary.Kill();
  }
  errors.Kill();
  runtime::charTables() = runtime::CharTables::defaults();
  std::error_code ignored;
  fs::remove_all(directory, ignored);
}

}  // namespace
}  // namespace veltrano::app::card
