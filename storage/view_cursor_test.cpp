// Views over real storage files: a card file and its appointments (and a department reference)
// in a temporary directory, read through a driver that counts the records each file reads.
#include "storage/view_cursor.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/errors/error_state.h"
#include "runtime/expr/binding_scopes.h"
#include "storage/wendlock_test_support.h"

namespace veltrano::storage {
namespace {

using runtime::TypeCode;
using testing::clear;
using testing::getField;
using testing::setField;
using testing::Statement;

// Passes every operation to the real driver, counting the reads of each file.
class CountingDriver : public Driver {
 public:
  explicit CountingDriver(Driver& inner) : inner_(inner) {}
  const DriverRegistration& registration() const override { return inner_.registration(); }
  OperationResult describe(FileControlBlock& file) override { return inner_.describe(file); }
  OperationResult perform(Operation operation, FileControlBlock& file,
                          OperationArguments& arguments) override {
    switch (operation) {
      case Operation::Next:
      case Operation::Previous:
      case Operation::GetFilePtr:
      case Operation::GetKeyPtr:
      case Operation::GetFileKey:
      case Operation::RegetKey:
      case Operation::RegetFile: ++reads[file.label]; break;
      case Operation::InView: ++in_view[file.label]; break;
      case Operation::EndView: ++end_view[file.label]; break;
      default: break;
    }
    return inner_.perform(operation, file, arguments);
  }
  std::map<std::string, int> reads, in_view, end_view;

 private:
  Driver& inner_;
};

struct Card {
  int number;
  const char* surname;
  int dismissed;
  const char* department;
  std::vector<std::pair<int, const char*>> appointments;  // date and rate
};

const std::vector<Card> kCards = {
    {1, "Petrov", 0, "ter", {{100, "1.00"}, {200, "0.25"}}},
    {2, "Abramova", 1, "XIR", {{150, "1.00"}}},
    {3, "Sidorov", 0, "xir", {}},
    {4, "Ivanova", 0, "Ter", {{120, "0.50"}, {130, "0.25"}, {140, "1.00"}}},
    {5, "Kuznetsov", 1, "TER", {{110, "0.75"}, {160, "0.50"}}},
    {6, "Belova", 0, "NONE", {{170, "0.75"}}},
};

class ViewCursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime::charTables() = runtime::CharTables::defaults();
    runtime::bindingScopes().clear();
    // The process id keeps this test apart from the same test run at the same time by another build.
    directory_ = std::filesystem::temp_directory_path() /
                 ("veltrano_view_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(directory_);
    std::filesystem::create_directories(directory_);

    runtime::RecordLayoutBuilder card_fields;
    card_fields.scalar("KAR:NUM", TypeCode::Long)
        .string("KAR:FAM", 20)
        .scalar("KAR:UVOL", TypeCode::Byte)
        .string("KAR:OTD", 6);
    karta_ = declare("KARTA", card_fields.build());
    karta_->addKey("KAR:NUM_KEY", {"+KAR:NUM"}, kKeyPrimary);
    karta_->addKey("KAR:FAM_KEY", {"+KAR:FAM", "+KAR:NUM"}, kKeyNocase);
    karta_->addMemo("KAR:PRIM", 100);

    runtime::RecordLayoutBuilder appointment_fields;
    appointment_fields.scalar("NAZ:NUM", TypeCode::Long)
        .scalar("NAZ:DATA", TypeCode::Long)
        .decimal("NAZ:STAVKA", 5, 2);
    naznach_ = declare("NAZNACH", appointment_fields.build());
    naznach_->addKey("NAZ:NUM_KEY", {"+NAZ:NUM", "+NAZ:DATA"}, kKeyDup);

    runtime::RecordLayoutBuilder department_fields;
    department_fields.string("OTD:KOD", 6).string("OTD:NAME", 20);
    otdeleni_ = declare("OTDELENI", department_fields.build());
    otdeleni_->addKey("OTD:KOD_KEY", {"+OTD:KOD"}, kKeyNocase);

    for (auto* file : {karta_.get(), naznach_.get(), otdeleni_.get()}) {
      Statement s{file->file()};
      ASSERT_EQ(s(Operation::Create), 0);
      ASSERT_EQ(s.open(), 0);
      runtime::bindFileFields(viewFileOf(file->file()));
    }
    // One transaction for the test data: each file is written once, not after every record.
    OperationArguments transaction;
    transaction.files = {&karta_->file(), &naznach_->file(), &otdeleni_->file()};
    fileStatement(Operation::Logout, karta_->file(), transaction);
    for (const auto& card : kCards) {
      clear(*karta_);
      setField(*karta_, "KAR:NUM", std::to_string(card.number));
      setField(*karta_, "KAR:FAM", card.surname);
      setField(*karta_, "KAR:UVOL", std::to_string(card.dismissed));
      setField(*karta_, "KAR:OTD", card.department);
      ASSERT_EQ(Statement{karta_->file()}(Operation::Add), 0);
      for (const auto& [date, rate] : card.appointments) {
        clear(*naznach_);
        setField(*naznach_, "NAZ:NUM", std::to_string(card.number));
        setField(*naznach_, "NAZ:DATA", std::to_string(date));
        setField(*naznach_, "NAZ:STAVKA", rate);
        ASSERT_EQ(Statement{naznach_->file()}(Operation::Add), 0);
      }
    }
    for (const auto& [code, name] : {std::pair{"TER", "Therapy"}, std::pair{"XIR", "Surgery"}}) {
      clear(*otdeleni_);
      setField(*otdeleni_, "OTD:KOD", code);
      setField(*otdeleni_, "OTD:NAME", name);
      ASSERT_EQ(Statement{otdeleni_->file()}(Operation::Add), 0);
    }
    ASSERT_EQ(Statement{karta_->file()}(Operation::Commit), 0);
    counting_.reads.clear();
  }

