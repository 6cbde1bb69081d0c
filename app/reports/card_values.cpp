#include "app/reports/card_values.h"

#include <vector>

#include "app/computations/child_records.h"
#include "app/computations/due_dates.h"
#include "app/dictionary/application_globals.h"
#include "app/dictionary/record_access.h"
#include "app/reports/report_values.h"
#include "platform/codepage.h"
#include "runtime/datetime/calendar.h"

namespace veltrano::app::reports {
namespace {

// The walks below visit every record of the employee in its file's employee-number key, which
// orders one employee's records as they were stored.
constexpr ChildFileWalk kAppointments{"RABOTA", "RAB:NUM_KEY", "RAB:NUM", "RAB:DATA", true};
constexpr ChildFileWalk kTraining{"POVYSH", "POV:NUM_KEY", "POV:NUM", "POV:DATAN", true};
constexpr ChildFileWalk kFamily{"SOSTAV", "SOS:NUM_KEY", "SOS:NUM", "SOS:DATR", true};

template <typename Visit>
void visitEmployeeRecords(Dictionary& dictionary, const ChildFileWalk& walk, std::int64_t employee,
                          Visit&& visit) {
  std::vector<ChildRecord> records;
  employeeRecordsLatestFirst(dictionary, walk, employee, records, [&](const ChildRecord&) { visit(); });
}

}  // namespace

std::int64_t CardValues::employee() const {
  return RecordAccess(dictionary_.file("KARTA")).integer("KAR:NUM");
}

const CardValues::Appointments& CardValues::appointments() {
  if (appointments_of_ == employee()) return appointments_;
  appointments_of_ = employee();
  appointments_ = {};
  bool first = true;
  const RecordAccess rabota(dictionary_.file("RABOTA"));
  visitEmployeeRecords(dictionary_, kAppointments, appointments_of_, [&] {
    if (first) appointments_.first_order = static_cast<std::int32_t>(rabota.integer("RAB:DATA_PR"));
    first = false;
    if (rabota.integer("RAB:IND") == 1) {
      appointments_.latest_date = static_cast<std::int32_t>(rabota.integer("RAB:DATA"));
      appointments_.latest_grade = rabota.text("RAB:RAZRAD");
    }
  });
  return appointments_;
}

const std::string& CardValues::lastTraining() {
  if (training_of_ == employee()) return training_;
  training_of_ = employee();
  training_.clear();
  const RecordAccess povysh(dictionary_.file("POVYSH"));
  visitEmployeeRecords(dictionary_, kTraining, training_of_, [&] {
    if (povysh.integer("POV:IND") != 1) return;
    const auto date = static_cast<std::int32_t>(povysh.blank("POV:DATAD") ? povysh.integer("POV:DATAN")
                                                                          : povysh.integer("POV:DATAD"));
    training_ = joined({yearText(date), povysh.text("POV:MESTO"), povysh.text("POV:VID")});
  });
  return training_;
}

bool CardValues::HasChildBornAfterOctober1992() {
  static const std::string son = platform::ru("сын");
  static const std::string daughter = platform::ru("дочь");
  static const std::int32_t from = runtime::serialFromParts(1992, 10, 6);
  const RecordAccess sostav(dictionary_.file("SOSTAV"));
  std::string relation;
  std::int32_t born = 0;
  visitEmployeeRecords(dictionary_, kFamily, employee(), [&] {
    const std::string kin = sostav.text("SOS:IGDIVEN");
    if (kin != son && kin != daughter) return;
    relation = kin;
    born = static_cast<std::int32_t>(sostav.integer("SOS:DATR"));
  });
  if (relation.empty() || born < from) return false;
  child_ = relation + " " + cellDate(born);
  return true;
}

void CardValues::BindTo(framework::ReportRunner& report) {
  const RecordAccess card(dictionary_.file("KARTA"));
  auto field = [card](std::string_view name, std::uint32_t element) {
    return [card, name, element] { return card.text(name, element); };
  };
  auto part_timer = [card] { return card.integer("KAR:SOVMESTITEL") == 1; };
  auto date = [card](std::string_view name) { return static_cast<std::int32_t>(card.integer(name)); };
  report.BindValue("fio", [card] { return shortName(card); });
  report.BindValue("fio_marked", [card, part_timer] {
    return shortName(card) + (part_timer() ? platform::ru(" совместитель") : std::string());
  });
  report.BindValue("full_name", [card] { return fullName(card); });
  report.BindValue("note",
                   [part_timer] { return part_timer() ? platform::ru("совместитель") : std::string(); });
  report.BindValue("birth_year", [date] { return yearText(date("KAR:DATR")); });
  report.BindValue("address", field("KAR:ADRES", 0));
  report.BindValue("addresses", [card] {
    const std::string registered = card.text("KAR:ADRES", 0);
    const std::string actual = card.text("KAR:ADRES", 1);
    return actual.empty() ? registered : registered + " / " + actual;
  });
  report.BindValue("school", field("KAR:MESTO_UCHEBY", 0));
  report.BindValue("graduation", [card, date] {
    return joined({yearText(date("KAR:DATD")), card.text("KAR:FAK", 0)});
  });
  report.BindValue("graduation_year", [date] { return yearText(date("KAR:DATD")); });
  report.BindValue("faculty", field("KAR:FAK", 0));
  report.BindValue("speciality", field("KAR:PROF", 2));
  report.BindValue("insurance", [card] { return insuranceText(card.text("KAR:STRACH")); });
  report.BindValue("last_training", [this] { return lastTraining(); });
  report.BindValue("hired", [this] { return std::to_string(appointments().first_order); });
  report.BindValue("service_here", [this] {
    const std::int32_t hired = appointments().first_order;
    return hired == 0 ? std::string() : lengthText(periodLength(hired, runtime::today()));
  });
  report.BindValue("appointed", [this] { return std::to_string(appointments().latest_date); });
  report.BindValue("grade", [this] { return appointments().latest_grade; });
  report.BindValue("child", [this] { return child_; });
  report.BindValue("retirement", [date] {
    const auto year = static_cast<std::int32_t>(std::atoi(applicationGlobals().text("datan").c_str()));
    return std::to_string(retirementDate(date("KAR:DATR"), year));
  });
}

}  // namespace veltrano::app::reports
