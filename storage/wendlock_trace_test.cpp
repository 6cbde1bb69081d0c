// The driver trace as the program switches it on: through the system profile.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/file.h"
#include "storage/station_test_support.h"
#include "storage/wendlock_driver.h"
#include "storage/wendlock_test_support.h"

namespace veltrano::storage {
namespace {

using runtime::TypeCode;
using testing::setField;
using testing::Statement;

std::string readAll(const std::string& path) {
  int error = 0;
  auto file =
      platform::fileSystem().open(path, platform::Access::ReadOnly, platform::Creation::OpenExisting, &error);
  if (!file) return {};
  std::string text(static_cast<std::size_t>(file->size()), '\0');
  file->read(0, {reinterpret_cast<std::uint8_t*>(text.data()), text.size()});
  return text;
}

TEST(WendlockTraceTest, ProfileSwitchesOnTheTraceWithDetailsAndOneDump) {
  const auto directory = testing::stationDirectory("wendlock-trace");
  const std::string profile_path = (directory / "profile.ini").string();
  const std::string log_path = (directory / "trace.log").string();
  platform::IniFile profile(profile_path);
  profile.set("VSWENDLOCK", "Profile", "1");
  profile.set("VSWENDLOCK", "Details", "1");
  profile.set("VSWENDLOCK", "TraceFile", log_path);
  ASSERT_EQ(profile.save(), 0);
  const char* previous = std::getenv("VELTRANO_PROFILE");
  const std::string kept = previous != nullptr ? previous : "";
  ::setenv("VELTRANO_PROFILE", profile_path.c_str(), 1);
  platform::reloadSystemProfile();

  MemoryCatalog catalog;
  WendlockDriver driver(catalog);
  runtime::RecordLayoutBuilder fields;
  fields.scalar("TRC:ID", TypeCode::Long).string("TRC:NAME", 5);
  auto file = DeclaredFile::make("TRACED", fields.build());
  file->setDriver(driver);
  file->setOwner("secret");
  file->addKey("TRC:ID_KEY", {"TRC:ID"}, kKeyPrimary);
  Statement s{file->file()};
  ASSERT_EQ(s(Operation::Create), 0);
  ASSERT_EQ(s.open(0x42), 0);
  setField(*file, "TRC:ID", "1");
  setField(*file, "TRC:NAME", "Anna");
  ASSERT_EQ(s(Operation::Add), 0);
  setField(*file, "TRC:ID", "2");
  EXPECT_EQ(s.key(Operation::GetFileKey, file->key("TRC:ID_KEY")), 35);
  ASSERT_EQ(s(Operation::Close), 0);

  if (previous != nullptr) {
    ::setenv("VELTRANO_PROFILE", kept.c_str(), 1);
  } else {
    ::unsetenv("VELTRANO_PROFILE");
  }
  platform::reloadSystemProfile();

  const std::string trace = readAll(log_path);
  EXPECT_EQ(trace.find("FILE,DRIVER('WENDLOCK')"), trace.rfind("FILE,DRIVER('WENDLOCK')")) << trace;
  EXPECT_NE(trace.find("OWNER(******)"), std::string::npos);
  EXPECT_EQ(trace.find("secret"), std::string::npos);
  EXPECT_NE(trace.find("  TRC:NAME          : 'Anna '\r\n"), std::string::npos) << trace;
  EXPECT_NE(trace.find("GETfilekey(TRACED,TRC:ID_KEY[1] "), std::string::npos);
  EXPECT_NE(trace.find("Error: Record Not Found Time Taken: "), std::string::npos);
  std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace veltrano::storage
