// The whole program over a temporary data directory, headless: start-up and its questions, the
// main menu starting procedures on threads, the thread limit, closing the frame, and what the
// start does with damaged, missing and unwritable files.
#include "app/frame/program.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "app/dictionary/dictionary_tables.h"
#include "app/frame/main_menu.h"
#include "app/program/application_procedures.h"
#include "app/reference/reference_descriptions.h"
#include "app/reference/reference_form.h"
#include "app/reference/reference_list.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/os_error.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/datetime/environment.h"
#include "runtime/errors/error_state.h"
#include "ui/headless_engine.h"

namespace veltrano::app {
namespace {

using namespace std::chrono_literals;
using platform::ru;
namespace fs = std::filesystem;

// A directory that lets files be read but nothing be made or written: what a share mounted
// read-only gives.
class ReadOnlyFileSystem final : public platform::FileSystem {
 public:
  std::unique_ptr<platform::File> open(std::string_view path, platform::Access access,
                                       platform::Creation creation, int* error) override {
    if (access == platform::Access::ReadWrite || creation != platform::Creation::OpenExisting) {
      if (error != nullptr) *error = platform::kOsAccessDenied;
      return nullptr;
    }
    return platform::realFileSystem().open(path, access, creation, error);
  }
  int remove(std::string_view) override { return platform::kOsAccessDenied; }
  int rename(std::string_view, std::string_view) override { return platform::kOsAccessDenied; }
  bool exists(std::string_view path) override { return platform::realFileSystem().exists(path); }
  bool isDirectory(std::string_view path) override { return platform::realFileSystem().isDirectory(path); }
};

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime::loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
    runtime::clearErrors();
    working_ = fs::current_path();
    data_ = fs::temp_directory_path() / ("veltrano-program-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(data_);
  }
  void TearDown() override {
    if (program_.joinable()) {
      for (ui::WindowId window : engine.openWindows()) engine.userCloses(window);
      program_.join();
    }
    fs::current_path(working_);
    fs::remove_all(data_);
    runtime::charTables() = runtime::CharTables::defaults();
  }

  // The program on its first thread, as main() runs it.
  void start() {
    finished_ = false;
    program_ = std::thread([this] {
      threads.attachFirstThread();
      ProgramOptions options{data_.string(), 4, registerApplicationProcedures};
      exit_code_ = runProgram(options, threads);
      threads.waitForAllThreads();
      threads.detachFirstThread();
      finished_ = true;
    });
  }
  // The frame, once the program waits for the clerk.
  ui::WindowId frame() {
    const ui::WindowId found = engine.waitForWindow("Main", 20s);
    if (found != 0) engine.waitUntilIdle(found, 10s);
    return found;
  }
  int finish() {
    program_.join();
    return exit_code_;
  }
  // A first start answered "Нет" (an empty database) and ended again.
  void createEmptyDatabase() {
    engine.queueMessageBoxAnswer(ui::kButtonNo);
    start();
    ASSERT_NE(frame(), 0u);
    engine.userCloses(frame());
    ASSERT_EQ(finish(), 0);
  }
  // Waits until `count` procedure threads run.
  bool threadsRunning(int count) {
    for (int tries = 0; tries < 4000 && threads.startedThreads() != count; ++tries)
      std::this_thread::sleep_for(5ms);
    return threads.startedThreads() == count;
  }
  std::vector<ui::WindowId> windowsLabelled(const std::string& label) {
    std::vector<ui::WindowId> found;
    for (ui::WindowId window : engine.openWindows()) {
      if (engine.snapshot(window)->label == label) found.push_back(window);
    }
    return found;
  }
  // "&Гражданство" chosen in the menu and "Insert" pressed in its list: the form, waiting.
  ui::WindowId newCitizenship(ui::WindowId main) {
    if (!engine.userPresses(main, -13)) return 0;
    const ui::WindowId list = engine.waitForWindow("Gragd", 10s);
    engine.waitUntilIdle(list, 10s);
    if (!engine.userPresses(list, reference::kListInsert)) return 0;
    const ui::WindowId form = engine.waitForWindow("GragdUp", 10s);
    engine.waitUntilIdle(form, 10s);
    return form;
  }
  std::string lastBoxText() { return platform::utf8From1251(engine.shownMessageBoxes().back().text); }

