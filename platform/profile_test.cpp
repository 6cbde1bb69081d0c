#include "platform/profile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/clock.h"
#include "platform/directory.h"

namespace veltrano::platform {
namespace {

std::string temporaryPath(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::string(name) + std::to_string(::getpid()))).string();
}

TEST(IniFile, ReadsSectionsAndKeysWithoutRegardToCase) {
  const auto path = temporaryPath("veltrano-ini");
  {
    std::ofstream out(path);
    out << "; comment\n[intl]\r\niTime = 1\nsShortDate=dd.MM.yyyy\n\n[VSWendlock]\nProfile=1x\nTraceFile=\n";
  }
  IniFile ini(path);
  ASSERT_TRUE(ini.load());
  EXPECT_EQ(ini.getInt("INTL", "itime", 0), 1);
  EXPECT_EQ(ini.getString("intl", "sShortDate", "MM/dd/yy"), "dd.MM.yyyy");
  EXPECT_EQ(ini.getInt("VSWENDLOCK", "Profile", 0), 1);                     // leading integer
  EXPECT_EQ(ini.getString("VSWENDLOCK", "TraceFile", "WENDLOCK.LOG"), "");  // present but empty
  EXPECT_EQ(ini.getInt("intl", "iTLzero", 1), 1);                           // missing key: the default
  EXPECT_EQ(ini.getInt("intl", "sShortDate", 7), 0);                        // not a number
  std::filesystem::remove(path);
}

TEST(IniFile, SavesAndReloads) {
  const auto path = temporaryPath("veltrano-save");
  IniFile ini(path);
  EXPECT_FALSE(ini.load());  // missing file: empty, defaults apply
  ini.set("Main", "XPos", "10");
  ini.set("Main", "Width", "640");
  ini.set("main", "xpos", "12");
  ini.set("Karta", "Maximize", "1");
  ini.removeKey("Main", "Width");
  ASSERT_EQ(ini.save(), 0);
  IniFile again(path);
  ASSERT_TRUE(again.load());
  EXPECT_EQ(again.getInt("Main", "XPos", 0), 12);
  EXPECT_FALSE(again.get("Main", "Width").has_value());
  EXPECT_EQ(again.getInt("Karta", "Maximize", 0), 1);
  std::filesystem::remove(path);
}

TEST(IniFile, ASaveThatCannotBeMadeLeavesNothingBehind) {
  const std::filesystem::path working = temporaryPath("veltrano-save-dir");
  std::filesystem::create_directories(working);
  const std::string started_in = currentDirectory();
  ASSERT_EQ(changeDirectory(working.string()), 0);
  struct Case {
    const char* path;
    bool saved;
  };
  const Case cases[] = {
      {"", false},               // a file never named
      {"missing/x.INI", false},  // a directory that is not there
      {"veltrano.INI", true},    // the working directory's own
  };
  std::vector<std::string> outcomes;
  for (const Case& one : cases) {
    IniFile ini(one.path);
    ini.set("Shtat", "XPos", "1");
    outcomes.push_back(std::string(one.path) + (ini.save() == 0 ? " saved" : " refused"));
  }
  ASSERT_EQ(changeDirectory(started_in), 0);
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(outcomes[i], std::string(cases[i].path) + (cases[i].saved ? " saved" : " refused"));
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(working))
    left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"veltrano.INI"}) << "no temporary, no stray \".new\"";
  std::filesystem::remove_all(working);
}

TEST(SystemProfile, PathComesFromTheEnvironment) {
  const auto path = temporaryPath("veltrano-profile");
  {
    std::ofstream out(path);
    out << "[VSVIEW]\nProfile=3\n";
  }
  ::setenv("VELTRANO_PROFILE", path.c_str(), 1);
  reloadSystemProfile();
  EXPECT_EQ(systemProfilePath(), path);
  EXPECT_EQ(systemProfile().getInt("VSVIEW", "Profile", 0), 3);
  ::unsetenv("VELTRANO_PROFILE");
  reloadSystemProfile();
  EXPECT_NE(systemProfilePath().find("/.config/veltrano/profile.ini"), std::string::npos);
  std::filesystem::remove(path);
}

TEST(Clock, OverrideMovesNowButNotTheTicks) {
  const auto before = tickMilliseconds();
  setNowOverride(LocalDateTime{2026, 1, 15, 9, 30, 0, 0});
  const auto now = localNow();
  EXPECT_EQ(now.year, 2026);
  EXPECT_EQ(now.day, 15);
  EXPECT_EQ(secondsSinceEpoch(), 1768469400);
  setNowOverride(std::nullopt);
  EXPECT_GE(localNow().year, 2024);
  EXPECT_GE(tickMilliseconds(), before);
}

}  // namespace
}  // namespace veltrano::platform
