#include "app/computations/derived_records.h"

#include <array>
#include <string_view>
#include <utility>
#include <vector>

#include "app/computations/child_records.h"
#include "app/computations/due_dates.h"
#include "framework/field_ref.h"

namespace veltrano::app {
namespace {

constexpr ChildFileWalk kWorkHistory{"TRUD", "TRU:NUM_KEY", "TRU:NUM", "TRU:DATAN", false};

struct CardField {
  std::string_view card;
  std::string_view child;
};

struct LatestRecordRule {
  ChildFileWalk walk;
  std::string_view flag;
  std::vector<CardField> card_fields;
};

const LatestRecordRule& ruleOf(LatestRecordList list) {
  static const std::array<LatestRecordRule, 5> rules = {{
      {{"RABOTA", "RAB:NUM_KEY", "RAB:NUM", "RAB:DATA", true},
       "RAB:IND",
       {{"KAR:STRUKT", "RAB:STRUKT"},
        {"KAR:OTDELENIE", "RAB:OTDELENIE"},
        {"KAR:POST", "RAB:DOLGNOST"},
        {"KAR:PROFF", "RAB:PROF"},
        {"KAR:STR", "RAB:STR"}}},
      {{"POVYSH", "POV:NUM_KEY", "POV:NUM", "POV:DATAN", false}, "POV:IND", {{"KAR:DATAP", "POV:DATAD"}}},
      {{"PODGOT", "POD:NUM_KEY", "POD:NUM", "POD:DATAN", false}, "POD:IND", {}},
      {{"ATTESTAT", "ATT:NUM_KEY", "ATT:NUM", "ATT:DATAD", false},
       "ATT:IND",
       {{"KAR:KATEGOR", "ATT:KATEGOR"}, {"KAR:DATAA", "ATT:DATAD"}}},
      {{"SERTIFIK", "SER:NUM_KEY", "SER:NUM", "SER:DATAD", false}, "SER:IND", {{"KAR:DATAS", "SER:DATAD"}}},
  }};
  return rules[static_cast<std::size_t>(list)];
}

framework::FieldRef fieldRef(RecordAccess record, std::string_view name) {
  const auto& field = record.field(name);
  return {&field, record.record()};
}

// Opens a file through its manager for the scope of a computation.
class OpenForScope {
 public:
  explicit OpenForScope(framework::TableManager& manager) : manager_(manager), level_(manager.Open()) {}
  ~OpenForScope() {
    if (level_ == framework::kLevelBenign) manager_.Close();
  }
  OpenForScope(const OpenForScope&) = delete;
  OpenForScope& operator=(const OpenForScope&) = delete;
  framework::Level level() const { return level_; }