  void TearDown() override {
    cursor_.close();
    for (auto* file : {karta_.get(), naznach_.get(), otdeleni_.get()}) {
      if (file != nullptr) fileStatement(Operation::Close, file->file());
    }
    runtime::bindingScopes().clear();
    std::filesystem::remove_all(directory_);
  }

  std::unique_ptr<DeclaredFile> declare(const std::string& label, runtime::RecordLayout layout) {
    auto file = DeclaredFile::make(label, std::move(layout));
    file->setName((directory_ / label).string() + "\\!" + label);
    file->setDriver(counting_);
    return file;
  }

  // KARTA with its appointments joined by NAZ:NUM_KEY on KAR:NUM.
  int openAppointments(bool inner) {
    runtime::ViewDescriptor descriptor;
    descriptor.joins.push_back(runtime::ViewJoin::byKey(1, 0, {1}, inner));
    return cursor_.open(descriptor, {&karta_->file(), &naznach_->file()});
  }

  // "number/date" for each combination read forward (date 0 for a cleared outer join).
  std::vector<std::string> readAll(int limit = 100) {
    std::vector<std::string> rows;
    while (limit-- > 0 && cursor_.next() == 0) rows.push_back(current());
    return rows;
  }
  std::string current() {
    std::string row = getField(*karta_, "KAR:NUM");
    if (cursor_.view().levels().size() > 1) {
      row += "/" + (cursor_.view().file(1).label == "NAZNACH" ? getField(*naznach_, "NAZ:DATA")
                                                              : getField(*otdeleni_, "OTD:NAME"));
    }
    return row;
  }

