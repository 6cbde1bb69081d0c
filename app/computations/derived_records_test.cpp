#include "app/computations/derived_records.h"

#include <gtest/gtest.h>

#include "app/dictionary/dictionary_test_support.h"
#include "runtime/datetime/calendar.h"

namespace veltrano::app {
namespace {

std::int32_t date(std::int32_t day, std::int32_t month, std::int32_t year) {
  return runtime::serialFromParts(year, month, day);
}

class DerivedRecordsTest : public testing::DictionaryTest {
 protected:
  void addCertificate(std::int64_t employee, std::int32_t issued) {
    addRecord("SERTIFIK", [&](RecordAccess& r) {
      r.setInteger("SER:NUM", employee);
      r.setInteger("SER:DATAD", issued);
    });
  }
  // Deletes the records of a file whose `field` equals `value`.
  void deleteWhere(std::string_view label, std::string_view field, std::int64_t value) {
    storage::DeclaredFile& file = dictionary.file(label);
    storage::fileStatement(storage::Operation::SetFile, file.file());
    while (true) {
      storage::fileStatement(storage::Operation::Next, file.file());
      if (runtime::errorCode() != 0) break;
      if (RecordAccess(file).integer(field) == value)
        storage::fileStatement(storage::Operation::Delete, file.file());
    }
  }
  void addPeriod(std::int64_t employee, std::int32_t start, std::int32_t end, std::string_view name,
                 std::string_view code, int stored_flags = 0) {
    addRecord("TRUD", [&](RecordAccess& r) {
      r.setInteger("TRU:NUM", employee);
      r.setInteger("TRU:DATAN", start);
      r.setInteger("TRU:DATAK", end);
      r.setText("TRU:NOM", name);
      r.setText("TRU:KOD_PROF", code);
      r.setInteger("TRU:IND", stored_flags);
      r.setInteger("TRU:IND1", stored_flags);
      r.setInteger("TRU:IND2", stored_flags);
      storePeriodLength(r);
    });
  }
  // "start IND IND1 IND2" of each TRUD record of the employee, in physical order.
  std::vector<std::string> periodFlags(std::int64_t employee) {
    std::vector<std::string> rows;
    storage::DeclaredFile& file = dictionary.file("TRUD");
    storage::fileStatement(storage::Operation::SetFile, file.file());
    while (true) {
      storage::fileStatement(storage::Operation::Next, file.file());
      if (runtime::errorCode() != 0) break;
      RecordAccess r(file);
      if (r.integer("TRU:NUM") != employee) continue;
      rows.push_back(
          std::to_string(runtime::monthOfSerial(static_cast<std::int32_t>(r.integer("TRU:DATAN")))) + "/" +
          std::to_string(runtime::yearOfSerial(static_cast<std::int32_t>(r.integer("TRU:DATAN")))) + " " +
          r.text("TRU:IND") + r.text("TRU:IND1") + r.text("TRU:IND2"));
    }
    return rows;
  }
  RecordAccess card() { return record("KARTA"); }
};

TEST_F(DerivedRecordsTest, DeletingTheNewerOfTwoCertificatesGivesTheCardTheOlderDate) {
  addCertificate(1, date(10, 2, 1998));
  addCertificate(1, date(5, 6, 2003));
  addCertificate(2, date(1, 1, 2005));  // another employee's newer certificate counts for nothing
  ASSERT_EQ(updateLatestRecord(dictionary, LatestRecordList::Certificates, 1), framework::kLevelBenign);
  EXPECT_EQ(card().integer("KAR:DATAS"), date(5, 6, 2003));
  EXPECT_EQ(column("SERTIFIK", "SER:IND"), (std::vector<std::string>{"0", "1", "0"}));

  deleteWhere("SERTIFIK", "SER:DATAD", date(5, 6, 2003));
  ASSERT_EQ(updateLatestRecord(dictionary, LatestRecordList::Certificates, 1), framework::kLevelBenign);
  EXPECT_EQ(card().integer("KAR:DATAS"), date(10, 2, 1998));
  EXPECT_EQ(column("SERTIFIK", "SER:IND"), (std::vector<std::string>{"1", "0"}));

  deleteWhere("SERTIFIK", "SER:NUM", 1);
  ASSERT_EQ(updateLatestRecord(dictionary, LatestRecordList::Certificates, 1), framework::kLevelBenign);
  EXPECT_EQ(card().integer("KAR:DATAS"), 0);  // no certificate left: the card field stays cleared
}

TEST_F(DerivedRecordsTest, LatestAppointmentGivesTheCardItsPlaceProfessionAndFormLine) {
  auto appoint = [&](std::int32_t when, std::string_view subdivision, std::string_view position, int line) {
    addRecord("RABOTA", [&](RecordAccess& r) {
      r.setInteger("RAB:NUM", 3);
      r.setInteger("RAB:DATA", when);
      r.setText("RAB:STRUKT", ru(subdivision));
      r.setText("RAB:OTDELENIE", ru("Терапия"));
      r.setText("RAB:DOLGNOST", ru(position));
      r.setText("RAB:PROF", ru("Врач-терапевт"));
      r.setInteger("RAB:STR", line);
    });
  };
  appoint(0, "Без даты", "Санитар", 140);  // an undated order sorts before every dated one
  appoint(date(1, 9, 2001), "Стационар", "Заведующий", 12);
  appoint(date(1, 3, 1995), "Поликлиника", "Врач", 11);
  ASSERT_EQ(updateLatestRecord(dictionary, LatestRecordList::Appointments, 3), framework::kLevelBenign);
  EXPECT_EQ(card().text("KAR:STRUKT"), ru("Стационар"));
  EXPECT_EQ(card().text("KAR:OTDELENIE"), ru("Терапия"));
  EXPECT_EQ(card().text("KAR:POST"), ru("Заведующий"));
  EXPECT_EQ(card().text("KAR:PROFF"), ru("Врач-терапевт"));
  EXPECT_EQ(card().integer("KAR:STR"), 12);
  EXPECT_EQ(column("RABOTA", "RAB:IND"), (std::vector<std::string>{"0", "1", "0"}));

  deleteWhere("RABOTA", "RAB:NUM", 3);
  ASSERT_EQ(updateLatestRecord(dictionary, LatestRecordList::Appointments, 3), framework::kLevelBenign);
  EXPECT_EQ(card().text("KAR:STRUKT"), "");
  EXPECT_EQ(card().text("KAR:POST"), "");
  EXPECT_EQ(card().integer("KAR:STR"), 0);
}

TEST_F(DerivedRecordsTest, AttestationTrainingAndTiesFollowTheWalkedKey) {
  auto attest = [&](std::int32_t when, std::string_view category) {
    addRecord("ATTESTAT", [&](RecordAccess& r) {
      r.setInteger("ATT:NUM", 4);
      r.setInteger("ATT:DATAD", when);
      r.setText("ATT:KATEGOR", ru(category));
    });
  };
  attest(date(1, 1, 2000), "Вторая");
  attest(date(1, 1, 2000), "Первая");  // same date, added later: the walk meets it first
  ASSERT_EQ(updateLatestRecord(dictionary, LatestRecordList::Attestations, 4), framework::kLevelBenign);
  EXPECT_EQ(card().text("KAR:KATEGOR"), ru("Первая"));
  EXPECT_EQ(card().integer("KAR:DATAA"), date(1, 1, 2000));

  // Further training goes by the start date; the card takes the latest course's document date.
  auto course = [&](std::int32_t start, std::int32_t document, int flag) {
    addRecord("POVYSH", [&](RecordAccess& r) {
      r.setInteger("POV:NUM", 4);
      r.setInteger("POV:DATAN", start);
      r.setInteger("POV:DATAD", document);
      r.setInteger("POV:IND", flag);
    });
  };
  course(date(1, 2, 1999), date(1, 8, 2004), 0);
  course(date(1, 2, 2002), date(1, 3, 2002), 0);
  course(0, date(1, 1, 2010), 1);  // no start date: not in POV:DATAN_KEY, never visited
  ASSERT_EQ(updateLatestRecord(dictionary, LatestRecordList::FurtherTraining, 4), framework::kLevelBenign);
  EXPECT_EQ(card().integer("KAR:DATAP"), date(1, 3, 2002));
  EXPECT_EQ(column("POVYSH", "POV:IND"), (std::vector<std::string>{"0", "1", "1"}));

  addRecord("PODGOT", [&](RecordAccess& r) {
    r.setInteger("POD:NUM", 4);
    r.setInteger("POD:DATAN", date(1, 1, 1990));
  });
  ASSERT_EQ(updateAllDerived(dictionary, 4), framework::kLevelBenign);
  EXPECT_EQ(column("PODGOT", "POD:IND"), std::vector<std::string>{"1"});
  EXPECT_EQ(card().text("KAR:KATEGOR"), ru("Первая"));
}

// Two jobs 31 days apart stay continuous when the later one starts in April (limit 31) and
// break the chain when it starts in May (limit 30).
TEST_F(DerivedRecordsTest, WorkHistoryGapLimitDependsOnTheLaterStartMonth) {
  addPeriod(5, date(1, 1, 1990), date(31, 12, 1994), "A", "1");
  addPeriod(5, date(1, 3, 1995), date(28, 2, 1998), "A", "1");  // 31 days before 31.03.1998
  addPeriod(5, date(31, 3, 1998), date(1, 1, 2001), "A", "1");  // 31.03: March limit is 30
  addPeriod(6, date(1, 1, 1980), date(1, 3, 1998), "B", "2");
  addPeriod(6, date(1, 4, 1998), date(1, 1, 2001), "B", "2");  // April: 31 days still continuous
  ASSERT_EQ(updateWorkHistoryFlags(dictionary, 5), framework::kLevelBenign);
  ASSERT_EQ(updateWorkHistoryFlags(dictionary, 6), framework::kLevelBenign);
  EXPECT_EQ(periodFlags(5), (std::vector<std::string>{"1/1990 010", "3/1995 010", "3/1998 100"}));
  EXPECT_EQ(periodFlags(6), (std::vector<std::string>{"1/1980 000", "4/1998 100"}));
}

TEST_F(DerivedRecordsTest, OpenPeriodsAreNotWrittenAndNamesWithoutCodeLeaveTheSpeciality) {
  addPeriod(7, date(1, 1, 1980), date(1, 1, 1985), "Медсестра", "", 0);
  addPeriod(7, date(2, 1, 1985), date(1, 1, 1990), "Санитар", "", 0);  // named, no code
  addPeriod(7, date(2, 1, 1990), date(1, 1, 2000), "Фельдшер", "3", 0);
  addPeriod(7, date(2, 1, 2000), 0, "Фельдшер", "3", 1);  // still working: flags as stored
  ASSERT_EQ(updateWorkHistoryFlags(dictionary, 7), framework::kLevelBenign);
  // The latest closed period carries TRU:IND; the first named job without a code, counted back,
  // and everything before it are outside the speciality.
  EXPECT_EQ(periodFlags(7),
            (std::vector<std::string>{"1/1980 001", "1/1985 001", "1/1990 100", "1/2000 111"}));

  ServiceSums sums;
  ASSERT_EQ(employeeServiceSums(dictionary, 7, sums), framework::kLevelBenign);
  EXPECT_EQ(sums.last_profession, (ServiceLength{30, 11, 9}));  // 02.01.1990–01.01.2000
  EXPECT_EQ(sums.total, (ServiceLength{0 + 30 + 30, 0 + 11 + 11, 5 + 4 + 9}));
  EXPECT_EQ(sums.open_start, date(2, 1, 2000));
}

TEST_F(DerivedRecordsTest, PeriodLengthAndLeaveSumsFillTheirBuffers) {
  RecordAccess trud = record("TRUD");
  trud.setInteger("TRU:DATAN", date(15, 3, 2000));
  trud.setInteger("TRU:DATAK", date(10, 3, 2001));
  storePeriodLength(trud);
  EXPECT_EQ(trud.text("TRU:STAGD") + "/" + trud.text("TRU:STAGM") + "/" + trud.text("TRU:STAGG"), "26/11/0");
  trud.setInteger("TRU:DATAK", 0);
  storePeriodLength(trud);
  EXPECT_EQ(trud.text("TRU:STAGD") + "/" + trud.text("TRU:STAGM") + "/" + trud.text("TRU:STAGG"), "0/0/0");

  RecordAccess leave = record("OTPUSK");
  leave.setInteger("OTP:SROK", 28);
  leave.setInteger("OTP:SROK1", 3);
  leave.setInteger("OTP:SROK2", 0);
  leave.setInteger("OTP:SROK3", 7);
  computeLeaveSums(leave);
  EXPECT_EQ(leave.integer("OTP:SROKS"), 10);
  EXPECT_EQ(leave.integer("OTP:SROK_ITOG"), 38);
}

}  // namespace
}  // namespace veltrano::app
