// Window placement kept in the settings file, and every way the file can be missing or wrong.
#include "framework/window/settings_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/directory.h"
#include "ui/headless_engine.h"

namespace veltrano::framework {
namespace {

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory = std::filesystem::temp_directory_path() / ("veltrano-settings-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    settings.Init((directory / "veltrano.INI").string());
    ui::WindowDescription description;
    description.label = "Karta";
    description.at = {10, 20, 300, 200};
    window = engine.openWindow(description);
  }
  void TearDown() override { std::filesystem::remove_all(directory); }
  void write(const std::string& text) { std::ofstream(directory / "veltrano.INI") << text; }
  ui::Placement placement() { return *engine.placement(window); }

  std::filesystem::path directory;
  ui::HeadlessEngine engine;
  ui::ScopedWindowEngine installed{engine};
  SettingsFile settings;
  ui::WindowId window = 0;
};

TEST_F(SettingsFileTest, AWindowComesBackWhereItWasClosed) {
  engine.userPlaces(window, ui::Placement{{40, 50, 640, 480}, false});
  ASSERT_TRUE(settings.UpdateWindow("Karta", window));
  EXPECT_EQ(settings.Fetch("Karta", "XPos"), "40");
  EXPECT_EQ(settings.Fetch("Karta", "Maximize"), "No");
  EXPECT_EQ(settings.Fetch("Karta", "Colour"), SettingsFile::kUnknown);
  engine.setPlacement(window, ui::Placement{{0, 0, 100, 100}, false});
  settings.FetchWindow("Karta", window, true);
  EXPECT_EQ(placement().at.x, 40);
  EXPECT_EQ(placement().at.height, 480);
  settings.FetchWindow("Karta", window, false);
  EXPECT_EQ(placement().at.width, 640) << "a window that cannot be resized is only moved";
  write("[Karta]\nMaximize=Yes\nXPos=1\n");
  settings.FetchWindow("Karta", window, true);
  EXPECT_TRUE(placement().maximized);
}

TEST_F(SettingsFileTest, AMissingOrDamagedSectionLeavesTheDesignedPlace) {
  const char* files[] = {
      "",                                          // empty
      "[Main]\nXPos=5\nYPos=5\n",                  // another window's section only
      "[Karta]\nYPos=5\nWidth=500\nHeight=500\n",  // no XPos
      "[Karta]\nXPos=abc\nYPos=5\n",               // garbage
      "[Karta]\nXPos=99999999999\nYPos=5\n",       // beyond any screen
      "\x01\x02[Karta\nXPos\n==\n",                // not an INI file at all
  };
  for (const char* text : files) {
    SCOPED_TRACE(text);
    write(text);
    settings.FetchWindow("Karta", window, true);
    EXPECT_EQ(placement().at.x, 10);
    EXPECT_EQ(placement().at.width, 300);
    EXPECT_FALSE(placement().maximized);
  }
  write("[Karta]\nXPos=70\nYPos=80\nWidth=-5\nHeight=0\n");
  settings.FetchWindow("Karta", window, true);
  EXPECT_EQ(placement().at.x, 70) << "a sensible position is kept, a senseless size is not";
  EXPECT_EQ(placement().at.width, 300);
}

TEST_F(SettingsFileTest, AFileThatCannotBeReadOrWrittenKeepsNoPlacementAndDoesNoHarm) {
  for (const auto& path : {directory / "missing" / "veltrano.INI", directory / "a folder"}) {
    std::filesystem::create_directories(directory / "a folder");
    settings.Init(path.string());
    EXPECT_FALSE(settings.UpdateWindow("Karta", window)) << path;
    settings.FetchWindow("Karta", window, true);
    EXPECT_EQ(placement().at.x, 10);
    EXPECT_EQ(settings.Fetch("Karta", "XPos"), SettingsFile::kUnknown);
  }
}

TEST_F(SettingsFileTest, TheFileIsTheOneItsNameMeantWhenGivenAndANamelessOneWritesNothing) {
  const std::string started_in = platform::currentDirectory();
  std::filesystem::create_directories(directory / "given");
  std::filesystem::create_directories(directory / "later");
  ASSERT_EQ(platform::changeDirectory((directory / "given").string()), 0);
  settings.Init("veltrano.INI");
  ASSERT_EQ(platform::changeDirectory((directory / "later").string()), 0);
  SettingsFile nameless;
  const bool kept = settings.UpdateWindow("Karta", window);
  const bool nameless_kept = nameless.UpdateWindow("Karta", window);
  ASSERT_EQ(platform::changeDirectory(started_in), 0);
  EXPECT_TRUE(kept);
  EXPECT_FALSE(nameless_kept);
  EXPECT_TRUE(std::filesystem::exists(directory / "given" / "veltrano.INI"));
  EXPECT_TRUE(std::filesystem::is_empty(directory / "later")) << "neither the file nor a temporary of it";
}

}  // namespace
}  // namespace veltrano::framework
