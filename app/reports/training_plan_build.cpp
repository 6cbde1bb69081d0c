#include "app/reports/training_plan_build.h"

#include <vector>

#include "app/computations/child_records.h"
#include "app/computations/service_length.h"
#include "app/dictionary/record_access.h"
#include "app/reports/report_values.h"
#include "framework/transaction_frame.h"
#include "platform/codepage.h"
#include "runtime/errors/error_state.h"

namespace veltrano::app::reports {
namespace {

using platform::ru;

constexpr ChildFileWalk kWork{"TRUD", "TRU:NUM_KEY", "TRU:NUM", "TRU:DATAN", true};
constexpr ChildFileWalk kCertificates{"SERTIFIK", "SER:NUM_KEY", "SER:NUM", "SER:DATAD", true};
constexpr ChildFileWalk kAttestations{"ATTESTAT", "ATT:NUM_KEY", "ATT:NUM", "ATT:DATAD", true};
constexpr ChildFileWalk kTraining{"POVYSH", "POV:NUM_KEY", "POV:NUM", "POV:DATAN", true};
// What NEXT posts past the last record.
constexpr int kEndOfFile = 33;
constexpr std::string_view kReadFiles[] = {"KARTA", "TRUD", "SERTIFIK", "ATTESTAT", "POVYSH"};

std::string failureText(std::string_view what) {
  return ru(what) + ": " + runtime::errorText80() + " (" + std::to_string(runtime::errorCode()) + ")";
}

// Visits the employee's records of a file in the order they were stored.
template <typename Visit>
void storedOrder(Dictionary& dictionary, const ChildFileWalk& walk, std::int64_t employee, Visit&& visit) {
  std::vector<ChildRecord> records;
  employeeRecordsLatestFirst(dictionary, walk, employee, records, [&](const ChildRecord&) { visit(); });
}

class PlanLine {
 public:
  PlanLine(Dictionary& dictionary, std::int32_t today)
      : dictionary_(dictionary), plan_(dictionary.file("UCHEBA")), today_(today) {}

  void fill(const RecordAccess& card, const PlanSlots& slots) {
    plan_.clearAll();
    const std::int64_t employee = card.integer("KAR:NUM");
    plan_.setText("UCH:FAM", shortName(card));
    plan_.setText("UCH:POST", card.text("KAR:POST"));
    plan_.setText("UCH:STRUKT", card.text("KAR:STRUKT"));
    plan_.setText("UCH:OTDELENIE", card.text("KAR:OTDELENIE"));
    plan_.setInteger("UCH:IND_STRUKT", slotOf(slots.subdivisions, card.text("KAR:STRUKT")));
    plan_.setInteger("UCH:IND_OTDEL", slotOf(slots.departments, card.text("KAR:OTDELENIE")));
    plan_.setInteger("UCH:IND_POST", slotOf(slots.positions, card.text("KAR:POST")));
    service(employee);
    dates(employee);
  }

 private:
  void service(std::int64_t employee) {
    const RecordAccess trud(dictionary_.file("TRUD"));
    ServiceLength speciality;
    std::int64_t open_starts = 0;
    std::int64_t open_periods = 0;
    storedOrder(dictionary_, kWork, employee, [&] {
      if (trud.integer("TRU:IND2") == 0 && !trud.blank("TRU:KOD_PROF")) {
        speciality += ServiceLength{static_cast<std::int32_t>(trud.integer("TRU:STAGD")),
                                    static_cast<std::int32_t>(trud.integer("TRU:STAGM")),
                                    static_cast<std::int32_t>(trud.integer("TRU:STAGG"))};
      }
      if (trud.blank("TRU:DATAK") && !trud.blank("TRU:DATAN")) {
        open_starts += trud.integer("TRU:DATAN");
        ++open_periods;
      }
    });
    // With more than one open period the running one starts at their mean start date, as the
    // work-history list takes it.
    const ServiceLength here =
        open_periods == 0 ? ServiceLength{}
                          : periodLength(static_cast<std::int32_t>(open_starts / open_periods), today_);
    speciality += here;
    put("UCH:STAGDM", "UCH:STAGMM", "UCH:STAGGM", normalise(speciality));
    put("UCH:STAGDB", "UCH:STAGMB", "UCH:STAGGB", normalise(here));
  }

  void put(std::string_view days, std::string_view months, std::string_view years,
           const ServiceLength& length) {
    plan_.setInteger(days, length.days);
    plan_.setInteger(months, length.months);
    plan_.setInteger(years, length.years);
  }