 private:
  framework::TableManager& manager_;
  framework::Level level_;
};

WorkPeriod periodOf(const RecordAccess& trud) {
  WorkPeriod period;
  period.start = static_cast<std::int32_t>(trud.integer("TRU:DATAN"));
  period.end = static_cast<std::int32_t>(trud.integer("TRU:DATAK"));
  period.has_name = !trud.blank("TRU:NOM");
  period.has_code = !trud.blank("TRU:KOD_PROF");
  period.latest = static_cast<std::uint8_t>(trud.integer("TRU:IND"));
  period.broken_chain = static_cast<std::uint8_t>(trud.integer("TRU:IND1"));
  period.outside_speciality = static_cast<std::uint8_t>(trud.integer("TRU:IND2"));
  return period;
}

ServiceLength storedLength(const RecordAccess& trud) {
  return {static_cast<std::int32_t>(trud.integer("TRU:STAGD")),
          static_cast<std::int32_t>(trud.integer("TRU:STAGM")),
          static_cast<std::int32_t>(trud.integer("TRU:STAGG"))};
}

}  // namespace

void storePeriodLength(RecordAccess trud) {
  const ServiceLength length = periodLength(static_cast<std::int32_t>(trud.integer("TRU:DATAN")),
                                            static_cast<std::int32_t>(trud.integer("TRU:DATAK")));
  trud.setInteger("TRU:STAGD", length.days);
  trud.setInteger("TRU:STAGM", length.months);
  trud.setInteger("TRU:STAGG", length.years);
}

framework::Level updateWorkHistoryFlags(Dictionary& dictionary, std::int64_t employee) {
  framework::TableManager& manager = dictionary.manager("TRUD");
  const OpenForScope open(manager);
  if (open.level() != framework::kLevelBenign) return open.level();
  RecordAccess trud(dictionary.file("TRUD"));

  std::vector<ChildRecord> records;
  std::vector<std::pair<std::uint32_t, WorkPeriod>> read;
  const framework::Level level = employeeRecordsLatestFirst(
      dictionary, kWorkHistory, employee, records,
      [&](const ChildRecord& record) { read.emplace_back(record.pointer, periodOf(trud)); });
  if (level != framework::kLevelBenign) return level;

  std::vector<WorkPeriod> periods;
  periods.reserve(records.size());
  for (const ChildRecord& record : records) {
    for (const auto& [pointer, period] : read) {
      if (pointer == record.pointer) periods.push_back(period);
    }
  }
  computeWorkHistoryFlags(periods);
  for (std::size_t index = 0; index < records.size(); ++index) {
    const WorkPeriod& period = periods[index];
    if (!period.store) continue;
    if (readChildRecord(dictionary, "TRUD", records[index].pointer) != 0) return framework::kLevelNotify;
    trud.setInteger("TRU:IND", period.latest);
    trud.setInteger("TRU:IND1", period.broken_chain);
    trud.setInteger("TRU:IND2", period.outside_speciality);
    if (const auto put = manager.UpdateQuiet(); put != framework::kLevelBenign) return put;
  }
  return framework::kLevelBenign;
}

framework::Level updateLatestRecord(Dictionary& dictionary, LatestRecordList list, std::int64_t employee) {
  const LatestRecordRule& rule = ruleOf(list);
  RecordAccess card(dictionary.file("KARTA"));
  for (const CardField& field : rule.card_fields) card.clear(field.card);

  framework::TableManager& manager = dictionary.manager(rule.walk.file);
  const OpenForScope open(manager);
  if (open.level() != framework::kLevelBenign) return open.level();
  RecordAccess child(dictionary.file(rule.walk.file));

  std::vector<ChildRecord> records;
  const framework::Level level =
      employeeRecordsLatestFirst(dictionary, rule.walk, employee, records, [](auto&) {});
  if (level != framework::kLevelBenign) return level;
  bool latest = true;
  for (const ChildRecord& record : records) {
    if (readChildRecord(dictionary, rule.walk.file, record.pointer) != 0) return framework::kLevelNotify;
    child.setInteger(rule.flag, latest ? 1 : 0);
    if (latest) {
      for (const CardField& field : rule.card_fields) {
        framework::copyField(fieldRef(card, field.card), fieldRef(child, field.child));
      }
    }
    latest = false;
    if (const auto put = manager.UpdateQuiet(); put != framework::kLevelBenign) return put;
  }
  return framework::kLevelBenign;
}

framework::Level updateAllDerived(Dictionary& dictionary, std::int64_t employee) {
  if (const auto level = updateWorkHistoryFlags(dictionary, employee); level != framework::kLevelBenign)
    return level;
  for (const auto list : {LatestRecordList::Appointments, LatestRecordList::FurtherTraining,
                          LatestRecordList::ProfessionalTraining, LatestRecordList::Attestations,
                          LatestRecordList::Certificates}) {
    if (const auto level = updateLatestRecord(dictionary, list, employee); level != framework::kLevelBenign) {
      return level;
    }
  }
  return framework::kLevelBenign;
}

framework::Level employeeServiceSums(Dictionary& dictionary, std::int64_t employee, ServiceSums& sums) {
  framework::TableManager& manager = dictionary.manager("TRUD");
  const OpenForScope open(manager);
  if (open.level() != framework::kLevelBenign) return open.level();
  RecordAccess trud(dictionary.file("TRUD"));
  std::vector<WorkHistoryRow> rows;
  std::vector<ChildRecord> records;
  const framework::Level level =
      employeeRecordsLatestFirst(dictionary, kWorkHistory, employee, records, [&](const ChildRecord&) {
        rows.push_back({periodOf(trud), storedLength(trud)});
      });
  if (level != framework::kLevelBenign) return level;
  sums = sumWorkHistory(rows);
  return framework::kLevelBenign;
}

void computeLeaveSums(RecordAccess otpusk) {
  const LeaveDays days = leaveDays(static_cast<std::int32_t>(otpusk.integer("OTP:SROK")),
                                   static_cast<std::int32_t>(otpusk.integer("OTP:SROK1")),
                                   static_cast<std::int32_t>(otpusk.integer("OTP:SROK2")),
                                   static_cast<std::int32_t>(otpusk.integer("OTP:SROK3")));
  otpusk.setInteger("OTP:SROKS", days.additional);
  otpusk.setInteger("OTP:SROK_ITOG", days.total);
}

}  // namespace veltrano::app