  ui::HeadlessEngine engine;
  ui::ScopedWindowEngine installed{engine};
  ui::ThreadTable threads;
  fs::path data_;
  fs::path working_;
  std::thread program_;
  std::atomic<bool> finished_{false};
  int exit_code_ = -1;
};

TEST_F(ProgramTest, TheFirstStartAsksOnceAndTheAnswerStaysInTheDirectory) {
  struct Case {
    unsigned answer;
    int exit_code;
    std::size_t storage_files;
  };
  for (const Case& given :
       {Case{ui::kButtonCancel, 1, 0}, Case{ui::kButtonNo, 0, 39}, Case{ui::kButtonYes, 0, 39}}) {
    SCOPED_TRACE(given.answer);
    fs::remove_all(data_);
    const std::size_t boxes = engine.shownMessageBoxes().size();
    engine.queueMessageBoxAnswer(given.answer);
    start();
    if (given.exit_code == 0) engine.userCloses(frame());
    EXPECT_EQ(finish(), given.exit_code);
    ASSERT_EQ(engine.shownMessageBoxes().size(), boxes + 1);
    EXPECT_NE(lastBoxText().find("демонстрационного учреждения"), std::string::npos);
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(data_)) files += entry.path().extension() == ".WLK";
    EXPECT_EQ(files, given.storage_files);
  }
  // The demonstration institution is there, and the next start asks nothing.
  EXPECT_GT(fs::file_size(data_ / "KARTA.WLK"), 4096u);
  const std::size_t boxes = engine.shownMessageBoxes().size();
  start();
  engine.userCloses(frame());
  EXPECT_EQ(finish(), 0);
  EXPECT_EQ(engine.shownMessageBoxes().size(), boxes);
}

TEST_F(ProgramTest, EveryMenuItemIsInPlaceAndStartsItsProcedureOnAThreadOfItsOwn) {
  createEmptyDatabase();
  start();
  const ui::WindowId main = frame();
  const auto shown = engine.snapshot(main);
  EXPECT_EQ(shown->caption.find(ru("Отдел кадров медицинского учреждения")), 0u);
  ASSERT_EQ(shown->menu.size(), 4u);
  EXPECT_EQ(shown->menu[0].items[0].status, ru("Настройка принтера"));
  for (ui::ControlId control = -2; control >= -47; --control) {
    const MainMenuItem& item = *findMenuItem(control);
    SCOPED_TRACE(item.text);
    ASSERT_TRUE(shown->menu_items.contains(control));
    EXPECT_EQ(shown->menu_items.at(control).text, ru(item.text));
    if (item.action != MenuAction::kProcedure) continue;
    const reference::ListDescription* list = reference::findList(item.procedure);
    // Every item has its procedure now. The staff schedule, the employee list and the dismissed
    // list are opened here by their windows' labels; the reports' items open dialogs, lists and
    // previews of their own, proven by their tests.
    EXPECT_TRUE(shown->menu_items.at(control).enabled);
    const std::map<std::uint16_t, std::string> own_windows{{2, "Shtat"}, {6, "Karta"}, {71, "Archiv"}};
    const auto own = own_windows.find(item.procedure);
    if (list == nullptr && own == own_windows.end()) continue;
    ASSERT_TRUE(engine.userPresses(main, control));
    const std::string label = list != nullptr ? std::string(list->label) : own->second;
    const ui::WindowId window = engine.waitForWindow(label, 10s);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(threadsRunning(1));
    for (int slot = 1; slot < ui::kThreadSlots; ++slot) {
      if (threads.slotInfo(slot)->thread_id != 0) {
        EXPECT_EQ(threads.slotInfo(slot)->stack_size, 25000u);
      }
    }
    engine.waitUntilIdle(window, 10s);
    engine.userCloses(window);
    ASSERT_TRUE(threadsRunning(0));
  }
  for (const auto& [control, arrangement] : {std::pair{-49, ui::FrameArrangement::kTile},
                                             {-50, ui::FrameArrangement::kCascade},
                                             {-51, ui::FrameArrangement::kArrangeIcons}}) {
    ASSERT_TRUE(engine.userPresses(main, control));
    engine.waitUntilIdle(main, 10s);
    EXPECT_EQ(engine.lastArrangement(main), arrangement);
  }
  engine.queuePrinterAnswer(std::nullopt);
  ASSERT_TRUE(engine.userPresses(main, -3));
  engine.waitUntilIdle(main, 10s);
  EXPECT_EQ(engine.printerDialogsShown(), 1);
  ASSERT_TRUE(engine.userPresses(main, -4));
  EXPECT_EQ(finish(), 0);
}

TEST_F(ProgramTest, AnItemChosenTwiceOpensTwoWindowsAndNoMoreThanSixtyThreeRunAtOnce) {
  createEmptyDatabase();
  start();
  const ui::WindowId main = frame();
  ASSERT_TRUE(engine.userPresses(main, -6));
  ASSERT_TRUE(engine.userPresses(main, -6));
  ASSERT_TRUE(threadsRunning(2));
  for (int more = 0; more < 61; ++more) ASSERT_TRUE(engine.userPresses(main, -13));
  ASSERT_TRUE(threadsRunning(63));
  const std::size_t boxes = engine.shownMessageBoxes().size();
  ASSERT_TRUE(engine.userPresses(main, -13));
  engine.waitUntilIdle(main, 10s);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(threads.startedThreads(), 63);
  EXPECT_EQ(engine.shownMessageBoxes().size(), boxes) << "nothing is said";
  EXPECT_EQ(windowsLabelled("Shtat").size(), 2u);
  EXPECT_EQ(windowsLabelled("Gragd").size(), 61u);

  // Closing the frame closes every child window and waits for its thread.
  engine.userCloses(main);
  EXPECT_EQ(finish(), 0);
  EXPECT_EQ(threads.startedThreads(), 0);
  EXPECT_TRUE(engine.openWindows().empty());
}

