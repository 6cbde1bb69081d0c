// wlk select through views, from the outside: cards with their appointments joined by key,
// outer and inner, filters naming the joined table, and orders that follow no key.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/wlk/wlk_runner.h"

namespace {

using veltrano::wlk::testing::Outcome;

constexpr const char* kCards =
    "KARTA             FILE,DRIVER('WENDLOCK'),CREATE\n"
    "KAR:NUM_KEY         KEY(+KAR:NUM),PRIMARY\n"
    "                    RECORD\n"
    "KAR:NUM               LONG\n"
    "KAR:FAM               STRING(20)\n"
    "KAR:DATA_R            LONG\n"
    "                    END\n"
    "                    END\n";

constexpr const char* kAppointments =
    "NAZNACH           FILE,DRIVER('WENDLOCK'),CREATE\n"
    "NAZ:NUM_KEY         KEY(+NAZ:NUM,+NAZ:DATA),DUP\n"
    "                    RECORD\n"
    "NAZ:NUM               LONG\n"
    "NAZ:DATA              LONG\n"
    "NAZ:DOL               STRING(20)\n"
    "                    END\n"
    "                    END\n";

class WlkSelectView : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(directory_ / "cards.decl") << kCards;
    std::ofstream(directory_ / "appointments.decl") << kAppointments;
    ASSERT_EQ(wlk({"create", "hr\\!KARTA", "cards.decl"}).status, 0);
    ASSERT_EQ(wlk({"create", "hr\\!NAZNACH", "appointments.decl"}).status, 0);
    for (const auto& [number, surname, born] :
         {std::tuple{"1", "Петров", "60000"}, std::tuple{"2", "Абрамова", "70000"},
          std::tuple{"3", "Сидоров", "65000"}}) {
      ASSERT_EQ(wlk({"insert", "hr\\!KARTA", std::string("KAR:NUM=") + number,
                     std::string("KAR:FAM=") + surname, std::string("KAR:DATA_R=") + born})
                    .status,
                0);
    }
    for (const auto& [number, date, post] :
         {std::tuple{"1", "100", "Врач"}, std::tuple{"1", "200", "Заведующий"},
          std::tuple{"3", "150", "Медсестра"}}) {
      ASSERT_EQ(wlk({"insert", "hr\\!NAZNACH", std::string("NAZ:NUM=") + number,
                     std::string("NAZ:DATA=") + date, std::string("NAZ:DOL=") + post})
                    .status,
                0);
    }
  }

  Outcome wlk(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--env", VELTRANO_LOCALE_FILE});
    return veltrano::wlk::testing::runWlk(arguments, directory_);
  }

  veltrano::wlk::testing::TestDirectory scratch_{"wlk-view"};
  const std::filesystem::path& directory_ = scratch_.path();
};

TEST_F(WlkSelectView, OrderThatIsNoKeySortsTheRecords) {
  EXPECT_EQ(wlk({"select", "hr\\!KARTA", "--order", "-KAR:DATA_R", "--field", "KAR:NUM"}).out, "2\n3\n1\n");
  EXPECT_EQ(wlk({"select", "hr\\!KARTA", "--order", "+KAR:FAM", "--field", "KAR:NUM"}).out, "2\n1\n3\n");
  EXPECT_EQ(wlk({"select", "hr\\!KARTA", "--order", "KAR:FAM", "--reverse", "--field", "KAR:NUM"}).out,
            "3\n1\n2\n");
}

TEST_F(WlkSelectView, JoinIsOuterUnlessInnerFollowsIt) {
  const std::vector<std::string> join = {"--join", "hr\\!NAZNACH", "NAZ:NUM_KEY", "KAR:NUM"};
  std::vector<std::string> outer = {"select", "hr\\!KARTA", "--order", "KAR:NUM"};
  outer.insert(outer.end(), join.begin(), join.end());
  std::vector<std::string> inner = outer;
  inner.push_back("--inner");
  for (auto* arguments : {&outer, &inner}) {
    arguments->insert(arguments->end(), {"--field", "KAR:NUM & '/' & NAZ:DATA & '/' & CLIP(NAZ:DOL)"});
  }
  EXPECT_EQ(wlk(outer).out, "1/100/Врач\n1/200/Заведующий\n2/0/\n3/150/Медсестра\n");
  EXPECT_EQ(wlk(inner).out, "1/100/Врач\n1/200/Заведующий\n3/150/Медсестра\n");
}

TEST_F(WlkSelectView, FilterAndDefaultColumnsReachTheJoinedTable) {
  const auto joined = wlk({"select", "hr\\!KARTA", "--join", "hr\\!NAZNACH", "NAZ:NUM_KEY", "KAR:NUM",
                           "--inner", "--filter", "NAZ:DATA > 120", "--order", "-NAZ:DATA"});
  EXPECT_EQ(joined.status, 0);
  EXPECT_EQ(joined.out, "1\tПетров\t60000\t1\t200\tЗаведующий\n3\tСидоров\t65000\t3\t150\tМедсестра\n");
}

TEST_F(WlkSelectView, BadJoinsAndOrdersAreUsageErrors) {
  EXPECT_EQ(wlk({"select", "hr\\!KARTA", "--inner"}).status, 2);
  EXPECT_EQ(wlk({"select", "hr\\!KARTA", "--join", "hr\\!NAZNACH", "NAZ:NUM_KEY"}).status, 2);
  EXPECT_EQ(wlk({"select", "hr\\!KARTA", "--join", "hr\\!NAZNACH", "NAZ:NUM_KEY", "KAR:NUM,"}).status, 2);
  EXPECT_EQ(wlk({"select", "hr\\!KARTA", "--join", "hr\\!NAZNACH", "NAZ:NO_KEY", "KAR:NUM"}).status, 2);
  EXPECT_EQ(wlk({"select", "hr\\!KARTA", "--join", "hr\\!NAZNACH", "NAZ:NUM_KEY", "KAR:NOPE"}).status, 2);
  EXPECT_EQ(wlk({"select", "hr\\!KARTA", "--join", "hr\\!NOPE", "NAZ:NUM_KEY", "KAR:NUM"}).status, 1);
  EXPECT_EQ(wlk({"select", "hr\\!KARTA", "--order", "KAR:FAM,,KAR:NUM"}).status, 2);
  EXPECT_EQ(wlk({"select", "hr\\!KARTA", "--order", "KAR:FAM, (KAR:NUM"}).status, 2);
  EXPECT_NE(wlk({"--help"}).out.find("--join TARGET KEY FIELD[,FIELD...] [--inner]"), std::string::npos);
}

}  // namespace