  void dates(std::int64_t employee) {
    std::vector<std::int64_t> certificates;
    const RecordAccess sertifik(dictionary_.file("SERTIFIK"));
    storedOrder(dictionary_, kCertificates, employee,
                [&] { certificates.push_back(sertifik.integer("SER:DATAD")); });
    for (std::uint32_t slot = 0; slot < 5 && slot < certificates.size(); ++slot)
      plan_.setInteger("UCH:DATA_SERT", certificates[certificates.size() - 1 - slot], slot);

    std::uint32_t attestations = 0;
    const RecordAccess attestat(dictionary_.file("ATTESTAT"));
    storedOrder(dictionary_, kAttestations, employee, [&] {
      if (attestations == 3) return;
      plan_.setText("UCH:KATEGOR", attestat.text("ATT:KATEGOR"), attestations);
      plan_.setInteger("UCH:DATA_KATEGOR", attestat.integer("ATT:DATAD"), attestations);
      ++attestations;
    });

    std::vector<std::pair<std::int64_t, std::string>> courses;
    const RecordAccess povysh(dictionary_.file("POVYSH"));
    storedOrder(dictionary_, kTraining, employee,
                [&] { courses.emplace_back(povysh.integer("POV:DATAD"), povysh.text("POV:VID1")); });
    for (std::uint32_t slot = 0; slot < 5 && slot < courses.size(); ++slot) {
      const auto& [date, kind] = courses[courses.size() - 1 - slot];
      plan_.setInteger("UCH:DATA_POVYSH", date, slot);
      plan_.setText("UCH:VID_POVYSH", kind, slot);
    }
  }

  Dictionary& dictionary_;
  RecordAccess plan_;
  std::int32_t today_;
};

// The files the build reads, open for it and closed again at its end.
class OpenFiles {
 public:
  explicit OpenFiles(Dictionary& dictionary) : dictionary_(dictionary) {
    for (std::string_view label : kReadFiles) {
      if (dictionary.manager(label).Open() != framework::kLevelBenign) return;
      opened_.push_back(label);
    }
  }
  ~OpenFiles() {
    for (std::string_view label : opened_) dictionary_.manager(label).Close();
  }
  OpenFiles(const OpenFiles&) = delete;
  OpenFiles& operator=(const OpenFiles&) = delete;
  bool all() const { return opened_.size() == std::size(kReadFiles); }

 private:
  Dictionary& dictionary_;
  std::vector<std::string_view> opened_;
};

}  // namespace

PlanBuilt buildTrainingPlan(Dictionary& dictionary, const PlanSlots& slots, std::int32_t today) {
  PlanBuilt result;
  OpenFiles read(dictionary);
  if (!read.all()) return {false, 0, failureText("Файлы сотрудников не открываются")};
  storage::DeclaredFile& ucheba = dictionary.file("UCHEBA");
  framework::TableManager& plan = dictionary.manager("UCHEBA");
  storage::fileStatement(storage::Operation::Create, ucheba.file());
  if (runtime::errorCode() != 0) return {false, 0, failureText("План не создаётся заново")};
  if (plan.Open() != framework::kLevelBenign) return {false, 0, failureText("План не открывается")};
  // One transaction for the whole plan: it is written at once, or not at all.
  framework::TransactionFrame frame;
  if (frame.begin({&ucheba.file()}) != 0) {
    plan.Close();
    return {false, 0, failureText("План занят на другой станции")};
  }
  PlanLine line(dictionary, today);
  storage::DeclaredFile& karta = dictionary.file("KARTA");
  const RecordAccess card(karta);
  storage::fileStatement(storage::Operation::SetFile, karta.file());
  int read_code = runtime::errorCode();
  while (read_code == 0) {
    storage::fileStatement(storage::Operation::Next, karta.file());
    read_code = runtime::errorCode();
    if (read_code != 0) break;
    const std::int64_t form_line = card.integer("KAR:STR");
    if (!card.blank("KAR:DATA_UVOL") || card.integer("KAR:SOVMESTITEL") != 0 || form_line < 4 ||
        form_line > 84)
      continue;
    line.fill(card, slots);
    if (plan.InsertQuiet() != framework::kLevelBenign) {
      result.failure = failureText("Строка плана не записывается");
      break;
    }
    ++result.doctors;
  }
  if (result.failure.empty() && read_code != kEndOfFile)
    result.failure = failureText("Картотека не читается");
  if (result.failure.empty() && frame.commit() != 0) result.failure = failureText("План не записывается");
  if (!result.failure.empty()) frame.rollBack();
  runtime::clearErrors();
  plan.Close();
  result.built = result.failure.empty();
  return result;
}

}  // namespace veltrano::app::reports