  std::filesystem::path directory_;
  CountingDriver counting_{wendlockDriver()};
  std::unique_ptr<DeclaredFile> karta_, naznach_, otdeleni_;
  ViewCursor cursor_;
};

using Rows = std::vector<std::string>;

TEST_F(ViewCursorTest, InnerJoinGivesNoCombinationForACardWithoutAppointments) {
  ASSERT_EQ(openAppointments(true), 0);
  ASSERT_TRUE(cursor_.setOrder("+KAR:NUM"));
  EXPECT_EQ(cursor_.stepping(), ViewCursor::Stepping::KeyOrder);
  EXPECT_EQ(readAll(),
            (Rows{"1/100", "1/200", "2/150", "4/120", "4/130", "4/140", "5/110", "5/160", "6/170"}));
  EXPECT_EQ(runtime::errorCode(), 33);
  // Each card's appointments are read through the key: the linked ones and one past them,
  // never a scan of the whole file.
  EXPECT_EQ(counting_.reads["NAZNACH"], 9 + 6);
}

TEST_F(ViewCursorTest, OuterJoinGivesTheCardOnceWithClearedAppointment) {
  ASSERT_EQ(openAppointments(false), 0);
  ASSERT_TRUE(cursor_.setOrder("KAR:NUM"));
  Rows rows;
  while (cursor_.next() == 0) {
    rows.push_back(current() + (getField(*naznach_, "NAZ:NUM") == "0" ? "" : "+"));
  }
  EXPECT_EQ(rows, (Rows{"1/100+", "1/200+", "2/150+", "3/0", "4/120+", "4/130+", "4/140+", "5/110+", "5/160+",
                        "6/170+"}));
}

TEST_F(ViewCursorTest, FilterPlacedByLevelReadsFewerAppointmentsThanTestingAtTheEnd) {
  ASSERT_EQ(openAppointments(true), 0);
  ASSERT_TRUE(cursor_.setFilter("KAR:UVOL = 0 AND NAZ:STAVKA >= 0.5"));
  const Rows placed = readAll();
  const int placed_reads = counting_.reads["NAZNACH"];

  // The same truth, but the dismissal test now reads an appointment field too, so it can only
  // be tested once an appointment is current.
  counting_.reads.clear();
  ASSERT_TRUE(cursor_.setFilter("KAR:UVOL + 0 * NAZ:NUM = 0 AND NAZ:STAVKA >= 0.5"));
  ASSERT_EQ(cursor_.view().levels()[0].conjuncts.size(), 0u);
  cursor_.setToStart();
  const Rows at_end = readAll();
  const int end_reads = counting_.reads["NAZNACH"];

  EXPECT_EQ(placed, (Rows{"1/100", "4/120", "4/140", "6/170"}));
  EXPECT_EQ(at_end, placed);
  // Cards 1, 3, 4 and 6 read their appointments and one past them; the dismissed cards 2 and 5
  // read nothing.
  EXPECT_EQ(placed_reads, 6 + 4);
  EXPECT_EQ(end_reads, 9 + 6);
}

TEST_F(ViewCursorTest, KeyOrderReadsOnlyTheRecordsItReturns) {
  runtime::ViewDescriptor descriptor;
  ASSERT_EQ(cursor_.open(descriptor, {&karta_->file()}), 0);
  ASSERT_TRUE(cursor_.setOrder("+KAR:FAM"));
  ASSERT_EQ(cursor_.stepping(), ViewCursor::Stepping::KeyOrder);
  ASSERT_TRUE(cursor_.setFilter("KAR:UVOL = 0"));
  // Belova, Ivanova, Petrov; the driver passes over Abramova and Kuznetsov on the way.
  EXPECT_EQ(readAll(3), (Rows{"6", "4", "1"}));
  EXPECT_EQ(counting_.reads["KARTA"], 3);
  counting_.reads.clear();
  EXPECT_EQ(readAll(1), (Rows{"3"}));
  EXPECT_EQ(counting_.reads["KARTA"], 1);
}

TEST_F(ViewCursorTest, OrderThatIsNoKeySortsTheCombinations) {
  ASSERT_EQ(openAppointments(true), 0);
  ASSERT_TRUE(cursor_.setOrder("-NAZ:STAVKA, +KAR:FAM"));
  EXPECT_EQ(cursor_.stepping(), ViewCursor::Stepping::Sorted);
  // 1.00: Abramova, Ivanova, Petrov; 0.75: Belova, Kuznetsov; 0.50: Ivanova, Kuznetsov;
  // 0.25: Ivanova, Petrov.
  EXPECT_EQ(readAll(),
            (Rows{"2/150", "4/140", "1/100", "6/170", "5/110", "4/120", "5/160", "4/130", "1/200"}));

  ASSERT_TRUE(cursor_.setOrder("-KAR:FAM"));  // the surname key ascends
  EXPECT_EQ(cursor_.stepping(), ViewCursor::Stepping::Sorted);
  ASSERT_TRUE(cursor_.setFilter("NAZ:DATA > 150"));
  EXPECT_EQ(readAll(), (Rows{"1/200", "5/160", "6/170"}));  // Petrov, Kuznetsov, Belova
}

TEST_F(ViewCursorTest, NextAndPreviousTurnAroundAndRestartFromTheEndTheyReached) {
  ASSERT_EQ(openAppointments(false), 0);
  ASSERT_TRUE(cursor_.setOrder("+KAR:NUM"));
  EXPECT_EQ(readAll(4), (Rows{"1/100", "1/200", "2/150", "3/0"}));
  ASSERT_EQ(cursor_.previous(), 0);
  EXPECT_EQ(current(), "2/150");
  ASSERT_EQ(cursor_.previous(), 0);
  EXPECT_EQ(current(), "1/200");
  ASSERT_EQ(cursor_.next(), 0);
  EXPECT_EQ(current(), "2/150");

  cursor_.setToStart();
  ASSERT_EQ(cursor_.previous(), 0);  // from the last combination
  EXPECT_EQ(current(), "6/170");
  ASSERT_EQ(cursor_.previous(), 0);
  EXPECT_EQ(current(), "5/160");
  while (cursor_.next() == 0) {
  }
  EXPECT_EQ(cursor_.next(), 33);
  ASSERT_EQ(cursor_.previous(), 0);
  EXPECT_EQ(current(), "6/170");
}

TEST_F(ViewCursorTest, ResetToAPositionGivesThatRowFirstInEitherDirection) {
  for (const char* order : {"+KAR:NUM", "", "-NAZ:DATA"}) {
    SCOPED_TRACE(order);
    ASSERT_EQ(openAppointments(false), 0);
    ASSERT_TRUE(cursor_.setOrder(order));
    readAll(4);
    const std::string row = current();
    const std::string position = cursor_.position();
    ASSERT_FALSE(position.empty());
    const Rows after = readAll(2);

    ASSERT_EQ(cursor_.resetTo(position), 0);
    ASSERT_EQ(cursor_.next(), 0);
    EXPECT_EQ(current(), row);
    EXPECT_EQ(readAll(2), after);

    ASSERT_EQ(cursor_.resetTo(position), 0);
    ASSERT_EQ(cursor_.previous(), 0);
    EXPECT_EQ(current(), row);
  }
}

TEST_F(ViewCursorTest, ResetToADeletedCardResumesAtTheNextOne) {
  ASSERT_EQ(openAppointments(true), 0);
  ASSERT_TRUE(cursor_.setOrder("+KAR:NUM"));
  readAll(4);  // on 4/120
  const std::string position = cursor_.position();
  Statement karta{karta_->file()};
  ASSERT_EQ(karta(Operation::Delete), 0);
  ASSERT_EQ(cursor_.resetTo(position), 0);
  ASSERT_EQ(cursor_.next(), 0);
  EXPECT_EQ(current(), "5/110");
}

TEST_F(ViewCursorTest, ResetToTheRecordInTheBuffer) {
  ASSERT_EQ(openAppointments(true), 0);
  ASSERT_TRUE(cursor_.setOrder("+KAR:NUM"));
  clear(*karta_);
  setField(*karta_, "KAR:NUM", "4");
  ASSERT_EQ(Statement{karta_->file()}.key(Operation::GetFileKey, karta_->key("KAR:NUM_KEY")), 0);
  ASSERT_EQ(cursor_.resetToRecord(), 0);
  EXPECT_EQ(readAll(2), (Rows{"4/120", "4/130"}));

  ASSERT_TRUE(cursor_.setOrder("-NAZ:STAVKA"));
  ASSERT_EQ(Statement{karta_->file()}.key(Operation::GetFileKey, karta_->key("KAR:NUM_KEY")), 0);
  ASSERT_EQ(cursor_.resetToRecord(), 0);
  EXPECT_EQ(readAll(1), (Rows{"4/140"}));
}

TEST_F(ViewCursorTest, CaseInsensitiveKeyJoinsCodesDifferingInCase) {
  runtime::ViewDescriptor descriptor;
  descriptor.joins.push_back(runtime::ViewJoin::byKey(1, 0, {4}, true));
  ASSERT_EQ(cursor_.open(descriptor, {&karta_->file(), &otdeleni_->file()}), 0);
  ASSERT_TRUE(cursor_.setOrder("KAR:NUM"));
  const Rows by_key = readAll();
  EXPECT_EQ(by_key, (Rows{"1/Therapy", "2/Surgery", "3/Surgery", "4/Therapy", "5/Therapy"}));

  runtime::ViewDescriptor by_expression;
  by_expression.joins.push_back(runtime::ViewJoin::byExpression(1, "UPPER(OTD:KOD) = UPPER(KAR:OTD)", true));
  ASSERT_EQ(cursor_.open(by_expression, {&karta_->file(), &otdeleni_->file()}), 0);
  ASSERT_TRUE(cursor_.setOrder("KAR:NUM"));
  EXPECT_EQ(readAll(), by_key);
}

TEST_F(ViewCursorTest, TellsEachFileInViewAndEndViewOnceAndCountsRecords) {
  ASSERT_EQ(openAppointments(true), 0);
  EXPECT_EQ(counting_.in_view["KARTA"], 1);
  EXPECT_EQ(counting_.in_view["NAZNACH"], 1);
  ASSERT_TRUE(cursor_.setFilter("NAZ:STAVKA < 1"));
  EXPECT_EQ(cursor_.records(), 6);
  EXPECT_EQ(readAll(1), (Rows{"1/200"}));  // records() leaves the view set to start
  cursor_.close();
  cursor_.close();
  EXPECT_EQ(counting_.end_view["KARTA"], 1);
  EXPECT_EQ(counting_.end_view["NAZNACH"], 1);
}

TEST_F(ViewCursorTest, ViewTraceWritesTheTextFormWhenTheProfileAsks) {
  const auto profile = directory_ / "profile.ini";
  const auto log = directory_ / "VIEW.LOG";
  std::ofstream(profile) << "[VSVIEW]\nProfile=1\nTraceFile=" << log.string() << "\n";
  ::setenv("VELTRANO_PROFILE", profile.c_str(), 1);
  platform::reloadSystemProfile();
  const int opened = openAppointments(true);
  ::unsetenv("VELTRANO_PROFILE");
  platform::reloadSystemProfile();
  ASSERT_EQ(opened, 0);
  std::ifstream in(log, std::ios::binary);
  std::stringstream read;
  read << in.rdbuf();
  const std::string text = read.str();
  ASSERT_EQ(text.rfind("VIEW:", 0), 0u);
  const std::string prefix = text.substr(0, text.find(':', 5) + 1);
  EXPECT_EQ(text, prefix + "VIEW(FILE)\r\n" + prefix + "  JOIN(KEY,FIELD(1)),INNER\r\n" + prefix +
                      "  END\r\n" + prefix + "END\r\n");
}

TEST_F(ViewCursorTest, RefusesClosedFilesRepeatedFilesAndForeignPositions) {
  Statement{otdeleni_->file()}(Operation::Close);
  runtime::ViewDescriptor descriptor;
  descriptor.joins.push_back(runtime::ViewJoin::byKey(1, 0, {4}));
  EXPECT_EQ(cursor_.open(descriptor, {&karta_->file(), &otdeleni_->file()}), 37);
  EXPECT_FALSE(cursor_.isOpen());
  EXPECT_EQ(counting_.end_view["KARTA"], 1);  // the files told before are told the view ended

  runtime::ViewDescriptor twice;
  twice.joins.push_back(runtime::ViewJoin::byExpression(1, "1"));
  EXPECT_EQ(cursor_.open(twice, {&karta_->file(), &karta_->file()}), 47);

  ASSERT_EQ(openAppointments(true), 0);
  for (const char* text : {"", "garbage", "K0:ZZ:1,2", "F::1", "F::1,2,3", "Q::1,2", "K:00:1,2"}) {
    EXPECT_EQ(cursor_.resetTo(text), 35) << text;
  }
  EXPECT_EQ(cursor_.position(), "");
  EXPECT_EQ(cursor_.next(), 0);
}

}  // namespace
}  // namespace veltrano::storage
