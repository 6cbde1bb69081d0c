#include "storage/driver_commands.h"

#include <gtest/gtest.h>

namespace veltrano::storage {
namespace {

using Kind = DriverCommandKind;

TEST(DriverCommand, TcfQueryAnywhereInTheText) {
  EXPECT_EQ(parseDriverCommand("TCF").kind, Kind::TcfQuery);
  EXPECT_EQ(parseDriverCommand("which TCF?").kind, Kind::TcfQuery);
  EXPECT_EQ(parseDriverCommand("TCF =x").kind, Kind::TcfQuery);  // "=" must follow at once
  EXPECT_EQ(parseDriverCommand("tcf").kind, Kind::Unknown);
}

TEST(DriverCommand, TcfSetAndBackToTheDefault) {
  const auto set = parseDriverCommand("TCF=/data/shared.tcf");
  EXPECT_EQ(set.kind, Kind::TcfSet);
  EXPECT_EQ(set.path, "/data/shared.tcf");
  const auto reset = parseDriverCommand("TCF=");
  EXPECT_EQ(reset.kind, Kind::TcfSet);
  EXPECT_EQ(reset.path, "");
  EXPECT_EQ(parseDriverCommand("TCF=   ").path, "");  // a blank-padded STRING variable
  EXPECT_EQ(parseDriverCommand("TCF=a b  ").path, "a b");
  EXPECT_EQ(parseDriverCommand("set TCF=x").path, "x");
}

TEST(DriverCommand, FullBuildOnlyUpperCaseOnSetsIt) {
  EXPECT_EQ(parseDriverCommand("FULLBUILD").kind, Kind::FullBuildQuery);
  EXPECT_EQ(parseDriverCommand("FULLBUILD?").kind, Kind::FullBuildQuery);
  const auto on = parseDriverCommand("FULLBUILD=ON");
  EXPECT_EQ(on.kind, Kind::FullBuildSet);
  EXPECT_TRUE(on.on);
  EXPECT_TRUE(parseDriverCommand("FULLBUILD=ON  ").on);
  for (const char* text :
       {"FULLBUILD=OFF", "FULLBUILD=on", "FULLBUILD=", "FULLBUILD=On", "FULLBUILD=ONE", "FULLBUILD= ON"}) {
    const auto command = parseDriverCommand(text);
    EXPECT_EQ(command.kind, Kind::FullBuildSet) << text;
    EXPECT_FALSE(command.on) << text;
  }
  EXPECT_EQ(parseDriverCommand("fullbuild=ON").kind, Kind::Unknown);
  EXPECT_EQ(parseDriverCommand(" FULLBUILD").kind, Kind::Unknown);  // a prefix, not contained
}

TEST(DriverCommand, FlagsQueryAndSet) {
  EXPECT_EQ(parseDriverCommand("FLAGS").kind, Kind::FlagsQuery);
  const auto set = parseDriverCommand("FLAGS=4096");
  EXPECT_EQ(set.kind, Kind::FlagsSet);
  EXPECT_EQ(set.number, 4096u);
  EXPECT_EQ(parseDriverCommand("FLAGS=4294967295").number, 0xFFFFFFFFu);
  EXPECT_EQ(parseDriverCommand("FLAGS=-1").number, 0xFFFFFFFFu);
  EXPECT_EQ(parseDriverCommand("FLAGS=-2147483648").number, 0x80000000u);
  EXPECT_EQ(parseDriverCommand("FLAGS= 7  ").number, 7u);
  // Nothing is stored on a guess: these carry no number.
  for (const char* text :
       {"FLAGS=", "FLAGS=abc", "FLAGS=12x", "FLAGS=4294967296", "FLAGS=-2147483649", "FLAGS=-"}) {
    const auto command = parseDriverCommand(text);
    EXPECT_EQ(command.kind, Kind::FlagsSet) << text;
    EXPECT_FALSE(command.number.has_value()) << text;
  }
  EXPECT_EQ(parseDriverCommand("x FLAGS").kind, Kind::Unknown);
}

TEST(DriverCommand, TableNameByNumber) {
  const auto command = parseDriverCommand("PNM=12");
  EXPECT_EQ(command.kind, Kind::TableName);
  EXPECT_EQ(command.number, 12u);
  EXPECT_EQ(parseDriverCommand("give PNM=3").number, 3u);
  EXPECT_FALSE(parseDriverCommand("PNM=").number.has_value());
  EXPECT_EQ(parseDriverCommand("PNM 3").kind, Kind::Unknown);
  EXPECT_EQ(parseDriverCommand("pnm=3").kind, Kind::Unknown);
}

TEST(DriverCommand, RegisterAndTheUnknown) {
  EXPECT_EQ(parseDriverCommand("REGISTER").kind, Kind::Register);
  EXPECT_EQ(parseDriverCommand("register").kind, Kind::Unknown);
  EXPECT_EQ(parseDriverCommand("").kind, Kind::Unknown);
  // Commands other drivers take reach this one as unknown.
  EXPECT_EQ(parseDriverCommand("Recover=10").kind, Kind::Unknown);
  EXPECT_EQ(parseDriverCommand("QUICKSCAN=on").kind, Kind::Unknown);
}

TEST(DriverCommand, PrefixCommandsWinOverContainedText) {
  // A flags or full-build value mentioning TCF stays what it starts as.
  EXPECT_EQ(parseDriverCommand("FLAGS=TCF").kind, Kind::FlagsSet);
  EXPECT_EQ(parseDriverCommand("FULLBUILD=TCF").kind, Kind::FullBuildSet);
  // A TCF path that mentions PNM= is still a path.
  const auto tcf = parseDriverCommand("TCF=/x/PNM=1");
  EXPECT_EQ(tcf.kind, Kind::TcfSet);
  EXPECT_EQ(tcf.path, "/x/PNM=1");
}

}  // namespace
}  // namespace veltrano::storage
