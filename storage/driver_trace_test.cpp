#include "storage/driver_trace.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/file.h"
#include "storage/station_test_support.h"

namespace veltrano::storage {
namespace {

using runtime::TypeCode;

TEST(DriverTraceSettingsTest, ReadsTheProfileWithItsDefaults) {
  platform::IniFile profile;
  auto settings = DriverTraceSettings::read(profile, false, "");
  EXPECT_FALSE(settings.on);
  EXPECT_FALSE(settings.details);
  EXPECT_EQ(settings.file, "WENDLOCK.LOG");

  profile.set("VSWENDLOCK", "Profile", "1");
  profile.set("VSWENDLOCK", "TraceFile", "");
  profile.set("VSWENDLOCK", "Details", "1");
  settings = DriverTraceSettings::read(profile, false, "");
  EXPECT_TRUE(settings.on);
  EXPECT_TRUE(settings.details);
  EXPECT_EQ(settings.file, "WENDLOCK.LOG") << "an empty name means the default";

  profile.set("VSWENDLOCK", "TraceFile", std::string(300, 'x'));
  EXPECT_EQ(DriverTraceSettings::read(profile, false, "").file.size(), 260u);
}

TEST(DriverTraceSettingsTest, EncryptedFileShowsDetailsOnlyWhenItsOptionsAllowThem) {
  platform::IniFile profile;
  profile.set("vswendlock", "profile", "1");
  profile.set("VSWENDLOCK", "Details", "1");
  EXPECT_FALSE(DriverTraceSettings::read(profile, true, "/QUICKSCAN=ON").details);
  EXPECT_TRUE(DriverTraceSettings::read(profile, true, "/allowDetails").details);
  EXPECT_TRUE(DriverTraceSettings::read(profile, true, "/QUICKSCAN=ON").on);
}

TEST(ViewTraceSettingsTest, TraceFileIsReadOnlyWithProfileOn) {
  platform::IniFile profile;
  profile.set("VSVIEW", "TraceFile", "views.txt");
  profile.set("VSVIEW", "TraceIntoFiles", "1");
  auto settings = ViewTraceSettings::read(profile);
  EXPECT_FALSE(settings.on);
  EXPECT_TRUE(settings.into_files);
  EXPECT_EQ(settings.file, "VIEW.LOG");
  profile.set("VSVIEW", "Profile", "1");
  EXPECT_EQ(ViewTraceSettings::read(profile).file, "views.txt");
}

class TraceFormatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime::RecordLayoutBuilder builder;
    builder.string("PEO:NAME", 6).scalar("PEO:BORN", TypeCode::Date).scalar("PEO:AT", TypeCode::Time);
    builder.scalar("PEO:ID", TypeCode::Long).scalar("PEO:FLAG", TypeCode::Byte).cstring("PEO:NOTE", 5);
    layout_ = builder.build();
    record_.assign(layout_.size(), 0);
    const std::string name = "Ivanov";
    std::copy(name.begin(), name.end(), record_.begin());
    // 7 March 1999, 08:30:00.05, id 258, flag 0xAB, note "ok".
    const std::uint8_t born[] = {7, 3, 0xCF, 0x07};
    const std::uint8_t at[] = {5, 0, 30, 8};
    std::copy(std::begin(born), std::end(born), record_.begin() + 6);
    std::copy(std::begin(at), std::end(at), record_.begin() + 10);
    record_[14] = 0x02;
    record_[15] = 0x01;
    record_[18] = 0xAB;
    record_[19] = 'o';
    record_[20] = 'k';
    key_.label = "PEO:ID_KEY";
    key_.components = {4, -1};
  }

  runtime::RecordLayout layout_;
  std::vector<std::uint8_t> record_;
  KeyDescriptor key_;
};

TEST_F(TraceFormatTest, FieldValuesInTheirTraceForms) {
  EXPECT_EQ(formatFieldValue(layout_.field(0), std::span(record_).subspan(0, 6)), "'Ivanov'");
  EXPECT_EQ(formatFieldValue(layout_.field(1), std::span(record_).subspan(6, 4)), "07 Mar 1999 (72387)");
  EXPECT_EQ(formatFieldValue(layout_.field(2), std::span(record_).subspan(10, 4)), "08:30:00.05 (3060006)");
  EXPECT_EQ(formatFieldValue(layout_.field(3), std::span(record_).subspan(14, 4)), "02 01 00 00 ");
  EXPECT_EQ(formatFieldValue(layout_.field(4), std::span(record_).subspan(18, 1)), "ABH");
  EXPECT_EQ(formatFieldValue(layout_.field(5), std::span(record_).subspan(19, 5)), "'ok'");
  const std::uint8_t bad_date[] = {31, 2, 0xCF, 0x07};
  EXPECT_EQ(formatFieldValue(layout_.field(1), bad_date), "Invalid date (131007007)");
  const std::uint8_t no_time[] = {0, 0, 0, 0};
  EXPECT_EQ(formatFieldValue(layout_.field(2), no_time), "Invalid time (0)");
}