TEST_F(ProgramTest, TheFrameStaysOpenWhileAFormKeepsChangesTheClerkWillNotLose) {
  createEmptyDatabase();
  start();
  const ui::WindowId main = frame();
  const ui::WindowId form = newCitizenship(main);
  ASSERT_NE(form, 0u);
  ASSERT_TRUE(engine.userEdits(form, reference::kFormFirstField, ru("Россия")));

  engine.queueMessageBoxAnswer(ui::kButtonCancel);  // "Сохранить изменения?" — Cancel: back to the form
  engine.userCloses(main);
  std::this_thread::sleep_for(300ms);
  EXPECT_FALSE(finished_);
  EXPECT_NE(engine.findWindow("GragdUp"), 0u);
  EXPECT_NE(engine.findWindow("Main"), 0u);

  engine.queueMessageBoxAnswer(ui::kButtonNo);  // asked again: the changes go
  engine.userCloses(main);
  EXPECT_EQ(finish(), 0);
  EXPECT_TRUE(engine.openWindows().empty());
}

TEST_F(ProgramTest, DamagedOrMissingFilesAreNamedAndLeftAsTheyWere) {
  createEmptyDatabase();
  const fs::path karta = data_ / "KARTA.WLK";
  const std::string garbage(700, 'x');
  std::ofstream(karta, std::ios::binary | std::ios::trunc) << garbage;
  start();
  EXPECT_EQ(finish(), 1);
  EXPECT_NE(lastBoxText().find("KARTA.WLK"), std::string::npos);
  EXPECT_NE(lastBoxText().find("wlk check KARTA.WLK"), std::string::npos);
  EXPECT_EQ(fs::file_size(karta), garbage.size()) << "never overwritten";

  fs::remove(karta);
  for (const unsigned answer : {ui::kButtonNo, ui::kButtonYes}) {
    engine.queueMessageBoxAnswer(answer);
    start();
    if (answer == ui::kButtonYes) engine.userCloses(frame());
    EXPECT_EQ(finish(), answer == ui::kButtonYes ? 0 : 1);
    EXPECT_NE(lastBoxText().find("нет файлов: KARTA.WLK"), std::string::npos);
    EXPECT_EQ(fs::exists(karta), answer == ui::kButtonYes);
  }
}

TEST_F(ProgramTest, ADamagedSettingsFileGivesTheDesignedPlacementAndTheNewOneIsKept) {
  createEmptyDatabase();
  std::ofstream(data_ / "veltrano.INI", std::ios::binary | std::ios::trunc)
      << "\x01\xff[Main\nXPos=abc\n\0\0";
  start();
  ui::WindowId main = frame();
  EXPECT_EQ(engine.placement(main)->at.x, 0);
  EXPECT_EQ(engine.placement(main)->at.width, 1024);
  engine.userPlaces(main, ui::Placement{{40, 30, 900, 650}, false});
  engine.userCloses(main);
  ASSERT_EQ(finish(), 0);
  start();
  main = frame();
  EXPECT_EQ(engine.placement(main)->at.x, 40);
  EXPECT_EQ(engine.placement(main)->at.height, 650);
  engine.userCloses(main);
  EXPECT_EQ(finish(), 0);
}

TEST_F(ProgramTest, ADirectoryThatCannotBeWrittenIsOpenedForReading) {
  createEmptyDatabase();
  ReadOnlyFileSystem read_only;
  platform::FileSystemOverride refusing(read_only);
  start();
  const ui::WindowId main = frame();
  ASSERT_NE(main, 0u);
  EXPECT_NE(lastBoxText().find("только для чтения"), std::string::npos);
  const ui::WindowId form = newCitizenship(main);
  ASSERT_NE(form, 0u);
  const std::size_t boxes = engine.shownMessageBoxes().size();
  ASSERT_TRUE(engine.userTypes(form, reference::kFormFirstField, ru("Россия")));
  ASSERT_TRUE(engine.userPresses(form, reference::kFormOk));
  engine.waitUntilIdle(form, 10s);
  EXPECT_GT(engine.shownMessageBoxes().size(), boxes) << "the refused insert is reported";
  engine.queueMessageBoxAnswer(ui::kButtonNo);
  engine.userCloses(main);
  EXPECT_EQ(finish(), 0);
}

}  // namespace
}  // namespace veltrano::app
