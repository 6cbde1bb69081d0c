// The values the employee lists print that are computed from the card in KARTA's buffer and,
// for some, from the employee's child records: each bound to a report under its name, so that
// a list's column names the value as it names a field.
//
//   fio               "Фамилия И.О."
//   fio_marked        the same, followed by "совместитель" for a part-timer
//   full_name         "Фамилия Имя Отчество"
//   note              "совместитель" for a part-timer, else empty
//   birth_year        the year of KAR:DATR
//   address           KAR:ADRES [1]
//   addresses         KAR:ADRES [1] " / " KAR:ADRES [2]
//   school            KAR:MESTO_UCHEBY [1]
//   graduation        the year of the diploma (KAR:DATD) and KAR:FAK [1]
//   graduation_year   the year of KAR:DATD
//   faculty           KAR:FAK [1]
//   speciality        KAR:PROF [3]
//   insurance         KAR:STRACH as the card's template shows it ("123-456-789 01")
//   last_training     the latest further-training course (POV:IND = 1): its year, where and what
//   hired             RAB:DATA_PR of the employee's first RABOTA record in RAB:NUM_KEY order
//   service_here      the length from that date to today
//   appointed         RAB:DATA of the latest appointment (RAB:IND = 1)
//   grade             its RAB:RAZRAD
//   child             the son or daughter VELTR112 found: "сын 12.03.1995"
//   retirement        the birthday in the year held by datan
//
// The child records are looked up once per card, whichever of their values a list shows; the
// files they come from must be open on the report's thread (a report's lookups).
#pragma once

#include <cstdint>
#include <string>

#include "app/dictionary/dictionary.h"
#include "framework/report/report_runner.h"

namespace veltrano::app::reports {

class CardValues {
 public:
  explicit CardValues(Dictionary& dictionary) : dictionary_(dictionary) {}

  void BindTo(framework::ReportRunner& report);

  // VELTR112's test of the card in the buffer: among the employee's SOSTAV records whose
  // relationship is exactly "сын" or "дочь", the one read last was born on or after
  // 06.10.1992. That child is what "child" shows.
  bool HasChildBornAfterOctober1992();

  // The card's latest appointment (RAB:IND = 1): its date and its grade; 0 and empty when none.
  std::int32_t LatestAppointmentDate() { return appointments().latest_date; }
  std::string LatestGrade() { return appointments().latest_grade; }

 private:
  struct Appointments {
    std::int32_t first_order = 0;
    std::int32_t latest_date = 0;
    std::string latest_grade;
  };
  std::int64_t employee() const;
  const Appointments& appointments();
  const std::string& lastTraining();

  Dictionary& dictionary_;
  std::int64_t appointments_of_ = -1;
  Appointments appointments_;
  std::int64_t training_of_ = -1;
  std::string training_;
  std::string child_;
};

}  // namespace veltrano::app::reports