TEST_F(TraceFormatTest, EntryHasHeadDetailsResultAndTimeTaken) {
  TracedOperation traced;
  traced.operation = Operation::Next;
  traced.file_name = "PEOPLE";
  traced.thread = 3;
  traced.layout = &layout_;
  traced.record = record_;
  traced.hundredths = 1234;
  EXPECT_EQ(formatTraceEntry(traced, false), "NEXT(PEOPLE 3)    Time Taken: 12.34 secs\r\n");
  const std::string detailed = formatTraceEntry(traced, true);
  EXPECT_EQ(detailed.substr(0, 20), "NEXT(PEOPLE 3)    \r\n");
  EXPECT_NE(detailed.find("  PEO:NAME          : 'Ivanov'\r\n"), std::string::npos) << detailed;
  EXPECT_NE(detailed.find("  PEO:FLAG          : ABH\r\n"), std::string::npos);

  traced.operation = Operation::SetKeyKey;
  traced.key = &key_;
  traced.key_number = 2;
  traced.error = 35;
  traced.error_text = "Record Not Found";
  traced.hundredths = 5;
  const std::string keyed = formatTraceEntry(traced, true);
  EXPECT_EQ(keyed,
            "SETkeykey(PEOPLE,PEO:ID_KEY[2] 3) \r\n"
            "  PEO:ID            : 02 01 00 00 \r\n"
            "  PEO:NAME          : 'Ivanov'\r\n"
            "Error: Record Not Found Time Taken: 0.05 secs\r\n");

  key_.external_name = "byid";
  traced.operation = Operation::RecordsKey;
  traced.error = 90;
  traced.file_error = "Possible data corruption in file";
  EXPECT_EQ(
      formatTraceEntry(traced, true),
      "RECORDSkey(PEOPLE,byid[2] 3) File Error: Possible data corruption in file Time Taken: 0.05 secs\r\n");
}

TEST(TraceLogTest, DumpsTheDeclarationOnceAndNeverThePassword) {
  const auto directory = testing::stationDirectory("trace");
  runtime::RecordLayoutBuilder builder;
  builder.string("SEC:NAME", 4);
  const auto layout = builder.build();
  FileControlBlock file;
  file.label = "SECRET";
  file.owner = "hunter2";
  file.attributes = kFileEncrypt;
  file.layout = &layout;
  std::vector<std::uint8_t> record = {'a', 'b', 'c', 'd'};
  DriverTraceSettings settings;
  settings.on = settings.details = true;
  settings.file = (directory / "trace.log").string();
  TraceLog log;
  TracedOperation traced;
  traced.operation = Operation::Add;
  traced.file_name = "SECRET";
  traced.layout = &layout;
  traced.record = record;
  traced.thread = log.threadNumber();
  log.trace(settings, file, traced);
  log.trace(settings, file, traced);
  int error = 0;
  auto written = platform::fileSystem().open(settings.file, platform::Access::ReadOnly,
                                             platform::Creation::OpenExisting, &error);
  ASSERT_NE(written, nullptr);
  std::string text(static_cast<std::size_t>(written->size()), '\0');
  written->read(0, {reinterpret_cast<std::uint8_t*>(text.data()), text.size()});
  EXPECT_EQ(text.find("FILE,DRIVER"), text.rfind("FILE,DRIVER")) << "one dump per file";
  EXPECT_NE(text.find("OWNER(******)"), std::string::npos);
  EXPECT_EQ(text.find("hunter2"), std::string::npos);
  EXPECT_NE(text.find("ADD(SECRET 1) "), std::string::npos);
  EXPECT_EQ(log.threadNumber(), 1);
  int other = 0;
  std::thread([&] { other = log.threadNumber(); }).join();
  EXPECT_EQ(other, 2);

  ViewTraceSettings view;
  view.on = true;
  view.file = (directory / "view.log").string();
  log.traceView(view, 0xBEEF, "open");
  auto view_file = platform::fileSystem().open(view.file, platform::Access::ReadOnly,
                                               platform::Creation::OpenExisting, &error);
  ASSERT_NE(view_file, nullptr);
  std::string line(static_cast<std::size_t>(view_file->size()), '\0');
  view_file->read(0, {reinterpret_cast<std::uint8_t*>(line.data()), line.size()});
  EXPECT_EQ(line, "VIEW:BEEF:open\r\n");
  std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace veltrano::storage
